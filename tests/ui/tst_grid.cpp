// The grid's cell store, shape rules, selection answers, copy text, sorting,
// what it paints (header, selection, empty area, Chinese text, huge texts
// bounded) and an accessibility smoke check, through its public operations.

#include "GridTestSupport.h"

#include "ui/GridCellCombo.h"

#include <QAccessible>
#include <QClipboard>
#include <QImage>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class TestGrid : public QObject {
    Q_OBJECT

private slots:
    void outOfBoundsIsIgnored();
    void fixedRowsAndColumnsCarryHeaderState();
    void insertRowPositionRules();
    void deleteRowsKeepFocusAndSelectionOnTheirRows();
    void selectedRangeAnswers();
    void listModeResetsSelectionAndSort();
    void copyTextIsTabAndCrLfOverBoundingRange();
    void sortOrdersByGbkBytesMovingWholeRows();
    void coloursFallBackToDefaultCells();
    void setCellTypeKeepsContents();
    void cellsAreVisibleToAccessibility();
    void paintsHeadersSelectionAndEmptyArea();
    void hugeTextsAreBoundedWhenShown();
};

void TestGrid::outOfBoundsIsIgnored() {
    CGridCtrl grid(3, 2, 1, 1);
    for (const auto& [row, col] : {std::pair{-1, 0}, {0, -1}, {3, 0}, {0, 2}, {99, 99}}) {
        QVERIFY(!grid.SetItemText(row, col, u"x"_s));
        QCOMPARE(grid.GetItemText(row, col), QString());
        QVERIFY(!grid.SetItemState(row, col, CGridCell::GVIS_SELECTED));
        QCOMPARE(grid.GetItemState(row, col), 0u);
        QVERIFY(grid.GetCell(row, col) == nullptr);
        QVERIFY(!grid.IsCellSelected(row, col));
        QVERIFY(!grid.IsCellEditable(row, col));
        QVERIFY(!grid.SetCellType<CGridCellCombo>(row, col));
    }
    QCOMPARE(grid.GetRowHeight(3), -1);
    QCOMPARE(grid.GetColumnWidth(2), -1);
    QVERIFY(!grid.SetRowHeight(1, -5));
    QVERIFY(!grid.SetColumnWidth(0, -1));
    QVERIFY(!grid.SetRowCount(-1));
    QVERIFY(!grid.DeleteRow(3));
    QVERIFY(!grid.SortItems(5, true));
    QVERIFY(!grid.EditCell(7, 7));
    QCOMPARE(grid.GetRowCount(), 3);
    QCOMPARE(grid.GetColumnCount(), 2);
}

void TestGrid::fixedRowsAndColumnsCarryHeaderState() {
    CGridCtrl grid(3, 3, 0, 0);
    grid.SetItemBkColour(0, 1, Qt::red);
    // Raising the fixed counts makes the cells headers, with header colours.
    QVERIFY(grid.SetFixedRowCount(1));
    QVERIFY(grid.SetFixedColumnCount(1));
    const quint32 fixedRow = CGridCell::GVIS_FIXED | CGridCell::GVIS_FIXEDROW;
    const quint32 fixedCol = CGridCell::GVIS_FIXED | CGridCell::GVIS_FIXEDCOL;
    QCOMPARE(grid.GetItemState(0, 1) & 0x70u, fixedRow);
    QCOMPARE(grid.GetItemState(1, 0) & 0x70u, fixedCol);
    QCOMPARE(grid.GetItemState(0, 0) & 0x70u, fixedRow | fixedCol);
    QCOMPARE(grid.GetItemState(1, 1) & 0x70u, 0u);
    QCOMPARE(grid.GetItemBkColour(0, 1), grid.GetFixedBkColor());
    QVERIFY(grid.IsCellFixed(0, 2) && grid.IsCellFixed(2, 0) && !grid.IsCellFixed(1, 1));

    // Headers are never selected, whichever way it is asked.
    CGridCtrl list(4, 3, 1, 1);
    QVERIFY(list.SetItemState(0, 1, CGridCell::GVIS_SELECTED));
    QVERIFY(!list.IsCellSelected(0, 1));
    list.SetSelectedRange(0, 0, 3, 2);
    QVERIFY(!list.IsCellSelected(0, 1));
    QVERIFY(!list.IsCellSelected(2, 0));
    QVERIFY(list.IsCellSelected(1, 1));
    QCOMPARE(list.GetSelectedCellRange(), CCellRange(1, 1, 3, 2));
    // The focus cell is raised out of the headers.
    list.SetFocusCell(0, 0);
    QCOMPARE(list.GetFocusCell(), CCellID(1, 1));
    QVERIFY(list.GetItemState(1, 1) & CGridCell::GVIS_FOCUSED);
    list.SetFocusCell(2, 2);
    QVERIFY(!(list.GetItemState(1, 1) & CGridCell::GVIS_FOCUSED));
}

