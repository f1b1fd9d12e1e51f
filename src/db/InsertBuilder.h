#pragma once

#include "db/ColumnValues.h"

#include <QString>

// Builds one "insert into" statement from column values. Text is quoted with
// its single quotes doubled, integers are written as "%ld", doubles as "%f".
class InsertBuilder final {
public:
    void SetTable(const QString& table) { table_ = table; }
    void SetText(const QString& column, const QString& text) { values_.SetText(column, text); }
    void SetLong(const QString& column, qint32 value) { values_.SetLong(column, value); }
    void SetDouble(const QString& column, double value) { values_.SetDouble(column, value); }
    void SetNull(const QString& column) { values_.SetNull(column); }
    // Forgets every column value, keeping the table.
    void Clear() { values_.Clear(); }

    // "insert into T(a,b) values ('x',5)", or a null text when no column was
    // set (the caller then skips the write).
    QString Build();
    // The statement of the last Build.
    const QString& Statement() const { return statement_; }

private:
    QString table_;
    ColumnValues values_;
    QString statement_;
};
