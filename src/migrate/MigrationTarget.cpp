#include "MigrationTarget.h"

#include "db/ConnectionString.h"
#include "db/DbConnection.h"
#include "db/DbTransaction.h"
#include "db/SqlErrorText.h"
#include "db/SqliteRowSource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryFile>
#include <QVariant>

#include <libpq-fe.h>
#include <mdbtools.h>
#include <sqlite3.h>

#include <cmath>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Rows and bytes per INSERT statement on the literal path: large enough that
// the round trips do not count, small enough for any server's limits.
constexpr int kBatchRows = 1000;
constexpr int kBatchBytes = 1 << 20;

QString Native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

bool IsPlainName(const QString& name) {
    if (name.isEmpty() || name.at(0).isDigit())
        return false;
    for (const QChar c : name)
        if (c.unicode() < 0x80 && !c.isLetterOrNumber() && c != QLatin1Char('_'))
            return false;
    return true;
}

// Flushes the file's contents to the disk before it takes the target's name,
// so that a power cut never leaves a named target with missing pages.
bool SyncFile(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

} // namespace

struct MigrationTarget::Writer {
    QString table;
    std::vector<int> position; // of each source column in the insert, or -1
    std::vector<AccessFile::Kind> kinds;
    sqlite3_stmt* statement = nullptr;
    QByteArray head;
    QByteArray batch;
    int batchRows = 0;
    bool copying = false; // a COPY is open on the PostgreSQL connection
    ~Writer() {
        if (statement)
            sqlite3_finalize(statement);
    }
};

MigrationTarget::MigrationTarget() = default;

MigrationTarget::~MigrationTarget() {
    if (!committed_)
        Abandon();
}

bool MigrationTarget::Fail(const QString& what, const QString& why) {
    lastError_ = why.isEmpty() ? what : what + QStringLiteral(": ") + why;
    return false;
}

QString MigrationTarget::DisplayName() const {
    if (!postgres_)
        return Native(target_);
    const ConnectionString cs(target_);
    return QStringLiteral("PostgreSQL %1/%2").arg(cs.Value("Host"), cs.Value("Database"));
}

QString MigrationTarget::StoredName(const QString& name) const {
    // PostgreSQL folds unquoted names to lower case, and the program's schema
    // is written unquoted: a plain name is stored in its folded form.
    QString stored = name;
    if (postgres_ && IsPlainName(name))
        for (QChar& c : stored)
            if (c.unicode() < 0x80)
                c = c.toLower();
    return stored;
}

QString MigrationTarget::Ident(const QString& name) const {
    QString spelled = StoredName(name);
    spelled.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + spelled + QLatin1Char('"');
}

QString MigrationTarget::TextOf(const QString& text) {
    return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QLatin1String("''")) +
           QLatin1Char('\'');
}

bool MigrationTarget::Exec(const QString& sql) {
    QSqlQuery query(connection_->Database());
    if (query.exec(sql))
        return true;
    lastError_ = SqlErrorText(query.lastError());
    if (!connection_->Database().isOpen())
        lastError_ = DbConnection::LostText();
    return false;
}

