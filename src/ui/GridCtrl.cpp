#include "ui/GridCtrl.h"

#include "net/Gbk.h"
#include "ui/ColorRef.h"
#include "ui/GridAccessibility.h"
#include "ui/GridTitleTip.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QPalette>
#include <QScrollBar>

#include <algorithm>

namespace {

// Indexes of the four default cells.
constexpr int kNormal = 0;
constexpr int kFixedRow = 1;
constexpr int kFixedCol = 2;

constexpr quint32 kFixedBits =
    CGridCell::GVIS_FIXED | CGridCell::GVIS_FIXEDROW | CGridCell::GVIS_FIXEDCOL;

} // namespace

CGridCtrl::CGridCtrl(int rows, int cols, int fixedRows, int fixedCols, QWidget* parent)
    : QAbstractScrollArea(parent) {
    GridAccessibility::Install();
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setSingleStep(1);

    // The system colours of the moment: window text on window for cells, the
    // button face for headers, the dark shade for the empty area.
    const QPalette pal = palette();
    for (CGridDefaultCell& cell : defaults_) {
        cell.SetTextClr(pal.color(QPalette::WindowText));
        cell.SetBackClr(pal.color(QPalette::Button));
    }
    defaults_[kNormal].SetBackClr(pal.color(QPalette::Base));
    gridBkColour_ = pal.color(QPalette::Dark);
    gridLineColour_ = ColorFromRef(0xC0C0C0);

    const int lines = QApplication::wheelScrollLines();
    wheelLines_ = lines > 0 ? static_cast<unsigned>(lines) : 3;

    SetRowCount(rows);
    SetColumnCount(cols);
    SetFixedRowCount(fixedRows);
    SetFixedColumnCount(fixedCols);
}

CGridCtrl::~CGridCtrl() = default;

// ---- Store ----------------------------------------------------------------

quint64 CGridCtrl::SelectionKey(int row, int col) {
    return (static_cast<quint64>(static_cast<quint32>(row)) << 32) | static_cast<quint32>(col);
}

bool CGridCtrl::IsValid(int row, int col) const {
    return row >= 0 && col >= 0 && row < GetRowCount() && col < GetColumnCount();
}

const CGridDefaultCell& CGridCtrl::DefaultFor(int row, int col) const {
    return defaults_[(row < fixedRows_ ? kFixedRow : 0) + (col < fixedCols_ ? kFixedCol : 0)];
}

CGridDefaultCell* CGridCtrl::GetDefaultCell(bool fixedRow, bool fixedCol) {
    return &defaults_[(fixedRow ? kFixedRow : 0) + (fixedCol ? kFixedCol : 0)];
}

const CGridDefaultCell* CGridCtrl::GetDefaultCell(bool fixedRow, bool fixedCol) const {
    return &defaults_[(fixedRow ? kFixedRow : 0) + (fixedCol ? kFixedCol : 0)];
}

void CGridCtrl::ApplyFixedState(int row, int col, CGridCell& cell) const {
    quint32 state = cell.GetState() & ~kFixedBits;
    if (row < fixedRows_)
        state |= CGridCell::GVIS_FIXED | CGridCell::GVIS_FIXEDROW;
    if (col < fixedCols_)
        state |= CGridCell::GVIS_FIXED | CGridCell::GVIS_FIXEDCOL;
    cell.SetState(state);
}

std::unique_ptr<CGridCell> CGridCtrl::NewCell(int row, int col) const {
    auto cell = std::make_unique<CGridCell>();
    ApplyFixedState(row, col, *cell);
    return cell;
}

CGridCell* CGridCtrl::StoredCell(int row, int col) const {
    if (!IsValid(row, col))
        return nullptr;
    const Row& r = rows_[static_cast<size_t>(row)];
    if (static_cast<size_t>(col) >= r.cells.size())
        return nullptr;
    return r.cells[static_cast<size_t>(col)].get();
}

