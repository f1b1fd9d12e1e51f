#include "db/NewKeyInsert.h"

#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/DbTransaction.h"
#include "db/SqlLiteral.h"

namespace {

// Enough for a whole office adding rows at the same moment; a table that still
// collides after this many fresh maxima has something else wrong with it.
constexpr int kAttempts = 20;

// 1 when the key is taken, 0 when it is free, -1 when the query failed.
int KeyExists(DbConnection& connection, const QString& table, int key) {
    DbRecordset rs(connection);
    if (!rs.Open(QStringLiteral("select KeyId from ") + table + QStringLiteral(" where KeyId=") +
                 SqlLiteral::Long(key) + QStringLiteral(" limit 1")))
        return -1;
    return rs.IsEOF() ? 0 : 1;
}

} // namespace

int NewKeyInsert(DbConnection& connection, const QString& table,
                 const std::function<QString(int key)>& statementFor, QString& statement) {
    statement.clear();
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const int max = connection.GetMaxId(table);
        if (max < 0) {
            statement =
                QStringLiteral(" select max(keyid) as maxid from ") + table + QLatin1Char(' ');
            return 0;
        }
        const int key = max + 1;
        statement = statementFor(key);

        DbTransaction level(connection);
        if (!level.IsActive())
            return 0;
        if (connection.Execute(statement) == 1) {
            if (!level.Commit()) {
                connection.SetLastError(level.GetLastError());
                return 0;
            }
            return key;
        }
        // Only a key that another desk stored meanwhile is worth another try;
        // any other failure is the caller's to report, with its own text.
        const QString error = connection.GetLastError();
        level.Rollback();
        const int taken = KeyExists(connection, table, key);
        connection.SetLastError(error);
        if (taken != 1)
            return 0;
    }
    return 0;
}