bool MigrationTarget::Begin(const QString& target) {
    // A connection string names its engine; anything else is a file name.
    const ConnectionString cs(target);
    const QString provider = cs.Value("Provider").trimmed();
    postgres_ = provider.compare(QLatin1String("PostgreSQL"), Qt::CaseInsensitive) == 0;
    target_ = target;
    if (!provider.isEmpty() && !postgres_) {
        if (provider.compare(QLatin1String("SQLite"), Qt::CaseInsensitive) != 0 ||
            cs.Value("Data Source").isEmpty())
            return Fail(QStringLiteral("迁移的目标只能是 SQLite 数据库文件或 PostgreSQL 数据库: %1")
                            .arg(target),
                        QString());
        target_ = cs.Value("Data Source");
    }
    connection_ = std::make_unique<DbConnection>();
    if (postgres_) {
        if (!connection_->Open(target))
            return Fail(QStringLiteral("无法连接目标 PostgreSQL 数据库"),
                        connection_->GetLastError());
        const qint64 existing =
            Count(QStringLiteral("select count(*) from information_schema.tables where "
                                 "table_schema = current_schema() and table_name in "
                                 "('userdata', 'customerdata')"));
        if (existing != 0)
            return Fail(existing > 0 ? QStringLiteral("目标数据库中已经有本系统的数据表。为了不覆盖"
                                                      "其中的数据，迁移没有进行；请指定一个新的"
                                                      "数据库或模式 (Schema)。")
                                     : QStringLiteral("无法读取目标数据库的表"),
                        existing > 0 ? QString() : lastError_);
        const QVariant handle = connection_->Database().driver()->handle();
        // Qt registers the handle under libpq's struct name.
        if ((qstrcmp(handle.typeName(), "PGconn*") == 0 ||
             qstrcmp(handle.typeName(), "pg_conn*") == 0) &&
            qEnvironmentVariableIsEmpty("TORVEL_MIGRATE_INSERTS"))
            copy_ = *static_cast<pg_conn* const*>(handle.constData());
    } else {
        const QFileInfo info(target_);
        if (info.exists())
            return Fail(QStringLiteral("文件 '%1' 已经存在。为了不覆盖其中的数据，迁移没有进行；"
                                       "请指定一个新的文件名。")
                            .arg(Native(info.absoluteFilePath())),
                        QString());
        QTemporaryFile file(info.absoluteFilePath() + QStringLiteral(".XXXXXX.partial"));
        file.setAutoRemove(false);
        if (!file.open())
            return Fail(QStringLiteral("无法在文件夹 '%1' 中建立新的数据库文件")
                            .arg(Native(info.absolutePath())),
                        file.errorString());
        temporary_ = file.fileName();
        file.close();
        QString quoted = temporary_;
        quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
        if (!connection_->Open(QStringLiteral("Provider=SQLite;Data Source=\"%1\"").arg(quoted)))
            return Fail(QStringLiteral("无法打开新的数据库文件"), connection_->GetLastError());
        // The file is thrown away on any failure: no journal is needed.
        if (!Exec(QStringLiteral("pragma journal_mode = off")) ||
            !Exec(QStringLiteral("pragma synchronous = off")))
            return Fail(QStringLiteral("无法设置新的数据库文件"), lastError_);
        const QVariant handle = connection_->Database().driver()->handle();
        QSqlQuery probe(connection_->Database());
        if (qstrcmp(handle.typeName(), "sqlite3*") == 0 &&
            probe.exec(QStringLiteral("select sqlite_source_id()")) && probe.next() &&
            probe.value(0).toString() == SqliteRowSource::LibrarySourceId())
            direct_ = *static_cast<sqlite3* const*>(handle.constData());
    }
    transaction_ = std::make_unique<DbTransaction>(*connection_);
    if (!transaction_->IsActive())
        return Fail(QStringLiteral("无法开始事务"), transaction_->GetLastError());
    // The indexes are built once, over all rows: room to sort in memory.
    if (postgres_ && !Exec(QStringLiteral("set local maintenance_work_mem = '256MB'")))
        return Fail(QStringLiteral("无法设置目标数据库"), lastError_);
    return true;
}

bool MigrationTarget::RunScript(const QStringList& statements) {
    for (const QString& statement : statements)
        if (!Exec(statement))
            return Fail(QStringLiteral("无法建立本系统的数据表"), lastError_);
    return true;
}

QStringList MigrationTarget::ColumnsOf(const QString& table) {
    // Catalog queries: a failing statement would end a PostgreSQL transaction.
    QSqlQuery query(connection_->Database());
    const QString sql =
        postgres_ ? QStringLiteral("select column_name from information_schema.columns where "
                                   "table_schema = current_schema() and table_name = %1 "
                                   "order by ordinal_position")
                        .arg(TextOf(StoredName(table)))
                  : QStringLiteral("select name from pragma_table_info(%1)").arg(TextOf(table));
    QStringList columns;
    if (query.exec(sql))
        while (query.next())
            columns << query.value(0).toString();
    return columns;
}

