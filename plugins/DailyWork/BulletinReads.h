#pragma once

#include <QString>

class DbConnection;

// Which bulletins each user has read (BulletinRead, one row per bulletin and
// user, unique). Marking is idempotent: a row is only added when absent, and
// a second desk of the same user that adds it first is no failure either.
namespace BulletinReads {

// An SQL expression, for a query over Bulletin, that is 1 when `userName`
// has not read the row's bulletin and 0 when they have.
QString UnreadExpression(const QString& userName);
// The same as a list's cell: '未读', or '' once read.
QString UnreadMark(const QString& userName);

// Marks bulletin `bulletinId` read by `userName`. False with the statement
// and the database's text in `error`.
bool MarkRead(DbConnection& connection, int bulletinId, const QString& userName, QString& error);

// Marks read, in one statement, every bulletin that `where` (" where …" or
// empty, over Bulletin) picks and `userName` has not read yet.
bool MarkAllRead(DbConnection& connection, const QString& userName, const QString& where,
                 QString& error);

} // namespace BulletinReads
