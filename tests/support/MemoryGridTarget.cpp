#include "MemoryGridTarget.h"

#include <algorithm>

bool MemoryGridTarget::SetColumnCount(int columns) {
    if (columns < 0)
        return false;
    columns_ = columns;
    for (QStringList& row : rows_)
        row.resize(columns);
    return true;
}

bool MemoryGridTarget::SetFixedRowCount(int rows) {
    if (rows < 0)
        return false;
    fixedRows_ = rows;
    if (rows_.size() < size_t(rows))
        rows_.resize(size_t(rows), QStringList());
    return SetColumnCount(columns_);
}

bool MemoryGridTarget::SetItemText(int row, int column, const QString& text) {
    if (!IsValid(row, column))
        return false;
    rows_[size_t(row)][column] = text;
    return true;
}

QString MemoryGridTarget::GetItemText(int row, int column) const {
    return IsValid(row, column) ? rows_[size_t(row)][column] : QString();
}

int MemoryGridTarget::AppendRow() {
    QStringList row;
    row.resize(columns_);
    rows_.push_back(std::move(row));
    return GetRowCount() - 1;
}
