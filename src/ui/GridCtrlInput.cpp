// Mouse, keyboard, wheel and title tips of CGridCtrl.

#include "ui/GridCtrl.h"

#include "ui/GridTitleTip.h"

#include <QApplication>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>

// ---- Selection helpers ---------------------------------------------------------

void CGridCtrl::OnSelecting(const CCellID& cell) {
    if (!enableSelection_ || !cell.IsValid())
        return;
    const int lastRow = GetRowCount() - 1;
    const int lastCol = GetColumnCount() - 1;
    CCellRange range;
    switch (mouseMode_) {
    case MouseMode::SelectAll:
        range = GetCellRange();
        break;
    case MouseMode::SelectCol:
        range.Set(fixedRows_, std::min(anchorCell_.col, cell.col), lastRow,
                  std::max(anchorCell_.col, cell.col));
        break;
    case MouseMode::SelectRow:
        if (listMode_ && singleRowSelection_)
            range.Set(cell.row, fixedCols_, cell.row, lastCol);
        else
            range.Set(std::min(anchorCell_.row, cell.row), fixedCols_,
                      std::max(anchorCell_.row, cell.row), lastCol);
        break;
    case MouseMode::SelectCells:
        range.Set(std::min(anchorCell_.row, cell.row), std::min(anchorCell_.col, cell.col),
                  std::max(anchorCell_.row, cell.row), std::max(anchorCell_.col, cell.col));
        break;
    default:
        return;
    }
    lastDragCell_ = cell;
    SetSelectedRange(range);
}

void CGridCtrl::SelectFromAnchor(const CCellID& to) {
    if (!enableSelection_)
        return;
    if (!anchorCell_.IsValid())
        anchorCell_ = to;
    if (listMode_) {
        const int first = singleRowSelection_ ? to.row : std::min(anchorCell_.row, to.row);
        const int last = singleRowSelection_ ? to.row : std::max(anchorCell_.row, to.row);
        SetSelectedRange(first, fixedCols_, last, GetColumnCount() - 1);
    } else {
        SetSelectedRange(std::min(anchorCell_.row, to.row), std::min(anchorCell_.col, to.col),
                         std::max(anchorCell_.row, to.row), std::max(anchorCell_.col, to.col));
    }
}

// ---- Mouse ------------------------------------------------------------------------

bool CGridCtrl::MouseOverColumnResizeArea(const QPoint& point, int* col) const {
    // Only on the dividers of the header row.
    if (fixedRows_ == 0 || point.y() < 0 || point.y() >= GetFixedRowHeight())
        return false;
    int x = 0;
    auto hit = [&](int c) {
        const int w = colWidths_[static_cast<size_t>(c)];
        x += w;
        if (w > 0 && std::abs(point.x() - x) <= kResizeCaptureRange) {
            *col = c;
            return true;
        }
        return false;
    };
    for (int c = 0; c < fixedCols_; ++c)
        if (hit(c))
            return true;
    for (int c = LeftCol(); c < GetColumnCount() && x <= viewport()->width(); ++c)
        if (hit(c))
            return true;
    return false;
}

bool CGridCtrl::MouseOverRowResizeArea(const QPoint& point, int* row) const {
    // Only on the dividers of the header column.
    if (fixedCols_ == 0 || point.x() < 0 || point.x() >= GetFixedColumnWidth())
        return false;
    int y = 0;
    auto hit = [&](int r) {
        const int h = rows_[static_cast<size_t>(r)].height;
        y += h;
        if (h > 0 && std::abs(point.y() - y) <= kResizeCaptureRange) {
            *row = r;
            return true;
        }
        return false;
    };
    for (int r = 0; r < fixedRows_; ++r)
        if (hit(r))
            return true;
    for (int r = TopRow(); r < GetRowCount() && y <= viewport()->height(); ++r)
        if (hit(r))
            return true;
    return false;
}

