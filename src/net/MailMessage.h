#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// A mail address with an optional display name.
struct MailAddress {
    QString name;
    QString address;
};

// An attachment as it will be sent: its raw bytes are base64-encoded when the
// message is composed.
struct MailAttachment {
    QString name;
    QString contentType;
    QByteArray data;
};

// One e-mail message and its MIME rendering. Every line ends with CR LF; text
// goes out base64-encoded in the message's character set (GBK text is labelled
// "gb2312", or "GB18030" when it holds characters GB2312 lacks); names and
// subjects outside ASCII become RFC 2047 encoded words. Dot-stuffing is the
// SMTP client's business, so the composed text is the message itself.
class MailMessage final {
public:
    enum RecipientList { To = 0, Cc = 1, Bcc = 2 };

    // The index in its list, or -1 (with LastError) for an address holding
    // CR, LF, "<", ">" or a blank, or no "@" at all.
    int AddRecipient(const MailAddress& recipient, RecipientList list = To);
    const QList<MailAddress>& Recipients(RecipientList list) const { return lists_[list]; }

    bool SetFrom(const MailAddress& from);
    const MailAddress& From() const { return from_; }
    void SetReplyTo(const MailAddress& replyTo) { replyTo_ = replyTo; }
    // CR and LF become blanks: a subject is one header line.
    void SetSubject(const QString& subject);
    void SetBody(const QString& body) { body_ = body; }
    // "gb2312" (the default, meaning the program's GBK text) or "utf-8".
    void SetCharset(const QString& charset) { charset_ = charset.toLower(); }
    void SetContentType(const QString& contentType) { contentType_ = contentType; }
    void SetMailer(const QString& mailer) { mailer_ = mailer; }

    void AddAttachment(const MailAttachment& attachment) { attachments_.append(attachment); }
    // Reads the file now; false (with LastError) when it cannot be read.
    bool AddAttachmentFile(const QString& path,
                           const QString& contentType = QStringLiteral("application/octet-stream"));

    // The whole message: header, blank line, body.
    QByteArray Compose(const QDateTime& now = QDateTime::currentDateTime()) const;

    QString LastError() const { return lastError_; }

    // Whether an address can go into a header and an SMTP command as it is.
    static bool IsUsableAddress(const QString& address);
    // `text` as encoded words of at most 75 characters each, joined by a
    // folding CR LF and blank, the first one fitting after `firstLineUsed`
    // characters of its line; plain ASCII text comes back unchanged.
    static QByteArray EncodeWords(const QString& text, const QString& charset,
                                  int firstLineUsed = 0);
    // "Sun, 06 Dec 2026 08:05:09 +0800": English names whatever the locale.
    static QByteArray DateText(const QDateTime& time);

private:
    QByteArray Address(const MailAddress& address) const;
    QByteArray TextBytes(const QString& text, QByteArray& label) const;

    MailAddress from_;
    MailAddress replyTo_;
    QString subject_;
    QString body_;
    QString charset_ = QStringLiteral("gb2312");
    QString contentType_ = QStringLiteral("text/plain");
    QString mailer_ = QStringLiteral("CSMTPConnection v1.3");
    QList<MailAddress> lists_[3];
    QList<MailAttachment> attachments_;
    QString lastError_;
};
