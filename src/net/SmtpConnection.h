#pragma once

#include "net/HiSocket.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class MailMessage;

// Sends one message to an SMTP server (RFC 5321): connect and greet with
// EHLO (HELO when that is refused), TLS at once or through STARTTLS, AUTH
// PLAIN or LOGIN, the envelope, the dot-stuffed message, QUIT.
//
// Every operation returns false on a failure and leaves the reason in
// LastResponse() and a code in LastError(): 22 for a refused command, 10043
// for an unexpected reply, 10060 for a reply that did not come in time. The
// socket is reachable for Abort() from another thread and for SetCaFile.
class SmtpConnection final {
public:
    enum class Security { None, StartTls, Ssl };

    // How long each reply may take, in milliseconds (RFC 5321, 4.5.3.2).
    struct Timeouts {
        int greeting = 300000;
        int command = 300000; // EHLO, AUTH, MAIL, RCPT, QUIT
        int dataStart = 120000;
        int dataBlock = 180000;
        int dataEnd = 600000;
    };

    // LastError() of a command the server refused (4xx or 5xx reply).
    static constexpr int kRefusedError = 22;

    SmtpConnection() = default;
    SmtpConnection(const SmtpConnection&) = delete;
    SmtpConnection& operator=(const SmtpConnection&) = delete;

    HiSocket& Socket() { return socket_; }
    void SetTimeouts(const Timeouts& timeouts) { timeouts_ = timeouts; }
    // Only when set does Auth send a password over a connection without TLS.
    void SetAllowPlainAuth(bool allow) { allowPlainAuth_ = allow; }

    bool Connect(const QString& host, int port, Security security = Security::None);
    bool Auth(const QString& user, const QString& password);
    // Closes the connection after the server took the message.
    bool SendMessage(const MailMessage& message);
    bool Disconnect();

    QString LastResponse() const { return lastResponse_; }
    int LastError() const { return lastError_; }
    // The extension keywords of the last EHLO reply, upper-case ("STARTTLS",
    // "AUTH PLAIN LOGIN", ...).
    QStringList Extensions() const { return extensions_; }

    // The security named in the settings: "ssl", "starttls" or "none"; an
    // empty or unknown text means TLS at once on port 465 and none elsewhere.
    static Security SecurityFromText(const QString& text, int port);

private:
    bool Command(const QByteArray& line, int expected, int timeoutMs);
    bool ReadReply(int expected, int timeoutMs);
    bool SendRaw(const QByteArray& bytes);
    bool Greet();
    bool SendDotStuffed(const QByteArray& message);
    // QUIT without waiting, then close, keeping the reason already recorded.
    void Abandon();
    bool Fail(const QString& response, int code);

    HiSocket socket_;
    Timeouts timeouts_;
    bool allowPlainAuth_ = false;
    QString host_;
    QByteArray buffer_;
    int replyCode_ = 0;
    QStringList extensions_;
    QString lastResponse_;
    int lastError_ = 0;
};