CGridCell* CGridCtrl::GetCell(int row, int col) const {
    if (!IsValid(row, col))
        return nullptr;
    if (!virtualMode_)
        return StoredCell(row, col);
    // Virtual mode: one shared cell answers every question, filled afresh.
    if (!virtualCell_)
        virtualCell_ = std::make_unique<CGridCell>();
    CGridCell& cell = *virtualCell_;
    cell.CopyFrom(CGridCell());
    quint32 state = 0;
    if (selection_.count(SelectionKey(row, col)))
        state |= CGridCell::GVIS_SELECTED;
    if (focusCell_ == CCellID(row, col))
        state |= CGridCell::GVIS_FOCUSED;
    cell.SetState(state);
    ApplyFixedState(row, col, cell);
    if (callback_) {
        callback_(row, col, cell, callbackData_);
    } else {
        auto* self = const_cast<CGridCtrl*>(this);
        emit self->GetDispInfo(row, col, &cell);
    }
    return &cell;
}

bool CGridCtrl::SetCellType(int row, int col, const CellFactory& factory) {
    CGridCell* old = StoredCell(row, col);
    if (!old || !factory)
        return false;
    std::unique_ptr<CGridCell> cell = factory();
    if (!cell)
        return false;
    cell->CopyFrom(*old);
    rows_[static_cast<size_t>(row)].cells[static_cast<size_t>(col)] = std::move(cell);
    RedrawCell(row, col);
    return true;
}

bool CGridCtrl::SetRowCount(int rows) {
    if (rows < 0)
        return false;
    const int old = GetRowCount();
    if (rows == old)
        return true;
    if (rows < old) {
        rows_.resize(static_cast<size_t>(rows));
        fixedRows_ = std::min(fixedRows_, rows);
    } else {
        const int cols = GetColumnCount();
        rows_.reserve(static_cast<size_t>(rows));
        for (int r = old; r < rows; ++r) {
            Row row;
            row.height = DefaultFor(r, 0).GetHeight();
            if (!virtualMode_) {
                row.cells.reserve(static_cast<size_t>(cols));
                for (int c = 0; c < cols; ++c)
                    row.cells.push_back(NewCell(r, c));
            }
            rows_.push_back(std::move(row));
        }
    }
    ClampFocusAndSelection();
    NotifyShapeChanged();
    return true;
}

bool CGridCtrl::SetColumnCount(int cols) {
    if (cols < 0)
        return false;
    const int old = GetColumnCount();
    if (cols == old)
        return true;
    if (cols < old) {
        colWidths_.resize(static_cast<size_t>(cols));
        for (Row& row : rows_) {
            if (row.cells.size() > static_cast<size_t>(cols))
                row.cells.resize(static_cast<size_t>(cols));
        }
        fixedCols_ = std::min(fixedCols_, cols);
    } else {
        for (int c = old; c < cols; ++c)
            colWidths_.push_back(DefaultFor(0, c).GetWidth());
        if (!virtualMode_) {
            for (int r = 0; r < GetRowCount(); ++r) {
                auto& cells = rows_[static_cast<size_t>(r)].cells;
                for (int c = old; c < cols; ++c)
                    cells.push_back(NewCell(r, c));
            }
        }
    }
    ClampFocusAndSelection();
    NotifyShapeChanged();
    return true;
}

bool CGridCtrl::SetFixedRowCount(int fixedRows) {
    if (fixedRows < 0)
        return false;
    if (fixedRows > GetRowCount() && !SetRowCount(fixedRows))
        return false;
    const int from = std::min(fixedRows, fixedRows_);
    const int to = std::max(fixedRows, fixedRows_);
    const bool growing = fixedRows > fixedRows_;
    fixedRows_ = fixedRows;
    RefreshFixedState(from, to, 0, GetColumnCount(), growing);
    NotifyShapeChanged();
    return true;
}

bool CGridCtrl::SetFixedColumnCount(int fixedCols) {
    if (fixedCols < 0)
        return false;
    if (fixedCols > GetColumnCount() && !SetColumnCount(fixedCols))
        return false;
    const int from = std::min(fixedCols, fixedCols_);
    const int to = std::max(fixedCols, fixedCols_);
    const bool growing = fixedCols > fixedCols_;
    fixedCols_ = fixedCols;
    RefreshFixedState(0, GetRowCount(), from, to, growing);
    NotifyShapeChanged();
    return true;
}

