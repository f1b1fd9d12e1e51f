#include "db/SqlLiteral.h"

namespace SqlLiteral {

QString Text(const QString& text) {
    QString quoted;
    quoted.reserve(text.size() + 2);
    quoted += QLatin1Char('\'');
    if (!text.contains(QLatin1Char('\''))) {
        quoted += text;
    } else {
        for (const QChar c : text) {
            if (c == QLatin1Char('\''))
                quoted += QLatin1Char('\'');
            quoted += c;
        }
    }
    quoted += QLatin1Char('\'');
    return quoted;
}

QString Long(qint32 value) {
    return QString::number(value);
}

// QString::number formats independently of the user's locale, which is what
// keeps "12,500000" out of the SQL on a German or French desktop.
QString Double(double value) {
    return QString::number(value, 'f', 6);
}

QString Name(const QString& name) {
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace SqlLiteral
