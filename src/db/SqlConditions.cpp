#include "db/SqlConditions.h"

namespace SqlConditions {

QString Where(const QStringList& conditions) {
    QString where;
    for (int i = 0; i < conditions.size(); ++i)
        where += (i == 0 ? QStringLiteral(" where ") : QStringLiteral(" and ")) + conditions[i];
    return where;
}

} // namespace SqlConditions