void CGridCtrl::RefreshFixedState(int rowFrom, int rowTo, int colFrom, int colTo,
                                  bool becameFixed) {
    if (!virtualMode_) {
        for (int r = rowFrom; r < rowTo && r < GetRowCount(); ++r) {
            for (int c = colFrom; c < colTo && c < GetColumnCount(); ++c) {
                CGridCell* cell = StoredCell(r, c);
                if (!cell)
                    continue;
                ApplyFixedState(r, c, *cell);
                if (becameFixed && cell->IsFixed()) {
                    // A new header takes the header colours.
                    cell->SetBackClr(QColor());
                    cell->SetTextClr(QColor());
                }
            }
        }
    }
    ClampFocusAndSelection();
}

void CGridCtrl::ClampFocusAndSelection() {
    // Headers are never selected and never hold the focus; cells that no
    // longer exist hold neither.
    for (auto it = selection_.begin(); it != selection_.end();) {
        const int row = static_cast<int>(*it >> 32);
        const int col = static_cast<int>(*it & 0xFFFFFFFFu);
        if (!IsValid(row, col) || row < fixedRows_ || col < fixedCols_) {
            if (CGridCell* cell = StoredCell(row, col))
                cell->SetState(cell->GetState() & ~CGridCell::GVIS_SELECTED);
            it = selection_.erase(it);
        } else {
            ++it;
        }
    }
    if (focusCell_.IsValid() &&
        (!IsValid(focusCell_) || focusCell_.row < fixedRows_ || focusCell_.col < fixedCols_)) {
        if (CGridCell* cell = StoredCell(focusCell_.row, focusCell_.col))
            cell->SetState(cell->GetState() & ~CGridCell::GVIS_FOCUSED);
        focusCell_ = CCellID();
    }
    if (anchorCell_.IsValid() && !IsValid(anchorCell_))
        anchorCell_ = CCellID();
    if (editor_ && (!IsValid(editCell_) || IsCellFixed(editCell_.row, editCell_.col)))
        EndEditing();
}

void CGridCtrl::ShiftRows(int from, int delta) {
    // Row indexes at and below `from` move by delta; the selection set, the
    // focus and the anchor follow their rows.
    auto moved = [from, delta](int row) { return row >= from ? row + delta : row; };
    std::unordered_set<quint64> shifted;
    shifted.reserve(selection_.size());
    for (quint64 key : selection_) {
        const int row = static_cast<int>(key >> 32);
        const int col = static_cast<int>(key & 0xFFFFFFFFu);
        if (delta < 0 && row >= from + delta && row < from)
            continue; // the deleted row
        shifted.insert(SelectionKey(moved(row), col));
    }
    selection_.swap(shifted);
    if (focusCell_.IsValid()) {
        if (delta < 0 && focusCell_.row >= from + delta && focusCell_.row < from)
            focusCell_ = CCellID();
        else
            focusCell_.row = moved(focusCell_.row);
    }
    if (anchorCell_.IsValid()) {
        if (delta < 0 && anchorCell_.row >= from + delta && anchorCell_.row < from)
            anchorCell_ = CCellID();
        else
            anchorCell_.row = moved(anchorCell_.row);
    }
}

int CGridCtrl::InsertRow(const QString& heading, int row) {
    const int count = GetRowCount();
    if (row == -1)
        row = count;
    else if (row < fixedRows_ || row >= count)
        return -1;

    Row newRow;
    const int cols = GetColumnCount();
    if (!virtualMode_) {
        newRow.cells.reserve(static_cast<size_t>(cols));
        for (int c = 0; c < cols; ++c) {
            auto cell = std::make_unique<CGridCell>();
            // Fixed state is applied below, once the row has its index.
            newRow.cells.push_back(std::move(cell));
        }
        if (cols > 0)
            newRow.cells[0]->SetText(heading);
    }
    if (row < count)
        ShiftRows(row, 1);
    rows_.insert(rows_.begin() + row, std::move(newRow));
    if (!virtualMode_) {
        Row& inserted = rows_[static_cast<size_t>(row)];
        for (int c = 0; c < cols; ++c)
            ApplyFixedState(row, c, *inserted.cells[static_cast<size_t>(c)]);
    }
    rows_[static_cast<size_t>(row)].height =
        heading.isEmpty() ? defaults_[kFixedRow].GetHeight() : MeasureTextHeight(row, 0, heading);
    NotifyShapeChanged();
    return row;
}

