#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// A fresh database with the delivered schema (tables, indexes, initial rows) for
// one test, on either engine:
// - "sqlite": a new file torvel.db in a temporary folder, made from
//   schema/sqlite.sql;
// - "postgresql": a new schema of its own in the test server's database (env
//   TORVEL_TEST_PG, see scripts/pg-test-server.sh), made from
//   schema/postgresql.sql and dropped again by the destructor, so tests running
//   side by side never see each other's rows.
//
// Database tests are data-driven with an "engine" column (AddEngineRows) and
// open their database with TORVEL_TEST_DATABASE. Without TORVEL_TEST_PG the
// PostgreSQL rows are skipped, saying why; when the environment variable CI is
// set they fail instead, so that CI cannot pass without the server.
class TestDatabase final {
public:
    static void AddEngineRows();
    // The server's connection string, or empty.
    static QString PostgresServer();
    static bool PostgresRequired();

    explicit TestDatabase(const QString& engine);
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    // False when the engine cannot be had here (no PostgreSQL server given).
    bool IsAvailable() const;
    // Makes the database; with `withSchema` false it stays empty.
    bool Create(bool withSchema = true);
    // Why it is unavailable or why Create failed.
    QString Why() const { return why_; }

    bool IsPostgres() const { return postgres_; }
    QString ConnectionString() const { return connectionString_; }
    // The SQLite file (empty for PostgreSQL).
    QString FilePath() const { return file_; }

    // Runs a script of ';'-separated statements on this database, bypassing the
    // database layer; false with Why() on the first failure.
    bool RunScript(const QString& script);

private:
    bool postgres_ = false;
    QString why_;
    QString connectionString_;
    QString file_;
    QString schema_;
    std::unique_ptr<QTemporaryDir> folder_;
};

// The database of one engine, skipped (or failed under CI) when unavailable.
#define TORVEL_ENGINE_DATABASE(var, engine, withSchema)                                            \
    TestDatabase var(engine);                                                                      \
    if (!var.IsAvailable()) {                                                                      \
        if (TestDatabase::PostgresRequired())                                                      \
            QFAIL(qPrintable(var.Why()));                                                          \
        QSKIP(qPrintable(var.Why()));                                                              \
    }                                                                                              \
    QVERIFY2(var.Create(withSchema), qPrintable(var.Why()))

// The database of the row's "engine".
#define TORVEL_TEST_DATABASE(var)                                                                  \
    QFETCH(QString, engine);                                                                       \
    TORVEL_ENGINE_DATABASE(var, engine, true)

// The row's database and a connection `db` open on it.
#define TORVEL_TEST_CONNECTION(var)                                                                \
    TORVEL_TEST_DATABASE(var);                                                                     \
    DbConnection db;                                                                               \
    QCOMPARE(db.Open(var.ConnectionString()), 1)
