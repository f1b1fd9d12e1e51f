#pragma once

#include "RecvAccount.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <vector>

typedef void CURL;

// One message as the server lists it: `key` stays the same for as long as
// the message is on the server (IMAP: "UIDVALIDITY:UID", POP3: its UIDL),
// `id` is what the protocol fetches it by (the UID, or the POP3 number of
// this session).
struct RecvServerItem {
    QString key;
    QString id;
};

// A session with the receiving account's server through libcurl (IMAP or
// POP3, implicit TLS or STARTTLS, the server's certificate always checked).
// One object is one connection, reused for every request; it belongs to one
// thread at a time. The only cross-thread call is the stop flag given at
// construction, which ends a transfer under way within a second.
class RecvMailbox final {
public:
    RecvMailbox(RecvAccount account, const std::atomic<bool>* stop = nullptr);
    ~RecvMailbox();
    RecvMailbox(const RecvMailbox&) = delete;
    RecvMailbox& operator=(const RecvMailbox&) = delete;

    // Logs in and lists the messages, oldest first.
    bool List(std::vector<RecvServerItem>& items);
    // The whole raw message.
    bool Fetch(const RecvServerItem& item, QByteArray& raw);
    // Removes the messages from the server: IMAP marks them \Deleted and
    // expunges them by UID; POP3 marks them and Close() commits.
    bool Delete(const std::vector<RecvServerItem>& items);
    // Ends the session (POP3 deletions take effect only now).
    void Close();

    // Why the last call failed, in words for the user (never the password).
    const QString& LastError() const { return lastError_; }
    // True when the last failure was the stop flag.
    bool WasStopped() const { return stopped_; }

    // libcurl's global set-up, once per process, from the main thread before
    // any worker starts.
    static void GlobalInit();

private:
    bool Perform(const QString& url, const QByteArray& command, QByteArray* body,
                 bool noBody = false);
    QString MailboxUrl() const;

    RecvAccount account_;
    const std::atomic<bool>* stop_;
    CURL* curl_ = nullptr;
    QString lastError_;
    bool stopped_ = false;
};
