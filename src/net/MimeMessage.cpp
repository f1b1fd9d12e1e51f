#include "net/MimeMessage.h"

#include "net/Gbk.h"

#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>

namespace {

// Deeper nesting than any mailer writes: a message built to recurse forever
// stops here and shows its inner parts as they stand.
constexpr int kMaxDepth = 24;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Splits at the first empty line; a message without one is all header.
void SplitHeader(const QByteArray& raw, QByteArray& header, QByteArray& body) {
    qsizetype end = -1;
    qsizetype skip = 0;
    if (raw.startsWith("\r\n")) {
        end = 0;
        skip = 2;
    } else if (raw.startsWith('\n')) {
        end = 0;
        skip = 1;
    } else {
        const qsizetype crlf = raw.indexOf("\r\n\r\n");
        const qsizetype lf = raw.indexOf("\n\n");
        if (crlf >= 0 && (lf < 0 || crlf < lf)) {
            end = crlf + 2;
            skip = 2;
        } else if (lf >= 0) {
            end = lf + 1;
            skip = 1;
        }
    }
    if (end < 0) {
        header = raw;
        body.clear();
        return;
    }
    header = raw.left(end);
    body = raw.mid(end + skip);
}

// Unfolds the header lines (RFC 5322 2.2.3) into fields.
QList<QPair<QByteArray, QByteArray>> ParseFields(const QByteArray& header) {
    QList<QPair<QByteArray, QByteArray>> fields;
    const QList<QByteArray> lines = header.split('\n');
    for (QByteArray line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        if ((line[0] == ' ' || line[0] == '\t') && !fields.isEmpty()) {
            fields.last().second += ' ' + line.trimmed();
            continue;
        }
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        fields.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }
    return fields;
}

// Splits at `separator` outside quoted strings, comments and angle brackets.
QList<QByteArray> SplitOutsideQuotes(const QByteArray& value, char separator) {
    QList<QByteArray> pieces;
    QByteArray current;
    bool quoted = false;
    int comment = 0;
    bool angle = false;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (quoted) {
            current += c;
            if (c == '\\' && i + 1 < value.size())
                current += value[++i];
            else if (c == '"')
                quoted = false;
            continue;
        }
        if (c == '"' && comment == 0)
            quoted = true;
        else if (c == '(')
            ++comment;
        else if (c == ')' && comment > 0)
            --comment;
        else if (c == '<' && comment == 0)
            angle = true;
        else if (c == '>' && comment == 0)
            angle = false;
        else if (c == separator && comment == 0 && !angle) {
            pieces << current;
            current.clear();
            continue;
        }
        current += c;
    }
    pieces << current;
    return pieces;
}

QByteArray Unquote(QByteArray value) {
    value = value.trimmed();
    if (value.size() < 2 || !value.startsWith('"') || !value.endsWith('"'))
        return value;
    QByteArray out;
    for (qsizetype i = 1; i + 1 < value.size(); ++i) {
        if (value[i] == '\\' && i + 2 < value.size())
            ++i;
        out += value[i];
    }
    return out;
}

