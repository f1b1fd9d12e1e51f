#include "BulletinReads.h"

#include "OfficeDates.h"

#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/SqlLiteral.h"

namespace BulletinReads {

namespace {

QString ReadBy(const QString& bulletinKey, const QString& userName) {
    return QStringLiteral("exists (select 1 from BulletinRead r where r.BulletinId=") +
           bulletinKey + QStringLiteral(" and r.UserName=") + SqlLiteral::Text(userName) +
           QStringLiteral(")");
}

bool Run(DbConnection& connection, const QString& sql, QString& error) {
    if (connection.Execute(sql) == 1)
        return true;
    error = sql + QStringLiteral("\r\n") + connection.GetLastError();
    return false;
}

} // namespace

QString UnreadExpression(const QString& userName) {
    return QStringLiteral("case when ") + ReadBy(QStringLiteral("Bulletin.KeyId"), userName) +
           QStringLiteral(" then 0 else 1 end");
}

QString UnreadMark(const QString& userName) {
    return QStringLiteral("case when ") + ReadBy(QStringLiteral("Bulletin.KeyId"), userName) +
           QStringLiteral(" then '' else '未读' end");
}

bool MarkRead(DbConnection& connection, int bulletinId, const QString& userName, QString& error) {
    const QString key = SqlLiteral::Long(bulletinId);
    const QString sql = QStringLiteral("insert into BulletinRead (BulletinId, UserName, ReadTime) "
                                       "select ") +
                        key + QStringLiteral(", ") + SqlLiteral::Text(userName) +
                        QStringLiteral(", ") + SqlLiteral::Text(OfficeDates::Now()) +
                        QStringLiteral(" where not ") + ReadBy(key, userName);
    if (Run(connection, sql, error))
        return true;
    // The same user on another desk marked it between our check and insert:
    // the unique index refused the second row, and the bulletin is read.
    DbRecordset rs(connection);
    if (rs.Open(QStringLiteral("select 1 from BulletinRead where BulletinId=") + key +
                QStringLiteral(" and UserName=") + SqlLiteral::Text(userName)) &&
        !rs.IsEOF()) {
        error.clear();
        return true;
    }
    return false;
}

bool MarkAllRead(DbConnection& connection, const QString& userName, const QString& where,
                 QString& error) {
    const QString unread =
        QStringLiteral("not ") + ReadBy(QStringLiteral("Bulletin.KeyId"), userName);
    const QString sql = QStringLiteral("insert into BulletinRead (BulletinId, UserName, ReadTime) "
                                       "select KeyId, ") +
                        SqlLiteral::Text(userName) + QStringLiteral(", ") +
                        SqlLiteral::Text(OfficeDates::Now()) + QStringLiteral(" from Bulletin") +
                        (where.trimmed().isEmpty() ? QStringLiteral(" where ") + unread
                                                   : where + QStringLiteral(" and ") + unread);
    return Run(connection, sql, error);
}

} // namespace BulletinReads
