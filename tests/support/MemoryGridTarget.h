#pragma once

#include "base/GridTarget.h"

#include <QStringList>

#include <vector>

// A grid that keeps only texts: fills a list query's page without any widget,
// for work that needs the rows but not a window (tests, measurements, exports).
// Widths and heights are accepted and forgotten; every column reads 80 wide.
class MemoryGridTarget final : public GridTarget {
public:
    int GetRowCount() const override { return int(rows_.size()); }
    int GetColumnCount() const override { return columns_; }
    bool SetColumnCount(int columns) override;
    int GetFixedRowCount() const override { return fixedRows_; }
    bool SetFixedRowCount(int rows) override;
    int GetFixedColumnCount() const override { return 0; }

    bool SetItemText(int row, int column, const QString& text) override;
    QString GetItemText(int row, int column) const override;

    int AppendRow() override;
    bool SetRowHeight(int, int) override { return true; }
    bool SetColumnWidth(int, int) override { return true; }
    int GetColumnWidth(int) const override { return 80; }
    void DeleteNonFixedRows() override { rows_.resize(size_t(fixedRows_)); }

    void SetDefaultCellMargin(int margin) override { margin_ = margin; }
    void AutoSize() override {}
    void BeginBulk() override { ++bulkDepth_; }
    void EndBulk() override { --bulkDepth_; }
    void RedrawRow(int) override {}

    int DefaultCellMargin() const { return margin_; }
    // Open BeginBulk brackets; 0 once every bracket is closed.
    int BulkDepth() const { return bulkDepth_; }

private:
    bool IsValid(int row, int column) const {
        return row >= 0 && row < GetRowCount() && column >= 0 && column < columns_;
    }

    std::vector<QStringList> rows_;
    int columns_ = 0;
    int fixedRows_ = 0;
    int margin_ = 0;
    int bulkDepth_ = 0;
};
