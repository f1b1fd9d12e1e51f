// The grid under mouse and keyboard: selection rules, navigation,
// in-place editing with its notifications and clipboard commands.

#include "GridTestSupport.h"

#include <QClipboard>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

using GridTest::CellCenter;

namespace {

// A list as the views set it up: header row, key column, list mode, read-only.
void MakeList(CGridCtrl& grid, int rows = 8, int cols = 4) {
    GridTest::Fill(grid, rows, cols);
    grid.SetListMode(true);
    grid.SetEditable(false);
}

QPair<int, int> Args(const QSignalSpy& spy, int index = -1) {
    const QList<QVariant> args = index < 0 ? spy.last() : spy.at(index);
    return {args.at(0).toInt(), args.at(1).toInt()};
}

} // namespace

class TestGridInput : public QObject {
    Q_OBJECT

private slots:
    void listModeSelectsWholeRowsFromTheAnchor();
    void headerPressesFollowTheirFlags();
    void keyboardMovesFocusAndSelection();
    void typingEditsOnlyEditableCells();
    void editNotificationsCanRefuse();
    void deletePasteAndCutNeedAnEditableGrid();
};

void TestGridInput::listModeSelectsWholeRowsFromTheAnchor() {
    CGridCtrl grid;
    MakeList(grid);
    GridTest::Show(grid);
    QSignalSpy changing(&grid, &CGridCtrl::SelectionChanging);
    QSignalSpy changed(&grid, &CGridCtrl::SelectionChanged);
    QSignalSpy clicked(&grid, &CGridCtrl::Click);

    GridTest::Click(grid, CellCenter(grid, 3, 2));
    QCOMPARE(grid.GetSelectedCellRange(), CCellRange(3, 1, 3, 3));
    QCOMPARE(grid.GetFocusCell(), CCellID(3, 2));
    QCOMPARE(changing.count(), 1);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(Args(clicked), qMakePair(3, 2));

    // Shift extends from the anchor, whole rows; Ctrl adds to what is there.
    GridTest::Click(grid, CellCenter(grid, 5, 1), Qt::ShiftModifier);
    QCOMPARE(grid.GetSelectedCellRange(), CCellRange(3, 1, 5, 3));
    GridTest::Click(grid, CellCenter(grid, 1, 3), Qt::ShiftModifier);
    QCOMPARE(grid.GetSelectedCellRange(), CCellRange(1, 1, 3, 3));
    GridTest::Click(grid, CellCenter(grid, 7, 2), Qt::ControlModifier);
    QVERIFY(grid.IsCellSelected(2, 2) && grid.IsCellSelected(7, 1) && !grid.IsCellSelected(5, 1));

    // Single-row selection keeps only the clicked row.
    grid.SetSingleRowSelection(true);
    GridTest::Click(grid, CellCenter(grid, 6, 1), Qt::ShiftModifier);
    QCOMPARE(grid.GetSelectedCellRange(), CCellRange(6, 1, 6, 3));
}

void TestGridInput::headerPressesFollowTheirFlags() {
    CGridCtrl grid;
    MakeList(grid, 4, 3);
    GridTest::Show(grid);
    grid.SetItemText(1, 1, QStringLiteral("b"));
    grid.SetItemText(2, 1, QStringLiteral("a"));

    // A row header in a list does nothing; a column header selects the
    // column but never reorders the rows.
    GridTest::Click(grid, CellCenter(grid, 2, 0));
    QVERIFY(!grid.GetSelectedCellRange().IsValid());
    GridTest::Click(grid, CellCenter(grid, 0, 1));
    QCOMPARE(grid.GetItemText(1, 1), QStringLiteral("b"));
    QCOMPARE(grid.GetSelectedCellRange(), CCellRange(1, 1, 4, 1));
    // The corner selects everything.
    GridTest::Click(grid, CellCenter(grid, 0, 0));
    QCOMPARE(grid.GetSelectedCellRange(), CCellRange(1, 1, 4, 2));

    // With sorting on a header click sorts, the second click reverses.
    grid.SetHeaderSort(true);
    grid.SetFixedRowSelection(false);
    GridTest::Click(grid, CellCenter(grid, 0, 1));
    QCOMPARE(grid.GetItemText(1, 1), QStringLiteral("a"));
    GridTest::Click(grid, CellCenter(grid, 0, 1));
    QCOMPARE(grid.GetItemText(1, 1), QStringLiteral("r4c1"));
    QVERIFY(!grid.GetSelectedCellRange().IsValid());

    // Outside list mode a row header selects its row.
    CGridCtrl cells;
    GridTest::Fill(cells, 3, 3);
    GridTest::Show(cells);
    GridTest::Click(cells, CellCenter(cells, 2, 0));
    QCOMPARE(cells.GetSelectedCellRange(), CCellRange(2, 1, 2, 2));
}

