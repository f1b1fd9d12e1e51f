#pragma once

#include "base/TextDecoding.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

class DbConnection;
class FieldInfoList;

// Inserts the lines of a comma-separated text file into one table, one row
// per record after the header line, through InsertBuilder statements.
//
// Column i of the column list takes field i of each record: an empty name
// skips the field; the name "#" numbers the rows from the table's largest
// key + 1 upward (written into the key column, KeyId unless set). A field missing from a short
// record is empty, or the column's default from the field-info list; the list's type decides
// whether the value is written as text, a double or an integer.
//
// A failing row is reported: its statement, "\r\n" and the database's text
// are appended to the error text (nothing between two failures), its line
// and the database's text to the failure list, and the failure callback,
// when set, decides whether the import goes on (without one it always does).
//
// The file is streamed (CsvReader): its encoding is detected unless the
// caller sets one, and it is never held in memory whole.
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

    // Called with the line on which a failed row began and the database's
    // error text; false stops the import (what was written stays).
    using OnFailure = std::function<bool(int line, const QString& error)>;

    struct Failure {
        int line;
        QString error;
    };

    static constexpr int kBatchRows = 20000;
    // Rows sent in one statement when no failure needs a question.
    static constexpr int kRowsPerStatement = 200;
    static constexpr int kBatchMillis = 1000;

    void SetConnection(DbConnection* connection) { connection_ = connection; }
    // Optional; not owned.
    void SetFieldInfo(const FieldInfoList* fields) { fields_ = fields; }
    // Optional.
    void SetProgress(Progress progress) { progress_ = std::move(progress); }
    // Most rows per transaction; 1 writes each row on its own.
    void SetBatchRows(int rows) { batchRows_ = rows > 0 ? rows : 1; }
    // Optional: reads the file in this encoding instead of the detected one.
    void SetEncoding(std::optional<TextEncoding> encoding) { encoding_ = encoding; }
    void SetOnFailure(OnFailure onFailure) { onFailure_ = std::move(onFailure); }
    // Records whose fields are all empty or blank (a blank line, the ",,,,"
    // lines a spreadsheet writes for empty rows) are passed over when set.
    void SetSkipEmptyRecords(bool skip) { skipEmpty_ = skip; }
    // The column the name "#" numbers (KeyId unless set).
    void SetKeyColumn(const QString& column) { keyColumn_ = column; }
    // Columns given the same text in every row, typed like the mapped ones.
    void SetFixedValues(std::vector<std::pair<QString, QString>> values) {
        fixedValues_ = std::move(values);
    }

    // Imports into `table` with the table's own columns in their order.
    int Import(const QString& path, const QString& table);
    // Imports with a column per source field. Returns the rows inserted.
    int Import(const QString& path, const QString& table, const QStringList& columns);

    // The failures of the last import, in file order.
    const QString& GetErrorText() const { return errorText_; }
    // The failed rows of the last import, in file order.
    const std::vector<Failure>& GetFailures() const { return failures_; }
    // The lines of the last import whose records had more fields than the
    // header line names: the extra fields were not imported.
    const std::vector<int>& GetLongRecordLines() const { return longRecordLines_; }
    // What the reading itself has to say (a quote that never closed), also
    // the end of the error text; empty when nothing.
    const QString& GetReadNote() const { return readNote_; }
    // The last import was stopped by the progress or the failure callback.
    bool Stopped() const { return stopped_; }
    // Why the file could not be read, when the error text says "打开源文件失败!".
    const QString& GetFileError() const { return fileError_; }
    const QStringList& GetColumns() const { return columns_; }

private:
    int Run(const QString& path);
    bool ReadTableColumns();
    // The largest key of the table, -1 when it cannot be read.
    int MaxKey();
    // The field-info list's answers for one column, looked up once per import
    // rather than once per record.
    struct ColumnInfo {
        int type;
        QString defaultText;
    };
    std::vector<ColumnInfo> LookUpColumns() const;
    QString BuildStatement(const std::vector<ColumnInfo>& info, const QStringList& fields,
                           int& nextKey) const;
    // A statement and the line its record began on.
    struct Row {
        QString statement;
        int line;
    };
    using Rows = std::vector<Row>;
    // One statement inserting all of the rows.
    static QString Combine(const Rows& rows);
    int WriteBatch(const Rows& rows);
    int WriteEach(const Rows& rows);
    int Commit(const Rows& batch);
    void ReportFailure(const QString& statement, const QString& error, int line = 0);

    DbConnection* connection_ = nullptr;
    const FieldInfoList* fields_ = nullptr;
    Progress progress_;
    int batchRows_ = kBatchRows;
    std::optional<TextEncoding> encoding_;
    OnFailure onFailure_;
    std::vector<std::pair<QString, QString>> fixedValues_;
    std::vector<Failure> failures_;
    std::vector<int> longRecordLines_;
    QString readNote_;
    bool skipEmpty_ = false;
    QString keyColumn_ = QStringLiteral("Keyid");
    bool stopped_ = false;
    QString table_;
    QStringList columns_;
    QString errorText_;
    QString fileError_;
};
