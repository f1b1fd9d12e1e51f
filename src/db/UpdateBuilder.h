#pragma once

#include "db/ColumnValues.h"

#include <QString>
#include <QStringList>

// Builds one update statement: a set list from column values (quoted and
// formatted as InsertBuilder does) and WHERE conditions joined with "and".
// Without any condition the statement updates every row of the table.
class UpdateBuilder final {
public:
    void SetTable(const QString& table) { table_ = table; }
    void SetText(const QString& column, const QString& text) { values_.SetText(column, text); }
    void SetLong(const QString& column, qint32 value) { values_.SetLong(column, value); }
    void SetDouble(const QString& column, double value) { values_.SetDouble(column, value); }
    void SetNull(const QString& column) { values_.SetNull(column); }
    // Appends a condition such as "KeyId=12"; conditions keep their order.
    void AddCondition(const QString& condition) { conditions_.append(condition); }

    // "update T set A ='x',B =5 where KeyId=12", or a null text when no
    // column was set.
    QString Build();
    const QString& Statement() const { return statement_; }

private:
    QString table_;
    ColumnValues values_;
    QStringList conditions_;
    QString statement_;
};