void TestGrid::insertRowPositionRules() {
    CGridCtrl grid;
    GridTest::Fill(grid, 3, 3);              // rows 0 (header) .. 3
    QCOMPARE(grid.InsertRow(u"X"_s, 0), -1); // inside the header
    QCOMPARE(grid.InsertRow(u"X"_s, 4), -1); // beyond the last row
    QCOMPARE(grid.InsertRow(u"X"_s, -2), -1);
    QCOMPARE(grid.GetRowCount(), 4);

    QCOMPARE(grid.InsertRow(QString(), -1), 4);
    QCOMPARE(grid.GetRowHeight(4), grid.GetDefaultCell(true, false)->GetHeight());
    QCOMPARE(grid.GetItemText(4, 1), QString());

    // Inserting above the focus and a selected row moves them down with
    // their row.
    grid.SetFocusCell(2, 1);
    grid.SetSelectedRange(2, 1, 2, 2);
    QCOMPARE(grid.InsertRow(u"新"_s, 1), 1);
    QCOMPARE(grid.GetItemText(1, 0), u"新"_s);
    QCOMPARE(grid.GetItemText(3, 1), u"r2c1"_s);
    QCOMPARE(grid.GetFocusCell(), CCellID(3, 1));
    QCOMPARE(grid.GetSelectedCellRange(), CCellRange(3, 1, 3, 2));
    QVERIFY(!(grid.GetItemState(2, 1) & CGridCell::GVIS_SELECTED));
    // The new row has its fixed column.
    QVERIFY(grid.GetItemState(1, 0) & CGridCell::GVIS_FIXEDCOL);
}

void TestGrid::deleteRowsKeepFocusAndSelectionOnTheirRows() {
    CGridCtrl grid;
    GridTest::Fill(grid, 5, 3);
    grid.SetFocusCell(4, 1);
    grid.SetSelectedRange(4, 1, 5, 2);
    QVERIFY(grid.DeleteRow(2));
    QCOMPARE(grid.GetItemText(2, 1), u"r3c1"_s);
    QCOMPARE(grid.GetFocusCell(), CCellID(3, 1));
    QCOMPARE(grid.GetSelectedCellRange(), CCellRange(3, 1, 4, 2));
    // Deleting the focus row drops the focus.
    QVERIFY(grid.DeleteRow(3));
    QCOMPARE(grid.GetFocusCell(), CCellID());
    QCOMPARE(grid.GetSelectedCellRange(), CCellRange(3, 1, 3, 2));
    // Deleting a header row lowers the fixed count.
    QVERIFY(grid.DeleteRow(0));
    QCOMPARE(grid.GetFixedRowCount(), 0);

    CGridCtrl list;
    GridTest::Fill(list, 4, 2);
    list.SetSelectedRange(1, 1, 4, 1);
    list.DeleteNonFixedRows();
    QCOMPARE(list.GetRowCount(), 1);
    QCOMPARE(list.GetItemText(0, 1), u"H1"_s);
    QCOMPARE(list.GetSelectedCellRange(), CCellRange(1, 2, -1, -1));
}

