#include "ApplianceStock.h"

#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/DbTransaction.h"
#include "db/InsertBuilder.h"
#include "db/SqlLiteral.h"

#include <QStringList>

namespace ApplianceStock {

namespace {

// The item's stock now; -1 when it is gone, -2 after a failure.
int CurrentStock(DbConnection& connection, int key, QString& error) {
    DbRecordset rs(connection);
    if (!rs.Open(QStringLiteral("select Stock from Appliance where KeyId=") +
                 SqlLiteral::Long(key))) {
        error = rs.GetLastError();
        return -2;
    }
    return rs.IsEOF() ? -1 : rs.GetLong(QStringLiteral("Stock"));
}

Result Failed(const QString& error) {
    Result result;
    result.error = error;
    return result;
}

} // namespace

QString KindText(Kind kind) {
    return kind == Kind::Issue ? QStringLiteral("领用") : QStringLiteral("入库");
}

Result Record(DbConnection& connection, const Movement& movement) {
    DbTransaction transaction(connection);
    if (!transaction.IsActive())
        return Failed(transaction.GetLastError());
    const qint32 delta = movement.kind == Kind::Issue ? -movement.quantity : movement.quantity;
    const QString key = SqlLiteral::Long(movement.applianceId);
    // The condition is checked on the row as it is when the update gets its
    // lock: a desk that issued first has already taken its share.
    const QString update = QStringLiteral("update Appliance set Stock=Stock+(") +
                           SqlLiteral::Long(delta) + QStringLiteral(") where KeyId=") + key +
                           QStringLiteral(" and Stock+(") + SqlLiteral::Long(delta) +
                           QStringLiteral(")>=0");
    long changed = 0;
    if (connection.Execute(update, &changed) != 1)
        return Failed(connection.GetLastError());
    Result result;
    QString error;
    const int stock = CurrentStock(connection, movement.applianceId, error);
    if (stock == -2)
        return Failed(error);
    if (stock == -1) {
        result.outcome = Outcome::Missing;
        return result;
    }
    result.stock = stock;
    if (changed != 1) {
        result.outcome = Outcome::Short;
        return result;
    }

    InsertBuilder insert;
    insert.SetTable(QStringLiteral("ApplianceMove"));
    insert.SetLong(QStringLiteral("ApplianceId"), movement.applianceId);
    insert.SetText(QStringLiteral("MoveTime"), movement.time);
    insert.SetText(QStringLiteral("Kind"), KindText(movement.kind));
    insert.SetLong(QStringLiteral("Quantity"), movement.quantity);
    insert.SetText(QStringLiteral("Person"), movement.person);
    insert.SetText(QStringLiteral("Handler"), movement.handler);
    insert.SetText(QStringLiteral("Remarks"), movement.remarks);
    if (connection.Execute(insert.Build()) != 1)
        return Failed(connection.GetLastError());
    if (!transaction.Commit())
        return Failed(transaction.GetLastError());
    result.outcome = Outcome::Done;
    return result;
}

int MovementCount(DbConnection& connection, const QList<int>& keys, QString& error) {
    if (keys.isEmpty())
        return 0;
    QStringList literals;
    for (const int key : keys)
        literals.append(SqlLiteral::Long(key));
    DbRecordset rs(connection);
    if (!rs.Open(
            QStringLiteral("select count(*) as Moves from ApplianceMove where ApplianceId in (") +
            literals.join(u',') + QStringLiteral(")"))) {
        error = rs.GetLastError();
        return -1;
    }
    return rs.IsEOF() ? 0 : rs.GetString(0).toInt();
}

bool DeleteItem(DbConnection& connection, int key, QString& error) {
    const QString literal = SqlLiteral::Long(key);
    long deleted = 0;
    if (connection.Execute(QStringLiteral("delete from ApplianceMove where ApplianceId=") +
                           literal) != 1 ||
        connection.Execute(QStringLiteral("delete from Appliance where KeyId=") + literal,
                           &deleted) != 1) {
        error = connection.GetLastError();
        return false;
    }
    if (deleted != 1) {
        error = QStringLiteral("指定的数据不存在!");
        return false;
    }
    return true;
}

} // namespace ApplianceStock
