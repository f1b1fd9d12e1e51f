#pragma once

#include <QRect>
#include <QSize>

#include <vector>

// The arithmetic of the flow layout that dialogs and forms are built with:
// rows stacked from the top, each holding cells left to right.

struct LayoutCell {
    int width = 0;
    // Own height; -1 means the row's height. Only a fixed cell keeps it.
    int height = -1;
    // A fixed cell keeps its own width (and own height when it has one); the
    // others stretch to the row's height and share the row's spare width.
    bool fixed = false;
};

struct LayoutRow {
    int height = 0;
    // A row that is not of fixed height also gets a share of the spare height.
    bool fixedHeight = true;
    // The gap above the row; -1 means the layout's spacing.
    int spacing = -1;
    std::vector<LayoutCell> cells;
};

// Where every cell goes when the rows are laid out in `area`, row by row and
// cell by cell. Rows sit `spacing` below each other (the first that far below
// the top; a row's own spacing replaces it), cells `spacing` apart (the first
// that far from the left). Spare height goes to the flexible rows and spare
// width to the flexible cells of each row in whole pixels: each gets the
// rounded-down share, the last one the remainder. Spare space never goes below
// zero, so a too small area overflows to the right and bottom.
std::vector<std::vector<QRect>> ArrangeRows(const std::vector<LayoutRow>& rows, const QRect& area,
                                            int spacing);

// The size the rows need without any share: the widest row (with its gaps) and
// the heights of all rows with their gaps.
QSize RowsExtent(const std::vector<LayoutRow>& rows, int spacing);

// Splits `spare` among `count` takers: the first count-1 get spare / count,
// the last the rest. Index is the taker's position among the takers.
int ShareOf(int spare, int count, int index);