void TestGrid::selectedRangeAnswers() {
    CGridCtrl grid;
    GridTest::Fill(grid, 0, 4);
    // Only the header row: nothing can be selected.
    grid.SetSelectedRange(0, 0, 5, 5);
    QCOMPARE(grid.GetSelectedCellRange(), CCellRange(1, 4, -1, -1));

    GridTest::Fill(grid, 6, 4);
    QCOMPARE(grid.GetSelectedCellRange(), CCellRange(7, 4, -1, -1));
    grid.SetSelectedRange(3, 2, 4, 3);
    QCOMPARE(grid.GetSelectedCellRange(), CCellRange(3, 2, 4, 3));
    QCOMPARE(grid.GetSelectedCount(), 4);
    // The selected bit and the selection answer agree.
    QVERIFY(grid.SetItemState(4, 3, 0));
    QVERIFY(!grid.IsCellSelected(4, 3));
    QCOMPARE(grid.GetSelectedCount(), 3);
    grid.ResetSelectedRange();
    QVERIFY(!(grid.GetItemState(3, 2) & CGridCell::GVIS_SELECTED));

    QSignalSpy changing(&grid, &CGridCtrl::SelectionChanging);
    QSignalSpy changed(&grid, &CGridCtrl::SelectionChanged);
    grid.SelectAllCells();
    QCOMPARE(grid.GetSelectedCellRange(), CCellRange(1, 1, 6, 3));
    QCOMPARE(changing.count(), 1);
    QCOMPARE(changed.count(), 1);
}

void TestGrid::listModeResetsSelectionAndSort() {
    CGridCtrl grid;
    GridTest::Fill(grid, 3, 3);
    grid.SetSelectedRange(1, 1, 2, 2);
    grid.SortItems(1, true);
    grid.SetSelectedRange(1, 1, 2, 2);
    QVERIFY(grid.GetFixedColumnSelection());
    grid.SetListMode(true);
    QVERIFY(!grid.GetSelectedCellRange().IsValid());
    QCOMPARE(grid.GetSortColumn(), -1);
    QVERIFY(!grid.GetFixedColumnSelection());
}

void TestGrid::copyTextIsTabAndCrLfOverBoundingRange() {
    CGridCtrl grid(6, 3, 1, 0);
    for (int r = 1; r < 6; ++r)
        for (int c = 0; c < 3; ++c)
            grid.SetItemText(r, c, u"%1%2"_s.arg(QChar(u'a' + c)).arg(r));
    grid.SetSelectedRange(2, 0, 4, 2);
    const QString expected = u"a2\tb2\tc2\r\na3\tb3\tc3\r\na4\tb4\tc4"_s;
    QCOMPARE(grid.CopyTextFromGrid(), expected);
    grid.OnEditCopy();
    QCOMPARE(QGuiApplication::clipboard()->text(), expected);

    // Unselected cells inside the bounding range give empty fields.
    grid.SetItemState(3, 1, 0);
    QCOMPARE(grid.CopyTextFromGrid(), u"a2\tb2\tc2\r\na3\t\tc3\r\na4\tb4\tc4"_s);

    // Nothing selected: nothing copied, the clipboard keeps what it had.
    grid.ResetSelectedRange();
    QCOMPARE(grid.CopyTextFromGrid(), QString());
    grid.OnEditCopy();
    QCOMPARE(QGuiApplication::clipboard()->text(), expected);
}

