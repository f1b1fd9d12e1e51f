#pragma once

#include "ui/GridCell.h"
#include "ui/GridCellRange.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QColor>
#include <QPoint>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <unordered_set>
#include <vector>

class GridTitleTip;
class QKeyEvent;
class QPainter;

// CGridCtrl: the spreadsheet-like grid in which every list of the program shows
// its rows. Fixed (header) rows at the top and fixed columns at the left stay
// in place while the rest scrolls by whole rows and columns; the grid keeps per
// cell text, format, colours and state bits, a selection, a focus cell, in-place
// editing with an edit box or a drop-down list, and tells its owner about
// clicks, selection changes and edits through signals.
//
// Why the grid paints itself instead of being a QTableView: its rules are
// exact ones that a view would have to be fought into. Several fixed rows and
// columns (the custom-field dialog has two fixed columns) must not scroll and
// must be resizable at their dividers, a header row is a real row of cells
// with colours and state, list mode selects whole rows from an anchor,
// scrolling moves by whole rows, and the cell store must fill a 200-row page
// without per-cell notifications. The cells are still visible to
// accessibility tools: GridAccessibility registers a table interface for the
// grid (cells, header cells, selection, focus).
//
// Rows and columns are 0-based and include the fixed ones. Coordinates outside
// the grid are ignored everywhere: setters return false, getters return an
// empty text, -1 or nullptr.
//
// Notifications are signals carrying the row and column. The edit signals
// must be connected directly (the default for a receiver in the same thread):
// a handler refuses the edit by calling RefuseEdit() before it returns.
class CGridCtrl : public QAbstractScrollArea {
    Q_OBJECT

public:
    // Grid-line settings.
    static constexpr int GVL_NONE = 0;
    static constexpr int GVL_HORZ = 1;
    static constexpr int GVL_VERT = 2;
    static constexpr int GVL_BOTH = 3;
    // Auto-size style bits: which rows count when measuring a column.
    static constexpr int GVS_DEFAULT = 0;
    static constexpr int GVS_HEADER = 1;
    static constexpr int GVS_DATA = 2;
    static constexpr int GVS_BOTH = 3;
    // The wheel setting that scrolls a page per notch instead of lines.
    static constexpr unsigned kWheelPageScroll = 0xFFFFFFFFu;

    // Orders two cells for SortItems: negative, 0 or positive.
    using CompareFunc = std::function<int(const CGridCell&, const CGridCell&, qintptr)>;
    // Virtual mode: fills the cell (text, colours...) for a row and column;
    // returns false when it has nothing to say.
    using CallbackFunc = std::function<bool(int row, int col, CGridCell& cell, qintptr data)>;
    // Makes a new cell of a given class for SetCellType.
    using CellFactory = std::function<std::unique_ptr<CGridCell>()>;

    explicit CGridCtrl(int rows = 0, int cols = 0, int fixedRows = 0, int fixedCols = 0,
                       QWidget* parent = nullptr);
    ~CGridCtrl() override;

    // A number the owner gives the grid to tell several grids apart.
    void SetControlId(int id) { controlId_ = id; }
    int GetControlId() const { return controlId_; }

    // ---- Shape -----------------------------------------------------------
    bool SetRowCount(int rows);
    bool SetColumnCount(int cols);
    bool SetFixedRowCount(int fixedRows);
    bool SetFixedColumnCount(int fixedCols);
    int GetRowCount() const { return static_cast<int>(rows_.size()); }
    int GetColumnCount() const { return static_cast<int>(colWidths_.size()); }
    int GetFixedRowCount() const { return fixedRows_; }
    int GetFixedColumnCount() const { return fixedCols_; }

    // Inserts a row before position (-1 appends) and puts heading into column
    // 0; returns the new row's index, or -1 when the position is inside the
    // fixed rows or beyond the last row.
    int InsertRow(const QString& heading, int row = -1);
    bool DeleteRow(int row);
    // Deletes every row below the fixed ones.
    void DeleteNonFixedRows();
    // Deletes every row and column.
    void DeleteAllItems();

    // ---- Cells -----------------------------------------------------------
    bool IsValid(int row, int col) const;
    bool IsValid(const CCellID& cell) const { return IsValid(cell.row, cell.col); }
    // The stored cell; in virtual mode a shared cell filled for this call.
    CGridCell* GetCell(int row, int col) const;
    // Replaces one cell by a new cell made by factory, keeping its contents.
    bool SetCellType(int row, int col, const CellFactory& factory);
    template <class Cell> bool SetCellType(int row, int col) {
        return SetCellType(row, col, [] { return std::make_unique<Cell>(); });
    }

