// Geometry, scrolling, auto-sizing and painting of CGridCtrl. Scroll bar
// values count whole rows and columns: the vertical value is the number of
// non-fixed rows scrolled off the top, the horizontal one the number of
// non-fixed columns scrolled off the left.

#include "ui/GridCtrl.h"

#include "ui/GridTitleTip.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

constexpr int kNotShown = INT_MIN;

Qt::Alignment AlignmentOf(quint32 format) {
    Qt::Alignment align;
    if (format & CGridCell::DT_CENTER)
        align |= Qt::AlignHCenter;
    else if (format & CGridCell::DT_RIGHT)
        align |= Qt::AlignRight;
    else
        align |= Qt::AlignLeft;
    if (format & CGridCell::DT_VCENTER)
        align |= Qt::AlignVCenter;
    else if (format & CGridCell::DT_BOTTOM)
        align |= Qt::AlignBottom;
    else
        align |= Qt::AlignTop;
    return align;
}

QString SingleLine(QString text) {
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

} // namespace

QString CGridCtrl::ShownText(const QString& text) {
    qsizetype end = std::min(text.size(), kShownChars);
    int lines = 1;
    for (qsizetype i = 0; i < end; ++i) {
        if (text[i] == QLatin1Char('\n') && ++lines > kShownLines) {
            end = i;
            break;
        }
    }
    if (end == text.size())
        return text;
    if (end > 0 && text[end - 1].isHighSurrogate())
        --end;
    return text.left(end) + QChar(0x2026);
}

// ---- Pending work -------------------------------------------------------------

void CGridCtrl::ScheduleLayout() {
    if (layoutPending_)
        return;
    layoutPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (layoutPending_)
                UpdateScrollBars();
        },
        Qt::QueuedConnection);
}

void CGridCtrl::EnsureLayout() {
    if (layoutPending_)
        UpdateScrollBars();
}

void CGridCtrl::ScheduleRepaint() {
    // One update request per batch of changes: a page fill sets thousands of
    // texts and must not pay for thousands of dirty-region unions.
    if (!allowDraw_ || repaintPending_)
        return;
    repaintPending_ = true;
    viewport()->update();
}

void CGridCtrl::Refresh() {
    repaintPending_ = true;
    viewport()->update();
}

void CGridCtrl::RedrawCell(int row, int col) {
    if (IsValid(row, col))
        ScheduleRepaint();
}

void CGridCtrl::RedrawRow(int row) {
    if (row >= 0 && row < GetRowCount())
        ScheduleRepaint();
}

void CGridCtrl::RedrawColumn(int col) {
    if (col >= 0 && col < GetColumnCount())
        ScheduleRepaint();
}

// ---- Sizes ------------------------------------------------------------------------

bool CGridCtrl::SetRowHeight(int row, int height) {
    if (row < 0 || row >= GetRowCount() || height < 0)
        return false;
    rows_[static_cast<size_t>(row)].height = height;
    ScheduleLayout();
    ScheduleRepaint();
    return true;
}

int CGridCtrl::GetRowHeight(int row) const {
    if (row < 0 || row >= GetRowCount())
        return -1;
    return rows_[static_cast<size_t>(row)].height;
}

bool CGridCtrl::SetColumnWidth(int col, int width) {
    if (col < 0 || col >= GetColumnCount() || width < 0)
        return false;
    colWidths_[static_cast<size_t>(col)] = width;
    ScheduleLayout();
    ScheduleRepaint();
    return true;
}

int CGridCtrl::GetColumnWidth(int col) const {
    if (col < 0 || col >= GetColumnCount())
        return -1;
    return colWidths_[static_cast<size_t>(col)];
}

int CGridCtrl::GetFixedRowHeight() const {
    int height = 0;
    for (int r = 0; r < fixedRows_; ++r)
        height += rows_[static_cast<size_t>(r)].height;
    return height;
}

int CGridCtrl::GetFixedColumnWidth() const {
    int width = 0;
    for (int c = 0; c < fixedCols_; ++c)
        width += colWidths_[static_cast<size_t>(c)];
    return width;
}