QString MigrationTarget::AccessTypeName(const AccessFile::Column& column, bool asKey) {
    switch (column.accessType) {
    case MDB_TEXT:
        return QStringLiteral("TEXT(%1)").arg(column.textLength > 0 ? column.textLength : 255);
    case MDB_MEMO:
        return QStringLiteral("MEMO");
    case MDB_DATETIME:
        return QStringLiteral("TEXT(19)"); // the program keeps times as text
    case MDB_REPID:
        return QStringLiteral("TEXT(38)");
    case MDB_LONGINT:
        return asKey && column.isAutoNumber ? QStringLiteral("COUNTER PRIMARY KEY")
                                            : QStringLiteral("Long");
    case MDB_BOOL:
    case MDB_BYTE:
    case MDB_INT:
        return QStringLiteral("Integer");
    case MDB_FLOAT:
        return QStringLiteral("Single");
    default:
        return QStringLiteral("Double");
    }
}

bool MigrationTarget::AddColumn(const QString& table, const AccessFile::Column& column) {
    if (connection_->Execute(
            QStringLiteral("alter table %1 add %2 %3")
                .arg(Ident(table), Ident(column.name), AccessTypeName(column, false))))
        return true;
    return Fail(QStringLiteral("无法在表 %1 中增加列 %2").arg(table, column.name),
                connection_->GetLastError());
}

bool MigrationTarget::CreateTable(const QString& table,
                                  const std::vector<AccessFile::Column>& columns) {
    QStringList definitions;
    for (const AccessFile::Column& column : columns)
        if (column.kind != AccessFile::Kind::Unsupported)
            definitions << Ident(column.name) + QLatin1Char(' ') + AccessTypeName(column, true);
    if (connection_->Execute(QStringLiteral("create table %1 (%2)")
                                 .arg(Ident(table), definitions.join(QStringLiteral(", ")))))
        return true;
    return Fail(QStringLiteral("无法建立表 %1").arg(table), connection_->GetLastError());
}

bool MigrationTarget::BeginRows(const QString& table, const QStringList& targetColumns,
                                const std::vector<AccessFile::Column>& sourceColumns) {
    writer_ = std::make_unique<Writer>();
    writer_->table = table;
    QStringList names;
    for (size_t c = 0; c < sourceColumns.size(); ++c) {
        const QString& name = c < size_t(targetColumns.size()) ? targetColumns[c] : QString();
        writer_->position.push_back(name.isEmpty() ? -1 : int(names.size()));
        writer_->kinds.push_back(sourceColumns[c].kind);
        if (!name.isEmpty())
            names << Ident(name);
    }
    const QString head = QStringLiteral("insert into %1 (%2) values ")
                             .arg(Ident(table), names.join(QLatin1Char(',')));
    if (copy_) {
        const QByteArray sql = QStringLiteral("copy %1 (%2) from stdin")
                                   .arg(Ident(table), names.join(QLatin1Char(',')))
                                   .toUtf8();
        PGresult* result = PQexec(copy_, sql.constData());
        const bool ok = PQresultStatus(result) == PGRES_COPY_IN;
        PQclear(result);
        if (!ok)
            return Fail(QStringLiteral("无法写入表 %1").arg(table),
                        QString::fromUtf8(PQerrorMessage(copy_)).trimmed());
        writer_->copying = true;
        return true;
    }
    if (!direct_) {
        writer_->head = head.toUtf8();
        return true;
    }
    QStringList marks;
    for (qsizetype i = 0; i < names.size(); ++i)
        marks << QStringLiteral("?");
    const QByteArray sql =
        (head + QLatin1Char('(') + marks.join(QLatin1Char(',')) + QLatin1Char(')')).toUtf8();
    if (sqlite3_prepare_v2(direct_, sql.constData(), int(sql.size()), &writer_->statement,
                           nullptr) != SQLITE_OK)
        return Fail(QStringLiteral("无法写入表 %1").arg(table),
                    QString::fromUtf8(sqlite3_errmsg(direct_)));
    return true;
}

