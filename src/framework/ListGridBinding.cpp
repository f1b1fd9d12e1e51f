#include "framework/ListGridBinding.h"

#include "framework/GridSettings.h"
#include "ui/GridCtrl.h"

ListGridBinding::ListGridBinding(CGridCtrl& grid, const QString& settingsKey)
    : grid_(grid), target_(grid), key_(settingsKey) {
    binder_.SetGrid(&target_);
}

ListGridBinding::~ListGridBinding() {
    // Widths of a grid that was never laid out are not the user's.
    if (setUp_)
        GridSettings::SaveColumnWidths(grid_, key_);
}

void ListGridBinding::Setup(int controlId) {
    grid_.SetControlId(controlId);
    grid_.SetEditable(false);
    grid_.SetListMode(true);
    grid_.SetFixedRowCount(1);
    grid_.SetFixedColumnCount(1);
    GridSettings::ApplyColors(grid_);
    binder_.SetupGrid();
    grid_.SetFixedColumnCount(1);
    fitted_ = GridSettings::RestoreColumnWidths(grid_, key_) > 0;
    setUp_ = true;
}

void ListGridBinding::FitColumnsOnce() {
    if (fitted_ || grid_.GetRowCount() <= grid_.GetFixedRowCount())
        return;
    fitted_ = true;
    grid_.AutoSizeColumns();
    // The first rows may be few or short (a new office's one account): a
    // column stays wide enough for a phone number, so later rows are not cut.
    const int least = grid_.fontMetrics().horizontalAdvance(QStringLiteral("00000000000"));
    for (int column = grid_.GetFixedColumnCount(); column < grid_.GetColumnCount(); ++column) {
        if (grid_.GetColumnWidth(column) < least)
            grid_.SetColumnWidth(column, least);
    }
    grid_.Refresh();
}