int CGridCtrl::GetVirtualHeight() const {
    int height = 0;
    for (const Row& row : rows_)
        height += row.height;
    return height;
}

int CGridCtrl::GetVirtualWidth() const {
    int width = 0;
    for (int w : colWidths_)
        width += w;
    return width;
}

int CGridCtrl::MeasureTextWidth(int row, int col, const QString& whole) const {
    // Fractional advances are rounded up so that a fitted text is never
    // elided when painted.
    const QString text = ShownText(whole);
    const QFontMetricsF metrics(GetItemFont(row, col));
    qreal width = 0;
    if (GetItemFormat(row, col) & CGridCell::DT_SINGLELINE) {
        width = metrics.horizontalAdvance(SingleLine(text));
    } else {
        const auto lines = text.split(QLatin1Char('\n'));
        for (const QString& line : lines)
            width = std::max(width, metrics.horizontalAdvance(line));
    }
    // One more pixel for the grid line at the cell's right edge.
    width = std::min<qreal>(width, kMaxAutoSizeWidth);
    return static_cast<int>(std::ceil(width)) + 2 * GetItemMargin(row, col) + 1;
}

int CGridCtrl::MeasureTextHeight(int row, int col, const QString& whole) const {
    const QString text = ShownText(whole);
    const QFontMetrics metrics(GetItemFont(row, col));
    int lines = 1;
    if (!(GetItemFormat(row, col) & CGridCell::DT_SINGLELINE))
        lines = static_cast<int>(text.count(QLatin1Char('\n'))) + 1;
    return lines * metrics.height() + 2 * GetItemMargin(row, col) + 1;
}

bool CGridCtrl::AutoSizeColumn(int col, int style) {
    if (col < 0 || col >= GetColumnCount())
        return false;
    if (colWidths_[static_cast<size_t>(col)] == 0)
        return true; // hidden columns stay hidden
    if (style == GVS_DEFAULT)
        style = autoSizeStyle_;
    const int from = (style & GVS_HEADER) ? 0 : fixedRows_;
    const int to = (style & GVS_DATA) ? GetRowCount() : fixedRows_;
    int width = -1;
    for (int r = from; r < to; ++r) {
        if (rows_[static_cast<size_t>(r)].height == 0)
            continue;
        width = std::max(width, MeasureTextWidth(r, col, GetItemText(r, col)));
    }
    if (width < 0)
        return true;
    return SetColumnWidth(col, width);
}

bool CGridCtrl::AutoSizeRow(int row) {
    if (row < 0 || row >= GetRowCount())
        return false;
    if (rows_[static_cast<size_t>(row)].height == 0)
        return true;
    int height = -1;
    for (int c = 0; c < GetColumnCount(); ++c) {
        if (colWidths_[static_cast<size_t>(c)] == 0)
            continue;
        height = std::max(height, MeasureTextHeight(row, c, GetItemText(row, c)));
    }
    if (height < 0)
        return true;
    return SetRowHeight(row, height);
}

void CGridCtrl::AutoSizeColumns(int style) {
    for (int c = 0; c < GetColumnCount(); ++c)
        AutoSizeColumn(c, style);
}

void CGridCtrl::AutoSizeRows() {
    for (int r = 0; r < GetRowCount(); ++r)
        AutoSizeRow(r);
}

void CGridCtrl::AutoSize(int style) {
    if (style == GVS_DEFAULT)
        style = autoSizeStyle_;
    AutoSizeColumns(style);
    const int from = (style & GVS_HEADER) ? 0 : fixedRows_;
    const int to = (style & GVS_DATA) ? GetRowCount() : fixedRows_;
    for (int r = from; r < to; ++r)
        AutoSizeRow(r);
}

// ---- Geometry ---------------------------------------------------------------------

int CGridCtrl::TopRow() const {
    return std::min(fixedRows_ + verticalScrollBar()->value(), GetRowCount());
}

int CGridCtrl::LeftCol() const {
    return std::min(fixedCols_ + horizontalScrollBar()->value(), GetColumnCount());
}