bool MigrationTarget::WriteRow(const std::vector<AccessFile::Cell>& row) {
    Writer& w = *writer_;
    if (w.statement) {
        for (size_t c = 0; c < row.size(); ++c) {
            const int at = w.position[c] + 1;
            if (at == 0)
                continue;
            const AccessFile::Cell& cell = row[c];
            if (cell.isNull)
                sqlite3_bind_null(w.statement, at);
            else if (w.kinds[c] == AccessFile::Kind::Integer)
                sqlite3_bind_int64(w.statement, at, cell.integer);
            else if (w.kinds[c] == AccessFile::Kind::Double)
                sqlite3_bind_double(w.statement, at, cell.number);
            else // the value stays in the reader's buffer until the step
                sqlite3_bind_text(w.statement, at, cell.text, cell.textBytes, SQLITE_STATIC);
        }
        const int rc = sqlite3_step(w.statement);
        sqlite3_reset(w.statement);
        if (rc != SQLITE_DONE)
            return Fail(QStringLiteral("写入表 %1 失败").arg(w.table),
                        QString::fromUtf8(sqlite3_errmsg(direct_)));
        return true;
    }

    if (w.copying) {
        AppendCopyRow(row);
        if (w.batch.size() >= kBatchBytes)
            return FlushCopy();
        return true;
    }
    AppendLiteralRow(row);
    if (++w.batchRows >= kBatchRows || w.batch.size() >= kBatchBytes)
        return FlushBatch();
    return true;
}

void MigrationTarget::AppendLiteralRow(const std::vector<AccessFile::Cell>& row) {
    Writer& w = *writer_;
    QByteArray& out = w.batch;
    out += w.batchRows == 0 ? QByteArray("(") : QByteArray(",(");
    bool first = true;
    for (size_t c = 0; c < row.size(); ++c) {
        if (w.position[c] < 0)
            continue;
        if (!first)
            out += ',';
        first = false;
        const AccessFile::Cell& cell = row[c];
        if (cell.isNull) {
            out += "NULL";
        } else if (w.kinds[c] == AccessFile::Kind::Integer) {
            out += QByteArray::number(cell.integer);
        } else if (w.kinds[c] == AccessFile::Kind::Double) {
            if (std::isnan(cell.number))
                out += "NULL";
            else if (std::isinf(cell.number))
                out += postgres_ ? (cell.number > 0 ? "'Infinity'" : "'-Infinity'")
                                 : (cell.number > 0 ? "9e999" : "-9e999");
            else // 17 digits give back the same double
                out += QByteArray::number(cell.number, 'g', 17);
        } else {
            out += '\'';
            const char* text = cell.text;
            for (int i = 0; i < cell.textBytes; ++i) {
                if (text[i] == '\'')
                    out += '\'';
                out += text[i];
            }
            out += '\'';
        }
    }
    out += ')';
}

// COPY's text format: a line per row, values separated by tabs, \N for NULL,
// and a backslash before the few characters that would end a value.
void MigrationTarget::AppendCopyRow(const std::vector<AccessFile::Cell>& row) {
    Writer& w = *writer_;
    QByteArray& out = w.batch;
    bool first = true;
    for (size_t c = 0; c < row.size(); ++c) {
        if (w.position[c] < 0)
            continue;
        if (!first)
            out += '\t';
        first = false;
        const AccessFile::Cell& cell = row[c];
        if (cell.isNull || (w.kinds[c] == AccessFile::Kind::Double && std::isnan(cell.number))) {
            out += "\\N";
        } else if (w.kinds[c] == AccessFile::Kind::Integer) {
            out += QByteArray::number(cell.integer);
        } else if (w.kinds[c] == AccessFile::Kind::Double) {
            if (std::isinf(cell.number))
                out += cell.number > 0 ? "Infinity" : "-Infinity";
            else
                out += QByteArray::number(cell.number, 'g', 17);
        } else {
            const char* text = cell.text;
            for (int i = 0; i < cell.textBytes; ++i) {
                switch (text[i]) {
                case '\\':
                    out += "\\\\";
                    break;
                case '\n':
                    out += "\\n";
                    break;
                case '\r':
                    out += "\\r";
                    break;
                case '\t':
                    out += "\\t";
                    break;
                default:
                    out += text[i];
                }
            }
        }
    }
    out += '\n';
}

bool MigrationTarget::FlushCopy() {
    Writer& w = *writer_;
    if (w.batch.isEmpty())
        return true;
    const int sent = PQputCopyData(copy_, w.batch.constData(), int(w.batch.size()));
    w.batch.clear();
    if (sent == 1)
        return true;
    return Fail(QStringLiteral("写入表 %1 失败").arg(w.table),
                QString::fromUtf8(PQerrorMessage(copy_)).trimmed());
}

bool MigrationTarget::FlushBatch() {
    Writer& w = *writer_;
    if (w.batchRows == 0)
        return true;
    const QString sql = QString::fromUtf8(w.head + w.batch);
    w.batch.clear();
    w.batchRows = 0;
    if (!Exec(sql))
        return Fail(QStringLiteral("写入表 %1 失败").arg(w.table), lastError_);
    return true;
}

