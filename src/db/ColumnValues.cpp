#include "db/ColumnValues.h"

#include "db/SqlLiteral.h"

void ColumnValues::SetText(const QString& column, const QString& text) {
    Set(column, SqlLiteral::Text(text));
}

void ColumnValues::SetLong(const QString& column, qint32 value) {
    Set(column, SqlLiteral::Long(value));
}

void ColumnValues::SetDouble(const QString& column, double value) {
    Set(column, SqlLiteral::Double(value));
}

void ColumnValues::SetNull(const QString& column) {
    Set(column, QStringLiteral("NULL"));
}

void ColumnValues::Set(const QString& column, QString literal) {
    for (auto& entry : entries_) {
        if (entry.first == column) {
            entry.second = std::move(literal);
            return;
        }
    }
    entries_.emplace_back(column, std::move(literal));
}
