#include "ui/RowGeometry.h"

#include <algorithm>

namespace {

int GapAbove(const LayoutRow& row, int spacing) {
    return row.spacing >= 0 ? row.spacing : spacing;
}

int RowWidth(const LayoutRow& row, int spacing) {
    int width = 0;
    for (const LayoutCell& cell : row.cells)
        width += spacing + cell.width;
    return width;
}

} // namespace

int ShareOf(int spare, int count, int index) {
    if (count <= 0 || spare <= 0)
        return 0;
    const int share = spare / count;
    return index == count - 1 ? spare - share * (count - 1) : share;
}

QSize RowsExtent(const std::vector<LayoutRow>& rows, int spacing) {
    int width = 0;
    int height = 0;
    for (const LayoutRow& row : rows) {
        width = std::max(width, RowWidth(row, spacing));
        height += GapAbove(row, spacing) + row.height;
    }
    return QSize(width, height);
}

std::vector<std::vector<QRect>> ArrangeRows(const std::vector<LayoutRow>& rows, const QRect& area,
                                            int spacing) {
    const int flexibleRows = int(
        std::count_if(rows.begin(), rows.end(), [](const LayoutRow& r) { return !r.fixedHeight; }));
    const int spareHeight = std::max(0, area.height() - RowsExtent(rows, spacing).height());

    std::vector<std::vector<QRect>> placed;
    placed.reserve(rows.size());
    int y = area.top();
    int flexibleRowIndex = 0;
    for (const LayoutRow& row : rows) {
        y += GapAbove(row, spacing);
        int height = row.height;
        if (!row.fixedHeight)
            height += ShareOf(spareHeight, flexibleRows, flexibleRowIndex++);

        const int flexibleCells = int(std::count_if(row.cells.begin(), row.cells.end(),
                                                    [](const LayoutCell& c) { return !c.fixed; }));
        const int spareWidth = std::max(0, area.width() - RowWidth(row, spacing));

        std::vector<QRect> cells;
        cells.reserve(row.cells.size());
        int x = area.left();
        int flexibleCellIndex = 0;
        for (const LayoutCell& cell : row.cells) {
            x += spacing;
            int width = cell.width;
            int cellHeight = height;
            if (cell.fixed) {
                if (cell.height >= 0)
                    cellHeight = cell.height;
            } else {
                width += ShareOf(spareWidth, flexibleCells, flexibleCellIndex++);
            }
            cells.emplace_back(x, y, width, cellHeight);
            x += width;
        }
        placed.push_back(std::move(cells));
        y += height;
    }
    return placed;
}