bool CGridCtrl::DeleteRow(int row) {
    if (row < 0 || row >= GetRowCount())
        return false;
    if (editor_ && editCell_.row == row)
        EndEditing();
    rows_.erase(rows_.begin() + row);
    ShiftRows(row + 1, -1);
    if (row < fixedRows_)
        --fixedRows_;
    NotifyShapeChanged();
    return true;
}

void CGridCtrl::DeleteNonFixedRows() {
    const int count = GetRowCount();
    if (count <= fixedRows_)
        return;
    if (editor_ && editCell_.row >= fixedRows_)
        EndEditing();
    rows_.erase(rows_.begin() + fixedRows_, rows_.end());
    ClampFocusAndSelection();
    NotifyShapeChanged();
}

void CGridCtrl::DeleteAllItems() {
    if (editor_)
        EndEditing();
    rows_.clear();
    colWidths_.clear();
    fixedRows_ = 0;
    fixedCols_ = 0;
    selection_.clear();
    previousSelection_.clear();
    focusCell_ = CCellID();
    anchorCell_ = CCellID();
    sortColumn_ = -1;
    NotifyShapeChanged();
}

void CGridCtrl::NotifyShapeChanged() {
    ScheduleLayout();
    ScheduleRepaint();
    GridAccessibility::ShapeChanged(this);
}

// ---- Cell contents --------------------------------------------------------

bool CGridCtrl::SetItemText(int row, int col, const QString& text) {
    if (virtualMode_)
        return false;
    CGridCell* cell = StoredCell(row, col);
    if (!cell)
        return false;
    cell->SetText(text);
    cell->SetState(cell->GetState() | CGridCell::GVIS_MODIFIED);
    modified_ = true;
    if (col == sortColumn_)
        sortColumn_ = -1;
    ScheduleRepaint();
    return true;
}

QString CGridCtrl::GetItemText(int row, int col) const {
    const CGridCell* cell = GetCell(row, col);
    return cell ? cell->GetText() : QString();
}

bool CGridCtrl::SetItemState(int row, int col, quint32 state) {
    CGridCell* cell = StoredCell(row, col);
    if (!cell)
        return false;
    // The selection set follows the selected bit; headers stay unselected.
    const bool select =
        (state & CGridCell::GVIS_SELECTED) && row >= fixedRows_ && col >= fixedCols_;
    if (select)
        selection_.insert(SelectionKey(row, col));
    else
        selection_.erase(SelectionKey(row, col));
    cell->SetState(select ? state : state & ~CGridCell::GVIS_SELECTED);
    ApplyFixedState(row, col, *cell);
    RedrawCell(row, col);
    return true;
}

quint32 CGridCtrl::GetItemState(int row, int col) const {
    const CGridCell* cell = GetCell(row, col);
    return cell ? cell->GetState() : 0;
}

bool CGridCtrl::SetItemFormat(int row, int col, quint32 format) {
    CGridCell* cell = StoredCell(row, col);
    if (!cell)
        return false;
    cell->SetFormat(format);
    RedrawCell(row, col);
    return true;
}

quint32 CGridCtrl::GetItemFormat(int row, int col) const {
    const CGridCell* cell = GetCell(row, col);
    if (!cell)
        return 0;
    return cell->GetFormat() != CGridCell::kDefaultFormat ? cell->GetFormat()
                                                          : DefaultFor(row, col).GetFormat();
}

