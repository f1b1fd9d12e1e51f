#include "DbConnection.h"

#include "ConnectionString.h"
#include "DbRecordset.h"
#include "Guarded.h"
#include "SqlDialect.h"
#include "SqlErrorText.h"
#include "SqlLiteral.h"
#include "SqliteAlterColumn.h"
#include "SqliteRowSource.h"
#include "base/ProgramFolder.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <vector>

namespace {

const QString kNotOpen = QStringLiteral("Connection Not open!\r\n");

// Each DbConnection owns a Qt connection of its own name: the shared one and the
// restore command's short-lived second one live side by side. Qt keeps the
// names in one registry per process, but every plug-in module links a copy of
// this library with a counter of its own, so the counter alone would repeat
// the program's names and a module's connection would replace the program's.
// The owner's address tells apart the copies' connections that are alive at
// the same time; the counter, the connections one address has over time.
QString NewConnectionName(const void* owner) {
    static std::atomic<int> counter{0};
    return QStringLiteral("torvel-db-%1-%2").arg(quintptr(owner), 0, 16).arg(++counter);
}

bool IsAccessFile(const QString& path) {
    return path.endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive) ||
           path.endsWith(QLatin1String(".accdb"), Qt::CaseInsensitive);
}

// atoi: leading blanks, sign, digits; anything else ends the number.
int AtoI(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
        negative = text[i++] == QLatin1Char('-');
    qint64 value = 0;
    while (i < text.size() && text[i].isDigit() && text[i].unicode() < 0x80) {
        value = value * 10 + (text[i++].unicode() - '0');
        if (value > 0x7fffffffLL)
            break;
    }
    return int(negative ? -value : value);
}

} // namespace

struct DbConnection::Impl {
    QString name = NewConnectionName(this);
    QSqlDatabase db;
    int state = -1;
    Engine engine = Engine::None;
    QString connectionString;
    QString lastError;
    // Open recordsets on this connection.
    std::vector<DbRecordset*> readers;
    // The Qt driver's SQLite handle, when recordsets may read through it.
    sqlite3* direct = nullptr;
    // Open DbTransaction levels; a closed connection has none.
    int transactionDepth = 0;
    // SetProgressHandler's function, and whether it is running.
    std::function<bool()> progress;
    bool inProgress = false;

    static int ProgressCallback(void* self) {
        auto* impl = static_cast<Impl*>(self);
        if (impl->inProgress || !impl->progress)
            return 0;
        impl->inProgress = true;
        const bool goOn = impl->progress();
        impl->inProgress = false;
        return goOn ? 0 : 1;
    }

    // Closes the open recordsets, then the Qt connection: SQLite refuses to
    // close while statements of the direct reader are still prepared.
    void CloseDatabase() {
        const std::vector<DbRecordset*> open = std::move(readers);
        readers.clear();
        for (DbRecordset* reader : open)
            reader->ConnectionClosing();
        direct = nullptr;
        transactionDepth = 0;
        if (db.isValid() && db.isOpen())
            db.close();
    }

    // Drops the Qt connection (all handles first, as Qt requires).
    void Drop() {
        if (!db.isValid())
            return;
        CloseDatabase();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }

    // A Qt connection with the driver, reusing the present one when it has it.
    bool Prepare(const QString& driver) {
        if (db.isValid() && db.driverName() == driver)
            return true;
        Drop();
        if (!QSqlDatabase::isDriverAvailable(driver)) {
            lastError = QStringLiteral("未安装 Qt 的数据库驱动 %1。").arg(driver);
            return false;
        }
        db = QSqlDatabase::addDatabase(driver, name);
        return db.isValid();
    }

    bool OpenSqlite(const ConnectionString& cs);
    bool KeepKeysAhead(const QString& adaptedSql);
    bool OpenPostgres(const ConnectionString& cs);
};

