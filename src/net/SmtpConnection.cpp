#include "net/SmtpConnection.h"

#include "net/MailMessage.h"
#include "net/SocketError.h"

#include <chrono>
#include <cstring>
#include <unistd.h>

namespace {

constexpr int kRefused = SmtpConnection::kRefusedError;
constexpr int kMaxReply = 64 * 1024; // far above any real reply (RFC 5321 says 512 per line)

using Clock = std::chrono::steady_clock;

int Since(Clock::time_point start) {
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

bool StartsWithCode(const QByteArray& line) {
    return line.size() >= 3 && std::isdigit(static_cast<unsigned char>(line[0])) &&
           std::isdigit(static_cast<unsigned char>(line[1])) &&
           std::isdigit(static_cast<unsigned char>(line[2]));
}

// The name given with EHLO: the machine's name when it is a full domain name,
// else the connection's own address as a literal.
QString HelloName(const HiSocket& socket) {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) == 0) {
        const QString host = QString::fromLatin1(name);
        if (host.contains(QLatin1Char('.')) && !host.endsWith(QLatin1Char('.'))) {
            return host;
        }
    }
    return socket.LocalAddressLiteral();
}

} // namespace

SmtpConnection::Security SmtpConnection::SecurityFromText(const QString& text, int port) {
    const QString name = text.trimmed().toLower();
    if (name == QStringLiteral("ssl") || name == QStringLiteral("tls")) {
        return Security::Ssl;
    }
    if (name == QStringLiteral("starttls")) {
        return Security::StartTls;
    }
    if (name == QStringLiteral("none")) {
        return Security::None;
    }
    return port == 465 ? Security::Ssl : Security::None;
}

bool SmtpConnection::Fail(const QString& response, int code) {
    lastResponse_ = response;
    lastError_ = code;
    return false;
}

bool SmtpConnection::SendRaw(const QByteArray& bytes) {
    if (socket_.Send(bytes) != bytes.size()) {
        return Fail(socket_.LastMessage(), socket_.LastError());
    }
    return true;
}

bool SmtpConnection::ReadReply(int expected, int timeoutMs) {
    const Clock::time_point start = Clock::now();
    qsizetype lineStart = 0;
    char chunk[16384];
    for (;;) {
        // Complete lines: a multi-line reply ends at the line whose code is
        // followed by a blank (or nothing) instead of "-".
        const qsizetype end = buffer_.indexOf("\r\n", lineStart);
        if (end >= 0) {
            const QByteArray line = buffer_.mid(lineStart, end - lineStart);
            if (!StartsWithCode(line)) {
                const QString text = QString::fromUtf8(buffer_.left(end + 2));
                buffer_.clear();
                return Fail(QStringLiteral("邮件服务器的回复无法识别: %1").arg(text),
                            SocketError::ProtocolNotSupported);
            }
            lineStart = end + 2;
            if (line.size() > 3 && line[3] == '-') {
                continue;
            }
            const QByteArray reply = buffer_.left(lineStart);
            buffer_.remove(0, lineStart);
            replyCode_ = line.left(3).toInt();
            lastResponse_ = QString::fromUtf8(reply);
            if (replyCode_ != expected) {
                lastError_ = SocketError::ProtocolNotSupported;
                return false;
            }
            lastError_ = 0;
            return true;
        }
        if (buffer_.size() > kMaxReply) {
            buffer_.clear();
            Abandon();
            return Fail(
                QStringLiteral("邮件服务器的回复超长(超过%1字节), 连接已断开\r\n").arg(kMaxReply),
                SocketError::MessageSize);
        }
        const int left = timeoutMs - Since(start);
        if (left <= 0) {
            socket_.Close();
            return Fail(QStringLiteral("Recv Timeout"), SocketError::TimedOut);
        }
        socket_.SetTimeout(left);
        const int got = socket_.Recv(chunk, sizeof chunk);
        if (got < 0) {
            if (socket_.LastError() == SocketError::TimedOut) {
                return Fail(QStringLiteral("Recv Timeout"), SocketError::TimedOut);
            }
            return Fail(socket_.LastMessage(), socket_.LastError());
        }
        if (got == 0) {
            // The server hung up; whatever it sent without a line end is kept.
            QString text = socket_.LastMessage();
            if (!buffer_.isEmpty()) {
                text = QString::fromUtf8(buffer_) + QStringLiteral("\r\n") + text;
                buffer_.clear();
            }
            return Fail(text, SocketError::ConnectionReset);
        }
        buffer_.append(chunk, got);
    }
}

