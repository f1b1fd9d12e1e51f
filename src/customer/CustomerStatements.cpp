#include "customer/CustomerStatements.h"

#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/DbTransaction.h"
#include "db/SqlLiteral.h"
#include "framework/ClassFilter.h"

namespace CustomerStatements {

QString Enclosed(const QString& condition) {
    if (condition.trimmed().isEmpty())
        return QString();
    return QStringLiteral("(") + condition + QStringLiteral(")");
}

QString ClassCondition(const QList<int>& classKeys, bool root, int allClasses) {
    return ClassFilter::KeysCondition(QStringLiteral("CustomerClass"), classKeys, root, allClasses);
}

QString TotalStatement(const QString& where) {
    // CustomerData.FDTotal is the customer's order total, kept by triggers on
    // OrderData, so the list's own rows carry what is summed.
    return QStringLiteral("select sum(FDTotal) as asSumup from CustomerData") + where;
}

QString CategoryOfFilter(const QString& filter) {
    QString compact = filter.toLower();
    compact.remove(QLatin1Char(' '));
    if (compact.contains(QStringLiteral("isprovider=1")))
        return QStringLiteral("供应商");
    if (compact.contains(QStringLiteral("isreseller=1")))
        return QStringLiteral("代理商");
    return QString();
}

bool RunTotal(DbConnection& connection, const QString& where, QString& message) {
    const QString sql = TotalStatement(where);
    DbRecordset rs(connection);
    if (!rs.Open(sql)) {
        message = sql + QStringLiteral("\r\n") + rs.GetLastError();
        return false;
    }
    // No order at all sums to null, which is a total of nothing.
    const double total = rs.IsEOF() ? 0.0 : rs.GetDouble(QStringLiteral("asSumup"));
    message = QStringLiteral("累计总额 ") + QString::number(total, 'f', 2);
    return true;
}

QString MoveStatement(int classKey, const QString& classPath, int customerKey) {
    return QStringLiteral("update CustomerData set CustomerClass=") + SqlLiteral::Long(classKey) +
           QStringLiteral(",ClassPath=") + SqlLiteral::Text(classPath) +
           QStringLiteral(" where KeyId=") + SqlLiteral::Long(customerKey);
}

QString DeleteStatement(int customerKey) {
    return QStringLiteral("delete from CustomerData where KeyId=") + SqlLiteral::Long(customerKey);
}

QList<QPair<QString, QString>> RelatedTables() {
    const QString customerId = QStringLiteral("CustomerId");
    return {{QStringLiteral("ContactData"), customerId},
            {QStringLiteral("TrackPlan"), customerId},
            {QStringLiteral("TraceData"), customerId},
            {QStringLiteral("OrderData"), customerId},
            {QStringLiteral("StockChance"), customerId},
            {QStringLiteral("PurchaseData"), customerId},
            {QStringLiteral("CustomerData"), QStringLiteral("KeyId")}};
}

bool DeleteWithRelatedRows(DbConnection& connection, int customerKey, QString& error) {
    DbTransaction all(connection);
    if (!all.IsActive()) {
        error = all.GetLastError();
        return false;
    }
    // Each statement reaches its rows through the index on its customer
    // column, so a customer without orders costs one index probe per table.
    for (const auto& [table, column] : RelatedTables()) {
        const QString sql = QStringLiteral("delete from ") + table + QStringLiteral(" where ") +
                            column + QLatin1Char('=') + SqlLiteral::Long(customerKey);
        if (connection.Execute(sql) != 1) {
            error = connection.GetLastError();
            return false; // `all` rolls back everything of this customer
        }
    }
    if (!all.Commit()) {
        error = all.GetLastError();
        return false;
    }
    return true;
}

} // namespace CustomerStatements
