#include "base/CsvRecordParser.h"

#include "base/TextDecoding.h"

#include <QFile>

namespace {

constexpr QChar kQuote = QLatin1Char('"');
constexpr QChar kSeparator = QLatin1Char(',');

} // namespace

bool CsvRecordParser::EndsLinesWithCr(QStringView text) {
    return !text.contains(QLatin1Char('\n')) && text.contains(QLatin1Char('\r'));
}

void CsvRecordParser::SetText(const QString& text) {
    text_ = text;
    source_ = nullptr;
    // Files that never use LF end their lines with a lone CR.
    lineEnd_ = EndsLinesWithCr(text_) ? QLatin1Char('\r') : QLatin1Char('\n');
    pos_ = 0;
    consumed_ = 0;
    line_ = 0;
    recordLine_ = 0;
    openQuoteLine_ = 0;
    stopped_ = false;
}

void CsvRecordParser::SetSource(Source source, QChar lineEnd) {
    SetText(QString());
    source_ = std::move(source);
    lineEnd_ = lineEnd;
}

bool CsvRecordParser::Refill() {
    if (!source_)
        return false;
    QString piece;
    if (!source_(piece)) {
        source_ = nullptr;
        return false;
    }
    consumed_ += pos_;
    text_.remove(0, pos_);
    text_ += piece;
    pos_ = 0;
    return true;
}

bool CsvRecordParser::NextLine(QString& line) {
    // Like reading a line with fgets: text after the last line end is a line
    // only when it is not empty, so a file ending in a line break has no extra
    // blank record.
    qsizetype end = text_.indexOf(lineEnd_, pos_);
    while (end < 0 && Refill())
        end = text_.indexOf(lineEnd_, pos_);
    if (pos_ >= text_.size())
        return false;
    const qsizetype next = end < 0 ? text_.size() : end + 1;
    if (end < 0)
        end = text_.size();
    line = text_.mid(pos_, end - pos_);
    line.remove(QLatin1Char('\r'));
    pos_ = next;
    ++line_;
    return true;
}

int CsvRecordParser::ReadRecord(QStringList& fields) {
    fields.clear();
    QString line;
    if (stopped_ || !NextLine(line))
        return 0;
    recordLine_ = line_;

    // The part of an open quoted field that earlier lines gave, with their
    // CR LF joints. Only the new line is scanned, so carrying stays linear.
    QString carried;
    qsizetype fieldStart = 0;
    qsizetype i = 0;
    bool inQuotes = false;
    int quoteLine = 0;
    int carriedLines = 0;
    for (;;) {
        const qsizetype length = line.size();
        for (; i < length; ++i) {
            const QChar c = line.at(i);
            if (!inQuotes) {
                if (c == kQuote && i == fieldStart) {
                    inQuotes = true;
                    quoteLine = line_;
                    fieldStart = i + 1;
                } else if (c == kSeparator) {
                    fields.append(line.mid(fieldStart, i - fieldStart));
                    fieldStart = i + 1;
                }
            } else if (c == kQuote) {
                if (i + 1 == length) {
                    // A closing quote at the end of the line ends the record.
                    carried += QStringView(line).mid(fieldStart, i - fieldStart);
                    fields.append(carried);
                    return static_cast<int>(fields.size());
                }
                const QChar after = line.at(i + 1);
                if (after == kSeparator) {
                    carried += QStringView(line).mid(fieldStart, i - fieldStart);
                    fields.append(carried);
                    carried.clear();
                    inQuotes = false;
                    fieldStart = i + 2;
                    ++i;
                } else if (after == kQuote) {
                    // A doubled quote is one quote of the value.
                    carried += QStringView(line).mid(fieldStart, i + 1 - fieldStart);
                    fieldStart = i + 2;
                    ++i;
                }
            }
        }
        if (!inQuotes) {
            fields.append(line.mid(fieldStart));
            return static_cast<int>(fields.size());
        }

        // The quoted field goes on in the next line.
        carried += QStringView(line).mid(fieldStart);
        carried += QLatin1String("\r\n");
        if (!NextLine(line)) {
            openQuoteLine_ = quoteLine;
            return static_cast<int>(fields.size());
        }
        if (++carriedLines % kProgressLines == 0 && progress_ && !progress_(Position(), Length())) {
            stopped_ = true;
            openQuoteLine_ = quoteLine;
            fields.clear();
            return 0;
        }
        i = 0;
        fieldStart = 0;
    }
}

bool CsvRecordParser::LoadFile(const QString& path, QString& text, QString& error) {
    text.clear();
    error.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("无法打开文件 %1: %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        error = QStringLiteral("读取文件 %1 失败: %2").arg(path, file.errorString());
        return false;
    }
    TextEncoding encoding = TextEncoding::Gbk;
    QString why;
    if (!TextDecoding::DecodeUserFile(bytes, text, encoding, why)) {
        error = QStringLiteral("文件 %1 %2").arg(path, why);
        return false;
    }
    return true;
}
