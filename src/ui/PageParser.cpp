#include "ui/PageParser.h"

#include "net/Gbk.h"

namespace {

constexpr int kMaxTagName = 31;
constexpr int kMaxElementBytes = 1023;

bool IsBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
           c == QLatin1Char('\r');
}

// Elements whose text matters; every other tag stands alone.
bool HasText(const QString& name) {
    return name == QLatin1String("title") || name == QLatin1String("span") ||
           name == QLatin1String("textarea") || name == QLatin1String("select") ||
           name == QLatin1String("option");
}

QList<QPair<QString, QString>> ParseAttributes(const QString& text) {
    QList<QPair<QString, QString>> attributes;
    const int n = int(text.size());
    int i = 0;
    while (i < n) {
        while (i < n && (IsBlank(text.at(i)) || text.at(i) == QLatin1Char('/')))
            ++i;
        const int nameStart = i;
        while (i < n && !IsBlank(text.at(i)) && text.at(i) != QLatin1Char('='))
            ++i;
        if (i == nameStart)
            break;
        const QString name = text.mid(nameStart, i - nameStart).toLower();
        int j = i;
        while (j < n && IsBlank(text.at(j)))
            ++j;
        QString value;
        if (j < n && text.at(j) == QLatin1Char('=')) {
            ++j;
            while (j < n && IsBlank(text.at(j)))
                ++j;
            if (j < n && (text.at(j) == QLatin1Char('"') || text.at(j) == QLatin1Char('\''))) {
                const QChar quote = text.at(j);
                const int close = int(text.indexOf(quote, j + 1));
                const int end = close < 0 ? n : close;
                value = text.mid(j + 1, end - j - 1);
                j = close < 0 ? n : close + 1;
            } else {
                const int valueStart = j;
                while (j < n && !IsBlank(text.at(j)))
                    ++j;
                value = text.mid(valueStart, j - valueStart);
                // "<input name=a/>": the slash closes the tag, it is not part
                // of the value.
                if (j == n && value.endsWith(QLatin1Char('/')))
                    value.chop(1);
            }
            i = j;
        }
        attributes.append({name, value});
    }
    return attributes;
}

// The position of the closing tag "</name" (followed by a blank or ">") at or
// after `from`, or -1.
int FindClosingTag(const QString& text, const QString& name, int from) {
    const QString needle = QLatin1String("</") + name;
    int at = from;
    while ((at = int(text.indexOf(needle, at, Qt::CaseInsensitive))) >= 0) {
        const int after = at + int(needle.size());
        if (after >= text.size() || text.at(after) == QLatin1Char('>') || IsBlank(text.at(after)))
            return at;
        at = after;
    }
    return -1;
}

} // namespace

bool PageTag::HasAttribute(const QString& attributeName) const {
    for (const auto& attribute : attributes) {
        if (attribute.first.compare(attributeName, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QString PageTag::Attribute(const QString& attributeName) const {
    for (const auto& attribute : attributes) {
        if (attribute.first.compare(attributeName, Qt::CaseInsensitive) == 0)
            return attribute.second;
    }
    return QString();
}

QString LimitGbkBytes(const QString& text, int maxBytes) {
    // Most texts are far below the limit even at four bytes a character.
    if (text.size() * 4 <= maxBytes)
        return text;
    int bytes = 0;
    int i = 0;
    while (i < text.size()) {
        const int length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const int size = int(Gbk::Encode(text.mid(i, length)).size());
        if (bytes + size > maxBytes)
            break;
        bytes += size;
        i += length;
    }
    return text.left(i);
}

PageParse ParsePage(const QString& text) {
    PageParse result;
    const int n = int(text.size());
    int pos = 0;
    int line = 1;
    int counted = 0; // line counts the line breaks before this position
    auto lineAt = [&](int at) {
        line += int(text.mid(counted, at - counted).count(QLatin1Char('\n')));
        counted = at;
        return line;
    };

    while (pos < n) {
        const int open = int(text.indexOf(QLatin1Char('<'), pos));
        if (open < 0)
            break;
        const int tagLine = lineAt(open);

        if (text.mid(open, 4) == QLatin1String("<!--")) {
            const int end = int(text.indexOf(QLatin1String("-->"), open + 4));
            if (end < 0) {
                result.problems.append(QStringLiteral("第%1行: 注释没有结束 (-->)").arg(tagLine));
                break;
            }
            pos = end + 3;
            continue;
        }

        // The tag name ends at a blank, ">" or a "/" that is not one of its
        // first two characters, so "</font>" keeps its slash and "<br/>" is
        // "br".
        QString name;
        int i = open + 1;
        for (; i < n; ++i) {
            const QChar c = text.at(i);
            if (IsBlank(c) || c == QLatin1Char('>') || c == QLatin1Char('<'))
                break;
            if (c == QLatin1Char('/') && i - (open + 1) >= 2)
                break;
            if (name.size() < kMaxTagName)
                name.append(c.toLower());
        }
        if (name.isEmpty()) {
            // A lone "<" in the text, not a tag.
            pos = open + 1;
            continue;
        }
        const int close = int(text.indexOf(QLatin1Char('>'), i));
        if (close < 0) {
            result.problems.append(
                QStringLiteral("第%1行: 标记<%2没有以>结束").arg(tagLine).arg(name));
            break;
        }

        PageTag tag;
        tag.name = name;
        tag.line = tagLine;
        const QString attributeText = text.mid(i, close - i);
        tag.attributes = ParseAttributes(attributeText);
        pos = close + 1;

        if (HasText(name) && !attributeText.trimmed().endsWith(QLatin1Char('/'))) {
            // Options hold plain text and often go without their closing tag.
            const int end = name == QLatin1String("option") ? -1 : FindClosingTag(text, name, pos);
            if (end >= 0) {
                tag.text = text.mid(pos, end - pos);
                const int endClose = int(text.indexOf(QLatin1Char('>'), end));
                pos = endClose < 0 ? n : endClose + 1;
            } else {
                int next = int(text.indexOf(QLatin1Char('<'), pos));
                if (next < 0)
                    next = n;
                if (name != QLatin1String("option"))
                    result.problems.append(
                        QStringLiteral("第%1行: <%2>没有对应的</%2>").arg(tagLine).arg(name));
                tag.text = text.mid(pos, next - pos);
                pos = next;
            }
            tag.text = LimitGbkBytes(tag.text, kMaxElementBytes);
        }
        result.tags.push_back(std::move(tag));
    }
    return result;
}

QStringList ParseOptions(const QString& selectText) {
    QStringList options;
    const PageParse parsed = ParsePage(selectText);
    for (const PageTag& tag : parsed.tags) {
        if (tag.name == QLatin1String("option"))
            options.append(tag.text.trimmed());
    }
    return options;
}
