#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Reads comma-separated records from decoded file text.
//
// A record is one line, or several when a quoted field holds line breaks:
// - lines end at LF, and CR and LF are removed from every line; a text with
//   CR but no LF at all (old Mac files) has its lines end at each CR;
// - a field whose first character is a double quote is quoted: it ends at a
//   double quote followed by a comma or standing last on the line, and the
//   enclosing quotes are dropped; inside it two quotes in a row are one
//   quote (as RFC 4180 writes a quote, so an exported file reads back
//   exactly), and a lone quote followed by anything else is kept as it is;
// - a double quote anywhere else is an ordinary character;
// - a line that ends inside a quoted field continues it on the next line,
//   joined by CR LF;
// - the text after the last comma is the last field, possibly empty, so a
//   blank line is a record of one empty field.
// When the text ends inside a quoted field, the fields completed before it are
// the record; EndedInsideQuotes() then says so, and on which line the
// unfinished field began, so that callers can tell the user why the rest of
// the file did not arrive as rows.
//
// A quoted field left open by mistake swallows the rest of the file into one
// record; each line carried into it costs only its own length, and the
// progress callback keeps being called while it grows, so that a long read
// stays linear and can be stopped.
class CsvRecordParser final {
public:
    // Called with (Position(), Length()) every kProgressLines lines carried
    // into a quoted field; false stops the read (ReadRecord then returns 0
    // and Stopped() is true).
    using Progress = std::function<bool(qsizetype done, qsizetype total)>;
    static constexpr int kProgressLines = 1000;

    // Hands the next piece of text to append, false at the end. Pieces end
    // at a line end (except the last), so that a line is never split.
    using Source = std::function<bool(QString& piece)>;

    CsvRecordParser() = default;
    explicit CsvRecordParser(const QString& text) { SetText(text); }

    // Starts over on a new text.
    void SetText(const QString& text);
    // Starts over on a text that arrives in pieces, so that a large file is
    // never held whole; lines end at `lineEnd` (LF, or CR for old Mac files).
    void SetSource(Source source, QChar lineEnd);
    // Whether a text's lines end at CR alone: it has CR but no LF at all.
    static bool EndsLinesWithCr(QStringView text);

    // Replaces `fields` with the next record; returns its field count, 0 at
    // the end of the text or after a stop.
    int ReadRecord(QStringList& fields);

    void SetProgress(Progress progress) { progress_ = std::move(progress); }
    bool Stopped() const { return stopped_; }

    // Characters consumed so far, and the length of the text handed over so
    // far (all of it for SetText): progress of a long read.
    qsizetype Position() const { return consumed_ + pos_; }
    qsizetype Length() const { return consumed_ + text_.size(); }
    // Lines read so far (1-based number of the last line read).
    int LineNumber() const { return line_; }
    // The line on which the last record read began.
    int RecordLine() const { return recordLine_; }

    bool EndedInsideQuotes() const { return openQuoteLine_ > 0 && !stopped_; }
    // The line on which the unfinished quoted field began, when the text
    // ended or the read was stopped inside it; 0 when none.
    int OpenQuoteLine() const { return openQuoteLine_; }

    // Loads a file a user brings: its encoding weighed over the whole file
    // (TextDecoding::DecodeUserFile: GBK, UTF-8, UTF-16 with a BOM). Bytes
    // that are no text (a spreadsheet's binary format, a picture, an archive)
    // are refused rather than read as garbage rows. On failure `error` says
    // why, in Chinese.
    static bool LoadFile(const QString& path, QString& text, QString& error);

private:
    // Reads the next line without its CR and LF characters; false at the end.
    bool NextLine(QString& line);
    // Appends the source's next piece, dropping what was consumed; false at
    // the end of the source.
    bool Refill();

    QString text_;
    Source source_;
    QChar lineEnd_ = QLatin1Char('\n');
    qsizetype pos_ = 0;
    qsizetype consumed_ = 0;
    int line_ = 0;
    int recordLine_ = 0;
    int openQuoteLine_ = 0;
    bool stopped_ = false;
    Progress progress_;
};
