#include "StaffAccounts.h"

#include "base/PasswordHash.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/DbTransaction.h"
#include "db/SqlLiteral.h"

namespace {

QString KeyList(const QList<int>& keys) {
    QStringList texts;
    for (int key : keys)
        texts << SqlLiteral::Long(key);
    return texts.join(QLatin1Char(','));
}

} // namespace

bool StaffAccounts::IsAdminName(const QString& name) {
    return name == QLatin1String("admin");
}

bool StaffAccounts::Fail(const QString& text) {
    error_ = text;
    return false;
}

bool StaffAccounts::QueryFailed(const QString& sql, const QString& why) {
    return Fail(sql + QStringLiteral("\r\n") + why);
}

bool StaffAccounts::NameTaken(const QString& name, int exceptKey, bool& taken) {
    // "=" rather than like: a % or _ in a name is a character like any other.
    const QString sql = QStringLiteral("select KeyId from UserData where UserName=") +
                        SqlLiteral::Text(name) + QStringLiteral(" and KeyId<>") +
                        SqlLiteral::Long(exceptKey);
    DbRecordset rs(connection_);
    if (!rs.Open(sql))
        return QueryFailed(sql, rs.GetLastError());
    taken = !rs.IsEOF();
    return true;
}

bool StaffAccounts::KeyOfUser(const QString& name, int& key) {
    const QString sql = QStringLiteral("select KeyId from UserData where UserName=") +
                        SqlLiteral::Text(name) + QStringLiteral(" and Dimission=0");
    DbRecordset rs(connection_);
    if (!rs.Open(sql))
        return QueryFailed(sql, rs.GetLastError());
    key = rs.IsEOF() ? 0 : rs.GetLong(QStringLiteral("KeyId"));
    return true;
}

bool StaffAccounts::SetPassword(int key, const QString& password) {
    const QString hash = PasswordHash::Make(password);
    if (hash.isEmpty())
        return Fail(QStringLiteral("无法生成密码"));
    const QString sql = QStringLiteral("update UserData set UserPass=") + SqlLiteral::Text(hash) +
                        QStringLiteral(" where KeyId=") + SqlLiteral::Long(key);
    long affected = 0;
    if (!connection_.Execute(sql, &affected))
        return QueryFailed(QStringLiteral("update UserData set UserPass=... where KeyId=") +
                               SqlLiteral::Long(key),
                           connection_.GetLastError());
    if (affected != 1)
        return Fail(QStringLiteral("指定的数据不存在!"));
    return true;
}

bool StaffAccounts::CheckPassword(int key, const QString& password, bool& matches) {
    const QString sql =
        QStringLiteral("select UserPass from UserData where KeyId=") + SqlLiteral::Long(key);
    DbRecordset rs(connection_);
    if (!rs.Open(sql))
        return QueryFailed(sql, rs.GetLastError());
    if (rs.IsEOF())
        return Fail(QStringLiteral("指定的数据不存在!"));
    matches = PasswordHash::Verify(rs.GetString(QStringLiteral("UserPass")), password);
    return true;
}

bool StaffAccounts::SetLeft(const QList<int>& keys, bool left, const QString& date) {
    if (keys.isEmpty())
        return true;
    const QString where = QStringLiteral(" where KeyId in (") + KeyList(keys) + QLatin1Char(')');
    if (left) {
        // Asked of the rows themselves, so a stale list cannot send admin away.
        const QString sql = QStringLiteral("select UserName from UserData") + where;
        DbRecordset rs(connection_);
        if (!rs.Open(sql))
            return QueryFailed(sql, rs.GetLastError());
        for (; !rs.IsEOF(); rs.MoveNext()) {
            if (IsAdminName(rs.GetString(QStringLiteral("UserName"))))
                return Fail(QStringLiteral("admin是系统管理员, 不能离职!"));
        }
    }
    const QString sql = QStringLiteral("update UserData set Dimission=") +
                        SqlLiteral::Long(left ? 1 : 0) + QStringLiteral(", DimissionDate=") +
                        SqlLiteral::Text(left ? date : QString()) + where;
    DbTransaction transaction(connection_);
    if (!transaction.IsActive())
        return Fail(transaction.GetLastError());
    if (!connection_.Execute(sql))
        return QueryFailed(sql, connection_.GetLastError());
    if (!transaction.Commit())
        return Fail(transaction.GetLastError());
    return true;
}

bool StaffAccounts::HandOverCustomers(const QString& from, const QString& to, int& moved) {
    moved = 0;
    int target = 0;
    if (!KeyOfUser(to, target))
        return false;
    if (target == 0)
        return Fail(QStringLiteral("接收客户的职员不存在或已离职: ") + to);
    const QString sql = QStringLiteral("update CustomerData set Handler=") + SqlLiteral::Text(to) +
                        QStringLiteral(" where Handler=") + SqlLiteral::Text(from);
    DbTransaction transaction(connection_);
    if (!transaction.IsActive())
        return Fail(transaction.GetLastError());
    long affected = 0;
    if (!connection_.Execute(sql, &affected))
        return QueryFailed(sql, connection_.GetLastError());
    if (!transaction.Commit())
        return Fail(transaction.GetLastError());
    moved = static_cast<int>(affected);
    return true;
}

bool StaffAccounts::WorkingUsers(QStringList& names) {
    names.clear();
    const QString sql =
        QStringLiteral("select UserName from UserData where Dimission=0 order by UserName");
    DbRecordset rs(connection_);
    if (!rs.Open(sql))
        return QueryFailed(sql, rs.GetLastError());
    for (; !rs.IsEOF(); rs.MoveNext())
        names << rs.GetString(QStringLiteral("UserName"));
    return true;
}
