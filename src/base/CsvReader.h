#pragma once

#include "base/CsvRecordParser.h"
#include "base/TextDecoding.h"

#include <QFile>
#include <QString>
#include <QStringList>

#include <functional>

// Reads the records of a comma-separated file a user brings, by the rules of
// CsvRecordParser. The file is streamed: it is read in blocks cut at a line
// end and decoded block by block, so that a file of any size costs the same
// memory.
//
// The encoding is GBK or UTF-8 (with or without a BOM), weighed over the
// first megabyte (or, when that is plain ASCII, over the first stretch that
// is not); the caller may override it, as the mapping dialog lets the user.
// UTF-16 (Notepad's "Unicode", Excel's "Unicode text", which is not even
// comma-separated) and bytes that are no text are refused with a message.
class CsvReader final {
public:
    static constexpr qint64 kBlockBytes = 1 << 20;

    // False when the file cannot be read or is not text; GetLastError() then
    // says which, in Chinese.
    bool Open(const QString& path);
    // The same, reading the file in `encoding` whatever it looks like
    // (Gbk, Utf8 or Utf8Bom; a UTF-8 BOM is skipped either way).
    bool Open(const QString& path, TextEncoding encoding);
    void Close();
    bool IsOpen() const { return file_.isOpen(); }
    // The encoding the file is read in.
    TextEncoding Encoding() const { return encoding_; }

    // The encoding of a file by the rules above, without opening it for
    // reading records; false with `error` for a file that is refused.
    static bool DetectEncoding(const QString& path, TextEncoding& encoding, QString& error);

    // Replaces `fields` with the next record; its field count, 0 at the end
    // or when the progress callback stopped the read.
    int ReadRecord(QStringList& fields);
    // The line on which the last record read began (1 for the header).
    int RecordLine() const { return parser_.RecordLine(); }

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
    bool OpenFile(const QString& path);
    // The next block of decoded text, cut after its last line end; false at
    // the end of the file.
    bool NextPiece(QString& piece);

    QFile file_;
    CsvRecordParser parser_;
    TextEncoding encoding_ = TextEncoding::Gbk;
    char lineEnd_ = '\n';
    QByteArray rest_; // bytes read after the last line end of the last block
    qint64 fileSize_ = 0;
    qint64 bytesDecoded_ = 0;
    qint64 charsDecoded_ = 0;
    QString lastError_;
};
