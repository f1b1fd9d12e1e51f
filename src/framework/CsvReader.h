#pragma once

#include "base/CsvRecordParser.h"

#include <QString>
#include <QStringList>

#include <functional>

// Reads the records of a comma-separated file for the import dialog and the
// list import. The file is read whole when opened, its encoding weighed over
// all of it (GBK, UTF-8, UTF-16 with a BOM), and split into records by the
// rules of CsvRecordParser.
class CsvReader final {
public:
    // False when the file cannot be read or is not text; GetLastError() then
    // says which.
    bool Open(const QString& path);
    void Close();
    bool IsOpen() const { return open_; }

    // Replaces `fields` with the next record; its field count, 0 at the end
    // or when the progress callback stopped the read.
    int ReadRecord(QStringList& fields);

    // Called with (FilePosition(), FileSize()) while a quoted field left open
    // swallows line after line into one record; false stops the read. Between
    // records the caller reports progress itself.
    using Progress = std::function<bool(qint64 done, qint64 total)>;
    void SetProgress(Progress progress);
    bool Stopped() const { return parser_.Stopped(); }

    // The file's length in bytes, and how far the reading has got in the same
    // unit, for a progress bar whose range is the file's length.
    qint64 FileSize() const { return fileSize_; }
    qint64 FilePosition() const;

    // The file ended inside a quoted field; its line is OpenQuoteLine(), which
    // also names the open quote's line after a stop inside it.
    bool EndedInsideQuotes() const { return parser_.EndedInsideQuotes(); }
    int OpenQuoteLine() const { return parser_.OpenQuoteLine(); }
    const QString& GetLastError() const { return lastError_; }

private:
    CsvRecordParser parser_;
    qint64 fileSize_ = 0;
    bool open_ = false;
    QString lastError_;
};