int CGridCtrl::RowTop(int row) const {
    if (row < 0 || row >= GetRowCount())
        return kNotShown;
    int y = 0;
    if (row < fixedRows_) {
        for (int r = 0; r < row; ++r)
            y += rows_[static_cast<size_t>(r)].height;
        return y;
    }
    const int top = TopRow();
    if (row < top)
        return kNotShown;
    y = GetFixedRowHeight();
    for (int r = top; r < row; ++r) {
        y += rows_[static_cast<size_t>(r)].height;
        if (y > viewport()->height())
            return kNotShown;
    }
    return y;
}

int CGridCtrl::ColumnLeft(int col) const {
    if (col < 0 || col >= GetColumnCount())
        return kNotShown;
    int x = 0;
    if (col < fixedCols_) {
        for (int c = 0; c < col; ++c)
            x += colWidths_[static_cast<size_t>(c)];
        return x;
    }
    const int left = LeftCol();
    if (col < left)
        return kNotShown;
    x = GetFixedColumnWidth();
    for (int c = left; c < col; ++c) {
        x += colWidths_[static_cast<size_t>(c)];
        if (x > viewport()->width())
            return kNotShown;
    }
    return x;
}

bool CGridCtrl::GetCellRect(int row, int col, QRect* rect) const {
    const int y = RowTop(row);
    const int x = ColumnLeft(col);
    if (y == kNotShown || x == kNotShown)
        return false;
    if (rect)
        *rect = QRect(x, y, colWidths_[static_cast<size_t>(col)],
                      rows_[static_cast<size_t>(row)].height);
    return true;
}

bool CGridCtrl::IsCellVisible(int row, int col) const {
    QRect rect;
    return GetCellRect(row, col, &rect) && rect.width() > 0 && rect.height() > 0 &&
           rect.intersects(viewport()->rect());
}

int CGridCtrl::RowAtY(int y) const {
    if (y < 0)
        return -1;
    int acc = 0;
    for (int r = 0; r < fixedRows_; ++r) {
        acc += rows_[static_cast<size_t>(r)].height;
        if (y < acc)
            return r;
    }
    for (int r = TopRow(); r < GetRowCount(); ++r) {
        acc += rows_[static_cast<size_t>(r)].height;
        if (y < acc)
            return r;
        if (acc > viewport()->height())
            break;
    }
    return -1;
}

int CGridCtrl::ColAtX(int x) const {
    if (x < 0)
        return -1;
    int acc = 0;
    for (int c = 0; c < fixedCols_; ++c) {
        acc += colWidths_[static_cast<size_t>(c)];
        if (x < acc)
            return c;
    }
    for (int c = LeftCol(); c < GetColumnCount(); ++c) {
        acc += colWidths_[static_cast<size_t>(c)];
        if (x < acc)
            return c;
        if (acc > viewport()->width())
            break;
    }
    return -1;
}

CCellID CGridCtrl::GetCellFromPt(const QPoint& point) const {
    const int row = RowAtY(point.y());
    const int col = ColAtX(point.x());
    if (row < 0 || col < 0)
        return CCellID();
    return CCellID(row, col);
}

int CGridCtrl::LastVisibleRow(bool partial) const {
    int y = GetFixedRowHeight();
    int last = -1;
    for (int r = TopRow(); r < GetRowCount(); ++r) {
        const int h = rows_[static_cast<size_t>(r)].height;
        if (y + h > viewport()->height()) {
            if (partial && y < viewport()->height() && h > 0)
                last = r;
            break;
        }
        y += h;
        if (h > 0)
            last = r;
    }
    return last;
}

int CGridCtrl::LastVisibleCol(bool partial) const {
    int x = GetFixedColumnWidth();
    int last = -1;
    for (int c = LeftCol(); c < GetColumnCount(); ++c) {
        const int w = colWidths_[static_cast<size_t>(c)];
        if (x + w > viewport()->width()) {
            if (partial && x < viewport()->width() && w > 0)
                last = c;
            break;
        }
        x += w;
        if (w > 0)
            last = c;
    }
    return last;
}

