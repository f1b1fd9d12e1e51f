#include "TestDatabases.h"

#include "db/ConnectionString.h"
#include "db/SqlTokenizer.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <atomic>

namespace {

QString ReadSchema(const QString& name, QString& why) {
    const QString path =
        qEnvironmentVariable("TORVEL_SOURCE_DIR") + QStringLiteral("/schema/") + name;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        why = QStringLiteral("cannot read the schema script %1 (is TORVEL_SOURCE_DIR set?)")
                  .arg(path);
        return QString();
    }
    return QString::fromUtf8(file.readAll());
}

QString UniqueName(const char* prefix) {
    static std::atomic<int> counter{0};
    return QStringLiteral("%1_%2_%3")
        .arg(QLatin1String(prefix))
        .arg(QCoreApplication::applicationPid())
        .arg(++counter);
}

// A raw Qt connection for setting up and tearing down, independent of the
// database layer under test. Removed when it goes out of scope.
class RawConnection final {
public:
    RawConnection(const QString& driver, const QString& connectionString)
        : name_(UniqueName("raw")) {
        QSqlDatabase db = QSqlDatabase::addDatabase(driver, name_);
        const ConnectionString cs(connectionString);
        if (driver == QLatin1String("QSQLITE")) {
            db.setDatabaseName(cs.Value("Data Source"));
        } else {
            db.setHostName(cs.Value("Host"));
            db.setPort(cs.Value("Port").toInt());
            db.setDatabaseName(cs.Value("Database"));
            db.setUserName(cs.Value("User ID"));
            db.setPassword(cs.Value("Password"));
        }
        if (db.open())
            Exec(driver == QLatin1String("QPSQL")
                     ? QStringLiteral("set client_min_messages to warning")
                     : QStringLiteral("select 1")); // also proves the connection
        else
            error_ = db.lastError().text();
    }
    ~RawConnection() {
        {
            QSqlDatabase db = QSqlDatabase::database(name_, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name_);
    }
    bool IsOpen() const { return error_.isEmpty(); }
    QString Error() const { return error_; }
    bool Exec(const QString& sql) {
        QSqlQuery query(QSqlDatabase::database(name_, false));
        if (query.exec(sql))
            return true;
        error_ = query.lastError().text() + QStringLiteral("\n") + sql;
        return false;
    }

private:
    QString name_;
    QString error_;
};

} // namespace

void TestDatabase::AddEngineRows() {
    QTest::addColumn<QString>("engine");
    QTest::newRow("sqlite") << QStringLiteral("sqlite");
    QTest::newRow("postgresql") << QStringLiteral("postgresql");
}

QString TestDatabase::PostgresServer() {
    return qEnvironmentVariable("TORVEL_TEST_PG");
}

bool TestDatabase::PostgresRequired() {
    return !qEnvironmentVariable("CI").isEmpty();
}

TestDatabase::TestDatabase(const QString& engine)
    : postgres_(engine == QLatin1String("postgresql")) {
    if (postgres_ && PostgresServer().isEmpty())
        why_ = QStringLiteral("no PostgreSQL test server: TORVEL_TEST_PG is not set "
                              "(eval \"$(scripts/pg-test-server.sh start)\" starts one)");
}

TestDatabase::~TestDatabase() {
    if (postgres_ && !schema_.isEmpty()) {
        RawConnection admin(QStringLiteral("QPSQL"), PostgresServer());
        admin.Exec(QStringLiteral("drop schema if exists %1 cascade").arg(schema_));
    }
}

bool TestDatabase::IsAvailable() const {
    return !postgres_ || !PostgresServer().isEmpty();
}

bool TestDatabase::Create(bool withSchema) {
    if (!IsAvailable())
        return false;
    QString script;
    if (withSchema) {
        script = ReadSchema(
            postgres_ ? QStringLiteral("postgresql.sql") : QStringLiteral("sqlite.sql"), why_);
        if (script.isEmpty())
            return false;
    }

    if (!postgres_) {
        folder_ = std::make_unique<QTemporaryDir>();
        if (!folder_->isValid()) {
            why_ = QStringLiteral("cannot make a temporary folder");
            return false;
        }
        file_ = folder_->filePath(QStringLiteral("torvel.db"));
        connectionString_ = QStringLiteral("Provider=SQLite;Data Source=") + file_;
        QFile created(file_);
        if (!created.open(QIODevice::WriteOnly)) { // an empty file is an empty SQLite database
            why_ = QStringLiteral("cannot make %1").arg(file_);
            return false;
        }
        created.close();
        return script.isEmpty() || RunScript(script);
    }

    RawConnection admin(QStringLiteral("QPSQL"), PostgresServer());
    if (!admin.IsOpen()) {
        why_ = QStringLiteral("cannot reach the PostgreSQL test server (%1): %2")
                   .arg(PostgresServer(), admin.Error());
        return false;
    }
    schema_ = UniqueName("tst");
    // Tests run side by side: one of them makes the extensions, the others wait.
    if (!admin.Exec(QStringLiteral("select pg_advisory_lock(73011)")) ||
        !admin.Exec(QStringLiteral("create extension if not exists citext schema public")) ||
        !admin.Exec(QStringLiteral("create extension if not exists pg_trgm schema public")) ||
        !admin.Exec(QStringLiteral("select pg_advisory_unlock(73011)")) ||
        !admin.Exec(QStringLiteral("create schema %1").arg(schema_))) {
        why_ = admin.Error();
        return false;
    }
    connectionString_ = PostgresServer() + QStringLiteral(";Schema=") + schema_;
    return script.isEmpty() || RunScript(script);
}

bool TestDatabase::RunScript(const QString& script) {
    RawConnection raw(postgres_ ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"),
                      postgres_ ? PostgresServer() : connectionString_);
    if (!raw.IsOpen()) {
        why_ = raw.Error();
        return false;
    }
    if (postgres_ && (!raw.Exec(QStringLiteral("set client_min_messages to warning")) ||
                      !raw.Exec(QStringLiteral("set search_path to %1, public").arg(schema_)))) {
        why_ = raw.Error();
        return false;
    }
    for (const QString& statement : SqlTokenizer::SplitStatements(script)) {
        if (!raw.Exec(statement)) {
            why_ = raw.Error();
            return false;
        }
    }
    return true;
}