QByteArray PercentDecode(const QByteArray& text) {
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            out += char(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// A plain parameter value: encoded words are decoded (many mailers write
// file names so, though RFC 2047 does not allow it), raw 8-bit bytes are
// read as UTF-8 or GBK.
QString PlainValue(const QByteArray& value) {
    return MimeMessage::DecodeWords(value);
}

// "type/subtype; a=b; c*0*=..." into the type and its parameters; RFC 2231
// continuations (c*0, c*1*) are joined and their charset applied.
QByteArray ParseParameters(const QByteArray& value, QMap<QByteArray, QString>& params) {
    const QList<QByteArray> pieces = SplitOutsideQuotes(value, ';');
    struct Section {
        int index;
        bool encoded;
        QByteArray text;
    };
    QMap<QByteArray, QList<Section>> extended;
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        const QByteArray piece = pieces[i].trimmed();
        const qsizetype equals = piece.indexOf('=');
        if (equals <= 0)
            continue;
        QByteArray name = piece.left(equals).trimmed().toLower();
        const QByteArray text = Unquote(piece.mid(equals + 1));
        const qsizetype star = name.indexOf('*');
        if (star < 0) {
            if (!params.contains(name))
                params.insert(name, PlainValue(text));
            continue;
        }
        const QByteArray base = name.left(star);
        QByteArray rest = name.mid(star + 1);
        const bool encoded = rest.endsWith('*') || rest.isEmpty();
        if (rest.endsWith('*'))
            rest.chop(1);
        bool ok = true;
        const int index = rest.isEmpty() ? 0 : rest.toInt(&ok);
        if (!ok)
            continue;
        extended[base].append({index, encoded, text});
    }
    for (auto it = extended.begin(); it != extended.end(); ++it) {
        QList<Section>& sections = it.value();
        std::sort(sections.begin(), sections.end(),
                  [](const Section& a, const Section& b) { return a.index < b.index; });
        QByteArray charset;
        QByteArray bytes;
        for (qsizetype i = 0; i < sections.size(); ++i) {
            QByteArray text = sections[i].text;
            if (sections[i].encoded) {
                if (i == 0) {
                    // charset'language'value
                    const qsizetype first = text.indexOf('\'');
                    const qsizetype second = first < 0 ? -1 : text.indexOf('\'', first + 1);
                    if (second > first) {
                        charset = text.left(first);
                        text = text.mid(second + 1);
                    }
                }
                bytes += PercentDecode(text);
            } else {
                bytes += text;
            }
        }
        // The extended form wins over a plain one of the same name.
        params.insert(it.key(), MimeMessage::DecodeCharset(bytes, charset));
    }
    return pieces.isEmpty() ? QByteArray() : Unquote(pieces[0]).trimmed().toLower();
}

// The line start at or after `from` where a line begins with `delimiter`.
qsizetype FindDelimiter(const QByteArray& body, const QByteArray& delimiter, qsizetype from) {
    for (;;) {
        const qsizetype at = body.indexOf(delimiter, from);
        if (at < 0)
            return -1;
        if (at == 0 || body[at - 1] == '\n')
            return at;
        from = at + 1;
    }
}

MimePart ParsePart(const QByteArray& raw, int depth, const QByteArray& defaultType);

void ParseMultipart(MimePart& part, int depth) {
    const QByteArray boundary = part.typeParams.value("boundary").toLatin1();
    if (boundary.isEmpty() || depth >= kMaxDepth)
        return;
    const QByteArray delimiter = "--" + boundary;
    const QByteArray childType =
        part.mimeType == "multipart/digest" ? QByteArray("message/rfc822") : QByteArray();
    qsizetype at = FindDelimiter(part.body, delimiter, 0);
    while (at >= 0) {
        const qsizetype after = at + delimiter.size();
        if (part.body.mid(after, 2) == "--")
            break;
        const qsizetype lineEnd = part.body.indexOf('\n', after);
        if (lineEnd < 0)
            break;
        const qsizetype start = lineEnd + 1;
        const qsizetype next = FindDelimiter(part.body, delimiter, start);
        qsizetype end = next < 0 ? part.body.size() : next;
        // The line break before a delimiter belongs to the delimiter.
        if (next >= 0 && end > start && part.body[end - 1] == '\n') {
            --end;
            if (end > start && part.body[end - 1] == '\r')
                --end;
        }
        part.parts.append(ParsePart(part.body.mid(start, end - start), depth + 1, childType));
        at = next;
    }
}

MimePart ParsePart(const QByteArray& raw, int depth, const QByteArray& defaultType) {
    MimePart part;
    QByteArray header;
    SplitHeader(raw, header, part.body);
    part.fields = ParseFields(header);
    const QByteArray type = part.Field("Content-Type");
    if (!type.isEmpty()) {
        const QByteArray mimeType = ParseParameters(type, part.typeParams);
        if (mimeType.contains('/'))
            part.mimeType = mimeType;
    } else if (!defaultType.isEmpty()) {
        part.mimeType = defaultType;
    }
    part.transferEncoding = part.Field("Content-Transfer-Encoding").trimmed().toLower();
    QMap<QByteArray, QString> dispositionParams;
    const QByteArray disposition = part.Field("Content-Disposition");
    if (!disposition.isEmpty())
        part.disposition = ParseParameters(disposition, dispositionParams);
    part.fileName = dispositionParams.value("filename");
    if (part.fileName.isEmpty())
        part.fileName = part.typeParams.value("name");
    // A name is only a name: no folders, whatever the sender wrote.
    part.fileName = part.fileName.section(QLatin1Char('/'), -1).section(QLatin1Char('\\'), -1);
    if (part.IsMultipart())
        ParseMultipart(part, depth);
    return part;
}

} // namespace

