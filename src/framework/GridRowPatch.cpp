#include "framework/GridRowPatch.h"

#include "base/IniFile.h"
#include "db/QueryBinder.h"
#include "ui/GridCtrl.h"

namespace GridRowPatch {

namespace {
const QString kBagSection = QStringLiteral(".");
}

int PatchRow(QueryBinder& binder, CGridCtrl& grid, int row, const IniFile& bag) {
    if (row < grid.GetFixedRowCount() || row >= grid.GetRowCount())
        return 0;
    QStringList keys;
    bag.GetKeys(kBagSection, keys);
    int written = 0;
    for (const QString& key : keys) {
        if (binder.SetCellText(row, key, bag.GetString(kBagSection, key)) == 1)
            ++written;
    }
    grid.RedrawRow(row);
    return written;
}

int InsertRow(QueryBinder& binder, CGridCtrl& grid, const IniFile& bag) {
    const bool hasDataRow = grid.GetRowCount() > grid.GetFixedRowCount();
    const int row = grid.InsertRow(QString(), hasDataRow ? grid.GetFixedRowCount() : -1);
    if (row < 0)
        return -1;
    grid.SetRowHeight(row, QueryBinder::kRowHeight);
    PatchRow(binder, grid, row, bag);
    grid.Refresh();
    return row;
}

} // namespace GridRowPatch
