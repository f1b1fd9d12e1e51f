#include "db/InsertBuilder.h"

QString InsertBuilder::Build() {
    statement_.clear();
    if (values_.IsEmpty())
        return QString();

    QString columns;
    QString literals;
    for (int i = 0; i < values_.Count(); ++i) {
        if (i > 0) {
            columns += QLatin1Char(',');
            literals += QLatin1Char(',');
        }
        columns += values_.Column(i);
        literals += values_.Literal(i);
    }
    statement_ = QStringLiteral("insert into ") + table_ + QLatin1Char('(') + columns +
                 QStringLiteral(") values (") + literals + QLatin1Char(')');
    return statement_;
}
