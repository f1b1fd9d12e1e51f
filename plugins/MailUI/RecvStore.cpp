#include "RecvStore.h"

#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/DbTransaction.h"
#include "db/InsertBuilder.h"
#include "db/SqlLiteral.h"
#include "net/MimeMessage.h"

#include <QDateTime>

namespace {

using SqlLiteral::Text;

// Keys per "in (...)" list and addresses per matching statement: short
// enough for any statement size limit.
constexpr int kKeysPerStatement = 500;

QString TextList(const QStringList& texts) {
    QStringList literals;
    literals.reserve(texts.size());
    for (const QString& text : texts)
        literals << Text(text);
    return QLatin1Char('(') + literals.join(QLatin1Char(',')) + QLatin1Char(')');
}

} // namespace

bool RecvStore::Fail(const QString& sql, const QString& error) {
    lastError_ = sql.isEmpty() ? error : sql + QStringLiteral("\r\n") + error;
    return false;
}

bool RecvStore::Keys(const QString& sql, QSet<QString>& keys) {
    keys.clear();
    DbRecordset rs(connection_);
    if (!rs.Open(sql))
        return Fail(sql, rs.GetLastError());
    for (; !rs.IsEOF(); rs.MoveNext())
        keys.insert(rs.GetString(0));
    return true;
}

bool RecvStore::KnownKeys(const QString& account, QSet<QString>& keys) {
    return Keys(QStringLiteral("select ServerKey from MailRecv where Account=") + Text(account),
                keys);
}

bool RecvStore::DeletedKeys(const QString& account, QSet<QString>& keys) {
    return Keys(QStringLiteral("select ServerKey from MailRecv where Account=") + Text(account) +
                    QStringLiteral(" and FileName=''"),
                keys);
}

bool RecvStore::MatchSenders(const QStringList& addresses, QHash<QString, SenderMatch>& matches) {
    matches.clear();
    QStringList unknown;
    for (const QString& address : addresses) {
        if (const auto known = matched_.constFind(address); known != matched_.cend())
            matches.insert(address, known.value());
        else if (!unknown.contains(address))
            unknown << address;
    }
    if (unknown.isEmpty())
        return true;
    const QSet<QString> wanted(unknown.begin(), unknown.end());
    QHash<QString, SenderMatch> found;
    for (int first = 0; first < unknown.size(); first += kKeysPerStatement) {
        // A field that is exactly one of the addresses, or that may hold
        // several addresses or a name: one pass over the column whatever
        // the number of addresses. The candidates' addresses are then
        // compared whole.
        const QString where =
            QStringLiteral(" where (Email in ") + TextList(unknown.mid(first, kKeysPerStatement)) +
            QStringLiteral(" or Email like '%,%' or Email like '%;%' or Email like '% %' or "
                           "Email like '%<%') order by KeyId");
        const QString customers = QStringLiteral("select KeyId, Email from CustomerData") + where;
        {
            DbRecordset rs(connection_);
            if (!rs.Open(customers))
                return Fail(customers, rs.GetLastError());
            for (; !rs.IsEOF(); rs.MoveNext()) {
                for (const QString& address : MimeMessage::AddressList(rs.GetString(1))) {
                    if (wanted.contains(address) && found[address].customer == 0)
                        found[address].customer = rs.GetLong(QStringLiteral("KeyId"));
                }
            }
        }
        const QString contacts =
            QStringLiteral("select KeyId, CustomerId, Email from ContactData") + where;
        DbRecordset rs(connection_);
        if (!rs.Open(contacts))
            return Fail(contacts, rs.GetLastError());
        for (; !rs.IsEOF(); rs.MoveNext()) {
            for (const QString& address : MimeMessage::AddressList(rs.GetString(2))) {
                if (!wanted.contains(address) || found[address].contact != 0)
                    continue;
                SenderMatch& match = found[address];
                match.contact = rs.GetLong(QStringLiteral("KeyId"));
                if (match.customer == 0)
                    match.customer = rs.GetLong(QStringLiteral("CustomerId"));
            }
        }
    }
    for (const QString& address : std::as_const(unknown)) {
        const SenderMatch match = found.value(address);
        matched_.insert(address, match);
        matches.insert(address, match);
    }
    return true;
}

bool RecvStore::Save(const QString& account, const std::vector<RecvMessage>& messages,
                     QStringList& stored) {
    stored.clear();
    if (messages.empty())
        return true;
    QStringList keys;
    QStringList addresses;
    for (const RecvMessage& message : messages) {
        keys << message.serverKey;
        if (!message.sender.isEmpty() && !addresses.contains(message.sender))
            addresses << message.sender;
    }
    QHash<QString, SenderMatch> matches;
    if (!MatchSenders(addresses, matches))
        return false;
    DbTransaction transaction(connection_);
    if (!transaction.IsActive())
        return Fail(QString(), transaction.GetLastError());
    QSet<QString> already;
    for (int first = 0; first < keys.size(); first += kKeysPerStatement) {
        QSet<QString> some;
        if (!Keys(QStringLiteral("select ServerKey from MailRecv where Account=") + Text(account) +
                      QStringLiteral(" and ServerKey in ") +
                      TextList(keys.mid(first, kKeysPerStatement)),
                  some))
            return false;
        already.unite(some);
    }
    const QString received =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    InsertBuilder insert;
    insert.SetTable(QStringLiteral("MailRecv"));
    for (const RecvMessage& message : messages) {
        if (already.contains(message.serverKey))
            continue;
        const SenderMatch match = matches.value(message.sender);
        insert.Clear();
        insert.SetText(QStringLiteral("Account"), account);
        insert.SetText(QStringLiteral("ServerKey"), message.serverKey);
        insert.SetText(QStringLiteral("Sender"), message.sender);
        insert.SetText(QStringLiteral("SenderName"), message.senderName);
        insert.SetText(QStringLiteral("Subject"), message.subject);
        insert.SetText(QStringLiteral("MailDate"), message.mailDate);
        insert.SetText(QStringLiteral("Received"), received);
        insert.SetText(QStringLiteral("FileName"), message.fileName);
        insert.SetLong(QStringLiteral("ByteSize"), message.byteSize);
        insert.SetLong(QStringLiteral("AttachCount"), message.attachCount);
        insert.SetLong(QStringLiteral("CustomerId"), match.customer);
        insert.SetLong(QStringLiteral("ContactId"), match.contact);
        insert.SetLong(QStringLiteral("Seen"), 0);
        const QString sql = insert.Build();
        if (!connection_.Execute(sql))
            return Fail(sql, connection_.GetLastError());
        stored << message.serverKey;
        already.insert(message.serverKey);
    }
    if (!transaction.Commit()) {
        stored.clear();
        return Fail(QString(), transaction.GetLastError());
    }
    return true;
}

bool RecvStore::Purge(const QString& account, const QStringList& keys) {
    for (int first = 0; first < keys.size(); first += kKeysPerStatement) {
        const QString sql = QStringLiteral("delete from MailRecv where Account=") + Text(account) +
                            QStringLiteral(" and FileName='' and ServerKey in ") +
                            TextList(keys.mid(first, kKeysPerStatement));
        if (!connection_.Execute(sql))
            return Fail(sql, connection_.GetLastError());
    }
    return true;
}

bool RecvStore::MarkSeen(int key) {
    const QString sql =
        QStringLiteral("update MailRecv set Seen=1 where KeyId=") + SqlLiteral::Long(key);
    return connection_.Execute(sql) || Fail(sql, connection_.GetLastError());
}
