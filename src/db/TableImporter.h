#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class DbConnection;
class FieldInfoList;

// Inserts the lines of a comma-separated text file into one table, one row
// per record after the header line, through InsertBuilder statements.
//
// Column i of the column list takes field i of each record: an empty name
// skips the field; the name "#" numbers the rows from the table's largest
// KeyId + 1 upward (written into "Keyid"). A field missing from a short record
// is empty, or the column's default from the field-info list; the list's type
// decides whether the value is written as text, a double or an integer.
//
// A failing row never stops the import: its statement, "\r\n" and the
// database's text are appended to the error text (nothing between two
// failures), and the other rows are written.
//
// Rows are written in transactions for speed (a commit per row would wait for
// the disk once per row), each closed after kBatchRows rows or kBatchMillis
// milliseconds, whichever comes first. A failing row rolls its transaction
// back and the rows before it are written again without it, so no neighbour is
// lost on either engine; a stop commits what was written. Either way every row
// written before a failure or a stop stays written.
class TableImporter final {
public:
    // Called after every record with (characters read, characters in all),
    // and every so many lines while a quoted field left open grows; false
    // stops the import.
    using Progress = std::function<bool(qint64 done, qint64 total)>;

    static constexpr int kBatchRows = 20000;
    static constexpr int kBatchMillis = 1000;

    void SetConnection(DbConnection* connection) { connection_ = connection; }
    // Optional; not owned.
    void SetFieldInfo(const FieldInfoList* fields) { fields_ = fields; }
    // Optional.
    void SetProgress(Progress progress) { progress_ = std::move(progress); }
    // Most rows per transaction; 1 writes each row on its own.
    void SetBatchRows(int rows) { batchRows_ = rows > 0 ? rows : 1; }

    // Imports into `table` with the table's own columns in their order.
    int Import(const QString& path, const QString& table);
    // Imports with a column per source field. Returns the rows inserted.
    int Import(const QString& path, const QString& table, const QStringList& columns);

    // The failures of the last import, in file order.
    const QString& GetErrorText() const { return errorText_; }
    // Why the file could not be read, when the error text says "打开源文件失败!".
    const QString& GetFileError() const { return fileError_; }
    const QStringList& GetColumns() const { return columns_; }

private:
    int Run(const QString& path);
    bool ReadTableColumns();
    // The field-info list's answers for one column, looked up once per import
    // rather than once per record.
    struct ColumnInfo {
        int type;
        QString defaultText;
    };
    std::vector<ColumnInfo> LookUpColumns() const;
    QString BuildStatement(const std::vector<ColumnInfo>& info, const QStringList& fields,
                           int& nextKey) const;
    int WriteBatch(const QStringList& statements);
    int WriteEach(const QStringList& statements);
    int Commit(const QStringList& batch);
    void ReportFailure(const QString& statement, const QString& error);

    DbConnection* connection_ = nullptr;
    const FieldInfoList* fields_ = nullptr;
    Progress progress_;
    int batchRows_ = kBatchRows;
    QString table_;
    QStringList columns_;
    QString errorText_;
    QString fileError_;
};
