#pragma once

#include <QString>
#include <QStringList>

// Reads comma-separated records from decoded file text.
//
// A record is one line, or several when a quoted field holds line breaks:
// - CR and LF are removed from every line;
// - a field whose first character is a double quote is quoted: it ends at a
//   double quote followed by a comma or standing last on the line, and the
//   enclosing quotes are dropped; every other character inside it is kept as
//   it is, inner quotes included (two quotes in a row stay two);
// - a double quote anywhere else is an ordinary character;
// - a line that ends inside a quoted field continues it on the next line,
//   joined by CR LF;
// - the text after the last comma is the last field, possibly empty, so a
//   blank line is a record of one empty field.
// When the text ends inside a quoted field, the fields completed before it are
// the record; EndedInsideQuotes() then says so, and on which line the
// unfinished field began, so that callers can tell the user why the rest of
// the file did not arrive as rows.
class CsvRecordParser final {
public:
    CsvRecordParser() = default;
    explicit CsvRecordParser(const QString& text) { SetText(text); }

    // Starts over on a new text.
    void SetText(const QString& text);

    // Replaces `fields` with the next record; returns its field count, 0 at
    // the end of the text.
    int ReadRecord(QStringList& fields);

    // Characters consumed so far, and the whole length: progress of a long read.
    qsizetype Position() const { return pos_; }
    qsizetype Length() const { return text_.size(); }
    // Lines read so far (1-based number of the last line read).
    int LineNumber() const { return line_; }

    bool EndedInsideQuotes() const { return openQuoteLine_ > 0; }
    // The line on which the unfinished quoted field began; 0 when none.
    int OpenQuoteLine() const { return openQuoteLine_; }

    // Loads a text file as the program reads every text file: GBK, or UTF-8
    // when it has a BOM or is valid UTF-8 with non-ASCII characters. A file
    // holding NUL bytes is not text (a spreadsheet's binary format, a
    // picture, UTF-16) and is refused rather than read as garbage rows.
    // On failure `error` says why.
    static bool LoadFile(const QString& path, QString& text, QString& error);

private:
    // Reads the next line without its CR and LF characters; false at the end.
    bool NextLine(QString& line);

    QString text_;
    qsizetype pos_ = 0;
    int line_ = 0;
    int openQuoteLine_ = 0;
};
