#pragma once

#include "AccessFile.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class DbConnection;
class DbTransaction;
struct sqlite3;
struct pg_conn;

// The new database a migration writes, on either engine, all or nothing:
// - SQLite: a temporary file beside the target, renamed to the target only
//   after everything was written and flushed to disk; an existing target file
//   is never touched, and a failure or a stop removes the temporary file.
// - PostgreSQL: one transaction; a failure, a stop or a server that goes away
//   leaves the database as it was. A database (schema) that already holds the
//   program's tables is refused.
// Rows are written with the values as read (no text conversions): through
// SQLite's own prepared statements, or PostgreSQL's COPY, on the handle of Qt's
// driver where it is the library this program links (as the database layer's
// recordsets do), else as multi-row INSERT statements with literal values.
class MigrationTarget final {
public:
    MigrationTarget();
    ~MigrationTarget(); // abandons unless committed
    MigrationTarget(const MigrationTarget&) = delete;
    MigrationTarget& operator=(const MigrationTarget&) = delete;

    // `target`: a file name for SQLite, or a "Provider=PostgreSQL;..." string.
    bool Begin(const QString& target);
    bool IsPostgres() const { return postgres_; }
    // The target for messages: the file, or the server's database name.
    QString DisplayName() const;

    // Runs statements as the engine takes them (the schema script's).
    bool RunScript(const QStringList& statements);
    // The columns of a table, empty when it does not exist.
    QStringList ColumnsOf(const QString& table);
    // Adds a column of the old file's type through the database layer's
    // type mapping.
    bool AddColumn(const QString& table, const AccessFile::Column& column);
    // A table the program does not know, with the old file's columns.
    bool CreateTable(const QString& table, const std::vector<AccessFile::Column>& columns);

    // Writing one table: the target column of each source column (empty: not
    // written), then each row, then the end of the table.
    bool BeginRows(const QString& table, const QStringList& targetColumns,
                   const std::vector<AccessFile::Column>& sourceColumns);
    bool WriteRow(const std::vector<AccessFile::Cell>& row);
    bool EndRows();

    // One number from a query, -1 on failure.
    qint64 Count(const QString& sql);
    // Moves every database-assigned key counter to the table's largest key.
    bool SetKeyCounters(const QStringList& tables);

    // Makes the work permanent (see the class comment).
    bool Commit();
    // Drops everything written so far.
    void Abandon();

    QString GetLastError() const { return lastError_; }
    // An identifier as the engine's statements must spell it.
    QString Ident(const QString& name) const;
    // The name as the catalog keeps it.
    QString StoredName(const QString& name) const;

private:
    bool Fail(const QString& what, const QString& why);
    bool FlushBatch();
    bool FlushCopy();
    void AppendCopyRow(const std::vector<AccessFile::Cell>& row);
    void AppendLiteralRow(const std::vector<AccessFile::Cell>& row);
    static QString AccessTypeName(const AccessFile::Column& column, bool asKey);
    bool Exec(const QString& sql);
    // 'text' with its quotes doubled.
    static QString TextOf(const QString& text);

    std::unique_ptr<DbConnection> connection_;
    std::unique_ptr<DbTransaction> transaction_;
    // SQLite's handle under Qt's driver, when it is this program's library.
    sqlite3* direct_ = nullptr;
    // libpq's connection under Qt's driver: rows go in with COPY.
    pg_conn* copy_ = nullptr;
    bool postgres_ = false;
    bool committed_ = false;
    QString target_;    // SQLite file or PostgreSQL string
    QString temporary_; // SQLite: the file being written
    QString lastError_;

    // The table being written.
    struct Writer;
    std::unique_ptr<Writer> writer_;
};