bool DbConnection::Impl::OpenSqlite(const ConnectionString& cs) {
    const QString named = cs.Value({"Data Source", "DataSource", "Database"});
    if (named.trimmed().isEmpty()) {
        lastError = QStringLiteral("连接字符串中没有指定数据库文件 (Data Source)。");
        return false;
    }
    // A relative file lies in the program folder, wherever the program was
    // started from.
    const QString path = ResolveProgramPath(named);
    // SQLite would make an empty database of a missing file; the program never
    // creates its tables, so a missing file is an error.
    const QFileInfo file(path);
    if (!file.exists()) {
        lastError = QStringLiteral("找不到数据库文件 '%1'。").arg(path);
        return false;
    }
    if (!file.isFile()) {
        lastError = QStringLiteral("'%1' 不是一个文件。").arg(path);
        return false;
    }
    if (!Prepare(QStringLiteral("QSQLITE")))
        return false;
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open()) {
        lastError = SqlErrorText(db.lastError());
        db.close();
        return false;
    }
    // SQLite opens any file lazily; reading the schema proves it is a database.
    QSqlQuery probe(db);
    if (!probe.exec(QStringLiteral("select count(*) from sqlite_master"))) {
        lastError = QStringLiteral("'%1' 不是可用的 SQLite 数据库: %2")
                        .arg(path, SqlErrorText(probe.lastError()));
        probe = QSqlQuery();
        db.close();
        return false;
    }
    // Recordsets read through SQLite's own interface when the driver's handle
    // belongs to the same SQLite library this program calls (see
    // SqliteRowSource). TORVEL_SQLITE_QT_READER keeps them on Qt's reader.
    const QVariant handle = db.driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") == 0 &&
        qEnvironmentVariableIsEmpty("TORVEL_SQLITE_QT_READER") &&
        probe.exec(QStringLiteral("select sqlite_source_id()")) && probe.next() &&
        probe.value(0).toString() == SqliteRowSource::LibrarySourceId())
        direct = *static_cast<sqlite3* const*>(handle.constData());
    return true;
}

bool DbConnection::Impl::OpenPostgres(const ConnectionString& cs) {
    if (!Prepare(QStringLiteral("QPSQL")))
        return false;
    db.setHostName(cs.Value({"Host", "Server", "Data Source"}));
    const QString port = cs.Value("Port");
    bool portOk = false;
    const int portNumber = port.toInt(&portOk);
    db.setPort(portOk ? portNumber : -1);
    db.setDatabaseName(cs.Value({"Database", "Initial Catalog"}));
    db.setUserName(cs.Value({"User ID", "User", "UID", "Username"}));
    db.setPassword(cs.Value({"Password", "PWD"}));
    const QString timeout = cs.Value({"Connect Timeout", "Timeout"});
    db.setConnectOptions(
        QStringLiteral("connect_timeout=%1").arg(timeout.toInt() > 0 ? timeout.toInt() : 10));
    if (!db.open()) {
        lastError = SqlErrorText(db.lastError());
        db.close();
        return false;
    }
    QSqlQuery setup(db);
    // Notices (such as "... does not exist, skipping") are no business of the program.
    setup.exec(QStringLiteral("set client_min_messages to warning"));
    // Literals the program builds double only the quote (SqlLiteral): a
    // backslash must stay a backslash, whatever the server or role defaults to.
    if (!setup.exec(QStringLiteral("set standard_conforming_strings to on"))) {
        lastError = SqlErrorText(setup.lastError());
        setup = QSqlQuery();
        db.close();
        return false;
    }
    const QString schema = cs.Value({"Schema", "Search Path"});
    if (!schema.isEmpty() &&
        !setup.exec(
            QStringLiteral("set search_path to %1, public").arg(SqlLiteral::Name(schema)))) {
        lastError = SqlErrorText(setup.lastError());
        setup = QSqlQuery();
        db.close();
        return false;
    }
    return true;
}