void CGridCtrl::HeaderPress(const CCellID& cell, Qt::KeyboardModifiers modifiers) {
    MouseMode mode = MouseMode::Nothing;
    if (cell.row < fixedRows_) {
        if (headerSort_ && cell.col >= fixedCols_) {
            const bool ascending = cell.col == sortColumn_ ? !sortAscending_ : true;
            SortItems(cell.col, ascending);
        }
        if (fixedRowSelection_)
            mode = cell.col < fixedCols_ ? MouseMode::SelectAll : MouseMode::SelectCol;
    } else if (fixedColumnSelection_) {
        mode = MouseMode::SelectRow;
    }
    if (mode == MouseMode::Nothing || !enableSelection_)
        return;

    // The first data cell of the pressed column or row stands for it.
    CCellID target(cell.row < fixedRows_ ? TopRow() : cell.row,
                   cell.col < fixedCols_ ? LeftCol() : cell.col);
    if (!IsValid(target))
        return;
    emit SelectionChanging(target.row, target.col);
    if (modifiers & Qt::ControlModifier)
        previousSelection_ = selection_;
    else
        previousSelection_.clear();
    if (!(modifiers & Qt::ShiftModifier) || !anchorCell_.IsValid())
        anchorCell_ = target;
    mouseMode_ = mode;
    OnSelecting(target);
    autoScrollTimer_.start(kAutoScrollMs, this);
}

void CGridCtrl::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    HideTitleTip();
    if (editor_)
        EndEditing();
    setFocus(Qt::MouseFocusReason);
    lastMousePoint_ = pos;
    if (event->button() != Qt::LeftButton)
        return;
    leftClickDownPoint_ = pos;

    int index = -1;
    if (columnResize_ && MouseOverColumnResizeArea(pos, &index)) {
        mouseMode_ = MouseMode::SizingColumn;
        resizeIndex_ = index;
        resizeLinePos_ = pos.x();
        Refresh();
        return;
    }
    if (rowResize_ && MouseOverRowResizeArea(pos, &index)) {
        mouseMode_ = MouseMode::SizingRow;
        resizeIndex_ = index;
        resizeLinePos_ = pos.y();
        Refresh();
        return;
    }

    const CCellID cell = GetCellFromPt(pos);
    leftClickDownCell_ = cell;
    if (!cell.IsValid())
        return;
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if (cell.row < fixedRows_ || cell.col < fixedCols_) {
        HeaderPress(cell, modifiers);
        return;
    }

    emit SelectionChanging(cell.row, cell.col);
    if (modifiers & Qt::ControlModifier)
        previousSelection_ = selection_;
    else
        previousSelection_.clear();
    if (!(modifiers & Qt::ShiftModifier) || !anchorCell_.IsValid() ||
        (listMode_ && singleRowSelection_))
        anchorCell_ = cell;
    mouseMode_ = listMode_ ? MouseMode::SelectRow : MouseMode::SelectCells;
    SetFocusCell(cell);
    OnSelecting(cell);
    autoScrollTimer_.start(kAutoScrollMs, this);
}

void CGridCtrl::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    lastMousePoint_ = pos;
    if (!(event->buttons() & Qt::LeftButton)) {
        int index = -1;
        if (columnResize_ && MouseOverColumnResizeArea(pos, &index))
            viewport()->setCursor(Qt::SplitHCursor);
        else if (rowResize_ && MouseOverRowResizeArea(pos, &index))
            viewport()->setCursor(Qt::SplitVCursor);
        else
            viewport()->unsetCursor();

        if (titleTips_) {
            const CCellID cell = GetCellFromPt(pos);
            if (tipCell_.IsValid() &&
                (cell != tipCell_ || !TextRect(cell.row, cell.col).contains(pos)))
                HideTitleTip();
            if (cell.IsValid() && !tipCell_.IsValid() && TextRect(cell.row, cell.col).contains(pos))
                ShowTitleTip(cell);
        }
        return;
    }

    switch (mouseMode_) {
    case MouseMode::SizingColumn:
        resizeLinePos_ = pos.x();
        Refresh();
        break;
    case MouseMode::SizingRow:
        resizeLinePos_ = pos.y();
        Refresh();
        break;
    case MouseMode::SelectAll:
    case MouseMode::SelectCol:
    case MouseMode::SelectRow:
    case MouseMode::SelectCells: {
        const CCellID cell = ClampedCellFromPt(pos);
        if (cell.IsValid() && cell != lastDragCell_) {
            if (mouseMode_ == MouseMode::SelectCells ||
                (mouseMode_ == MouseMode::SelectRow && leftClickDownCell_.col >= fixedCols_))
                SetFocusCell(cell);
            OnSelecting(cell);
        }
        break;
    }
    default:
        break;
    }
}