bool CGridCtrl::SetItemBkColour(int row, int col, const QColor& colour) {
    CGridCell* cell = StoredCell(row, col);
    if (!cell)
        return false;
    cell->SetBackClr(colour);
    RedrawCell(row, col);
    return true;
}

bool CGridCtrl::SetItemFgColour(int row, int col, const QColor& colour) {
    CGridCell* cell = StoredCell(row, col);
    if (!cell)
        return false;
    cell->SetTextClr(colour);
    RedrawCell(row, col);
    return true;
}

QColor CGridCtrl::GetItemBkColour(int row, int col) const {
    const CGridCell* cell = GetCell(row, col);
    if (!cell)
        return QColor();
    return cell->GetBackClr().isValid() ? cell->GetBackClr() : DefaultFor(row, col).GetBackClr();
}

QColor CGridCtrl::GetItemFgColour(int row, int col) const {
    const CGridCell* cell = GetCell(row, col);
    if (!cell)
        return QColor();
    return cell->GetTextClr().isValid() ? cell->GetTextClr() : DefaultFor(row, col).GetTextClr();
}

bool CGridCtrl::SetItemData(int row, int col, qintptr value) {
    CGridCell* cell = StoredCell(row, col);
    if (!cell)
        return false;
    cell->SetData(value);
    return true;
}

qintptr CGridCtrl::GetItemData(int row, int col) const {
    const CGridCell* cell = GetCell(row, col);
    return cell ? cell->GetData() : 0;
}

bool CGridCtrl::SetItemImage(int row, int col, int image) {
    CGridCell* cell = StoredCell(row, col);
    if (!cell)
        return false;
    cell->SetImage(image);
    RedrawCell(row, col);
    return true;
}

int CGridCtrl::GetItemImage(int row, int col) const {
    const CGridCell* cell = GetCell(row, col);
    return cell ? cell->GetImage() : -1;
}

bool CGridCtrl::SetItemFont(int row, int col, const QFont* font) {
    CGridCell* cell = StoredCell(row, col);
    if (!cell)
        return false;
    cell->SetFont(font);
    RedrawCell(row, col);
    return true;
}

QFont CGridCtrl::GetItemFont(int row, int col) const {
    const CGridCell* cell = GetCell(row, col);
    if (cell && cell->GetFont())
        return *cell->GetFont();
    return IsValid(row, col) ? DefaultFor(row, col).GetDefaultFont() : font();
}

int CGridCtrl::GetItemMargin(int row, int col) const {
    const CGridCell* cell = GetCell(row, col);
    if (cell && cell->GetMargin() >= 0)
        return cell->GetMargin();
    return IsValid(row, col) ? std::max(0, DefaultFor(row, col).GetMargin()) : 0;
}

bool CGridCtrl::IsCellFixed(int row, int col) const {
    return IsValid(row, col) && (row < fixedRows_ || col < fixedCols_);
}

bool CGridCtrl::IsCellSelected(int row, int col) const {
    return enableSelection_ && IsValid(row, col) && selection_.count(SelectionKey(row, col)) > 0;
}

bool CGridCtrl::IsCellEditable(int row, int col) const {
    if (!editable_ || !IsValid(row, col))
        return false;
    const CGridCell* cell = GetCell(row, col);
    return cell && !cell->IsReadOnly();
}

// ---- Default cells and colours ---------------------------------------------

void CGridCtrl::SetDefaultCellMargin(int margin) {
    for (CGridDefaultCell& cell : defaults_)
        cell.SetMargin(margin);
    ScheduleRepaint();
}

void CGridCtrl::SetTextColor(const QColor& colour) {
    defaults_[kNormal].SetTextClr(colour);
    ScheduleRepaint();
}

QColor CGridCtrl::GetTextColor() const {
    return defaults_[kNormal].GetTextClr();
}

void CGridCtrl::SetTextBkColor(const QColor& colour) {
    defaults_[kNormal].SetBackClr(colour);
    ScheduleRepaint();
}

QColor CGridCtrl::GetTextBkColor() const {
    return defaults_[kNormal].GetBackClr();
}