CCellID CGridCtrl::ClampedCellFromPt(const QPoint& point) const {
    // The data cell nearest to a point anywhere, even outside the window, for
    // dragging a selection past the edges.
    int row = -1;
    if (point.y() < GetFixedRowHeight()) {
        for (int r = TopRow(); r < GetRowCount() && row < 0; ++r)
            if (rows_[static_cast<size_t>(r)].height > 0)
                row = r;
    } else {
        row = RowAtY(point.y());
        if (row < 0)
            row = LastVisibleRow(true);
    }
    int col = -1;
    if (point.x() < GetFixedColumnWidth()) {
        for (int c = LeftCol(); c < GetColumnCount() && col < 0; ++c)
            if (colWidths_[static_cast<size_t>(c)] > 0)
                col = c;
    } else {
        col = ColAtX(point.x());
        if (col < 0)
            col = LastVisibleCol(true);
    }
    if (row < fixedRows_ || col < fixedCols_)
        return CCellID();
    return CCellID(row, col);
}

CCellID CGridCtrl::GetTopLeftNonFixedCell() const {
    return CCellID(TopRow(), LeftCol());
}

CCellRange CGridCtrl::GetVisibleNonFixedCellRange() const {
    return CCellRange(TopRow(), LeftCol(), LastVisibleRow(true), LastVisibleCol(true));
}

int CGridCtrl::PageRows() const {
    int rows = 0;
    int y = GetFixedRowHeight();
    for (int r = TopRow(); r < GetRowCount(); ++r) {
        y += rows_[static_cast<size_t>(r)].height;
        if (y > viewport()->height())
            break;
        ++rows;
    }
    return std::max(rows, 1);
}

int CGridCtrl::PageCols() const {
    int cols = 0;
    int x = GetFixedColumnWidth();
    for (int c = LeftCol(); c < GetColumnCount(); ++c) {
        x += colWidths_[static_cast<size_t>(c)];
        if (x > viewport()->width())
            break;
        ++cols;
    }
    return std::max(cols, 1);
}

// ---- Scrolling --------------------------------------------------------------------

void CGridCtrl::UpdateScrollBars() {
    layoutPending_ = false;
    // The largest top row is the first of the rows that just fill the
    // scrolled area when the last row is at the bottom.
    const int availHeight = viewport()->height() - GetFixedRowHeight();
    int firstAtBottom = GetRowCount();
    int sum = 0;
    for (int r = GetRowCount() - 1; r >= fixedRows_; --r) {
        const int h = rows_[static_cast<size_t>(r)].height;
        if (sum + h > availHeight)
            break;
        sum += h;
        firstAtBottom = r;
    }
    if (firstAtBottom == GetRowCount())
        firstAtBottom = std::max(fixedRows_, GetRowCount() - 1);
    verticalScrollBar()->setRange(0, std::max(0, firstAtBottom - fixedRows_));
    verticalScrollBar()->setPageStep(PageRows());

    const int availWidth = viewport()->width() - GetFixedColumnWidth();
    int firstAtRight = GetColumnCount();
    sum = 0;
    for (int c = GetColumnCount() - 1; c >= fixedCols_; --c) {
        const int w = colWidths_[static_cast<size_t>(c)];
        if (sum + w > availWidth)
            break;
        sum += w;
        firstAtRight = c;
    }
    if (firstAtRight == GetColumnCount())
        firstAtRight = std::max(fixedCols_, GetColumnCount() - 1);
    horizontalScrollBar()->setRange(0, std::max(0, firstAtRight - fixedCols_));
    horizontalScrollBar()->setPageStep(PageCols());
}

