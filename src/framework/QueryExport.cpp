#include "framework/QueryExport.h"

#include "db/AdoType.h"
#include "db/DbRecordset.h"
#include "framework/ExportWriter.h"
#include "ui/Prompt.h"

#include <QList>
#include <QStringList>

QueryExport::QueryExport(DbConnection& connection, Prompt& prompt, TextEncoding encoding)
    : connection_(connection), prompt_(prompt), encoding_(encoding) {}

QueryExport::Result QueryExport::WriteCsv(const QString& sql, const QString& path) {
    return Run(sql, path, true, {});
}

QueryExport::Result QueryExport::WriteLines(const QString& sql, const QString& path,
                                            const RowWriter& writeRow) {
    return Run(sql, path, false, writeRow);
}

QueryExport::Result QueryExport::Run(const QString& sql, const QString& path, bool csv,
                                     const RowWriter& writeRow) {
    Result result;
    ProgressScope progress(prompt_, QStringLiteral("正在导出数据..."));
    DbRecordset rs(connection_);
    if (!rs.Open(sql)) {
        result.outcome = Outcome::QueryFailed;
        result.error = rs.GetLastError();
        return result;
    }
    if (!csv && rs.IsEOF()) {
        result.outcome = Outcome::NoRows;
        return result;
    }
    ExportWriter out(encoding_);
    if (!out.Open(path)) {
        result.error = out.LastError();
        return result;
    }

    const int columns = rs.GetFieldCount();
    QList<bool> quoted;
    QStringList fields;
    if (csv) {
        for (int i = 0; i < columns; ++i) {
            fields.append(rs.GetFieldName(i));
            quoted.append(AdoType::IsText(rs.GetFieldType(i)));
        }
        // Column names are quoted only when they need it.
        out.WriteRecord(fields);
    }

    bool writing = true;
    while (writing && !rs.IsEOF()) {
        if (csv) {
            for (int i = 0; i < columns; ++i)
                fields[i] = rs.GetString(i);
            writing = out.WriteRecord(fields, quoted);
            ++result.lines;
        } else if (writeRow(rs, out)) {
            ++result.lines;
        }
        ++result.rows;
        rs.MoveNext();
        if (result.rows % kRowsPerStep == 0 && !progress.Step(result.rows, 0)) {
            out.Cancel();
            result.outcome = Outcome::Stopped;
            return result;
        }
    }
    // A result that broke off (a server gone away) is no complete export.
    if (!rs.GetLastError().isEmpty()) {
        out.Cancel();
        result.outcome = Outcome::QueryFailed;
        result.error = rs.GetLastError();
        return result;
    }
    if (!out.Commit()) {
        result.error = out.LastError();
        return result;
    }
    result.outcome = Outcome::Written;
    return result;
}