void CGridCtrl::SetFixedTextColor(const QColor& colour) {
    for (int i = kFixedRow; i < 4; ++i)
        defaults_[i].SetTextClr(colour);
    ScheduleRepaint();
}

QColor CGridCtrl::GetFixedTextColor() const {
    return defaults_[kFixedRow].GetTextClr();
}

void CGridCtrl::SetFixedBkColor(const QColor& colour) {
    for (int i = kFixedRow; i < 4; ++i)
        defaults_[i].SetBackClr(colour);
    ScheduleRepaint();
}

QColor CGridCtrl::GetFixedBkColor() const {
    return defaults_[kFixedRow].GetBackClr();
}

void CGridCtrl::SetGridBkColor(const QColor& colour) {
    gridBkColour_ = colour;
    ScheduleRepaint();
}

void CGridCtrl::SetGridLineColor(const QColor& colour) {
    gridLineColour_ = colour;
    ScheduleRepaint();
}

void CGridCtrl::SetGridLines(int lines) {
    gridLines_ = lines;
    ScheduleRepaint();
}

QColor CGridCtrl::ColorFromRef(quint32 ref) {
    return ColorRef::ToColor(ref);
}

quint32 CGridCtrl::ColorToRef(const QColor& colour) {
    return ColorRef::FromColor(colour);
}

// ---- Flags ------------------------------------------------------------------

void CGridCtrl::SetListMode(bool listMode) {
    ResetSelectedRange();
    sortColumn_ = -1;
    listMode_ = listMode;
    fixedColumnSelection_ = false;
    ScheduleRepaint();
}

void CGridCtrl::EnableSelection(bool enable) {
    ResetSelectedRange();
    enableSelection_ = enable;
}

void CGridCtrl::SetModified(bool modified, int row, int col) {
    if (row == -1 && col == -1) {
        modified_ = modified;
        if (modified) {
            sortColumn_ = -1;
        } else if (!virtualMode_) {
            for (Row& r : rows_)
                for (auto& cell : r.cells)
                    cell->SetState(cell->GetState() & ~CGridCell::GVIS_MODIFIED);
        }
        return;
    }
    CGridCell* cell = StoredCell(row, col);
    if (!cell)
        return;
    if (modified) {
        cell->SetState(cell->GetState() | CGridCell::GVIS_MODIFIED);
        modified_ = true;
    } else {
        cell->SetState(cell->GetState() & ~CGridCell::GVIS_MODIFIED);
    }
}

bool CGridCtrl::GetModified(int row, int col) const {
    if (row == -1 && col == -1)
        return modified_;
    const CGridCell* cell = GetCell(row, col);
    return cell && cell->IsModified();
}

void CGridCtrl::SetRedraw(bool allow, bool resetScrollBars) {
    allowDraw_ = allow;
    if (!allow)
        return;
    UpdateScrollBars();
    if (resetScrollBars) {
        verticalScrollBar()->setValue(0);
        horizontalScrollBar()->setValue(0);
    }
    Refresh();
}

void CGridCtrl::EnableTitleTips(bool on) {
    titleTips_ = on;
    if (!on)
        HideTitleTip();
}

// ---- Selection and focus -----------------------------------------------------

void CGridCtrl::SelectCell(int row, int col, bool select) {
    if (row < fixedRows_ || col < fixedCols_ || !IsValid(row, col))
        return;
    CGridCell* cell = StoredCell(row, col);
    if (select) {
        selection_.insert(SelectionKey(row, col));
        if (cell)
            cell->SetState(cell->GetState() | CGridCell::GVIS_SELECTED);
    } else {
        selection_.erase(SelectionKey(row, col));
        if (cell)
            cell->SetState(cell->GetState() & ~CGridCell::GVIS_SELECTED);
    }
}

void CGridCtrl::ClearSelection() {
    if (!virtualMode_) {
        for (quint64 key : selection_) {
            if (CGridCell* cell =
                    StoredCell(static_cast<int>(key >> 32), static_cast<int>(key & 0xFFFFFFFFu)))
                cell->SetState(cell->GetState() & ~CGridCell::GVIS_SELECTED);
        }
    }
    selection_.clear();
}

