#pragma once

#include <QString>

// The receiving account of data/mailrecv.ini (section "."): how and where the
// mail is fetched. The password is a secret: the file is written readable by
// its owner only, and nothing here ever logs it.
struct RecvAccount {
    enum class Protocol { Imap, Pop3 };
    // Implicit TLS (imaps 993, pop3s 995) or STARTTLS on the plain port.
    enum class Security { Tls, StartTls };

    Protocol protocol = Protocol::Imap;
    Security security = Security::Tls;
    QString server;
    int port = 0; // 0: the protocol's usual port
    QString user;
    QString pass;
    QString folder = QStringLiteral("INBOX"); // IMAP only
    QString caFile;                           // empty: the system's certificate authorities
    bool deleteOnServer = false;
    int limit = kDefaultLimit; // new messages fetched at most per 收取

    static constexpr int kDefaultLimit = 200;
    static constexpr int kMaxLimit = 10000;

    static QString SettingsPath();
    static RecvAccount Read();
    // False when the file could not be written.
    bool Save() const;

    int EffectivePort() const;
    // "imaps://host:993/" and so on: the server's address for libcurl.
    QString BaseUrl() const;
    // What names this mailbox in MailRecv.Account: the same text for the
    // same server, user and folder, so a changed setting never mixes two
    // mailboxes' keys.
    QString Key() const;
    // The folder under mailrecv/ where this mailbox's messages are kept.
    QString FolderName() const;
    // Why the settings cannot be used, or empty.
    QString Problem() const;
};