void CGridCtrl::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const CCellID cell = GetCellFromPt(pos);
    if (event->button() == Qt::RightButton) {
        emit RightClick(cell.row, cell.col);
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;

    autoScrollTimer_.stop();
    const MouseMode mode = mouseMode_;
    mouseMode_ = MouseMode::Nothing;
    switch (mode) {
    case MouseMode::SizingColumn:
    case MouseMode::SizingRow:
        if (pos != leftClickDownPoint_) {
            // The divider goes where the pointer is; dragged past the far
            // edge the column or row is hidden.
            if (mode == MouseMode::SizingColumn)
                SetColumnWidth(resizeIndex_, std::max(0, pos.x() - ColumnLeft(resizeIndex_)));
            else
                SetRowHeight(resizeIndex_, std::max(0, pos.y() - RowTop(resizeIndex_)));
            UpdateScrollBars();
        }
        resizeLinePos_ = -1;
        resizeIndex_ = -1;
        Refresh();
        break;
    case MouseMode::SelectAll:
    case MouseMode::SelectCol:
    case MouseMode::SelectRow:
    case MouseMode::SelectCells:
        previousSelection_.clear();
        emit SelectionChanged(lastDragCell_.row, lastDragCell_.col);
        break;
    default:
        break;
    }
    emit Click(cell.row, cell.col);
}

void CGridCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pos = event->position().toPoint();
    int index = -1;
    if (columnResize_ && MouseOverColumnResizeArea(pos, &index)) {
        mouseMode_ = MouseMode::Nothing;
        AutoSizeColumn(index);
        UpdateScrollBars();
        Refresh();
        return;
    }
    if (rowResize_ && MouseOverRowResizeArea(pos, &index)) {
        mouseMode_ = MouseMode::Nothing;
        AutoSizeRow(index);
        UpdateScrollBars();
        Refresh();
        return;
    }
    const CCellID cell = GetCellFromPt(pos);
    if (!cell.IsValid())
        return;
    if (!IsCellFixed(cell.row, cell.col) && IsCellEditable(cell.row, cell.col))
        StartEdit(cell.row, cell.col, EditStart::Mouse, nullptr);
    emit DoubleClick(cell.row, cell.col);
}

void CGridCtrl::timerEvent(QTimerEvent* event) {
    if (event->timerId() != autoScrollTimer_.timerId()) {
        QAbstractScrollArea::timerEvent(event);
        return;
    }
    if (mouseMode_ != MouseMode::SelectAll && mouseMode_ != MouseMode::SelectCol &&
        mouseMode_ != MouseMode::SelectRow && mouseMode_ != MouseMode::SelectCells) {
        autoScrollTimer_.stop();
        return;
    }
    // While a selection is dragged past an edge, scroll one row or column
    // per tick and stretch the selection to the pointer.
    EnsureLayout();
    const QPoint p = lastMousePoint_;
    if (mouseMode_ != MouseMode::SelectCol) {
        if (p.y() < GetFixedRowHeight())
            verticalScrollBar()->setValue(verticalScrollBar()->value() - 1);
        else if (p.y() >= viewport()->height())
            verticalScrollBar()->setValue(verticalScrollBar()->value() + 1);
    }
    if (mouseMode_ != MouseMode::SelectRow) {
        if (p.x() < GetFixedColumnWidth())
            horizontalScrollBar()->setValue(horizontalScrollBar()->value() - 1);
        else if (p.x() >= viewport()->width())
            horizontalScrollBar()->setValue(horizontalScrollBar()->value() + 1);
    }
    const CCellID cell = ClampedCellFromPt(p);
    if (cell.IsValid() && cell != lastDragCell_) {
        if (mouseMode_ == MouseMode::SelectCells ||
            (mouseMode_ == MouseMode::SelectRow && leftClickDownCell_.col >= fixedCols_))
            SetFocusCell(cell);
        OnSelecting(cell);
    }
}

void CGridCtrl::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        event->ignore();
        return;
    }
    EnsureLayout();
    if (editor_)
        EndEditing();
    // Whole rows per notch; fine-grained wheels add up to notches first.
    if (wheelLines_ == kWheelPageScroll) {
        wheelRemainder_ += delta;
        const int pages = wheelRemainder_ / 120;
        wheelRemainder_ -= pages * 120;
        verticalScrollBar()->setValue(verticalScrollBar()->value() -
                                      pages * verticalScrollBar()->pageStep());
    } else {
        wheelRemainder_ += delta * static_cast<int>(wheelLines_);
        const int rows = wheelRemainder_ / 120;
        wheelRemainder_ -= rows * 120;
        verticalScrollBar()->setValue(verticalScrollBar()->value() - rows);
    }
    event->accept();
}

