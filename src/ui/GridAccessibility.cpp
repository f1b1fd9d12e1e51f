#include "ui/GridAccessibility.h"

#include "ui/GridCtrl.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>
#include <QWindow>

namespace {

class GridAccessibleCell;

// The grid as a table. Cell interfaces are made on demand and kept in the
// accessibility cache by position; they read the grid afresh on every call,
// so a cell interface stays meaningful while its position exists.
class GridAccessibleTable final : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit GridAccessibleTable(CGridCtrl* grid) : QAccessibleWidget(grid, QAccessible::Table) {}
    ~GridAccessibleTable() override { DropCells(); }

    CGridCtrl* Grid() const { return static_cast<CGridCtrl*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    int childCount() const override { return rowCount() * columnCount(); }
    QAccessibleInterface* child(int index) const override {
        const int cols = columnCount();
        if (index < 0 || cols == 0 || index >= childCount())
            return nullptr;
        return cellAt(index / cols, index % cols);
    }
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint local = Grid()->viewport()->mapFromGlobal(QPoint(x, y));
        const CCellID cell = Grid()->GetCellFromPt(local);
        return cell.IsValid() ? cellAt(cell.row, cell.col) : nullptr;
    }
    QAccessibleInterface* focusChild() const override {
        const CCellID focus = Grid()->GetFocusCell();
        return focus.IsValid() ? cellAt(focus.row, focus.col) : nullptr;
    }

    // QAccessibleTableInterface
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override;
    int selectedCellCount() const override { return Grid()->GetSelectedCount(); }
    QList<QAccessibleInterface*> selectedCells() const override {
        QList<QAccessibleInterface*> cells;
        const CCellRange range = Grid()->GetSelectedCellRange();
        if (!range.IsValid())
            return cells;
        for (int r = range.GetMinRow(); r <= range.GetMaxRow(); ++r)
            for (int c = range.GetMinCol(); c <= range.GetMaxCol(); ++c)
                if (Grid()->IsCellSelected(r, c))
                    cells.append(cellAt(r, c));
        return cells;
    }
    QString columnDescription(int column) const override {
        QStringList parts;
        for (int r = 0; r < Grid()->GetFixedRowCount(); ++r)
            parts << Grid()->GetItemText(r, column);
        return parts.join(QLatin1Char('\n'));
    }
    QString rowDescription(int row) const override {
        QStringList parts;
        for (int c = 0; c < Grid()->GetFixedColumnCount(); ++c)
            parts << Grid()->GetItemText(row, c);
        return parts.join(QLatin1Char('\n'));
    }
    int selectedColumnCount() const override { return static_cast<int>(selectedColumns().size()); }
    int selectedRowCount() const override { return static_cast<int>(selectedRows().size()); }
    int columnCount() const override { return Grid()->GetColumnCount(); }
    int rowCount() const override { return Grid()->GetRowCount(); }
    QList<int> selectedColumns() const override {
        QList<int> cols;
        for (int c = 0; c < columnCount(); ++c)
            if (isColumnSelected(c))
                cols << c;
        return cols;
    }
    QList<int> selectedRows() const override {
        QList<int> rows;
        const CCellRange range = Grid()->GetSelectedCellRange();
        for (int r = std::max(0, range.GetMinRow()); r <= range.GetMaxRow(); ++r)
            if (isRowSelected(r))
                rows << r;
        return rows;
    }
    bool isColumnSelected(int column) const override {
        const CGridCtrl* grid = Grid();
        if (column < grid->GetFixedColumnCount() || column >= grid->GetColumnCount() ||
            grid->GetRowCount() <= grid->GetFixedRowCount())
            return false;
        for (int r = grid->GetFixedRowCount(); r < grid->GetRowCount(); ++r)
            if (!grid->IsCellSelected(r, column))
                return false;
        return true;
    }
    bool isRowSelected(int row) const override {
        const CGridCtrl* grid = Grid();
        if (row < grid->GetFixedRowCount() || row >= grid->GetRowCount() ||
            grid->GetColumnCount() <= grid->GetFixedColumnCount())
            return false;
        for (int c = grid->GetFixedColumnCount(); c < grid->GetColumnCount(); ++c)
            if (!grid->IsCellSelected(row, c))
                return false;
        return true;
    }
    bool selectRow(int row) override {
        if (row < Grid()->GetFixedRowCount() || row >= rowCount())
            return false;
        Grid()->SetSelectedRange(row, 0, row, columnCount() - 1);
        return true;
    }
    bool selectColumn(int column) override {
        if (column < Grid()->GetFixedColumnCount() || column >= columnCount())
            return false;
        Grid()->SetSelectedRange(0, column, rowCount() - 1, column);
        return true;
    }
    bool unselectRow(int /*row*/) override { return false; }
    bool unselectColumn(int /*column*/) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent* /*event*/) override { DropCells(); }

private:
    void DropCells() {
        for (QAccessible::Id id : std::as_const(cells_))
            QAccessible::deleteAccessibleInterface(id);
        cells_.clear();
    }

    mutable QHash<quint64, QAccessible::Id> cells_;
};

