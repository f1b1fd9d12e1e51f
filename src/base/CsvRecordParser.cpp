#include "base/CsvRecordParser.h"

#include "net/Gbk.h"

#include <QFile>

namespace {

constexpr QChar kQuote = QLatin1Char('"');
constexpr QChar kSeparator = QLatin1Char(',');

} // namespace

void CsvRecordParser::SetText(const QString& text) {
    text_ = text;
    pos_ = 0;
    line_ = 0;
    openQuoteLine_ = 0;
}

bool CsvRecordParser::NextLine(QString& line) {
    // Like reading a line with fgets: text after the last LF is a line only
    // when it is not empty, so a file ending in a line break has no extra
    // blank record.
    if (pos_ >= text_.size())
        return false;
    qsizetype end = text_.indexOf(QLatin1Char('\n'), pos_);
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
    if (!NextLine(line))
        return 0;

    qsizetype fieldStart = 0;
    qsizetype i = 0;
    bool inQuotes = false;
    int quoteLine = 0;
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
                    fields.append(line.mid(fieldStart, i - fieldStart));
                    return static_cast<int>(fields.size());
                }
                if (line.at(i + 1) == kSeparator) {
                    fields.append(line.mid(fieldStart, i - fieldStart));
                    inQuotes = false;
                    fieldStart = i + 2;
                    ++i;
                }
            }
        }
        if (!inQuotes) {
            fields.append(line.mid(fieldStart));
            return static_cast<int>(fields.size());
        }

        // The quoted field goes on in the next line; scanning resumes inside
        // it, right after the carried text.
        QString carried = line.mid(fieldStart) + QStringLiteral("\r\n");
        QString next;
        if (!NextLine(next)) {
            openQuoteLine_ = quoteLine;
            return static_cast<int>(fields.size());
        }
        i = carried.size();
        fieldStart = 0;
        line = carried + next;
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
    if (bytes.contains('\0')) {
        error = QStringLiteral("文件 %1 不是文本文件").arg(path);
        return false;
    }
    text = Gbk::DecodeFile(bytes);
    return true;
}