    // Setting a text marks the cell modified.
    bool SetItemText(int row, int col, const QString& text);
    QString GetItemText(int row, int col) const;
    bool SetItemState(int row, int col, quint32 state);
    quint32 GetItemState(int row, int col) const;
    bool SetItemFormat(int row, int col, quint32 format);
    // The format that applies: the cell's own or its default cell's.
    quint32 GetItemFormat(int row, int col) const;
    // An invalid colour returns the cell to its default cell's colour.
    bool SetItemBkColour(int row, int col, const QColor& colour = QColor());
    bool SetItemFgColour(int row, int col, const QColor& colour = QColor());
    // The colour that applies: the cell's own or its default cell's.
    QColor GetItemBkColour(int row, int col) const;
    QColor GetItemFgColour(int row, int col) const;
    bool SetItemData(int row, int col, qintptr value);
    qintptr GetItemData(int row, int col) const;
    bool SetItemImage(int row, int col, int image);
    int GetItemImage(int row, int col) const;
    bool SetItemFont(int row, int col, const QFont* font);
    QFont GetItemFont(int row, int col) const;

    bool IsCellFixed(int row, int col) const;
    bool IsCellSelected(int row, int col) const;
    // The grid is editable and the cell is not read-only.
    bool IsCellEditable(int row, int col) const;
    bool IsCellVisible(int row, int col) const;

    // ---- Sizes -----------------------------------------------------------
    // Get returns -1 for a bad index; set rejects negative sizes. A size of 0
    // hides the row or column.
    bool SetRowHeight(int row, int height);
    int GetRowHeight(int row) const;
    bool SetColumnWidth(int col, int width);
    int GetColumnWidth(int col) const;
    int GetFixedRowHeight() const;
    int GetFixedColumnWidth() const;
    int GetVirtualHeight() const;
    int GetVirtualWidth() const;

    // A cell paints and measures at most the first kShownChars characters and
    // kShownLines lines of its text, and auto-size makes no column wider than
    // kMaxAutoSizeWidth: a value of megabytes (one long imported line) would
    // otherwise stall every repaint for seconds and give a column millions of
    // pixels wide. The text itself is kept whole (copy, edit, GetItemText).
    static constexpr qsizetype kShownChars = 2000;
    static constexpr int kShownLines = 100;
    static constexpr int kMaxAutoSizeWidth = 1000;
    // The part of `text` a cell shows: whole when within the bounds, else cut
    // (never inside a surrogate pair) and ended with "…".
    static QString ShownText(const QString& text);

    // Sizes every visible column (and row) to the widest (tallest) text of
    // the rows the style includes; 0 means the grid's own auto-size style.
    void AutoSize(int style = GVS_DEFAULT);
    bool AutoSizeColumn(int col, int style = GVS_DEFAULT);
    bool AutoSizeRow(int row);
    void AutoSizeColumns(int style = GVS_DEFAULT);
    void AutoSizeRows();
    void SetAutoSizeStyle(int style) { autoSizeStyle_ = style; }
    int GetAutoSizeStyle() const { return autoSizeStyle_; }

    // ---- Default cells and colours ---------------------------------------
    CGridDefaultCell* GetDefaultCell(bool fixedRow, bool fixedCol);
    const CGridDefaultCell* GetDefaultCell(bool fixedRow, bool fixedCol) const;
    // Sets the text margin of all four default cells.
    void SetDefaultCellMargin(int margin);

    void SetTextColor(const QColor& colour);
    QColor GetTextColor() const;
    void SetTextBkColor(const QColor& colour);
    QColor GetTextBkColor() const;
    // Text and background of the three fixed default cells.
    void SetFixedTextColor(const QColor& colour);
    QColor GetFixedTextColor() const;
    void SetFixedBkColor(const QColor& colour);
    QColor GetFixedBkColor() const;
    // The area beyond the last row and column.
    void SetGridBkColor(const QColor& colour);
    QColor GetGridBkColor() const { return gridBkColour_; }
    void SetGridLineColor(const QColor& colour);
    QColor GetGridLineColor() const { return gridLineColour_; }
    void SetGridLines(int lines);
    int GetGridLines() const { return gridLines_; }