QByteArray MimePart::Field(const QByteArray& name) const {
    for (const auto& field : fields) {
        if (field.first.compare(name, Qt::CaseInsensitive) == 0)
            return field.second;
    }
    return QByteArray();
}

QByteArray MimePart::Decoded() const {
    if (transferEncoding == "base64")
        return QByteArray::fromBase64(body);
    if (transferEncoding == "quoted-printable")
        return MimeMessage::DecodeQuotedPrintable(body);
    return body;
}

QString MimePart::Text() const {
    return MimeMessage::DecodeCharset(Decoded(), typeParams.value("charset").toLatin1());
}

bool MimePart::IsAttachment() const {
    if (IsMultipart())
        return false;
    if (disposition == "attachment" || !fileName.isEmpty())
        return true;
    return !mimeType.startsWith("text/");
}

MimeMessage MimeMessage::Parse(const QByteArray& raw) {
    MimeMessage message;
    message.root_ = ParsePart(raw, 0, QByteArray());
    SplitAddress(message.root_.Field("From"), message.senderName_, message.senderAddress_);
    message.Collect(message.root_, 0);
    return message;
}

void MimeMessage::Collect(const MimePart& part, int depth) {
    if (part.IsMultipart()) {
        for (const MimePart& child : part.parts)
            Collect(child, depth + 1);
        return;
    }
    if (part.IsAttachment()) {
        attachments_.append(&part);
        return;
    }
    if (part.mimeType == "text/html") {
        if (!html_)
            html_ = &part;
    } else if (!plain_) {
        plain_ = &part;
    }
}

QString MimeMessage::Header(const QByteArray& name) const {
    return DecodeWords(root_.Field(name));
}

QDateTime MimeMessage::Date() const {
    QByteArray text = root_.Field("Date");
    // Comments such as "(CST)" are not part of the date.
    static const QRegularExpression comment(QStringLiteral("\\([^)]*\\)"));
    QString date = QString::fromLatin1(text).remove(comment).simplified();
    QDateTime time = QDateTime::fromString(date, Qt::RFC2822Date);
    if (!time.isValid()) {
        // Zone names Qt does not take, written by old mailers.
        static const QRegularExpression zone(QStringLiteral("\\s+(GMT|UT|UTC|Z)$"));
        date.replace(zone, QStringLiteral(" +0000"));
        time = QDateTime::fromString(date, Qt::RFC2822Date);
    }
    return time;
}

QString MimeMessage::BodyText() const {
    if (html_)
        return html_->Text();
    return plain_ ? plain_->Text() : QString();
}

bool MimeMessage::IsHtml() const {
    return html_ != nullptr;
}

QList<const MimePart*> MimeMessage::Attachments() const {
    return attachments_;
}

QString MimeMessage::DecodeCharset(const QByteArray& bytes, const QByteArray& charset) {
    const QByteArray name = Unquote(charset).trimmed().toLower();
    if (name.isEmpty() || name == "unknown-8bit" || name == "x-unknown")
        return Gbk::IsValidUtf8(bytes) ? QString::fromUtf8(bytes) : Gbk::Decode(bytes);
    if (name == "utf-8" || name == "utf8")
        return QString::fromUtf8(bytes);
    if (name == "gbk" || name == "gb2312" || name == "gb18030" || name == "cp936" ||
        name == "x-gbk" || name == "euc-cn" || name == "x-euc-cn")
        return Gbk::Decode(bytes);
    if (name == "us-ascii" || name == "ascii") {
        // Labelled ASCII but holding 8-bit bytes: the label is wrong, the
        // usual culprit being a Chinese mailer.
        for (const char c : bytes) {
            if (static_cast<unsigned char>(c) >= 0x80)
                return DecodeCharset(bytes, QByteArray());
        }
        return QString::fromLatin1(bytes);
    }
    QStringDecoder decoder(name.constData());
    if (!decoder.isValid())
        return DecodeCharset(bytes, QByteArray());
    return decoder.decode(bytes);
}