void CGridCtrl::EnsureVisible(int row, int col) {
    if (!IsValid(row, col))
        return;
    EnsureLayout();
    if (row >= fixedRows_) {
        const int avail = viewport()->height() - GetFixedRowHeight();
        if (row < TopRow()) {
            verticalScrollBar()->setValue(row - fixedRows_);
        } else {
            int newTop = row;
            int sum = 0;
            for (int r = row; r >= fixedRows_; --r) {
                const int h = rows_[static_cast<size_t>(r)].height;
                if (sum + h > avail)
                    break;
                sum += h;
                newTop = r;
            }
            if (newTop > TopRow())
                verticalScrollBar()->setValue(newTop - fixedRows_);
        }
    }
    if (col >= fixedCols_) {
        const int avail = viewport()->width() - GetFixedColumnWidth();
        if (col < LeftCol()) {
            horizontalScrollBar()->setValue(col - fixedCols_);
        } else {
            int newLeft = col;
            int sum = 0;
            for (int c = col; c >= fixedCols_; --c) {
                const int w = colWidths_[static_cast<size_t>(c)];
                if (sum + w > avail)
                    break;
                sum += w;
                newLeft = c;
            }
            if (newLeft > LeftCol())
                horizontalScrollBar()->setValue(newLeft - fixedCols_);
        }
    }
}

void CGridCtrl::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void CGridCtrl::scrollContentsBy(int /*dx*/, int /*dy*/) {
    HideTitleTip();
    if (editor_)
        EndEditing();
    Refresh();
}

// ---- Painting ---------------------------------------------------------------------

void CGridCtrl::paintEvent(QPaintEvent* event) {
    repaintPending_ = false;
    EnsureLayout();
    QPainter painter(viewport());
    painter.fillRect(event->rect(), gridBkColour_);

    const int width = viewport()->width();
    const int height = viewport()->height();
    struct Band {
        int index;
        int pos;
        int size;
    };
    std::vector<Band> rowBands;
    std::vector<Band> colBands;
    int y = 0;
    for (int r = 0; r < fixedRows_ && y < height; ++r) {
        rowBands.push_back({r, y, rows_[static_cast<size_t>(r)].height});
        y += rows_[static_cast<size_t>(r)].height;
    }
    for (int r = TopRow(); r < GetRowCount() && y < height; ++r) {
        rowBands.push_back({r, y, rows_[static_cast<size_t>(r)].height});
        y += rows_[static_cast<size_t>(r)].height;
    }
    int x = 0;
    for (int c = 0; c < fixedCols_ && x < width; ++c) {
        colBands.push_back({c, x, colWidths_[static_cast<size_t>(c)]});
        x += colWidths_[static_cast<size_t>(c)];
    }
    for (int c = LeftCol(); c < GetColumnCount() && x < width; ++c) {
        colBands.push_back({c, x, colWidths_[static_cast<size_t>(c)]});
        x += colWidths_[static_cast<size_t>(c)];
    }

    if (virtualMode_ && !rowBands.empty() && !colBands.empty())
        emit CacheHint(rowBands.front().index, colBands.front().index, rowBands.back().index,
                       colBands.back().index);

    for (const Band& rb : rowBands) {
        if (rb.size <= 0)
            continue;
        for (const Band& cb : colBands) {
            if (cb.size <= 0)
                continue;
            const QRect rect(cb.pos, rb.pos, cb.size, rb.size);
            if (rect.intersects(event->rect()))
                DrawCell(painter, rb.index, cb.index, rect);
        }
    }

    if (resizeLinePos_ >= 0 &&
        (mouseMode_ == MouseMode::SizingColumn || mouseMode_ == MouseMode::SizingRow)) {
        // An inverted line shows where the divider will go.
        painter.setClipping(false);
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.setPen(QPen(Qt::white, 1));
        if (mouseMode_ == MouseMode::SizingColumn)
            painter.drawLine(resizeLinePos_, 0, resizeLinePos_, height);
        else
            painter.drawLine(0, resizeLinePos_, width, resizeLinePos_);
    }
}