bool CGridCtrl::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Leave)
        HideTitleTip();
    return QAbstractScrollArea::viewportEvent(event);
}

void CGridCtrl::leaveEvent(QEvent* event) {
    HideTitleTip();
    QAbstractScrollArea::leaveEvent(event);
}

void CGridCtrl::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    Refresh();
}

void CGridCtrl::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    Refresh();
}

// ---- Title tips ---------------------------------------------------------------------

void CGridCtrl::ShowTitleTip(const CCellID& cell) {
    if (!titleTips_ || mouseMode_ != MouseMode::Nothing || editor_ || !IsValid(cell))
        return;
    QRect cellRect;
    if (!GetCellRect(cell.row, cell.col, &cellRect))
        return;
    const QRect textRect = TextRect(cell.row, cell.col);
    QString text = ShownText(GetItemText(cell.row, cell.col));
    text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QFont font = GetItemFont(cell.row, cell.col);
    if (text.isEmpty() || QFontMetricsF(font).horizontalAdvance(text) <= textRect.width())
        return;
    // The tip never reaches beyond the screen the grid is on.
    if (const QScreen* shown = screen())
        text = QFontMetrics(font).elidedText(text, Qt::ElideRight,
                                             shown->availableGeometry().width() - 40);
    QColor back = GetItemBkColour(cell.row, cell.col);
    QColor fore = GetItemFgColour(cell.row, cell.col);
    if (IsCellSelected(cell.row, cell.col)) {
        back = palette().color(QPalette::Highlight);
        fore = palette().color(QPalette::HighlightedText);
    }
    if (!titleTip_)
        titleTip_ = new GridTitleTip(this);
    titleTip_->ShowTip(viewport()->mapToGlobal(cellRect.topLeft()), cellRect.height(), text, font,
                       fore, back, GetItemMargin(cell.row, cell.col));
    tipCell_ = cell;
}

void CGridCtrl::HideTitleTip() {
    tipCell_ = CCellID();
    if (titleTip_)
        titleTip_->hide();
}

// ---- Keyboard -----------------------------------------------------------------------

CCellID CGridCtrl::NextCellForKey(int key, Qt::KeyboardModifiers modifiers, bool* handled) {
    const CCellID cur = focusCell_;
    const int rows = GetRowCount();
    const int cols = GetColumnCount();
    auto rowShown = [this](int r) { return rows_[static_cast<size_t>(r)].height > 0; };
    auto colShown = [this](int c) { return colWidths_[static_cast<size_t>(c)] > 0; };
    auto firstCol = [&]() {
        for (int c = fixedCols_; c < cols; ++c)
            if (colShown(c))
                return c;
        return -1;
    };
    auto lastCol = [&]() {
        for (int c = cols - 1; c >= fixedCols_; --c)
            if (colShown(c))
                return c;
        return -1;
    };
    auto firstRow = [&]() {
        for (int r = fixedRows_; r < rows; ++r)
            if (rowShown(r))
                return r;
        return -1;
    };
    auto lastRow = [&]() {
        for (int r = rows - 1; r >= fixedRows_; --r)
            if (rowShown(r))
                return r;
        return -1;
    };
    const bool ctrl = modifiers & Qt::ControlModifier;
    *handled = true;
    switch (key) {
    case Qt::Key_Down:
        for (int r = cur.row + 1; r < rows; ++r)
            if (rowShown(r))
                return CCellID(r, cur.col);
        return cur;
    case Qt::Key_Up:
        for (int r = cur.row - 1; r >= fixedRows_; --r)
            if (rowShown(r))
                return CCellID(r, cur.col);
        return cur;
    case Qt::Key_Right:
        for (int c = cur.col + 1; c < cols; ++c)
            if (colShown(c))
                return CCellID(cur.row, c);
        return cur;
    case Qt::Key_Left:
        for (int c = cur.col - 1; c >= fixedCols_; --c)
            if (colShown(c))
                return CCellID(cur.row, c);
        return cur;
    case Qt::Key_Tab:
        for (int c = cur.col + 1; c < cols; ++c)
            if (colShown(c))
                return CCellID(cur.row, c);
        for (int r = cur.row + 1; r < rows; ++r)
            if (rowShown(r) && firstCol() >= 0)
                return CCellID(r, firstCol());
        *handled = false;
        return CCellID();
    case Qt::Key_Backtab:
        for (int c = cur.col - 1; c >= fixedCols_; --c)
            if (colShown(c))
                return CCellID(cur.row, c);
        for (int r = cur.row - 1; r >= fixedRows_; --r)
            if (rowShown(r) && lastCol() >= 0)
                return CCellID(r, lastCol());
        *handled = false;
        return CCellID();
    case Qt::Key_PageDown:
    case Qt::Key_PageUp: {
        EnsureLayout();
        const bool down = key == Qt::Key_PageDown;
        const int oldTop = TopRow();
        QScrollBar* bar = verticalScrollBar();
        bar->setValue(bar->value() + (down ? bar->pageStep() : -bar->pageStep()));
        int step = std::abs(TopRow() - oldTop);
        if (step == 0)
            step = PageRows();
        const int row =
            down ? std::min(cur.row + step, rows - 1) : std::max(cur.row - step, fixedRows_);
        return CCellID(row, cur.col);
    }
    case Qt::Key_Home:
    case Qt::Key_End: {
        EnsureLayout();
        const bool home = key == Qt::Key_Home;
        QScrollBar* hbar = horizontalScrollBar();
        hbar->setValue(home ? hbar->minimum() : hbar->maximum());
        const int col = home ? firstCol() : lastCol();
        int row = cur.row;
        if (ctrl) {
            QScrollBar* vbar = verticalScrollBar();
            vbar->setValue(home ? vbar->minimum() : vbar->maximum());
            row = home ? firstRow() : lastRow();
        }
        if (row < 0 || col < 0)
            return cur;
        return CCellID(row, col);
    }
    default:
        *handled = false;
        return CCellID();
    }
}

