#pragma once

#include "ui/RowGeometry.h"

#include <QLayout>

#include <vector>

// The flow layout of the program's dialogs and forms as a Qt layout: rows of
// given heights stacked from the top, controls of given widths left to right,
// with the fixed and flexible shares of RowGeometry. Install it on a widget
// (`new RowLayout(dialog)`) and it lays the controls out again whenever the
// widget is resized.
//
//     auto* layout = new RowLayout(dialog);
//     layout->AddRow(24);
//     layout->AddControl(new QLabel(tr("名称"), dialog), 80, true);
//     layout->AddControl(nameEdit, 100);          // stretches
//     layout->AddRow(200, false);                 // takes the spare height
//     layout->AddControl(grid, 300);
//     dialog->resize(layout->ContentSize() + QSize(40, 40));
//
// Widgets are placed exactly on their cells: their own size policies and size
// hints are not consulted.
class RowLayout final : public QLayout {
    Q_OBJECT
public:
    static constexpr int kDefaultSpacing = 2;

    explicit RowLayout(QWidget* parent = nullptr);
    ~RowLayout() override;

    // Starts a new row; the controls and gaps added next go into it. A
    // negative spacing uses the layout's spacing above the row. Returns the
    // row's index.
    int AddRow(int height, bool fixedHeight = true, int spacing = -1);
    // Adds a control to the current row (a fixed row of 20 pixels is started
    // when there is none) and makes it a child of the layout's widget. A fixed
    // control keeps `width` and, when `height` is not negative, `height`.
    void AddControl(QWidget* widget, int width, bool fixed = false, int height = -1);
    // Adds an empty cell to the current row.
    void AddGap(int width, bool fixed = true);

    int RowCount() const { return int(rows_.size()); }
    const LayoutRow& Row(int row) const { return rows_.at(size_t(row)); }
    void SetRowHeight(int row, int height);
    // Removes every row; the widgets stay where they are, children of their
    // parent.
    void Clear();

    // The size the rows need without stretching.
    QSize ContentSize() const;

    // The spacing between rows and between controls (2 unless changed).
    int spacing() const override { return spacing_; }
    void setSpacing(int spacing) override;

    void addItem(QLayoutItem* item) override;
    int count() const override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;
    Qt::Orientations expandingDirections() const override;

private:
    void AddCell(QLayoutItem* item, const LayoutCell& cell);

    int spacing_ = kDefaultSpacing;
    std::vector<LayoutRow> rows_;
    // The item of every cell, parallel to rows_[i].cells; nullptr for a gap.
    std::vector<std::vector<QLayoutItem*>> items_;
};
