#include "db/UpdateBuilder.h"

#include "db/SqlConditions.h"

QString UpdateBuilder::Build() {
    statement_.clear();
    if (values_.IsEmpty())
        return QString();

    QString sql = QStringLiteral("update ") + table_ + QStringLiteral(" set ");
    for (int i = 0; i < values_.Count(); ++i)
        sql += values_.Column(i) + QStringLiteral(" =") + values_.Literal(i) + QLatin1Char(',');
    while (sql.endsWith(QLatin1Char(',')))
        sql.chop(1);
    sql += SqlConditions::Where(conditions_);
    statement_ = sql;
    return statement_;
}
