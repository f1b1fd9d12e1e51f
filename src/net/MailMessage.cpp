#include "net/MailMessage.h"

#include "net/Gbk.h"

#include <QFile>
#include <QLocale>
#include <QRandomGenerator>

#include <cstring>

namespace {

// Whether GBK-encoded text leaves GB2312 (both bytes of every pair within
// A1..FE, the lead below F8), so that "gb2312" would be a false label and the
// superset GB18030 is named instead. Strict decoders reject the difference.
bool NeedsGb18030Label(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    for (qsizetype i = 0; i < bytes.size();) {
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        if (i + 1 >= bytes.size() || p[i] < 0xA1 || p[i] > 0xF7 || p[i + 1] < 0xA1 ||
            p[i + 1] > 0xFE) {
            return true;
        }
        i += 2;
    }
    return false;
}

bool IsPlainAscii(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E) {
            return false;
        }
    }
    return true;
}

// Text line ends become CR LF whatever they were (CR, LF or CR LF).
QString CrLfLines(const QString& text) {
    QString out;
    out.reserve(text.size() + text.size() / 40);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r')) {
            out += QStringLiteral("\r\n");
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) {
                ++i;
            }
        } else if (c == QLatin1Char('\n')) {
            out += QStringLiteral("\r\n");
        } else {
            out += c;
        }
    }
    return out;
}

// Appends `bytes` as base64 lines of 76 characters, each ended with CR LF
// (the last one too), written straight into `out`: attachments are large and
// a second copy of them would cost as much as the encoding.
void AppendBase64Lines(QByteArray& out, const QByteArray& bytes) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    constexpr qsizetype kLineBytes = 57; // 76 characters
    const qsizetype size = bytes.size();
    const qsizetype lines = (size + kLineBytes - 1) / kLineBytes;
    const qsizetype start = out.size();
    out.resize(start + (size + 2) / 3 * 4 + lines * 2);
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.constData());
    char* to = out.data() + start;
    for (qsizetype line = 0; line < size; line += kLineBytes) {
        const qsizetype end = std::min(size, line + kLineBytes);
        qsizetype i = line;
        for (; i + 3 <= end; i += 3) {
            const unsigned value = (unsigned(in[i]) << 16) | (unsigned(in[i + 1]) << 8) | in[i + 2];
            to[0] = kAlphabet[value >> 18];
            to[1] = kAlphabet[(value >> 12) & 63];
            to[2] = kAlphabet[(value >> 6) & 63];
            to[3] = kAlphabet[value & 63];
            to += 4;
        }
        if (i < end) {
            const unsigned value =
                (unsigned(in[i]) << 16) | (i + 1 < end ? unsigned(in[i + 1]) << 8 : 0);
            to[0] = kAlphabet[value >> 18];
            to[1] = kAlphabet[(value >> 12) & 63];
            to[2] = i + 1 < end ? kAlphabet[(value >> 6) & 63] : '=';
            to[3] = '=';
            to += 4;
        }
        *to++ = '\r';
        *to++ = '\n';
    }
}

QByteArray RandomHex(int bytes) {
    QByteArray raw(bytes, '\0');
    for (char& c : raw) {
        c = static_cast<char>(QRandomGenerator::system()->bounded(256));
    }
    return raw.toHex();
}

QByteArray QuotedName(const QString& name) {
    QByteArray quoted = name.toLatin1();
    quoted.replace("\\", "\\\\").replace("\"", "\\\"");
    return '"' + quoted + '"';
}

} // namespace

bool MailMessage::IsUsableAddress(const QString& address) {
    if (address.isEmpty() || !address.contains(QLatin1Char('@'))) {
        return false;
    }
    for (const QChar c : address) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QLatin1Char('<') ||
            c == QLatin1Char('>') || c.isSpace() || c.unicode() < 0x20) {
            return false;
        }
    }
    return true;
}

int MailMessage::AddRecipient(const MailAddress& recipient, RecipientList list) {
    if (!IsUsableAddress(recipient.address)) {
        lastError_ = QStringLiteral("收件人地址无效: %1").arg(recipient.address);
        return -1;
    }
    lists_[list].append(recipient);
    return int(lists_[list].size() - 1);
}

bool MailMessage::SetFrom(const MailAddress& from) {
    if (!IsUsableAddress(from.address)) {
        lastError_ = QStringLiteral("发件人地址无效: %1").arg(from.address);
        return false;
    }
    from_ = from;
    return true;
}

void MailMessage::SetSubject(const QString& subject) {
    subject_ = subject;
    subject_.replace(QLatin1Char('\r'), QLatin1Char(' '))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
}

bool MailMessage::AddAttachmentFile(const QString& path, const QString& contentType) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        lastError_ = QStringLiteral("附件无法读取: %1").arg(path);
        return false;
    }
    MailAttachment attachment;
    attachment.data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        lastError_ = QStringLiteral("附件无法读取: %1").arg(path);
        return false;
    }
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    attachment.name = path.mid(slash + 1);
    attachment.contentType = contentType;
    attachments_.append(attachment);
    return true;
}

QByteArray MailMessage::TextBytes(const QString& text, QByteArray& label) const {
    if (charset_ == QStringLiteral("utf-8")) {
        label = "utf-8";
        return text.toUtf8();
    }
    QByteArray bytes = Gbk::Encode(text);
    label = NeedsGb18030Label(bytes) ? QByteArray("GB18030") : charset_.toLatin1();
    return bytes;
}