void CGridCtrl::SelectRange(const CCellRange& range) {
    if (!enableSelection_ || !range.IsValid())
        return;
    selection_.reserve(selection_.size() + static_cast<size_t>(range.Count()));
    for (int r = range.GetMinRow(); r <= range.GetMaxRow(); ++r)
        for (int c = range.GetMinCol(); c <= range.GetMaxCol(); ++c)
            SelectCell(r, c, true);
}

CCellRange CGridCtrl::GetSelectedCellRange() const {
    CCellRange range(GetRowCount(), GetColumnCount(), -1, -1);
    for (quint64 key : selection_) {
        const int row = static_cast<int>(key >> 32);
        const int col = static_cast<int>(key & 0xFFFFFFFFu);
        range.SetMinRow(std::min(range.GetMinRow(), row));
        range.SetMinCol(std::min(range.GetMinCol(), col));
        range.SetMaxRow(std::max(range.GetMaxRow(), row));
        range.SetMaxCol(std::max(range.GetMaxCol(), col));
    }
    return range;
}

void CGridCtrl::SetSelectedRange(int minRow, int minCol, int maxRow, int maxCol, bool forceRepaint,
                                 bool selectCells) {
    ClearSelection();
    for (quint64 key : previousSelection_)
        SelectCell(static_cast<int>(key >> 32), static_cast<int>(key & 0xFFFFFFFFu), true);
    if (selectCells) {
        const CCellRange range(std::max(minRow, fixedRows_), std::max(minCol, fixedCols_),
                               std::min(maxRow, GetRowCount() - 1),
                               std::min(maxCol, GetColumnCount() - 1));
        SelectRange(range);
    }
    if (forceRepaint)
        viewport()->repaint();
    else
        ScheduleRepaint();
    GridAccessibility::SelectionChanged(this);
}

void CGridCtrl::SetSelectedRange(const CCellRange& range, bool forceRepaint, bool selectCells) {
    SetSelectedRange(range.GetMinRow(), range.GetMinCol(), range.GetMaxRow(), range.GetMaxCol(),
                     forceRepaint, selectCells);
}

void CGridCtrl::ResetSelectedRange() {
    previousSelection_.clear();
    SetSelectedRange(-1, -1, -1, -1, false, false);
}

CCellRange CGridCtrl::GetCellRange() const {
    return CCellRange(fixedRows_, fixedCols_, GetRowCount() - 1, GetColumnCount() - 1);
}

void CGridCtrl::SelectAllCells() {
    if (!enableSelection_)
        return;
    emit SelectionChanging(focusCell_.row, focusCell_.col);
    previousSelection_.clear();
    SetSelectedRange(GetCellRange());
    emit SelectionChanged(focusCell_.row, focusCell_.col);
}

void CGridCtrl::OnEditSelectAll() {
    SelectAllCells();
}

CCellID CGridCtrl::SetFocusCell(int row, int col) {
    const CCellID old = focusCell_;
    if (row != -1 && row < fixedRows_)
        row = fixedRows_;
    if (col != -1 && col < fixedCols_)
        col = fixedCols_;
    CCellID cell(row, col);
    if ((row != -1 || col != -1) && !IsValid(cell))
        return old;
    if (cell == old)
        return old;
    if (CGridCell* oldCell = StoredCell(old.row, old.col))
        oldCell->SetState(oldCell->GetState() & ~CGridCell::GVIS_FOCUSED);
    focusCell_ = cell;
    if (CGridCell* newCell = StoredCell(row, col))
        newCell->SetState(newCell->GetState() | CGridCell::GVIS_FOCUSED);
    // Both cells and, when their headers are highlighted, the headers too.
    RedrawRow(old.row);
    RedrawColumn(old.col);
    RedrawRow(row);
    RedrawColumn(col);
    GridAccessibility::FocusChanged(this);
    return old;
}

// ---- Sorting ------------------------------------------------------------------