void CGridCtrl::DrawCell(QPainter& painter, int row, int col, const QRect& rect) const {
    const CGridCell* cell = GetCell(row, col);
    if (!cell)
        return;
    const CGridDefaultCell& def = DefaultFor(row, col);
    const bool fixed = row < fixedRows_ || col < fixedCols_;
    QColor back = cell->GetBackClr().isValid() ? cell->GetBackClr() : def.GetBackClr();
    QColor fore = cell->GetTextClr().isValid() ? cell->GetTextClr() : def.GetTextClr();
    if (!fixed && (cell->IsSelected() || cell->IsDropHighlighted())) {
        back = palette().color(QPalette::Highlight);
        fore = palette().color(QPalette::HighlightedText);
    }
    if (fixed && trackFocusCell_ && focusCell_.IsValid() &&
        ((row < fixedRows_ && col == focusCell_.col) ||
         (col < fixedCols_ && row == focusCell_.row))) {
        // The headers of the focus cell's row and column stand out.
        back = back.darker(115);
    }

    painter.setClipRect(rect);
    painter.fillRect(rect, back);
    if (fixed) {
        // A raised edge: light at the top and left, shadow at the bottom and right.
        painter.setPen(back.lighter(135));
        painter.drawLine(rect.topLeft(), rect.topRight());
        painter.drawLine(rect.topLeft(), rect.bottomLeft());
        painter.setPen(back.darker(160));
        painter.drawLine(rect.bottomLeft(), rect.bottomRight());
        painter.drawLine(rect.topRight(), rect.bottomRight());
    } else {
        painter.setPen(gridLineColour_);
        if (gridLines_ & GVL_HORZ)
            painter.drawLine(rect.bottomLeft(), rect.bottomRight());
        if (gridLines_ & GVL_VERT)
            painter.drawLine(rect.topRight(), rect.bottomRight());
    }

    const quint32 format =
        cell->GetFormat() != CGridCell::kDefaultFormat ? cell->GetFormat() : def.GetFormat();
    const int margin = cell->GetMargin() >= 0 ? cell->GetMargin() : std::max(0, def.GetMargin());
    const QFont& font = cell->GetFont() ? *cell->GetFont() : def.GetDefaultFont();
    QRect textRect = rect.adjusted(margin, 0, -margin - 1, -1);

    if (row == fixedRows_ - 1 && col == sortColumn_ && col >= 0) {
        // The sorted column's header carries a small triangle at its right.
        const int size = std::min(8, std::max(4, rect.height() / 3));
        const int cx = rect.right() - margin - size;
        const int cy = rect.center().y();
        QPolygon mark;
        if (sortAscending_)
            mark << QPoint(cx, cy + size / 2) << QPoint(cx + size, cy + size / 2)
                 << QPoint(cx + size / 2, cy - size / 2);
        else
            mark << QPoint(cx, cy - size / 2) << QPoint(cx + size, cy - size / 2)
                 << QPoint(cx + size / 2, cy + size / 2);
        painter.setPen(back.darker(200));
        painter.setBrush(back.darker(200));
        painter.drawPolygon(mark);
        painter.setBrush(Qt::NoBrush);
        textRect.setRight(cx - 2);
    }

    if (!cell->GetText().isEmpty() && textRect.width() > 0) {
        painter.setFont(font);
        painter.setPen(fore);
        int flags = static_cast<int>(AlignmentOf(format));
        QString text = ShownText(cell->GetText());
        if (format & CGridCell::DT_SINGLELINE) {
            text = SingleLine(text);
            if (format & CGridCell::DT_END_ELLIPSIS)
                text = QFontMetrics(font).elidedText(text, Qt::ElideRight, textRect.width());
        } else if (format & CGridCell::DT_WORDBREAK) {
            flags |= Qt::TextWordWrap;
        }
        painter.drawText(textRect, flags, text);
    }

    if (!fixed && cell->IsFocused()) {
        QPen pen(fore, 1, Qt::DotLine);
        painter.setPen(pen);
        painter.drawRect(rect.adjusted(1, 1, -2, -2));
    }
    painter.setClipping(false);
}

QRect CGridCtrl::TextRect(int row, int col) const {
    QRect rect;
    if (!GetCellRect(row, col, &rect))
        return QRect();
    const int margin = GetItemMargin(row, col);
    return rect.adjusted(margin, 0, -margin - 1, -1);
}
