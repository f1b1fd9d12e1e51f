#pragma once

#include "base/TextDecoding.h"

#include <QString>

#include <functional>

class DbConnection;
class DbRecordset;
class ExportWriter;
class Prompt;

// Streams the result of one SELECT into an export file, row by row from the
// cursor (never the whole result in memory), under the prompt's progress
// window with its 停止 button. The file appears only when every row was
// written; a stop or a failure leaves whatever was there before.
class QueryExport final {
public:
    enum class Outcome { Written, Stopped, QueryFailed, NoRows, FileFailed };
    struct Result {
        Outcome outcome = Outcome::FileFailed;
        qint64 rows = 0;  // rows read from the result
        qint64 lines = 0; // lines written (header not counted)
        QString error;    // for QueryFailed and FileFailed
    };
    // Writes one row; returns false when the row was skipped. A write error
    // is kept by the writer and reported when the file is committed.
    using RowWriter = std::function<bool(DbRecordset& row, ExportWriter& out)>;

    QueryExport(DbConnection& connection, Prompt& prompt,
                TextEncoding encoding = TextEncoding::Gbk);

    // The whole result as CSV: a header line of the column names, then each
    // row, text columns quoted (RFC 4180), nulls as nothing.
    Result WriteCsv(const QString& sql, const QString& path);
    // Any line format: `writeRow` decides per row; a result without rows
    // writes no file.
    Result WriteLines(const QString& sql, const QString& path, const RowWriter& writeRow);

    // Rows between two progress steps (the stop button is looked at then).
    static constexpr int kRowsPerStep = 4096;

private:
    Result Run(const QString& sql, const QString& path, bool csv, const RowWriter& writeRow);

    DbConnection& connection_;
    Prompt& prompt_;
    TextEncoding encoding_;
};