void TestGrid::sortOrdersByGbkBytesMovingWholeRows() {
    CGridCtrl grid;
    GridTest::Fill(grid, 5, 3);
    // GBK order 阿(B0A2) < 李(C0EE) < 王(CDF5) < 张(D5C5); code-point order
    // would be 张 < 李 < 王 < 阿. ASCII comes first.
    const QStringList names = {u"张"_s, u"王"_s, u"Zed"_s, u"阿"_s, u"李"_s};
    for (int i = 0; i < names.size(); ++i) {
        grid.SetItemText(i + 1, 1, names.at(i));
        grid.SetItemText(i + 1, 2, QString::number(i));
        grid.SetRowHeight(i + 1, 20 + i);
    }
    grid.SetFocusCell(2, 1);
    grid.SetSelectedRange(2, 1, 3, 2);
    QVERIFY(grid.SortItems(1, true));
    QStringList sorted;
    for (int r = 1; r <= 5; ++r)
        sorted << grid.GetItemText(r, 1);
    QCOMPARE(sorted, (QStringList{u"Zed"_s, u"阿"_s, u"李"_s, u"王"_s, u"张"_s}));
    // Cells and heights travel with their row; the header stays.
    QCOMPARE(grid.GetItemText(2, 2), u"3"_s);
    QCOMPARE(grid.GetRowHeight(2), 23);
    QCOMPARE(grid.GetItemText(0, 1), u"H1"_s);
    QCOMPARE(grid.GetSortColumn(), 1);
    QVERIFY(!grid.GetSelectedCellRange().IsValid());
    QCOMPARE(grid.GetFocusCell(), CCellID());

    QVERIFY(grid.SortItems(1, false));
    QCOMPARE(grid.GetItemText(1, 1), u"张"_s);
    QCOMPARE(grid.GetItemText(5, 1), u"Zed"_s);
    QVERIFY(!grid.GetSortAscending());

    // A caller's compare function: numeric order of column 2.
    grid.SortItems(2, true, [](const CGridCell& a, const CGridCell& b, qintptr) {
        return a.GetText().toInt() - b.GetText().toInt();
    });
    QCOMPARE(grid.GetItemText(1, 1), u"张"_s);
    QCOMPARE(grid.GetItemText(5, 1), u"李"_s);

    // Changing a text of another column keeps the sort; of the sorted
    // column, forgets it.
    grid.SetItemText(1, 1, u"变"_s);
    QCOMPARE(grid.GetSortColumn(), 2);
    grid.SetItemText(1, 2, u"9"_s);
    QCOMPARE(grid.GetSortColumn(), -1);
}

void TestGrid::coloursFallBackToDefaultCells() {
    CGridCtrl grid;
    GridTest::Fill(grid, 2, 3);
    // A cell's own colour wins until it is cleared again.
    grid.SetItemBkColour(1, 2, Qt::yellow);
    grid.SetTextBkColor(Qt::green);
    QCOMPARE(grid.GetItemBkColour(1, 2), QColor(Qt::yellow));
    grid.SetItemBkColour(1, 2);
    QCOMPARE(grid.GetItemBkColour(1, 2), QColor(Qt::green));
}

void TestGrid::setCellTypeKeepsContents() {
    CGridCtrl grid;
    GridTest::Fill(grid, 2, 4);
    grid.SetItemState(1, 3, CGridCell::GVIS_READONLY);
    QVERIFY(grid.SetCellType<CGridCellCombo>(1, 3));
    auto* combo = dynamic_cast<CGridCellCombo*>(grid.GetCell(1, 3));
    QVERIFY(combo);
    QCOMPARE(combo->GetText(), u"r1c3"_s);
    QVERIFY(grid.GetItemState(1, 3) & CGridCell::GVIS_READONLY);
    QVERIFY(grid.SetCellType<CGridCell>(1, 3));
    QVERIFY(!dynamic_cast<CGridCellCombo*>(grid.GetCell(1, 3)));
    QCOMPARE(grid.GetItemText(1, 3), u"r1c3"_s);
}

void TestGrid::cellsAreVisibleToAccessibility() {
    CGridCtrl grid;
    GridTest::Fill(grid, 3, 3);
    GridTest::Show(grid);
    grid.SetSelectedRange(2, 1, 2, 2);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&grid);
    QVERIFY(iface);
    QCOMPARE(iface->role(), QAccessible::Table);
    QAccessibleTableInterface* table = iface->tableInterface();
    QVERIFY(table);
    QAccessibleInterface* cell = table->cellAt(2, 1);
    QVERIFY(cell);
    QCOMPARE(cell->text(QAccessible::Name), u"r2c1"_s);
    QVERIFY(cell->state().selected);
}