bool SmtpConnection::Command(const QByteArray& line, int expected, int timeoutMs) {
    return SendRaw(line) && ReadReply(expected, timeoutMs);
}

void SmtpConnection::Abandon() {
    if (socket_.IsConnected()) {
        socket_.SetTimeout(2000);
        socket_.Send(QByteArray("QUIT\r\n"));
    }
    socket_.Close();
    buffer_.clear();
}

bool SmtpConnection::Greet() {
    const QByteArray name = HelloName(socket_).toLatin1();
    if (!SendRaw("EHLO " + name + "\r\n")) {
        return false;
    }
    if (ReadReply(250, timeouts_.command)) {
        QStringList lines = lastResponse_.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        extensions_.clear();
        for (qsizetype i = 1; i < lines.size(); ++i) {
            QString keyword = lines[i].mid(4).trimmed().toUpper();
            keyword.replace(QLatin1Char('='), QLatin1Char(' '));
            extensions_.append(keyword);
        }
        return true;
    }
    if (replyCode_ < 500 || !socket_.IsConnected()) {
        return false;
    }
    extensions_.clear();
    return Command("HELO " + name + "\r\n", 250, timeouts_.command);
}

bool SmtpConnection::Connect(const QString& host, int port, Security security) {
    host_ = host;
    buffer_.clear();
    extensions_.clear();
    if (!socket_.Create()) {
        return Fail(HiSocket::ErrorText(socket_.LastError()) +
                        QStringLiteral("\r\nFailed to create client socket\r\n"),
                    socket_.LastError());
    }
    socket_.SetTimeout(timeouts_.greeting);
    if (!socket_.Connect(host, port)) {
        const QString reason =
            socket_.LastMessage().startsWith(QStringLiteral("CHiSocket::Connect"))
                ? HiSocket::ErrorText(socket_.LastError())
                : socket_.LastMessage().trimmed();
        return Fail(reason + QStringLiteral("\r\nCould not connect to the SMTP server\r\n"),
                    socket_.LastError());
    }
    if (security == Security::Ssl && !socket_.StartTls(host)) {
        return Fail(socket_.LastMessage() +
                        QStringLiteral("Could not connect to the SMTP server\r\n"),
                    socket_.LastError());
    }
    bool ok = ReadReply(220, timeouts_.greeting) && Greet();
    if (ok && security == Security::StartTls) {
        if (!extensions_.contains(QStringLiteral("STARTTLS"))) {
            Fail(QStringLiteral("邮件服务器不支持STARTTLS加密\r\n"),
                 SocketError::ProtocolNotSupported);
            ok = false;
        } else if (Command("STARTTLS\r\n", 220, timeouts_.command)) {
            // Anything the server sent ahead of the handshake is not trusted.
            buffer_.clear();
            ok = socket_.StartTls(host) || Fail(socket_.LastMessage(), socket_.LastError());
            ok = ok && Greet();
        } else {
            ok = false;
        }
    }
    if (!ok) {
        const QString reason = lastResponse_;
        const int code = lastError_;
        Abandon();
        return Fail(reason, code);
    }
    return true;
}

