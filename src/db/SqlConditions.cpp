#include "db/SqlConditions.h"

#include "db/SqlLiteral.h"

namespace SqlConditions {

QString Where(const QStringList& conditions) {
    QString where;
    for (int i = 0; i < conditions.size(); ++i)
        where += (i == 0 ? QStringLiteral(" where ") : QStringLiteral(" and ")) + conditions[i];
    return where;
}

QString Like(const QString& column, const QString& pattern) {
    return QStringLiteral("(") + column + QStringLiteral(" like ") + SqlLiteral::Text(pattern) +
           QStringLiteral(")");
}

QString Contains(const QString& column, const QString& text) {
    return Like(column, QStringLiteral("%") + text + QStringLiteral("%"));
}

QString StartsWith(const QString& column, const QString& text) {
    return Like(column, text + QStringLiteral("%"));
}

} // namespace SqlConditions
