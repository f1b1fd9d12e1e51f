#pragma once

#include "base/GridTarget.h"

class CGridCtrl;

// Lets the list query fill a CGridCtrl. The adapter does not own the grid;
// the view keeps both and passes the adapter to its QueryBinder.
class GridCtrlTarget final : public GridTarget {
public:
    explicit GridCtrlTarget(CGridCtrl& grid) : grid_(grid) {}

    CGridCtrl& Grid() const { return grid_; }

    int GetRowCount() const override;
    int GetColumnCount() const override;
    bool SetColumnCount(int columns) override;
    int GetFixedRowCount() const override;
    bool SetFixedRowCount(int rows) override;
    int GetFixedColumnCount() const override;

    bool SetItemText(int row, int column, const QString& text) override;
    QString GetItemText(int row, int column) const override;

    int AppendRow() override;
    bool SetRowHeight(int row, int height) override;
    bool SetColumnWidth(int column, int width) override;
    int GetColumnWidth(int column) const override;
    void DeleteNonFixedRows() override;

    void SetDefaultCellMargin(int margin) override;
    void AutoSize() override;

    void BeginBulk() override;
    void EndBulk() override;
    void RedrawRow(int row) override;

private:
    CGridCtrl& grid_;
    int bulkDepth_ = 0;
    bool redrawBefore_ = true;
};