bool MigrationTarget::EndRows() {
    if (!writer_)
        return true;
    bool ok = true;
    if (writer_->copying) {
        ok = FlushCopy();
        writer_->copying = false;
        // Ends the COPY either way; after a failure the server's own text wins.
        if (PQputCopyEnd(copy_, ok ? nullptr : "failed") != 1 && ok)
            ok = Fail(QStringLiteral("写入表 %1 失败").arg(writer_->table),
                      QString::fromUtf8(PQerrorMessage(copy_)).trimmed());
        while (PGresult* result = PQgetResult(copy_)) {
            if (PQresultStatus(result) != PGRES_COMMAND_OK && ok)
                ok = Fail(QStringLiteral("写入表 %1 失败").arg(writer_->table),
                          QString::fromUtf8(PQresultErrorMessage(result)).trimmed());
            PQclear(result);
        }
    } else {
        ok = FlushBatch();
    }
    writer_.reset();
    return ok;
}

qint64 MigrationTarget::Count(const QString& sql) {
    QSqlQuery query(connection_->Database());
    if (query.exec(sql) && query.next())
        return query.value(0).toLongLong();
    lastError_ = SqlErrorText(query.lastError());
    return -1;
}

bool MigrationTarget::SetKeyCounters(const QStringList& tables) {
    // SQLite's AUTOINCREMENT already counts from the largest key inserted.
    if (!postgres_)
        return true;
    for (const QString& table : tables) {
        QSqlQuery query(connection_->Database());
        if (!query.exec(QStringLiteral("select column_name from information_schema.columns "
                                       "where table_schema = current_schema() and table_name = "
                                       "%1 and is_identity = 'YES'")
                            .arg(TextOf(StoredName(table)))))
            return Fail(QStringLiteral("无法设置表 %1 的编号").arg(table),
                        SqlErrorText(query.lastError()));
        if (!query.next())
            continue;
        const QString column = query.value(0).toString();
        const QString sql =
            QStringLiteral("select setval(pg_get_serial_sequence(%1, %2), max(%3)) from %4 "
                           "having max(%3) is not null")
                .arg(TextOf(Ident(table)), TextOf(column), Ident(column), Ident(table));
        if (!Exec(sql))
            return Fail(QStringLiteral("无法设置表 %1 的编号").arg(table), lastError_);
    }
    return true;
}

bool MigrationTarget::Commit() {
    writer_.reset();
    if (!transaction_ || !transaction_->Commit())
        return Fail(QStringLiteral("无法保存迁移的数据"),
                    transaction_ ? transaction_->GetLastError() : QString());
    transaction_.reset();
    direct_ = nullptr;
    copy_ = nullptr;
    connection_->Close();
    if (!postgres_) {
        if (!SyncFile(temporary_))
            return Fail(QStringLiteral("无法把新的数据库文件写入磁盘"), QString());
        QFile::setPermissions(temporary_, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser |
                                              QFile::WriteUser | QFile::ReadGroup |
                                              QFile::ReadOther);
        // Never replaces a file: another one that appeared meanwhile stays.
        QFile file(temporary_);
        if (!file.rename(target_))
            return Fail(
                QFileInfo::exists(target_)
                    ? QStringLiteral("文件 '%1' 已经存在。为了不覆盖其中的数据，迁移的结果"
                                     "没有保存。")
                          .arg(Native(target_))
                    : QStringLiteral("无法把新的数据库文件命名为 '%1'").arg(Native(target_)),
                QFileInfo::exists(target_) ? QString() : file.errorString());
        temporary_.clear();
    }
    committed_ = true;
    return true;
}

void MigrationTarget::Abandon() {
    if (writer_ && writer_->copying) {
        PQputCopyEnd(copy_, "abandoned");
        while (PGresult* result = PQgetResult(copy_))
            PQclear(result);
    }
    writer_.reset();
    copy_ = nullptr;
    if (transaction_)
        transaction_->Rollback();
    transaction_.reset();
    direct_ = nullptr;
    if (connection_)
        connection_->Close();
    if (!temporary_.isEmpty())
        QFile::remove(temporary_);
    temporary_.clear();
}