int CGridCtrl::CompareTextGbk(const CGridCell& a, const CGridCell& b, qintptr /*data*/) {
    const QByteArray left = Gbk::Encode(a.GetText());
    const QByteArray right = Gbk::Encode(b.GetText());
    // QByteArray compares as unsigned bytes: the GBK code order.
    return left < right ? -1 : (right < left ? 1 : 0);
}

bool CGridCtrl::SortItems(int col, bool ascending) {
    return SortItems(col, ascending, compare_, 0);
}

bool CGridCtrl::SortItems(int col, bool ascending, const CompareFunc& compare, qintptr value) {
    if (col < 0 || col >= GetColumnCount())
        return false;
    if (editor_)
        EndEditing();
    sortColumn_ = col;
    sortAscending_ = ascending;
    ResetSelectedRange();
    SetFocusCell(-1, -1);
    anchorCell_ = CCellID();
    if (virtualMode_ || GetRowCount() - fixedRows_ < 2) {
        ScheduleRepaint();
        return true;
    }

    const auto first = rows_.begin() + fixedRows_;
    const auto c = static_cast<size_t>(col);
    if (compare) {
        std::stable_sort(first, rows_.end(), [&](const Row& a, const Row& b) {
            const int order = compare(*a.cells[c], *b.cells[c], value);
            return ascending ? order < 0 : order > 0;
        });
    } else {
        // Encode each key once rather than on every comparison.
        std::vector<std::pair<QByteArray, size_t>> keys;
        keys.reserve(rows_.size() - static_cast<size_t>(fixedRows_));
        for (size_t r = static_cast<size_t>(fixedRows_); r < rows_.size(); ++r)
            keys.emplace_back(Gbk::Encode(rows_[r].cells[c]->GetText()), r);
        std::stable_sort(keys.begin(), keys.end(), [ascending](const auto& a, const auto& b) {
            // QByteArray compares as unsigned bytes, which is the code order.
            return ascending ? a.first < b.first : b.first < a.first;
        });
        std::vector<Row> sorted;
        sorted.reserve(keys.size());
        for (auto& key : keys)
            sorted.push_back(std::move(rows_[key.second]));
        std::move(sorted.begin(), sorted.end(), first);
    }
    GridAccessibility::ShapeChanged(this);
    ScheduleRepaint();
    return true;
}

// ---- Clipboard ------------------------------------------------------------------

QString CGridCtrl::CopyTextFromGrid() const {
    const CCellRange range = GetSelectedCellRange();
    if (!range.IsValid())
        return QString();
    QString text;
    for (int r = range.GetMinRow(); r <= range.GetMaxRow(); ++r) {
        if (r > range.GetMinRow())
            text += QLatin1String("\r\n");
        for (int c = range.GetMinCol(); c <= range.GetMaxCol(); ++c) {
            if (c > range.GetMinCol())
                text += QLatin1Char('\t');
            if (IsCellSelected(r, c))
                text += GetItemText(r, c);
        }
    }
    return text;
}

void CGridCtrl::OnEditCopy() {
    if (!GetSelectedCellRange().IsValid())
        return;
    QGuiApplication::clipboard()->setText(CopyTextFromGrid());
}

// ---- Virtual mode -----------------------------------------------------------------

void CGridCtrl::SetVirtualMode(bool on) {
    if (on == virtualMode_)
        return;
    if (editor_)
        EndEditing();
    ResetSelectedRange();
    SetFocusCell(-1, -1);
    virtualMode_ = on;
    const int cols = GetColumnCount();
    for (int r = 0; r < GetRowCount(); ++r) {
        auto& cells = rows_[static_cast<size_t>(r)].cells;
        cells.clear();
        if (!on) {
            for (int c = 0; c < cols; ++c)
                cells.push_back(NewCell(r, c));
        }
    }
    NotifyShapeChanged();
}

void CGridCtrl::SetCallbackFunc(const CallbackFunc& callback, qintptr value) {
    callback_ = callback;
    callbackData_ = value;
    ScheduleRepaint();
}
