#include "ui/GridCtrlTarget.h"

#include "ui/GridCtrl.h"

int GridCtrlTarget::GetRowCount() const {
    return grid_.GetRowCount();
}

int GridCtrlTarget::GetColumnCount() const {
    return grid_.GetColumnCount();
}

bool GridCtrlTarget::SetColumnCount(int columns) {
    return grid_.SetColumnCount(columns);
}

int GridCtrlTarget::GetFixedRowCount() const {
    return grid_.GetFixedRowCount();
}

bool GridCtrlTarget::SetFixedRowCount(int rows) {
    return grid_.SetFixedRowCount(rows);
}

int GridCtrlTarget::GetFixedColumnCount() const {
    return grid_.GetFixedColumnCount();
}

bool GridCtrlTarget::SetItemText(int row, int column, const QString& text) {
    return grid_.SetItemText(row, column, text);
}

QString GridCtrlTarget::GetItemText(int row, int column) const {
    return grid_.GetItemText(row, column);
}

int GridCtrlTarget::AppendRow() {
    return grid_.InsertRow(QString(), -1);
}

bool GridCtrlTarget::SetRowHeight(int row, int height) {
    return grid_.SetRowHeight(row, height);
}

bool GridCtrlTarget::SetColumnWidth(int column, int width) {
    return grid_.SetColumnWidth(column, width);
}

int GridCtrlTarget::GetColumnWidth(int column) const {
    return grid_.GetColumnWidth(column);
}

void GridCtrlTarget::DeleteNonFixedRows() {
    grid_.DeleteNonFixedRows();
}

void GridCtrlTarget::SetDefaultCellMargin(int margin) {
    grid_.SetDefaultCellMargin(margin);
}

void GridCtrlTarget::AutoSize() {
    grid_.AutoSize();
}

void GridCtrlTarget::BeginBulk() {
    // Nested brackets keep painting off until the outermost one ends, and the
    // grid's own setting from before is what comes back.
    if (bulkDepth_++ == 0) {
        redrawBefore_ = grid_.GetRedraw();
        grid_.SetRedraw(false);
    }
}

void GridCtrlTarget::EndBulk() {
    if (bulkDepth_ == 0)
        return;
    if (--bulkDepth_ == 0)
        grid_.SetRedraw(redrawBefore_, true);
}

void GridCtrlTarget::RedrawRow(int row) {
    grid_.RedrawRow(row);
}