bool SmtpConnection::Auth(const QString& user, const QString& password) {
    if (!socket_.IsTls() && !allowPlainAuth_) {
        const QString reason =
            QStringLiteral("连接未加密, 不发送登录密码(请在email.ini中设定SMTPSecurity)\r\n");
        Abandon();
        return Fail(reason, SocketError::ProtocolNotSupported);
    }
    bool plain = false;
    for (const QString& extension : std::as_const(extensions_)) {
        if (extension.startsWith(QStringLiteral("AUTH ")) &&
            extension.split(QLatin1Char(' ')).contains(QStringLiteral("PLAIN"))) {
            plain = true;
        }
    }
    const QByteArray name = user.toUtf8();
    const QByteArray secret = password.toUtf8();
    bool ok;
    if (plain) {
        const QByteArray token = QByteArray(1, '\0') + name + QByteArray(1, '\0') + secret;
        ok = Command("AUTH PLAIN " + token.toBase64() + "\r\n", 235, timeouts_.command);
    } else {
        ok = Command("AUTH LOGIN\r\n", 334, timeouts_.command) &&
             Command(name.toBase64() + "\r\n", 334, timeouts_.command) &&
             Command(secret.toBase64() + "\r\n", 235, timeouts_.command);
    }
    if (!ok) {
        const QString reason = lastResponse_;
        const int code = lastError_;
        Abandon();
        return Fail(reason, code);
    }
    return true;
}

bool SmtpConnection::SendDotStuffed(const QByteArray& message) {
    // A line that starts with "." gets a second one (RFC 5321, 4.5.2); the
    // message goes out in large pieces.
    constexpr qsizetype kPiece = 256 * 1024;
    QByteArray piece;
    piece.reserve(kPiece + 1024);
    bool lineStart = true;
    const char* data = message.constData();
    const qsizetype size = message.size();
    qsizetype from = 0;
    while (from < size) {
        const qsizetype to = std::min(size, from + kPiece);
        // Jump from line end to line end; only a "." right after one matters.
        qsizetype runStart = from;
        qsizetype i = from;
        while (i < to) {
            if (lineStart && data[i] == '.') {
                piece.append(data + runStart, i - runStart);
                piece.append('.');
                runStart = i;
            }
            const void* newline = std::memchr(data + i, '\n', size_t(to - i));
            if (newline == nullptr) {
                lineStart = false;
                break;
            }
            i = static_cast<const char*>(newline) - data + 1;
            lineStart = true;
        }
        piece.append(data + runStart, to - runStart);
        socket_.SetTimeout(timeouts_.dataBlock);
        if (!SendRaw(piece)) {
            return false;
        }
        piece.clear();
        from = to;
    }
    return SendRaw(message.endsWith("\r\n") ? QByteArray(".\r\n") : QByteArray("\r\n.\r\n"));
}

bool SmtpConnection::SendMessage(const MailMessage& message) {
    const QList<MailAddress>& to = message.Recipients(MailMessage::To);
    if (to.isEmpty()) {
        return Fail(QStringLiteral("没有收件人\r\n"), kRefused);
    }
    if (!Command("MAIL FROM:<" + message.From().address.toUtf8() + ">\r\n", 250,
                 timeouts_.command)) {
        const QString reason = lastResponse_;
        Abandon();
        return Fail(reason, kRefused);
    }
    int accepted = 0;
    bool ok = true;
    for (const MailAddress& recipient : to) {
        if (Command("RCPT TO:<" + recipient.address.toUtf8() + ">\r\n", 250, timeouts_.command)) {
            ++accepted;
        } else if (!socket_.IsConnected()) {
            ok = false;
            break;
        }
    }
    ok = ok && accepted > 0;
    for (const MailMessage::RecipientList list : {MailMessage::Cc, MailMessage::Bcc}) {
        for (const MailAddress& recipient : message.Recipients(list)) {
            ok = ok && Command("RCPT TO:<" + recipient.address.toUtf8() + ">\r\n", 250,
                               timeouts_.command);
        }
    }
    ok = ok && Command("DATA\r\n", 354, timeouts_.dataStart);
    ok = ok && SendDotStuffed(message.Compose()) && ReadReply(250, timeouts_.dataEnd);
    if (!ok) {
        const QString reason = lastResponse_;
        const int code = lastError_ == SocketError::ProtocolNotSupported ? kRefused : lastError_;
        Abandon();
        return Fail(reason, code);
    }
    const QString accepted250 = lastResponse_;
    Disconnect();
    lastResponse_ = accepted250;
    lastError_ = 0;
    return true;
}

bool SmtpConnection::Disconnect() {
    bool ok = false;
    if (socket_.IsConnected()) {
        ok = Command("QUIT\r\n", 221, timeouts_.command);
    }
    socket_.Close();
    buffer_.clear();
    return ok;
}
