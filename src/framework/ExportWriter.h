#pragma once

#include "base/TextDecoding.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

class QSaveFile;

// Writes one export file: text lines into a QSaveFile, so the target appears
// whole on Commit or not at all (a failed or stopped export leaves an older
// file as it was). Lines end with CR LF; the text is encoded in chunks (GBK by
// default, the encoding other programs of our users expect), so a million-row
// export never holds more than one chunk in memory.
//
// CSV records follow RFC 4180: a field is enclosed in double quotes when asked
// to (text columns) or when it holds a quote, a comma, CR or LF; every inner
// double quote is doubled. A null value is written as nothing.
class ExportWriter final {
public:
    explicit ExportWriter(TextEncoding encoding = TextEncoding::Gbk);
    ~ExportWriter();
    ExportWriter(const ExportWriter&) = delete;
    ExportWriter& operator=(const ExportWriter&) = delete;

    // Starts writing to a temporary file beside `path`. False with LastError()
    // when it cannot be created.
    bool Open(const QString& path);
    // One line as it is, CR LF added.
    bool WriteLine(const QString& line);
    // One CSV record; `quoted` (may be shorter than `fields`) says which
    // fields are always enclosed in quotes.
    bool WriteRecord(const QStringList& fields, const QList<bool>& quoted = {});
    // Writes what is buffered and renames the file over the target. False
    // with LastError() when any write failed: the target is then untouched.
    bool Commit();
    // Drops the temporary file; the target is untouched. Also done by the
    // destructor of a writer that was not committed.
    void Cancel();

    QString LastError() const { return lastError_; }

    // One CSV field: `value` enclosed in quotes (inner quotes doubled) when
    // `quote` is true or the text needs it, else as it is.
    static QString CsvField(const QString& value, bool quote);
    // Appends the field to `line` the same way, without a copy.
    static void AppendCsvField(QString& line, const QString& value, bool quote);

private:
    bool Flush();

    TextEncoding encoding_;
    std::unique_ptr<QSaveFile> file_;
    QString pending_;
    QByteArray bom_;
    bool failed_ = false;
    QString lastError_;
};
