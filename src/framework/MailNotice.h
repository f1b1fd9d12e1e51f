#pragma once

#include "net/MailMessage.h"
#include "net/SmtpConnection.h"

#include <QString>
#include <QStringList>

// The mail account of the notices, kept in email.ini (section "."): From,
// SMTPServer, SMTPPort (25), SMTPSecurity (ssl | starttls | none; TLS at once
// on 465 when unset), UserName and UserPass (no login when UserName is
// empty), SMTPPlainAuth=1 to allow a login over a clear connection, SMTPCAFile
// for a company's own certificate authority.
struct MailSettings {
    QString from;
    QString server;
    int port = 25;
    QString security;
    QString userName;
    QString userPass;
    bool plainAuth = false;
    QString caFile;

    // Missing file or keys give the defaults.
    static MailSettings Load(const QString& path);
    // Writes the file readable and writable by its owner only (it holds the
    // password), keeping other keys already there. False when it cannot.
    bool Save(const QString& path) const;
};

// The values of the order a notice is about, and of its customer.
struct NoticeOrder {
    QString serialCode; // account "/" password, or the delivery number
    QString productName;
    QString customerName;
    QString quantity; // messages bought
    QString email;    // the customer's addresses, separated by ";", "," or "；"
};

// The account notice (帐号通知) and the delivery notice of an order: fills the
// letter template templet/create_sky_user.txt and mails it through the account
// of email.ini. Each step that fails ends with the text the user is shown.
class MailNotice final {
public:
    enum class Kind { Account, Delivery };

    // `folder` holds templet/ and email.ini (the program folder, with '/').
    MailNotice(Kind kind, const QString& folder);

    // Checks the order and the files and builds the message; false with the
    // message to show.
    bool Compose(const NoticeOrder& order, MailMessage& message, QString& error) const;
    // Compose, connect, log in when the account has a user, send. Returns
    // true with "邮件发送成功!" or false with the reason, in `shown`.
    bool Send(const NoticeOrder& order, QString& shown);

    // For an abort from another thread.
    SmtpConnection& Connection() { return smtp_; }

    // The e-mail field split at ";", "," and "；", trimmed, empty parts left out.
    static QStringList SplitAddresses(const QString& email);
    // The order's and the customer's statements; false (with the message to
    // show) when the key is not a plain number.
    static bool OrderStatement(const QString& fdId, QString& sql, QString& error);
    static bool CustomerStatement(const QString& keyId, QString& sql, QString& error);

private:
    Kind kind_;
    QString folder_;
    SmtpConnection smtp_;
};