void TestGridInput::keyboardMovesFocusAndSelection() {
    CGridCtrl grid;
    MakeList(grid, 8, 4);
    GridTest::Show(grid);
    // Without a focus cell keys are not the grid's business.
    QTest::keyClick(&grid, Qt::Key_Down);
    QCOMPARE(grid.GetFocusCell(), CCellID());

    grid.SetFocusCell(1, 1);
    QSignalSpy changed(&grid, &CGridCtrl::SelectionChanged);
    grid.SetRowHeight(2, 0); // hidden rows are skipped
    QTest::keyClick(&grid, Qt::Key_Down);
    QCOMPARE(grid.GetFocusCell(), CCellID(3, 1));
    QCOMPARE(grid.GetSelectedCellRange(), CCellRange(3, 1, 3, 3));
    QCOMPARE(Args(changed), qMakePair(3, 1));
    QTest::keyClick(&grid, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&grid, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(grid.GetSelectedCellRange(), CCellRange(3, 1, 5, 3));

    // Ctrl+A selects everything.
    QTest::keyClick(&grid, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(grid.GetSelectedCellRange(), CCellRange(1, 1, 8, 3));
}

void TestGridInput::typingEditsOnlyEditableCells() {
    CGridCtrl list;
    MakeList(list, 3, 3);
    GridTest::Show(list);
    QSignalSpy begin(&list, &CGridCtrl::BeginLabelEdit);
    list.SetFocusCell(1, 1);
    QTest::keyClicks(&list, QStringLiteral("ab"));
    GridTest::DoubleClick(list, CellCenter(list, 2, 2));
    QVERIFY(!list.IsEditing());
    QCOMPARE(begin.count(), 0);
    QCOMPARE(list.GetItemText(1, 1), QStringLiteral("r1c1"));

    CGridCtrl grid;
    GridTest::Fill(grid, 3, 3);
    GridTest::Show(grid);
    QSignalSpy end(&grid, &CGridCtrl::EndLabelEdit);
    grid.SetItemState(2, 2, CGridCell::GVIS_READONLY);
    grid.SetFocusCell(2, 2);
    QTest::keyClick(&grid, Qt::Key_X);
    QVERIFY(!grid.IsEditing());

    // A typed character replaces the text; Enter stores it.
    grid.SetModified(false);
    grid.SetFocusCell(1, 1);
    QTest::keyClick(&grid, Qt::Key_Z);
    QVERIFY(grid.IsEditing());
    auto* edit = qobject_cast<QLineEdit*>(grid.GetEditWnd());
    QVERIFY(edit);
    QCOMPARE(edit->text(), QStringLiteral("z"));
    edit->insert(QStringLiteral("中"));
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(!grid.IsEditing());
    QCOMPARE(grid.GetItemText(1, 1), QStringLiteral("z中"));
    QVERIFY(grid.GetModified(1, 1));
    QCOMPARE(end.count(), 1);
    QCOMPARE(Args(end), qMakePair(1, 1));
    QCOMPARE(grid.GetEditEndKey(), int(Qt::Key_Return));

    // Escape keeps the old text but still ends the edit.
    QTest::keyClick(&grid, Qt::Key_Q);
    QTest::keyClick(grid.GetEditWnd(), Qt::Key_Escape);
    QCOMPARE(grid.GetItemText(1, 1), QStringLiteral("z中"));
    QCOMPARE(end.count(), 2);
}

void TestGridInput::editNotificationsCanRefuse() {
    CGridCtrl grid;
    GridTest::Fill(grid, 3, 3);
    GridTest::Show(grid);
    bool refuseBegin = true;
    bool refuseEnd = false;
    connect(&grid, &CGridCtrl::BeginLabelEdit, &grid, [&] {
        if (refuseBegin)
            grid.RefuseEdit();
    });
    QString seenText;
    connect(&grid, &CGridCtrl::EndLabelEdit, &grid, [&](int row, int col) {
        seenText = grid.GetItemText(row, col);
        if (refuseEnd)
            grid.RefuseEdit();
    });
    QVERIFY(!grid.EditCell(1, 1) && !grid.IsEditing());

    refuseBegin = false;
    refuseEnd = true;
    QVERIFY(grid.EditCell(1, 1));
    qobject_cast<QLineEdit*>(grid.GetEditWnd())->setText(QStringLiteral("新值"));
    grid.EndEditing();
    // The owner saw the new text, then refused it.
    QCOMPARE(seenText, QStringLiteral("新值"));
    QCOMPARE(grid.GetItemText(1, 1), QStringLiteral("r1c1"));

    refuseEnd = false;
    QVERIFY(grid.EditCell(1, 1));
    qobject_cast<QLineEdit*>(grid.GetEditWnd())->setText(QStringLiteral("新值"));
    grid.EndEditing();
    QCOMPARE(grid.GetItemText(1, 1), QStringLiteral("新值"));
}

void TestGridInput::deletePasteAndCutNeedAnEditableGrid() {
    CGridCtrl list;
    MakeList(list, 3, 3);
    GridTest::Show(list);
    list.SetFocusCell(1, 1);
    list.SetSelectedRange(1, 1, 2, 2);
    QGuiApplication::clipboard()->setText(QStringLiteral("p\tq"));
    QTest::keyClick(&list, Qt::Key_Delete);
    QTest::keyClick(&list, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(&list, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(list.GetItemText(1, 1), QStringLiteral("r1c1"));
    QCOMPARE(list.GetItemText(2, 2), QStringLiteral("r2c2"));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("p\tq"));
    // Copy works in a list.
    QTest::keyClick(&list, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("r1c1\tr1c2\r\nr2c1\tr2c2"));

    CGridCtrl grid;
    GridTest::Fill(grid, 3, 3);
    GridTest::Show(grid);
    QList<QPair<int, int>> ended;
    connect(&grid, &CGridCtrl::EndLabelEdit, &grid, [&](int row, int col) {
        ended.append({row, col});
        if (row == 2 && col == 1)
            grid.RefuseEdit();
    });
    grid.SetItemState(1, 2, CGridCell::GVIS_READONLY);
    grid.SetFocusCell(1, 1);
    grid.SetSelectedRange(1, 1, 2, 2);
    QTest::keyClick(&grid, Qt::Key_Delete);
    QCOMPARE(grid.GetItemText(1, 1), QString());
    QCOMPARE(grid.GetItemText(1, 2), QStringLiteral("r1c2")); // read-only
    QCOMPARE(grid.GetItemText(2, 1), QStringLiteral("r2c1")); // refused
    QCOMPARE(grid.GetItemText(2, 2), QString());
    QCOMPARE(ended.size(), 3);

    // Paste: lines at LF, fields at TAB or comma, clipped to the grid.
    grid.SetFocusCell(2, 1);
    QGuiApplication::clipboard()->setText(QStringLiteral("a\tb,c  \r\nd\te\r\nf\r\ng\r\n"));
    QTest::keyClick(&grid, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(grid.GetItemText(2, 1), QStringLiteral("a"));
    QCOMPARE(grid.GetItemText(2, 2), QStringLiteral("b"));
    QCOMPARE(grid.GetItemText(3, 1), QStringLiteral("d"));
    QCOMPARE(grid.GetItemText(3, 2), QStringLiteral("e"));
    QCOMPARE(grid.GetRowCount(), 4);

    // Cut copies and then empties the selection.
    grid.SetSelectedRange(3, 1, 3, 2);
    QTest::keyClick(&grid, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("d\te"));
    QCOMPARE(grid.GetItemText(3, 1), QString());
}

QTEST_MAIN(TestGridInput)
#include "tst_grid_input.moc"