// A table made at run time with a database-assigned KeyId gets the trigger the
// delivered schema gives its own such tables (torvel_keep_key_ahead): an
// insert naming KeyId moves the sequence past it, as SQLite's AUTOINCREMENT
// does. Only for a KeyId identity column, since the trigger reads NEW.keyid.
bool DbConnection::Impl::KeepKeysAhead(const QString& adaptedSql) {
    if (!adaptedSql.contains(QLatin1String("as identity"), Qt::CaseInsensitive))
        return true;
    const QString table = SqlDialect::TableOfCreate(adaptedSql);
    if (table.isEmpty())
        return true;
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("select 1 from pg_attribute where attrelid = to_regclass(%1) "
                                   "and attname = 'keyid' and attidentity <> ''")
                        .arg(SqlLiteral::Text(table))) ||
        !query.next())
        return true;
    if (query.exec(QStringLiteral("create trigger keep_key_ahead before insert or update of keyid "
                                  "on %1 for each row execute function torvel_keep_key_ahead()")
                       .arg(table)))
        return true;
    lastError = QStringLiteral("表 %1 已建立，但无法为它设置编号触发器: %2")
                    .arg(table, SqlErrorText(query.lastError()));
    return false;
}

DbConnection::DbConnection() : d(std::make_unique<Impl>()) {}

DbConnection::~DbConnection() {
    d->Drop();
}

int DbConnection::Open(const QString& connectionString) {
    return Guarded(d->lastError, [&] {
        d->connectionString = connectionString;
        // Open on an open connection starts over: that is how a connection
        // whose server went away is recovered.
        d->state = 0;
        d->CloseDatabase();

        const ConnectionString cs(connectionString);
        const QString provider = cs.Value("Provider").trimmed();
        const QString source = cs.Value({"Data Source", "DataSource"}).trimmed();
        if (connectionString.trimmed().isEmpty()) {
            d->lastError = QStringLiteral("连接字符串为空，没有指定要打开的数据库。");
            return 0;
        }
        if (cs.IsEmpty()) {
            d->lastError = QStringLiteral("连接字符串格式不正确：'%1' 中没有“名称=值”形式的设置 "
                                          "(例如 Provider=SQLite;Data Source=torvel.db)。")
                               .arg(connectionString);
            return 0;
        }
        if (provider.startsWith(QLatin1String("Microsoft.Jet.OLEDB"), Qt::CaseInsensitive) ||
            provider.startsWith(QLatin1String("Microsoft.ACE.OLEDB"), Qt::CaseInsensitive) ||
            IsAccessFile(source)) {
            d->lastError = QStringLiteral("不支持 Access 数据库文件 '%1'，请先将其迁移为 SQLite "
                                          "数据库 (torvel.db)。")
                               .arg(source.isEmpty() ? provider : source);
            return 0;
        }
        bool ok = false;
        if (provider.compare(QLatin1String("SQLite"), Qt::CaseInsensitive) == 0 ||
            provider.compare(QLatin1String("SQLite3"), Qt::CaseInsensitive) == 0) {
            d->engine = Engine::SQLite;
            ok = d->OpenSqlite(cs);
        } else if (provider.compare(QLatin1String("PostgreSQL"), Qt::CaseInsensitive) == 0) {
            d->engine = Engine::PostgreSQL;
            ok = d->OpenPostgres(cs);
        } else if (provider.isEmpty()) {
            d->lastError = QStringLiteral("连接字符串中没有指定数据库类型 (Provider=SQLite 或 "
                                          "Provider=PostgreSQL)。");
        } else {
            d->lastError = QStringLiteral("不支持的数据库类型 Provider=%1，可用的是 SQLite 和 "
                                          "PostgreSQL。")
                               .arg(provider);
        }
        if (!ok)
            return 0;
        d->state = 1;
        return 1;
    });
}

int DbConnection::TransactionDepth() const {
    return d->transactionDepth;
}

void DbConnection::SetTransactionDepth(int depth) {
    d->transactionDepth = depth;
}

void DbConnection::Close() {
    try {
        d->CloseDatabase();
        if (d->state == 1)
            d->state = 0;
    } catch (...) {
        d->state = 0;
    }
}