QByteArray MimeMessage::DecodeQuotedPrintable(const QByteArray& text, bool headerForm) {
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (headerForm && c == '_') {
            out += ' ';
        } else if (c == '=') {
            if (i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
                out += char(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
                i += 2;
                continue;
            }
            // A soft line break: "=" at the end of a line, perhaps after
            // blanks a gateway added.
            qsizetype j = i + 1;
            while (j < text.size() && (text[j] == ' ' || text[j] == '\t'))
                ++j;
            if (j < text.size() && text[j] == '\r')
                ++j;
            if (j < text.size() && text[j] == '\n') {
                i = j;
                continue;
            }
            if (j >= text.size()) {
                i = j;
                continue;
            }
            out += c; // a lone "=", kept as written
        } else {
            out += c;
        }
    }
    return out;
}

QString MimeMessage::DecodeWords(const QByteArray& value) {
    // =?charset?encoding?text?=
    static const QRegularExpression word(
        QStringLiteral("=\\?([^?\\s]+)\\?([bBqQ])\\?([^?\\s]*)\\?="));
    const QString latin = QString::fromLatin1(value);
    QString out;
    QByteArray pendingBytes;   // consecutive words of one charset, decoded together
    QByteArray pendingCharset; // so a character split across two words survives
    const auto flush = [&] {
        if (!pendingBytes.isEmpty())
            out += DecodeCharset(pendingBytes, pendingCharset);
        pendingBytes.clear();
        pendingCharset.clear();
    };
    qsizetype position = 0;
    bool lastWasWord = false;
    QRegularExpressionMatchIterator it = word.globalMatch(latin);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        const QByteArray between = value.mid(position, match.capturedStart() - position);
        const bool onlyBlanks =
            std::all_of(between.begin(), between.end(), [](char c) { return IsBlank(c); });
        if (!(lastWasWord && onlyBlanks)) {
            flush();
            out += DecodeCharset(between, QByteArray());
        }
        QByteArray charset = match.captured(1).toLatin1().toLower();
        // RFC 2231 adds "*language" to the charset.
        if (const qsizetype star = charset.indexOf('*'); star >= 0)
            charset.truncate(star);
        const QByteArray text = match.captured(3).toLatin1();
        const QByteArray bytes =
            match.captured(2).compare(QLatin1String("b"), Qt::CaseInsensitive) == 0
                ? QByteArray::fromBase64(text)
                : DecodeQuotedPrintable(text, true);
        if (charset != pendingCharset)
            flush();
        pendingCharset = charset;
        pendingBytes += bytes;
        position = match.capturedEnd();
        lastWasWord = true;
    }
    flush();
    out += DecodeCharset(value.mid(position), QByteArray());
    return out;
}

void MimeMessage::SplitAddress(const QByteArray& value, QString& name, QString& address) {
    name.clear();
    address.clear();
    QByteArray first;
    for (const QByteArray& piece : SplitOutsideQuotes(value, ',')) {
        if (piece.contains('@')) {
            first = piece.trimmed();
            break;
        }
    }
    if (first.isEmpty())
        first = value.trimmed();
    const qsizetype open = first.lastIndexOf('<');
    const qsizetype close = first.lastIndexOf('>');
    if (open >= 0 && close > open) {
        address = QString::fromLatin1(first.mid(open + 1, close - open - 1)).trimmed();
        name = DecodeWords(Unquote(first.left(open).trimmed())).trimmed();
        return;
    }
    // addr@host (Name), the old form.
    const qsizetype paren = first.indexOf('(');
    if (paren >= 0) {
        const qsizetype end = first.lastIndexOf(')');
        name = DecodeWords(first.mid(paren + 1, end > paren ? end - paren - 1 : -1)).trimmed();
        first = first.left(paren).trimmed();
    }
    address = QString::fromLatin1(Unquote(first)).trimmed();
}

QStringList MimeMessage::AddressList(const QString& field) {
    static const QRegularExpression separators(QStringLiteral("[,;\\s]+"));
    QStringList addresses;
    for (QString piece : field.split(separators, Qt::SkipEmptyParts)) {
        piece.remove(QLatin1Char('<')).remove(QLatin1Char('>'));
        piece = piece.trimmed().toLower();
        if (piece.contains(QLatin1Char('@')) && !addresses.contains(piece))
            addresses << piece;
    }
    return addresses;
}