bool CGridCtrl::MoveFocusByKey(int key, Qt::KeyboardModifiers modifiers) {
    bool handled = false;
    const CCellID next = NextCellForKey(key, modifiers, &handled);
    if (!handled)
        return false;
    if (!IsValid(next) || next == focusCell_)
        return true;
    // Tab and Shift+Tab always start a new selection.
    const bool extend =
        (modifiers & Qt::ShiftModifier) && key != Qt::Key_Tab && key != Qt::Key_Backtab;
    emit SelectionChanging(next.row, next.col);
    if (!extend || !anchorCell_.IsValid())
        anchorCell_ = next;
    previousSelection_.clear();
    SelectFromAnchor(next);
    emit SelectionChanged(next.row, next.col);
    SetFocusCell(next);
    EnsureVisible(next);
    return true;
}

bool CGridCtrl::focusNextPrevChild(bool next) {
    // Tab moves between cells; only from the last (first) cell does it leave
    // the grid.
    if (!editor_ && IsValid(focusCell_)) {
        bool handled = false;
        NextCellForKey(next ? Qt::Key_Tab : Qt::Key_Backtab, Qt::NoModifier, &handled);
        if (handled)
            return false;
    }
    return QAbstractScrollArea::focusNextPrevChild(next);
}

void CGridCtrl::keyPressEvent(QKeyEvent* event) {
    if (!IsValid(focusCell_)) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const bool ctrl = modifiers & Qt::ControlModifier;
    const bool shift = modifiers & Qt::ShiftModifier;
    const int key = event->key();

    if (ctrl && key == Qt::Key_A) {
        OnEditSelectAll();
        return;
    }
    if (ctrl && (key == Qt::Key_C || key == Qt::Key_Insert)) {
        OnEditCopy();
        return;
    }
    if ((ctrl && key == Qt::Key_V) || (shift && key == Qt::Key_Insert)) {
        OnEditPaste();
        return;
    }
    if (ctrl && key == Qt::Key_X) {
        OnEditCut();
        return;
    }
    if (key == Qt::Key_Delete) {
        OnEditDelete();
        return;
    }
    if (MoveFocusByKey(key, modifiers))
        return;

    const QString text = event->text();
    if (!ctrl && key != Qt::Key_Escape && key != Qt::Key_Tab && key != Qt::Key_Backtab &&
        mouseMode_ == MouseMode::Nothing && !text.isEmpty() && text.at(0).isPrint()) {
        // Typing into a cell starts editing it with that character; in a
        // read-only grid or cell the key is swallowed.
        if (IsCellEditable(focusCell_.row, focusCell_.col))
            StartEdit(focusCell_.row, focusCell_.col, EditStart::Keyboard, event);
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}