QByteArray MailMessage::EncodeWords(const QString& text, const QString& charset,
                                    int firstLineUsed) {
    if (IsPlainAscii(text)) {
        return text.toLatin1();
    }
    const bool utf8 = charset.toLower() == QStringLiteral("utf-8");
    const QByteArray all = utf8 ? text.toUtf8() : Gbk::Encode(text);
    const QByteArray label =
        utf8 ? QByteArray("utf-8")
             : (NeedsGb18030Label(all) ? QByteArray("GB18030") : charset.toLower().toLatin1());
    const QByteArray prefix = "=?" + label + "?B?";
    // Each word: prefix, base64, "?=" in at most 75 characters, and a line
    // that holds one no longer than 76 (RFC 2047, 2); the first word shares
    // its line with the header's name.
    const auto roomFor = [&prefix](int lineUsed) {
        const qsizetype characters = std::min<qsizetype>(75, 76 - lineUsed) - prefix.size() - 2;
        return std::max<qsizetype>(4, characters / 4 * 3);
    };
    qsizetype room = roomFor(firstLineUsed);

    QList<QByteArray> words;
    QByteArray chunk;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = (text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const QString character = text.mid(i, length);
        const QByteArray bytes = utf8 ? character.toUtf8() : Gbk::Encode(character);
        if (chunk.size() + bytes.size() > room) {
            words.append(prefix + chunk.toBase64() + "?=");
            chunk.clear();
            room = roomFor(1);
        }
        chunk += bytes;
        i += length;
    }
    if (!chunk.isEmpty()) {
        words.append(prefix + chunk.toBase64() + "?=");
    }
    return words.join("\r\n ");
}

QByteArray MailMessage::DateText(const QDateTime& time) {
    const int offset = time.offsetFromUtc() / 60;
    const int magnitude = offset < 0 ? -offset : offset;
    return QLocale::c().toString(time, QStringLiteral("ddd, dd MMM yyyy HH:mm:ss")).toLatin1() +
           (offset < 0 ? " -" : " +") + QByteArray::number(magnitude / 60).rightJustified(2, '0') +
           QByteArray::number(magnitude % 60).rightJustified(2, '0');
}

QByteArray MailMessage::Address(const MailAddress& address) const {
    const QByteArray bare = address.address.toUtf8();
    if (address.name.isEmpty()) {
        return bare;
    }
    const QByteArray name =
        IsPlainAscii(address.name) ? QuotedName(address.name) : EncodeWords(address.name, charset_);
    return name + " <" + bare + '>';
}

QByteArray MailMessage::Compose(const QDateTime& now) const {
    QByteArray out;
    QByteArray label;
    const QByteArray body = TextBytes(CrLfLines(body_), label);
    qsizetype attachmentBytes = 0;
    for (const MailAttachment& attachment : attachments_) {
        attachmentBytes += attachment.data.size();
    }
    out.reserve(2048 + body.size() * 4 / 3 + attachmentBytes * 139 / 100);

    out += "From: " + Address(from_) + "\r\n";
    QList<QByteArray> to;
    for (const MailAddress& recipient : lists_[To]) {
        to.append(Address(recipient));
    }
    out += "To: " + to.join(",\r\n ") + "\r\n";
    if (!lists_[Cc].isEmpty()) {
        QList<QByteArray> cc;
        for (const MailAddress& recipient : lists_[Cc]) {
            cc.append(Address(recipient));
        }
        out += "Cc: " + cc.join(",\r\n ") + "\r\n";
    }
    out += "Subject: " + EncodeWords(subject_, charset_, 9) + "\r\n";
    out += "Date: " + DateText(now) + "\r\n";
    const qsizetype at = from_.address.lastIndexOf(QLatin1Char('@'));
    const QByteArray domain =
        at >= 0 ? from_.address.mid(at + 1).toUtf8() : QByteArray("localhost");
    out += "Message-ID: <" + RandomHex(12) + '.' + QByteArray::number(now.toSecsSinceEpoch()) +
           '@' + domain + ">\r\n";
    out += "X-Mailer: " + mailer_.toUtf8() + "\r\n";
    if (!replyTo_.address.isEmpty()) {
        out += "Reply-To: " + Address(replyTo_) + "\r\n";
    }
    out += "MIME-Version: 1.0\r\n";

    const QByteArray textType = contentType_.toLatin1() + "; charset=" + label;
    if (attachments_.isEmpty()) {
        out += "Content-Type: " + textType + "\r\n";
        out += "Content-Transfer-Encoding: base64\r\n\r\n";
        AppendBase64Lines(out, body);
        return out;
    }

    const QByteArray boundary = "=_Part_" + RandomHex(16);
    const QByteArray multipart = contentType_.contains(QStringLiteral("multipart"))
                                     ? contentType_.toLatin1()
                                     : QByteArray("multipart/mixed");
    out += "Content-Type: " + multipart + ";\r\n boundary=\"" + boundary + "\"\r\n\r\n";
    out += "This is a multi-part message in MIME format.\r\n";
    if (!body.isEmpty()) {
        out += "\r\n--" + boundary + "\r\n";
        out += "Content-Type: " +
               (multipart == contentType_.toLatin1() ? QByteArray("text/plain; charset=") + label
                                                     : textType) +
               "\r\n";
        out += "Content-Transfer-Encoding: base64\r\n\r\n";
        AppendBase64Lines(out, body);
    }
    for (const MailAttachment& attachment : attachments_) {
        const QByteArray name = EncodeWords(attachment.name, charset_);
        out += "\r\n--" + boundary + "\r\n";
        out += "Content-Type: " + attachment.contentType.toLatin1() + ";\r\n name=\"" + name +
               "\"\r\n";
        out += "Content-Transfer-Encoding: base64\r\n";
        out += "Content-Disposition: attachment;\r\n filename=\"" + name + "\"\r\n\r\n";
        AppendBase64Lines(out, attachment.data);
    }
    out += "\r\n--" + boundary + "--\r\n";
    return out;
}
