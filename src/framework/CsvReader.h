#pragma once

#include "base/CsvRecordParser.h"

#include <QString>
#include <QStringList>

// Reads the records of a comma-separated file for the import dialog and the
// list import. The file is read whole when opened (GBK, or UTF-8 with or
// without a BOM) and split into records by the rules of CsvRecordParser.
class CsvReader final {
public:
    // False when the file cannot be read or is not text; GetLastError() then
    // says which.
    bool Open(const QString& path);
    void Close();
    bool IsOpen() const { return open_; }

    // Replaces `fields` with the next record; its field count, 0 at the end.
    int ReadRecord(QStringList& fields);

    // The file's length in bytes, and how far the reading has got in the same
    // unit, for a progress bar whose range is the file's length.
    qint64 FileSize() const { return fileSize_; }
    qint64 FilePosition() const;

    // The file ended inside a quoted field; its line is OpenQuoteLine().
    bool EndedInsideQuotes() const { return parser_.EndedInsideQuotes(); }
    int OpenQuoteLine() const { return parser_.OpenQuoteLine(); }
    const QString& GetLastError() const { return lastError_; }

private:
    CsvRecordParser parser_;
    qint64 fileSize_ = 0;
    bool open_ = false;
    QString lastError_;
};
