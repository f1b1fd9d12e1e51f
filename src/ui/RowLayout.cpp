#include "ui/RowLayout.h"

#include <QWidget>

namespace {

constexpr int kImplicitRowHeight = 20;

} // namespace

RowLayout::RowLayout(QWidget* parent) : QLayout(parent) {
    setContentsMargins(0, 0, 0, 0);
    // The rows decide where things go; the window's size stays the caller's.
    setSizeConstraint(QLayout::SetNoConstraint);
}

RowLayout::~RowLayout() {
    for (auto& row : items_)
        for (QLayoutItem* item : row)
            delete item;
}

int RowLayout::AddRow(int height, bool fixedHeight, int spacing) {
    LayoutRow row;
    row.height = height;
    row.fixedHeight = fixedHeight;
    row.spacing = spacing;
    rows_.push_back(row);
    items_.emplace_back();
    invalidate();
    return int(rows_.size()) - 1;
}

void RowLayout::AddControl(QWidget* widget, int width, bool fixed, int height) {
    if (!widget)
        return;
    addChildWidget(widget);
    LayoutCell cell;
    cell.width = width;
    cell.height = height;
    cell.fixed = fixed;
    AddCell(new QWidgetItem(widget), cell);
}

void RowLayout::AddGap(int width, bool fixed) {
    LayoutCell cell;
    cell.width = width;
    cell.fixed = fixed;
    AddCell(nullptr, cell);
}

void RowLayout::AddCell(QLayoutItem* item, const LayoutCell& cell) {
    if (rows_.empty())
        AddRow(kImplicitRowHeight);
    rows_.back().cells.push_back(cell);
    items_.back().push_back(item);
    invalidate();
}

void RowLayout::SetRowHeight(int row, int height) {
    if (row < 0 || row >= RowCount())
        return;
    rows_[size_t(row)].height = height;
    invalidate();
}

void RowLayout::Clear() {
    for (auto& row : items_)
        for (QLayoutItem* item : row)
            delete item;
    rows_.clear();
    items_.clear();
    invalidate();
}

QSize RowLayout::ContentSize() const {
    return RowsExtent(rows_, spacing_);
}

void RowLayout::setSpacing(int spacing) {
    spacing_ = spacing;
    invalidate();
}

void RowLayout::addItem(QLayoutItem* item) {
    // Items that arrive through the generic QLayout interface stretch from
    // their preferred width.
    LayoutCell cell;
    cell.width = item->sizeHint().width();
    AddCell(item, cell);
}

int RowLayout::count() const {
    int total = 0;
    for (const auto& row : items_)
        for (const QLayoutItem* item : row)
            total += item ? 1 : 0;
    return total;
}

QLayoutItem* RowLayout::itemAt(int index) const {
    if (index < 0)
        return nullptr;
    for (const auto& row : items_) {
        for (QLayoutItem* item : row) {
            if (item && index-- == 0)
                return item;
        }
    }
    return nullptr;
}

QLayoutItem* RowLayout::takeAt(int index) {
    if (index < 0)
        return nullptr;
    for (size_t r = 0; r < items_.size(); ++r) {
        for (size_t c = 0; c < items_[r].size(); ++c) {
            QLayoutItem* item = items_[r][c];
            if (item && index-- == 0) {
                items_[r].erase(items_[r].begin() + std::ptrdiff_t(c));
                rows_[r].cells.erase(rows_[r].cells.begin() + std::ptrdiff_t(c));
                invalidate();
                return item;
            }
        }
    }
    return nullptr;
}

QSize RowLayout::sizeHint() const {
    const QMargins m = contentsMargins();
    return ContentSize() + QSize(m.left() + m.right(), m.top() + m.bottom());
}

QSize RowLayout::minimumSize() const {
    return QSize(0, 0);
}

Qt::Orientations RowLayout::expandingDirections() const {
    return Qt::Horizontal | Qt::Vertical;
}

void RowLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    const QRect area = rect.marginsRemoved(contentsMargins());
    const auto placed = ArrangeRows(rows_, area, spacing_);
    for (size_t r = 0; r < placed.size(); ++r) {
        for (size_t c = 0; c < placed[r].size(); ++c) {
            QLayoutItem* item = items_[r][c];
            if (!item)
                continue;
            // Exactly on the cell, whatever the widget's own size policy says.
            if (QWidget* widget = item->widget())
                widget->setGeometry(placed[r][c]);
            else
                item->setGeometry(placed[r][c]);
        }
    }
}