void TestGrid::paintsHeadersSelectionAndEmptyArea() {
    CGridCtrl grid;
    GridTest::Fill(grid, 3, 3);
    grid.SetItemText(1, 1, u"北京华宇科技有限公司"_s);
    grid.SetListMode(true);
    grid.SetEditable(false);
    const QColor gridBack = CGridCtrl::ColorFromRef(15788232);
    const QColor fixedBack = CGridCtrl::ColorFromRef(14730375);
    grid.SetGridBkColor(gridBack);
    grid.SetFixedBkColor(fixedBack);
    GridTest::Show(grid);
    GridTest::Click(grid, GridTest::CellCenter(grid, 2, 2));

    const QImage image = grid.grab().toImage();
    const qreal dpr = image.devicePixelRatio();
    auto pixel = [&](const QPoint& inViewport) {
        const QPoint p = grid.viewport()->mapTo(&grid, inViewport);
        return image.pixelColor(QPoint(int(p.x() * dpr), int(p.y() * dpr)));
    };
    // Just inside a cell's bottom-right corner, clear of text and edges.
    auto nearRightEdge = [&](int row, int col) {
        QRect rect;
        return grid.GetCellRect(row, col, &rect) ? pixel(rect.bottomRight() - QPoint(4, 4))
                                                 : QColor();
    };
    QCOMPARE(nearRightEdge(0, 1), fixedBack);
    QCOMPARE(nearRightEdge(2, 1), grid.palette().color(QPalette::Highlight));
    QCOMPARE(nearRightEdge(3, 1), grid.GetTextBkColor());
    QCOMPARE(pixel(QPoint(10, grid.GetVirtualHeight() + 10)), gridBack);

    // Some pixels of the Chinese text cell are not background.
    QRect textCell;
    QVERIFY(grid.GetCellRect(1, 1, &textCell));
    bool inked = false;
    for (int x = textCell.left() + 3; x < textCell.left() + 40 && !inked; ++x)
        for (int y = textCell.top() + 3; y < textCell.bottom() - 3 && !inked; ++y)
            inked = pixel(QPoint(x, y)) != grid.GetTextBkColor();
    QVERIFY(inked);
}

// A value of megabytes (one long imported line) keeps its text, but the cell
// shows and measures only its start: auto-size stays within bounds instead
// of giving a column millions of pixels.
void TestGrid::hugeTextsAreBoundedWhenShown() {
    const QString oneLine = u"很长的一行文字abc"_s.repeated(100000); // 1 MB
    QString manyLines;
    for (int i = 0; i < 20000; ++i)
        manyLines += u"第%1行\n"_s.arg(i);

    QCOMPARE(CGridCtrl::ShownText(oneLine), oneLine.left(CGridCtrl::kShownChars) + QChar(0x2026));
    QCOMPARE(CGridCtrl::ShownText(manyLines).count(QLatin1Char('\n')), CGridCtrl::kShownLines - 1);
    const QString shortText = u"短\n文字"_s;
    QCOMPARE(CGridCtrl::ShownText(shortText), shortText);
    // A character outside the BMP is cut whole, never half.
    const QString wide = QString(CGridCtrl::kShownChars - 1, QLatin1Char('x')) +
                         QString::fromUcs4(U"\U00020000") + u"tail"_s;
    QCOMPARE(CGridCtrl::ShownText(wide),
             QString(CGridCtrl::kShownChars - 1, QLatin1Char('x')) + QChar(0x2026));

    CGridCtrl grid;
    GridTest::Fill(grid, 3, 3);
    grid.SetItemText(1, 1, oneLine);
    grid.SetItemText(2, 2, manyLines);
    grid.SetItemFormat(2, 2, CGridCell::DT_LEFT | CGridCell::DT_WORDBREAK);
    GridTest::Show(grid);
    grid.AutoSize();
    const int margins = 20; // cell margins and the grid line, generously
    QVERIFY(grid.GetColumnWidth(1) >= CGridCtrl::kMaxAutoSizeWidth);
    QVERIFY(grid.GetColumnWidth(1) <= CGridCtrl::kMaxAutoSizeWidth + margins);
    QVERIFY(grid.GetColumnWidth(2) <= CGridCtrl::kMaxAutoSizeWidth + margins);
    const int lineHeight = QFontMetrics(grid.GetItemFont(2, 2)).height();
    QVERIFY2(grid.GetRowHeight(2) <= CGridCtrl::kShownLines * lineHeight + margins,
             qPrintable(QString::number(grid.GetRowHeight(2))));
    QVERIFY(!grid.grab().isNull());
    QCOMPARE(grid.GetItemText(1, 1).size(), oneLine.size());
}

QTEST_MAIN(TestGrid)
#include "tst_grid.moc"