    // A colour written as red + 256 * green + 65536 * blue, as settings files
    // and list definitions hold it.
    static QColor ColorFromRef(quint32 ref);
    static quint32 ColorToRef(const QColor& colour);

    // ---- Behaviour flags -------------------------------------------------
    void SetEditable(bool editable = true) { editable_ = editable; }
    bool IsEditable() const { return editable_; }
    // Clears the selection and the sort column; in list mode a selection
    // covers whole rows and a row-header click no longer selects a row.
    void SetListMode(bool listMode = true);
    bool GetListMode() const { return listMode_; }
    // In list mode: a click selects only the clicked row.
    void SetSingleRowSelection(bool single = true) { singleRowSelection_ = single; }
    bool GetSingleRowSelection() const { return singleRowSelection_; }
    void EnableSelection(bool enable = true);
    bool IsSelectable() const { return enableSelection_; }
    // A click in a fixed column (a row header) selects that row.
    void SetFixedColumnSelection(bool on) { fixedColumnSelection_ = on; }
    bool GetFixedColumnSelection() const { return fixedColumnSelection_; }
    // A click in a fixed row (a column header) selects that column.
    void SetFixedRowSelection(bool on) { fixedRowSelection_ = on; }
    bool GetFixedRowSelection() const { return fixedRowSelection_; }
    // A click in a column header sorts by that column.
    void SetHeaderSort(bool on = true) { headerSort_ = on; }
    bool GetHeaderSort() const { return headerSort_; }
    void SetColumnResize(bool on = true) { columnResize_ = on; }
    bool GetColumnResize() const { return columnResize_; }
    void SetRowResize(bool on = true) { rowResize_ = on; }
    bool GetRowResize() const { return rowResize_; }
    void EnableTitleTips(bool on = true);
    bool GetTitleTips() const { return titleTips_; }
    // Highlights the header cells of the focus cell's row and column.
    void SetTrackFocusCell(bool on = true) { trackFocusCell_ = on; }
    bool GetTrackFocusCell() const { return trackFocusCell_; }
    // With row and col -1 the whole grid: marking it modified clears the sort
    // column; unmarking it clears every cell's modified bit.
    void SetModified(bool modified = true, int row = -1, int col = -1);
    bool GetModified(int row = -1, int col = -1) const;
    // Switches painting off around a bulk change; switching it on repaints.
    void SetRedraw(bool allow, bool resetScrollBars = false);
    bool GetRedraw() const { return allowDraw_; }
    // Rows per wheel notch, or kWheelPageScroll for a page.
    void SetMouseWheelLines(unsigned lines) { wheelLines_ = lines; }
    unsigned GetMouseWheelLines() const { return wheelLines_; }

    // ---- Selection and focus ---------------------------------------------
    // The bounding box of the selected cells; with nothing selected
    // (row count, column count, -1, -1), which is not IsValid().
    CCellRange GetSelectedCellRange() const;
    int GetSelectedCount() const { return static_cast<int>(selection_.size()); }
    // Coordinates below the fixed counts are raised to them. selectCells
    // false only clears the selection.
    void SetSelectedRange(int minRow, int minCol, int maxRow, int maxCol, bool forceRepaint = false,
                          bool selectCells = true);
    void SetSelectedRange(const CCellRange& range, bool forceRepaint = false,
                          bool selectCells = true);
    void ResetSelectedRange();
    void SelectAllCells();
    // All non-fixed cells.
    CCellRange GetCellRange() const;

    // Raised to the first non-fixed row/column unless -1; returns the old one.
    CCellID SetFocusCell(int row, int col);
    CCellID SetFocusCell(const CCellID& cell) { return SetFocusCell(cell.row, cell.col); }
    CCellID GetFocusCell() const { return focusCell_; }

    // ---- Geometry and scrolling ------------------------------------------
    // The cell under a point of the viewport; (-1, -1) outside the cells.
    CCellID GetCellFromPt(const QPoint& point) const;
    // The cell's rectangle in viewport coordinates; false when not visible.
    bool GetCellRect(int row, int col, QRect* rect) const;
    // The first non-fixed cell at the top left of the scrolled area.
    CCellID GetTopLeftNonFixedCell() const;
    CCellRange GetVisibleNonFixedCellRange() const;
    void EnsureVisible(int row, int col);
    void EnsureVisible(const CCellID& cell) { EnsureVisible(cell.row, cell.col); }