class GridAccessibleCell final : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
    GridAccessibleCell(CGridCtrl* grid, int row, int col) : grid_(grid), row_(row), col_(col) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableCellInterface)
            return static_cast<QAccessibleTableCellInterface*>(this);
        return nullptr;
    }

    bool isValid() const override { return grid_ && grid_->IsValid(row_, col_); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return grid_ ? grid_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override {
        return grid_ ? QAccessible::queryAccessibleInterface(grid_.data()) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

    QString text(QAccessible::Text type) const override {
        if (!isValid())
            return QString();
        if (type == QAccessible::Name || type == QAccessible::Value)
            return grid_->GetItemText(row_, col_);
        return QString();
    }
    void setText(QAccessible::Text type, const QString& text) override {
        if (isValid() && (type == QAccessible::Name || type == QAccessible::Value) &&
            grid_->IsCellEditable(row_, col_) && !grid_->IsCellFixed(row_, col_))
            grid_->SetItemText(row_, col_, text);
    }
    QRect rect() const override {
        QRect local;
        if (!isValid() || !grid_->GetCellRect(row_, col_, &local))
            return QRect();
        return QRect(grid_->viewport()->mapToGlobal(local.topLeft()), local.size());
    }
    QAccessible::Role role() const override {
        if (isValid() && row_ < grid_->GetFixedRowCount())
            return QAccessible::ColumnHeader;
        if (isValid() && col_ < grid_->GetFixedColumnCount())
            return QAccessible::RowHeader;
        return QAccessible::Cell;
    }
    QAccessible::State state() const override {
        QAccessible::State st;
        if (!isValid()) {
            st.invalid = true;
            return st;
        }
        const bool fixed = grid_->IsCellFixed(row_, col_);
        st.selectable = !fixed && grid_->IsSelectable();
        st.selected = grid_->IsCellSelected(row_, col_);
        st.focusable = !fixed;
        st.focused = grid_->GetFocusCell() == CCellID(row_, col_);
        st.readOnly = !grid_->IsCellEditable(row_, col_);
        st.editable = !fixed && grid_->IsCellEditable(row_, col_);
        st.invisible = !grid_->IsCellVisible(row_, col_);
        st.offscreen = st.invisible;
        return st;
    }

    // QAccessibleTableCellInterface
    bool isSelected() const override { return isValid() && grid_->IsCellSelected(row_, col_); }
    QList<QAccessibleInterface*> columnHeaderCells() const override {
        QList<QAccessibleInterface*> headers;
        auto* table = Table();
        if (!table || row_ < grid_->GetFixedRowCount())
            return headers;
        for (int r = 0; r < grid_->GetFixedRowCount(); ++r)
            headers << table->cellAt(r, col_);
        return headers;
    }
    QList<QAccessibleInterface*> rowHeaderCells() const override {
        QList<QAccessibleInterface*> headers;
        auto* table = Table();
        if (!table || col_ < grid_->GetFixedColumnCount())
            return headers;
        for (int c = 0; c < grid_->GetFixedColumnCount(); ++c)
            headers << table->cellAt(row_, c);
        return headers;
    }
    int columnIndex() const override { return col_; }
    int rowIndex() const override { return row_; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

private:
    QAccessibleTableInterface* Table() const {
        QAccessibleInterface* iface = parent();
        return iface ? iface->tableInterface() : nullptr;
    }

    QPointer<CGridCtrl> grid_;
    int row_;
    int col_;
};

int GridAccessibleTable::indexOfChild(const QAccessibleInterface* child) const {
    if (!child)
        return -1;
    auto* cell = const_cast<QAccessibleInterface*>(child)->tableCellInterface();
    if (!cell)
        return -1;
    return cell->rowIndex() * columnCount() + cell->columnIndex();
}

QAccessibleInterface* GridAccessibleTable::cellAt(int row, int column) const {
    if (!Grid()->IsValid(row, column))
        return nullptr;
    const quint64 key =
        (static_cast<quint64>(static_cast<quint32>(row)) << 32) | static_cast<quint32>(column);
    if (const auto it = cells_.constFind(key); it != cells_.constEnd()) {
        if (QAccessibleInterface* iface = QAccessible::accessibleInterface(it.value()))
            return iface;
    }
    auto* cell = new GridAccessibleCell(Grid(), row, column);
    cells_.insert(key, QAccessible::registerAccessibleInterface(cell));
    return cell;
}

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (className == QLatin1String("CGridCtrl") && object && object->isWidgetType())
        return new GridAccessibleTable(static_cast<CGridCtrl*>(object));
    return nullptr;
}

} // namespace

namespace GridAccessibility {

void Install() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(&Factory);
}

void ShapeChanged(CGridCtrl* grid) {
    if (!QAccessible::isActive())
        return;
    QAccessibleTableModelChangeEvent event(grid, QAccessibleTableModelChangeEvent::ModelReset);
    QAccessible::updateAccessibility(&event);
}

void SelectionChanged(CGridCtrl* grid) {
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent event(grid, QAccessible::SelectionWithin);
    QAccessible::updateAccessibility(&event);
}

void FocusChanged(CGridCtrl* grid) {
    if (!QAccessible::isActive() || !grid->hasFocus())
        return;
    const CCellID focus = grid->GetFocusCell();
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(grid);
    if (!table || !table->tableInterface() || !focus.IsValid())
        return;
    if (QAccessibleInterface* cell = table->tableInterface()->cellAt(focus.row, focus.col)) {
        QAccessibleEvent event(cell, QAccessible::Focus);
        QAccessible::updateAccessibility(&event);
    }
}

} // namespace GridAccessibility
