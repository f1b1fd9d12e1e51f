#include "db/InsertBuilder.h"

QString InsertBuilder::Build() {
    statement_.clear();
    if (values_.IsEmpty())
        return QString();

    // One allocation for the whole text: imports build a statement per row.
    qsizetype length = table_.size() + 24;
    for (int i = 0; i < values_.Count(); ++i)
        length += values_.Column(i).size() + values_.Literal(i).size() + 2;
    QString sql;
    sql.reserve(length);
    sql += QLatin1String("insert into ");
    sql += table_;
    sql += QLatin1Char('(');
    for (int i = 0; i < values_.Count(); ++i) {
        if (i > 0)
            sql += QLatin1Char(',');
        sql += values_.Column(i);
    }
    sql += QLatin1String(") values (");
    for (int i = 0; i < values_.Count(); ++i) {
        if (i > 0)
            sql += QLatin1Char(',');
        sql += values_.Literal(i);
    }
    sql += QLatin1Char(')');
    statement_ = sql;
    return statement_;
}