    // ---- Sorting ---------------------------------------------------------
    // Sorts the non-fixed rows by one column, moving whole rows. The default
    // order compares the cells' texts as GBK bytes, so Chinese text sorts in
    // its code order.
    bool SortItems(int col, bool ascending);
    bool SortItems(int col, bool ascending, const CompareFunc& compare, qintptr value = 0);
    void SetSortColumn(int col) { sortColumn_ = col; }
    int GetSortColumn() const { return sortColumn_; }
    void SetSortAscending(bool ascending) { sortAscending_ = ascending; }
    bool GetSortAscending() const { return sortAscending_; }
    void SetCompareFunction(const CompareFunc& compare) { compare_ = compare; }
    static int CompareTextGbk(const CGridCell& a, const CGridCell& b, qintptr data);

    // ---- Editing and clipboard -------------------------------------------
    // Starts in-place editing of a cell (the grid must be editable, the cell
    // not read-only, and the owner must not refuse); false when refused.
    bool EditCell(int row, int col);
    // Ends an in-place edit as focus loss would.
    void EndEditing();
    bool IsEditing() const { return editor_ != nullptr; }
    // The in-place editor while editing, else nullptr.
    QWidget* GetEditWnd() const { return editor_; }
    // Called by a BeginLabelEdit or EndLabelEdit handler to refuse the edit.
    void RefuseEdit() { editRefused_ = true; }
    // The key that ended the last in-place edit (0 for focus loss).
    int GetEditEndKey() const { return editEndKey_; }

    // The text of the selection's bounding range: cells joined by TAB, rows
    // by CR LF, no separator at the end; unselected cells give empty fields.
    QString CopyTextFromGrid() const;
    // Splits text into lines and fields (TAB or comma) and writes them from
    // the cell onwards, clipped to the grid; editable grids only.
    bool PasteTextToGrid(const CCellID& cell, const QString& text);
    void OnEditCopy();
    void OnEditCut();
    void OnEditPaste();
    void OnEditSelectAll();
    // Empties the selected editable cells, each through the edit
    // notifications.
    void OnEditDelete();

    // ---- Virtual mode ----------------------------------------------------
    // No cells are stored; their contents come from the callback or, without
    // one, from GetDispInfo handlers.
    void SetVirtualMode(bool on);
    bool GetVirtualMode() const { return virtualMode_; }
    void SetCallbackFunc(const CallbackFunc& callback, qintptr value = 0);

    // ---- Repainting ------------------------------------------------------
    void Refresh();
    void RedrawCell(int row, int col);
    void RedrawRow(int row);
    void RedrawColumn(int col);

signals:
    // Left button released over the grid.
    void Click(int row, int col);
    // Left double click on a cell.
    void DoubleClick(int row, int col);
    // Right button released; (-1, -1) outside the cells.
    void RightClick(int row, int col);
    // Before and after the selection changes by mouse, keyboard or select-all.
    void SelectionChanging(int row, int col);
    void SelectionChanged(int row, int col);
    // Before in-place editing starts and when it ends; RefuseEdit() refuses.
    void BeginLabelEdit(int row, int col);
    void EndLabelEdit(int row, int col);
    // Virtual mode: the range about to be drawn, and a request for one
    // cell's contents when no callback is set.
    void CacheHint(int minRow, int minCol, int maxRow, int maxCol);
    void GetDispInfo(int row, int col, CGridCell* cell);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    struct Row {
        int height = 0;
        std::vector<std::unique_ptr<CGridCell>> cells;
    };
    enum class MouseMode {
        Nothing,
        SelectAll,
        SelectCol,
        SelectRow,
        SelectCells,
        SizingColumn,
        SizingRow,
        Editing
    };
    enum class EditStart { Mouse, Keyboard };

    // Store.
    std::unique_ptr<CGridCell> NewCell(int row, int col) const;
    void ApplyFixedState(int row, int col, CGridCell& cell) const;
    void RefreshFixedState(int rowFrom, int rowTo, int colFrom, int colTo, bool becameFixed);
    void ClampFocusAndSelection();
    void ShiftRows(int from, int delta);
    void NotifyShapeChanged();
    CGridCell* StoredCell(int row, int col) const;
    const CGridDefaultCell& DefaultFor(int row, int col) const;
    int GetItemMargin(int row, int col) const;
    static quint64 SelectionKey(int row, int col);

