#pragma once

#include <QString>

// What the list query needs of the grid it fills. The database layer knows no
// widgets, so QueryBinder talks to this interface; the program passes an
// adapter over its grid control, tests a plain in-memory table.
//
// Rows and columns are 0-based and include the fixed (header) ones.
// Coordinates outside the grid are ignored: setters return false, getters an
// empty text or -1.
class GridTarget {
public:
    virtual ~GridTarget() = default;

    virtual int GetRowCount() const = 0;
    virtual int GetColumnCount() const = 0;
    virtual bool SetColumnCount(int columns) = 0;
    virtual int GetFixedRowCount() const = 0;
    virtual bool SetFixedRowCount(int rows) = 0;
    virtual int GetFixedColumnCount() const = 0;

    virtual bool SetItemText(int row, int column, const QString& text) = 0;
    virtual QString GetItemText(int row, int column) const = 0;

    // Appends a row with empty cells; returns its index, or -1.
    virtual int AppendRow() = 0;
    virtual bool SetRowHeight(int row, int height) = 0;
    virtual bool SetColumnWidth(int column, int width) = 0;
    virtual int GetColumnWidth(int column) const = 0;
    // Removes every row below the fixed ones.
    virtual void DeleteNonFixedRows() = 0;

    // The text margin of every default cell (normal, fixed row, fixed column,
    // corner).
    virtual void SetDefaultCellMargin(int margin) = 0;
    // Sizes the columns and rows to their contents.
    virtual void AutoSize() = 0;

    // Brackets a bulk change: nothing is repainted in between, and EndBulk
    // repaints the whole grid once.
    virtual void BeginBulk() = 0;
    virtual void EndBulk() = 0;
    // Repaints one row now (after a change outside a bulk bracket).
    virtual void RedrawRow(int row) = 0;
};
