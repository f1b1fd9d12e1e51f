#include "MobileNumber.h"

namespace MobileNumber {

QString Normalize(const QString& typed) {
    QString number;
    number.reserve(typed.size());
    for (const QChar c : typed) {
        if (c != QLatin1Char(' ') && c != QLatin1Char('-') && c != QChar(0x3000))
            number.append(c);
    }
    if (number.startsWith(QStringLiteral("+86")))
        number.remove(0, 3);
    else if (number.startsWith(QStringLiteral("0086")))
        number.remove(0, 4);
    return number;
}

bool IsMobile(const QString& normalized) {
    if (normalized.size() != 11 || normalized.at(0) != QLatin1Char('1'))
        return false;
    for (const QChar c : normalized) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

QString NormalizeSql(const QString& column) {
    // Blanks, full-width blanks and dashes anywhere; then the prefix.
    const QString stripped =
        QStringLiteral("replace(replace(replace(coalesce(%1,''),' ',''),'　',''),'-','')")
            .arg(column);
    return QStringLiteral("(case when substr(%1,1,3)='+86' then substr(%1,4) "
                          "when substr(%1,1,4)='0086' then substr(%1,5) else %1 end)")
        .arg(stripped);
}

QString IsMobileSql(const QString& expression, DbConnection::Engine engine) {
    if (engine == DbConnection::Engine::PostgreSQL)
        return QStringLiteral("(%1 ~ '^1[0-9]{10}$')").arg(expression);
    return QStringLiteral(
               "(length(%1)=11 and %1 glob '1[0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9]')")
        .arg(expression);
}

} // namespace MobileNumber
