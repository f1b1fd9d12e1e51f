#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <vector>

class DbConnection;

// A message fetched and saved as a file, ready for its MailRecv row.
struct RecvMessage {
    QString serverKey;
    QString fileName; // relative to mailrecv/
    QString sender;   // address, lower case
    QString senderName;
    QString subject;
    QString mailDate; // yyyy-MM-dd hh:mm:ss, local time; empty when unknown
    int byteSize = 0;
    int attachCount = 0;
};

// A sender's address matched to a customer (CustomerData.Email) or to a
// contact (ContactData.Email, and then the contact's customer).
struct SenderMatch {
    int customer = 0;
    int contact = 0;
};

// The MailRecv rows of one mailbox, written on the user-interface thread
// through the shared connection.
//
// A row the user deleted while its message stays on the server is kept
// without its file (FileName empty, hidden from the list), so the next 收取
// does not bring the message back; it goes once the server no longer has the
// message.
class RecvStore final {
public:
    explicit RecvStore(DbConnection& connection) : connection_(connection) {}

    // Every server key stored for the mailbox, deleted rows included.
    bool KnownKeys(const QString& account, QSet<QString>& keys);
    // The server keys of the mailbox's deleted rows.
    bool DeletedKeys(const QString& account, QSet<QString>& keys);
    // Writes the rows in one transaction, their senders matched; a key stored
    // meanwhile (another desk fetching the same mailbox) is left out.
    // `stored` gets the keys written.
    bool Save(const QString& account, const std::vector<RecvMessage>& messages,
              QStringList& stored);
    // Removes the deleted rows of these keys for good.
    bool Purge(const QString& account, const QStringList& keys);
    bool MarkSeen(int key);

    // Matches the addresses in one statement per table: a field may hold
    // several addresses separated by "," or ";", compared without case. The
    // lowest key wins when several rows hold the address. What one store
    // matched once it remembers: a run of many batches reads the customers
    // only for senders it has not seen yet.
    bool MatchSenders(const QStringList& addresses, QHash<QString, SenderMatch>& matches);

    const QString& LastError() const { return lastError_; }

private:
    bool Keys(const QString& sql, QSet<QString>& keys);
    bool Fail(const QString& sql, const QString& error);

    DbConnection& connection_;
    QHash<QString, SenderMatch> matched_;
    QString lastError_;
};
