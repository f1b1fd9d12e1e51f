#pragma once

#include <QString>

#include <functional>
#include <memory>

class DbRecordset;
class QSqlDatabase;
struct sqlite3;

// The one shared database connection of a run (a short-lived second one is
// made only to test a backup file before a restore).
//
// The connection string is "key=value;..." text. "Provider=SQLite;Data Source=<file>"
// opens an SQLite file (which must exist: the program never creates its tables);
// "Provider=PostgreSQL;Host=..;Port=..;Database=..;User ID=..;Password=.." opens a
// server database. Statements are written once in the program's SQL dialect and
// adapted here per engine, so callers never care which engine is behind.
//
// Every operation returns 1 for success and 0 for failure (or -1 where noted),
// keeping the reason in GetLastError(); nothing ever throws out of this class.
class DbConnection final {
public:
    enum class Engine { None, SQLite, PostgreSQL };

    DbConnection();
    ~DbConnection();
    DbConnection(const DbConnection&) = delete;
    DbConnection& operator=(const DbConnection&) = delete;

    // Stores the string first (also on failure), then opens it.
    int Open(const QString& connectionString);
    // Closes when open; always succeeds.
    void Close();
    // Runs one statement. Without a successful Open: "Connection Not open!\r\n".
    int Execute(const QString& sql, long* recordsAffected = nullptr, int options = 1);
    // max(keyid) of the table; 0 for an empty table, -1 when the query fails.
    int GetMaxId(const QString& table);
    // First column of every row joined by ';'; the row count, or -1 on failure.
    int JoinColumnValues(const QString& sql, QString& out);

    QString GetLastError() const;
    void SetLastError(const QString& text);
    // -1: never opened; 0: closed; 1: open.
    int GetState() const;
    QString GetConnectionString() const;
    Engine GetEngine() const;
    bool IsOpen() const { return GetState() == 1; }

    // How many DbTransaction levels are open on this connection (0: none).
    // Code that needs a transaction of its own nests a savepoint instead of
    // beginning (and ending) one under a caller's open transaction.
    int TransactionDepth() const;

    // While set, a long statement on SQLite calls `step` now and then (every
    // million steps of SQLite's engine, some milliseconds) so that a window
    // stays painted and its 停止 works; `step` returning false interrupts the
    // statement, which then fails. While `step` runs the connection refuses
    // every statement (SQLite allows none inside it). PostgreSQL runs the
    // statement on the server and calls nothing. An empty function removes it.
    void SetProgressHandler(std::function<bool()> step);
    bool IsInProgressHandler() const;

    // The statement rewritten for the engine in use (see SqlDialect).
    QString Adapt(const QString& sql) const;

    // The underlying Qt connection, for DbRecordset and the bulk paths inside
    // the database layer. Call it for every new statement: a PostgreSQL
    // connection carries one streamed result at a time, so recordsets still
    // streaming their rows first take the rest of them into memory.
    QSqlDatabase Database() const;
    // The text for a connection that was open but has been lost (a server that
    // went away): callers of Database() report it when the handle is closed.
    static QString LostText();
    // The text of a statement refused while the progress handler runs.
    static QString BusyText();

private:
    friend class DbRecordset;
    friend class DbTransaction;
    // Open recordsets are known to their connection: they are told to let go of
    // the connection before another statement (PostgreSQL) and before it closes.
    void AttachReader(DbRecordset* reader);
    void DetachReader(DbRecordset* reader);
    // The SQLite handle of the Qt driver when recordsets may read through it
    // directly (same SQLite library as this program's), else null.
    sqlite3* DirectSqliteHandle() const;
    void SetTransactionDepth(int depth);

    struct Impl;
    std::unique_ptr<Impl> d;
};