void DbConnection::SetProgressHandler(std::function<bool()> step) {
    d->progress = std::move(step);
    if (d->direct)
        sqlite3_progress_handler(d->direct, d->progress ? 1000000 : 0,
                                 d->progress ? &Impl::ProgressCallback : nullptr, d.get());
}

bool DbConnection::IsInProgressHandler() const {
    return d->inProgress;
}

QString DbConnection::BusyText() {
    return QStringLiteral("数据库正忙于一项较长的修改, 请稍后再试。");
}

int DbConnection::Execute(const QString& sql, long* recordsAffected, int options) {
    Q_UNUSED(options); // every statement is command text
    if (d->state != 1) {
        d->lastError = kNotOpen;
        return 0;
    }
    if (d->inProgress) {
        d->lastError = BusyText();
        return 0;
    }
    return Guarded(d->lastError, [&] {
        if (d->engine == Engine::SQLite) {
            if (const auto alter = SqlDialect::ParseAlterColumn(sql)) {
                QString error;
                QSqlDatabase db = Database();
                if (!SqliteAlterColumn::Run(db, *alter, error, d->transactionDepth > 0)) {
                    d->lastError = error;
                    return 0;
                }
                if (recordsAffected)
                    *recordsAffected = 0;
                return 1;
            }
        }
        const QSqlDatabase db = Database();
        if (!db.isOpen()) {
            d->lastError = LostText();
            return 0;
        }
        QSqlQuery query(db);
        query.setForwardOnly(true);
        const QString adapted = Adapt(sql);
        if (!query.exec(adapted)) {
            d->lastError = SqlErrorText(query.lastError());
            return 0;
        }
        if (recordsAffected) {
            const int affected = query.numRowsAffected();
            *recordsAffected = affected < 0 ? 0 : affected;
        }
        if (d->engine == Engine::PostgreSQL && !d->KeepKeysAhead(adapted))
            return 0;
        return 1;
    });
}

int DbConnection::GetMaxId(const QString& table) {
    DbRecordset rs(*this);
    if (!rs.Open(QLatin1String(" select max(keyid) as maxid from ") + table + QLatin1Char(' '))) {
        d->lastError = rs.GetLastError();
        return -1;
    }
    if (rs.IsEOF())
        return 0;
    return AtoI(rs.GetString(QStringLiteral("maxid")));
}

int DbConnection::JoinColumnValues(const QString& sql, QString& out) {
    out.clear();
    DbRecordset rs(*this);
    if (!rs.Open(sql)) {
        d->lastError = rs.GetLastError();
        return -1;
    }
    int rows = 0;
    while (!rs.IsEOF()) {
        if (rows > 0)
            out += QLatin1Char(';');
        out += rs.GetString(0);
        ++rows;
        rs.MoveNext();
    }
    return rows;
}

QString DbConnection::GetLastError() const {
    return d->lastError;
}

void DbConnection::SetLastError(const QString& text) {
    d->lastError = text;
}

int DbConnection::GetState() const {
    return d->state;
}

QString DbConnection::GetConnectionString() const {
    return d->connectionString;
}

DbConnection::Engine DbConnection::GetEngine() const {
    return d->engine;
}

QString DbConnection::Adapt(const QString& sql) const {
    return SqlDialect::Adapt(sql, d->engine);
}

QSqlDatabase DbConnection::Database() const {
    if (d->engine == Engine::PostgreSQL) {
        for (DbRecordset* reader : d->readers)
            reader->TakeRemainingRows();
    }
    return d->db;
}

sqlite3* DbConnection::DirectSqliteHandle() const {
    return d->direct;
}

QString DbConnection::LostText() {
    return QStringLiteral("与数据库的连接已经断开，请重新打开数据库。");
}

void DbConnection::AttachReader(DbRecordset* reader) {
    d->readers.push_back(reader);
}

void DbConnection::DetachReader(DbRecordset* reader) {
    d->readers.erase(std::remove(d->readers.begin(), d->readers.end(), reader), d->readers.end());
}