    // Layout and painting.
    void ScheduleLayout();
    void EnsureLayout();
    void ScheduleRepaint();
    void UpdateScrollBars();
    int TopRow() const;
    int LeftCol() const;
    int RowTop(int row) const;
    int ColumnLeft(int col) const;
    int RowAtY(int y) const;
    int ColAtX(int x) const;
    int LastVisibleRow(bool partial) const;
    int LastVisibleCol(bool partial) const;
    int PageRows() const;
    int PageCols() const;
    int MeasureTextWidth(int row, int col, const QString& text) const;
    int MeasureTextHeight(int row, int col, const QString& text) const;
    QRect TextRect(int row, int col) const;
    void DrawCell(QPainter& painter, int row, int col, const QRect& rect) const;

    // Selection.
    void SelectCell(int row, int col, bool select);
    void ClearSelection();
    void SelectRange(const CCellRange& range);
    void SelectFromAnchor(const CCellID& to);
    void OnSelecting(const CCellID& cell);
    std::vector<CCellID> SelectedCells() const;

    // Mouse.
    bool MouseOverColumnResizeArea(const QPoint& point, int* col) const;
    bool MouseOverRowResizeArea(const QPoint& point, int* row) const;
    CCellID ClampedCellFromPt(const QPoint& point) const;
    void HeaderPress(const CCellID& cell, Qt::KeyboardModifiers modifiers);
    void ShowTitleTip(const CCellID& cell);
    void HideTitleTip();

    // Keyboard.
    bool MoveFocusByKey(int key, Qt::KeyboardModifiers modifiers);
    CCellID NextCellForKey(int key, Qt::KeyboardModifiers modifiers, bool* handled);

    // In-place editing.
    bool StartEdit(int row, int col, EditStart how, QKeyEvent* firstKey);
    void FinishEdit(int endKey, Qt::KeyboardModifiers modifiers);
    // Emits BeginLabelEdit or EndLabelEdit; false when a handler refused.
    bool OwnerAccepts(void (CGridCtrl::*notice)(int, int), int row, int col);

    int controlId_ = 0;
    std::vector<Row> rows_;
    std::vector<int> colWidths_;
    int fixedRows_ = 0;
    int fixedCols_ = 0;
    // Normal, fixed row, fixed column, corner.
    CGridDefaultCell defaults_[4];

    QColor gridBkColour_;
    QColor gridLineColour_;
    int gridLines_ = GVL_BOTH;
    int autoSizeStyle_ = GVS_BOTH;

    bool editable_ = true;
    bool listMode_ = false;
    bool singleRowSelection_ = false;
    bool allowDraw_ = true;
    bool enableSelection_ = true;
    bool fixedColumnSelection_ = true;
    bool fixedRowSelection_ = true;
    bool headerSort_ = false;
    bool columnResize_ = true;
    bool rowResize_ = true;
    bool titleTips_ = true;
    bool trackFocusCell_ = true;
    bool virtualMode_ = false;
    bool modified_ = false;

    std::unordered_set<quint64> selection_;
    std::unordered_set<quint64> previousSelection_;
    CCellID focusCell_;
    CCellID anchorCell_;
    CCellID leftClickDownCell_;
    CCellID lastDragCell_;
    CCellID tipCell_;
    QPoint lastMousePoint_;
    QPoint leftClickDownPoint_;
    MouseMode mouseMode_ = MouseMode::Nothing;
    int resizeIndex_ = -1;
    int resizeLinePos_ = -1;

    int sortColumn_ = -1;
    bool sortAscending_ = true;
    CompareFunc compare_;

    unsigned wheelLines_ = 3;
    int wheelRemainder_ = 0;
    QBasicTimer autoScrollTimer_;
    static constexpr int kAutoScrollMs = 25;
    static constexpr int kResizeCaptureRange = 3;

    CallbackFunc callback_;
    qintptr callbackData_ = 0;
    mutable std::unique_ptr<CGridCell> virtualCell_;

    QPointer<QWidget> editor_;
    CCellID editCell_;
    QString editOldText_;
    EditStart editStart_ = EditStart::Mouse;
    bool editRefused_ = false;
    bool endingEdit_ = false;
    int editEndKey_ = 0;

    GridTitleTip* titleTip_ = nullptr;
    bool layoutPending_ = false;
    bool repaintPending_ = false;
};
