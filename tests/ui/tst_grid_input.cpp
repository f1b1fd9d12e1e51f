// The grid under mouse, keyboard and wheel: selection rules, navigation,
// in-place editing with its notifications, clipboard commands, divider
// resizing, auto-scroll and title tips.

#include "GridTestSupport.h"

#include "ui/GridCellCombo.h"
#include "ui/GridTitleTip.h"

#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

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
    void comboCellOffersItsOptions();
    void deletePasteAndCutNeedAnEditableGrid();
    void wheelScrollsWholeRowsUnderFixedHeader();
    void dividersResizeAndAutoSize();
    void draggingPastTheEdgeScrolls();
    void titleTipShowsTruncatedText();
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
    QCOMPARE(Args(changing), qMakePair(3, 2));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(Args(clicked), qMakePair(3, 2));

    // Shift extends from the anchor, whole rows; Ctrl adds to what is there.
    GridTest::Click(grid, CellCenter(grid, 5, 1), Qt::ShiftModifier);
    QCOMPARE(grid.GetSelectedCellRange(), CCellRange(3, 1, 5, 3));
    GridTest::Click(grid, CellCenter(grid, 1, 3), Qt::ShiftModifier);
    QCOMPARE(grid.GetSelectedCellRange(), CCellRange(1, 1, 3, 3));
    GridTest::Click(grid, CellCenter(grid, 7, 2), Qt::ControlModifier);
    QVERIFY(grid.IsCellSelected(2, 2) && grid.IsCellSelected(7, 1) && !grid.IsCellSelected(5, 1));

    // Dragging selects the rows between press and pointer.
    GridTest::Mouse(grid, QEvent::MouseButtonPress, CellCenter(grid, 2, 1));
    GridTest::Mouse(grid, QEvent::MouseMove, CellCenter(grid, 4, 3));
    GridTest::Mouse(grid, QEvent::MouseButtonRelease, CellCenter(grid, 4, 3));
    QCOMPARE(grid.GetSelectedCellRange(), CCellRange(2, 1, 4, 3));
    QCOMPARE(grid.GetSelectedCount(), 9);

    // Single-row selection keeps only the clicked row.
    grid.SetSingleRowSelection(true);
    GridTest::Click(grid, CellCenter(grid, 6, 1), Qt::ShiftModifier);
    QCOMPARE(grid.GetSelectedCellRange(), CCellRange(6, 1, 6, 3));

    // Outside the cells a click reports (-1, -1) and selects nothing; the
    // right button reports its cell on release.
    QSignalSpy right(&grid, &CGridCtrl::RightClick);
    grid.SetColumnWidth(3, 30);
    GridTest::Click(grid, QPoint(395, 10));
    QCOMPARE(Args(clicked), qMakePair(-1, -1));
    GridTest::Mouse(grid, QEvent::MouseButtonPress, CellCenter(grid, 2, 2), Qt::RightButton);
    GridTest::Mouse(grid, QEvent::MouseButtonRelease, CellCenter(grid, 2, 2), Qt::RightButton);
    QCOMPARE(right.count(), 1);
    QCOMPARE(Args(right), qMakePair(2, 2));
    GridTest::Mouse(grid, QEvent::MouseButtonRelease, QPoint(395, 230), Qt::RightButton);
    QCOMPARE(Args(right), qMakePair(-1, -1));
    QCOMPARE(grid.GetSelectedCellRange(), CCellRange(6, 1, 6, 3));
}

void TestGridInput::headerPressesFollowTheirFlags() {
    CGridCtrl grid;
    MakeList(grid, 4, 3);
    GridTest::Show(grid);
    grid.SetItemText(1, 1, u"b"_s);
    grid.SetItemText(2, 1, u"a"_s);

    // A row header in a list does nothing; a column header selects the
    // column but never reorders the rows.
    GridTest::Click(grid, CellCenter(grid, 2, 0));
    QVERIFY(!grid.GetSelectedCellRange().IsValid());
    GridTest::Click(grid, CellCenter(grid, 0, 1));
    QCOMPARE(grid.GetItemText(1, 1), u"b"_s);
    QCOMPARE(grid.GetSelectedCellRange(), CCellRange(1, 1, 4, 1));
    // The corner selects everything.
    GridTest::Click(grid, CellCenter(grid, 0, 0));
    QCOMPARE(grid.GetSelectedCellRange(), CCellRange(1, 1, 4, 2));

    // With sorting on a header click sorts, the second click reverses.
    grid.SetHeaderSort(true);
    grid.SetFixedRowSelection(false);
    GridTest::Click(grid, CellCenter(grid, 0, 1));
    QCOMPARE(grid.GetItemText(1, 1), u"a"_s);
    QVERIFY(grid.GetSortAscending());
    GridTest::Click(grid, CellCenter(grid, 0, 1));
    QVERIFY(!grid.GetSortAscending());
    QCOMPARE(grid.GetItemText(1, 1), u"r4c1"_s);
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
    QCOMPARE(grid.GetFocusCell(), CCellID(5, 1));

    // Up stops at the first data row, Left at the first data column.
    for (int i = 0; i < 10; ++i)
        QTest::keyClick(&grid, Qt::Key_Up);
    QCOMPARE(grid.GetFocusCell(), CCellID(1, 1));
    QTest::keyClick(&grid, Qt::Key_Left);
    QCOMPARE(grid.GetFocusCell(), CCellID(1, 1));
    QTest::keyClick(&grid, Qt::Key_Right);
    QCOMPARE(grid.GetFocusCell(), CCellID(1, 2));

    QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(grid.GetFocusCell(), CCellID(8, 3));
    QVERIFY(grid.IsCellVisible(8, 3));
    QTest::keyClick(&grid, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(grid.GetFocusCell(), CCellID(1, 1));
    QCOMPARE(grid.verticalScrollBar()->value(), 0);

    // Page Down moves the focus as far as the view scrolled, at most to the end.
    grid.resize(400, 100);
    QApplication::processEvents();
    QTest::keyClick(&grid, Qt::Key_PageDown);
    const int scrolled = grid.verticalScrollBar()->value();
    QVERIFY(scrolled > 0);
    QCOMPARE(grid.GetFocusCell().row, 1 + scrolled);
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(&grid, Qt::Key_PageDown);
    QCOMPARE(grid.GetFocusCell().row, 8);

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
    QTest::keyClicks(&list, u"ab"_s);
    GridTest::DoubleClick(list, CellCenter(list, 2, 2));
    QVERIFY(!list.IsEditing());
    QCOMPARE(begin.count(), 0);
    QCOMPARE(list.GetItemText(1, 1), u"r1c1"_s);

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
    QCOMPARE(edit->text(), u"z"_s);
    edit->insert(u"中"_s);
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(!grid.IsEditing());
    QCOMPARE(grid.GetItemText(1, 1), u"z中"_s);
    QVERIFY(grid.GetModified(1, 1));
    QVERIFY(grid.GetModified());
    QCOMPARE(end.count(), 1);
    QCOMPARE(Args(end), qMakePair(1, 1));
    QCOMPARE(grid.GetEditEndKey(), int(Qt::Key_Return));

    // Escape keeps the old text but still ends the edit.
    QTest::keyClick(&grid, Qt::Key_Q);
    QTest::keyClick(grid.GetEditWnd(), Qt::Key_Escape);
    QCOMPARE(grid.GetItemText(1, 1), u"z中"_s);
    QCOMPARE(end.count(), 2);

    // A double click edits with the mouse: arrows stay inside the box.
    QSignalSpy dbl(&grid, &CGridCtrl::DoubleClick);
    GridTest::DoubleClick(grid, CellCenter(grid, 3, 1));
    QCOMPARE(dbl.count(), 1);
    QVERIFY(grid.IsEditing());
    QTest::keyClick(grid.GetEditWnd(), Qt::Key_Left);
    QVERIFY(grid.IsEditing());
    QTest::keyClick(grid.GetEditWnd(), Qt::Key_Left, Qt::ControlModifier);
    QVERIFY(!grid.IsEditing());
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
    QVERIFY(!grid.EditCell(1, 1));
    QVERIFY(!grid.IsEditing());

    refuseBegin = false;
    refuseEnd = true;
    QVERIFY(grid.EditCell(1, 1));
    qobject_cast<QLineEdit*>(grid.GetEditWnd())->setText(u"新值"_s);
    grid.EndEditing();
    // The owner saw the new text, then refused it.
    QCOMPARE(seenText, u"新值"_s);
    QCOMPARE(grid.GetItemText(1, 1), u"r1c1"_s);
}

void TestGridInput::comboCellOffersItsOptions() {
    // The custom-field dialog's pattern: the type cell becomes a drop-down
    // while it is edited and a plain cell again afterwards.
    CGridCtrl grid;
    GridTest::Fill(grid, 2, 4);
    GridTest::Show(grid);
    grid.SetItemText(1, 3, u"整数"_s);
    grid.SetItemText(2, 3, u"其他"_s);
    const QStringList options = {u"文字"_s, u"整数"_s, u"浮点数"_s};
    connect(&grid, &CGridCtrl::BeginLabelEdit, &grid, [&](int row, int col) {
        if (col != 3)
            return;
        grid.SetCellType<CGridCellCombo>(row, col);
        static_cast<CGridCellCombo*>(grid.GetCell(row, col))->SetOptions(options);
    });
    connect(&grid, &CGridCtrl::EndLabelEdit, &grid, [&](int row, int col) {
        if (col == 3)
            grid.SetCellType<CGridCell>(row, col);
    });

    QVERIFY(grid.EditCell(1, 3));
    auto* combo = qobject_cast<QComboBox*>(grid.GetEditWnd());
    QVERIFY(combo);
    QCOMPARE(combo->count(), 3);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(combo->itemText(i), options.at(i));
    QCOMPARE(combo->currentIndex(), 1);
    combo->hidePopup();
    combo->setCurrentIndex(2);
    QTest::keyClick(combo, Qt::Key_Return);
    QVERIFY(!grid.IsEditing());
    QCOMPARE(grid.GetItemText(1, 3), u"浮点数"_s);
    QVERIFY(!dynamic_cast<CGridCellCombo*>(grid.GetCell(1, 3)));

    // A text that is not an option is shown as typed.
    QVERIFY(grid.EditCell(2, 3));
    combo = qobject_cast<QComboBox*>(grid.GetEditWnd());
    QVERIFY(combo);
    combo->hidePopup();
    QCOMPARE(combo->currentText(), u"其他"_s);
    // The owner may turn the cell back before the edit ends (the selection
    // moved); the choice in the open drop-down still counts.
    combo->setCurrentIndex(0);
    grid.SetCellType<CGridCell>(2, 3);
    grid.EndEditing();
    QCOMPARE(grid.GetItemText(2, 3), u"文字"_s);
}

void TestGridInput::deletePasteAndCutNeedAnEditableGrid() {
    CGridCtrl list;
    MakeList(list, 3, 3);
    GridTest::Show(list);
    list.SetFocusCell(1, 1);
    list.SetSelectedRange(1, 1, 2, 2);
    QGuiApplication::clipboard()->setText(u"p\tq"_s);
    QTest::keyClick(&list, Qt::Key_Delete);
    QTest::keyClick(&list, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(&list, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(list.GetItemText(1, 1), u"r1c1"_s);
    QCOMPARE(list.GetItemText(2, 2), u"r2c2"_s);
    QCOMPARE(QGuiApplication::clipboard()->text(), u"p\tq"_s);
    // Copy works in a list.
    QTest::keyClick(&list, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), u"r1c1\tr1c2\r\nr2c1\tr2c2"_s);

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
    QCOMPARE(grid.GetItemText(1, 2), u"r1c2"_s); // read-only
    QCOMPARE(grid.GetItemText(2, 1), u"r2c1"_s); // refused
    QCOMPARE(grid.GetItemText(2, 2), QString());
    QCOMPARE(ended.size(), 3);

    // Paste: lines at LF, fields at TAB or comma, clipped to the grid.
    grid.SetFocusCell(2, 1);
    QGuiApplication::clipboard()->setText(u"a\tb,c  \r\nd\te\r\nf\r\ng\r\n"_s);
    QTest::keyClick(&grid, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(grid.GetItemText(2, 1), u"a"_s);
    QCOMPARE(grid.GetItemText(2, 2), u"b"_s);
    QCOMPARE(grid.GetItemText(3, 1), u"d"_s);
    QCOMPARE(grid.GetItemText(3, 2), u"e"_s);
    QCOMPARE(grid.GetRowCount(), 4);

    // Cut copies and then empties the selection.
    grid.SetSelectedRange(3, 1, 3, 2);
    QTest::keyClick(&grid, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), u"d\te"_s);
    QCOMPARE(grid.GetItemText(3, 1), QString());
}

void TestGridInput::wheelScrollsWholeRowsUnderFixedHeader() {
    CGridCtrl grid;
    MakeList(grid, 60, 3);
    GridTest::Show(grid, 300, 200);
    auto wheel = [&](int delta) {
        const QPoint pos = CellCenter(grid, 1, 1);
        QWheelEvent event(QPointF(pos), QPointF(grid.viewport()->mapToGlobal(pos)), QPoint(),
                          QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(grid.viewport(), &event);
    };
    QCOMPARE(grid.GetMouseWheelLines(), 3u);
    wheel(-120);
    QCOMPARE(grid.GetTopLeftNonFixedCell().row, 4);
    QCOMPARE(grid.GetCellFromPt(QPoint(60, 5)).row, 0); // the header stays
    QCOMPARE(grid.GetCellFromPt(CellCenter(grid, 4, 1)), CCellID(4, 1));
    wheel(120);
    QCOMPARE(grid.GetTopLeftNonFixedCell().row, 1);
    wheel(-240);
    QCOMPARE(grid.GetTopLeftNonFixedCell().row, 7);

    grid.SetMouseWheelLines(CGridCtrl::kWheelPageScroll);
    const int page = grid.verticalScrollBar()->pageStep();
    QVERIFY(page > 3);
    wheel(-120);
    QCOMPARE(grid.GetTopLeftNonFixedCell().row, 7 + page);
}

void TestGridInput::dividersResizeAndAutoSize() {
    CGridCtrl grid;
    MakeList(grid, 3, 4);
    GridTest::Show(grid);
    for (int c = 0; c < 4; ++c)
        grid.SetColumnWidth(c, 60);
    QSignalSpy changing(&grid, &CGridCtrl::SelectionChanging);
    // The divider between columns 1 and 2 is at x = 120.
    GridTest::Mouse(grid, QEvent::MouseButtonPress, QPoint(122, 5));
    GridTest::Mouse(grid, QEvent::MouseMove, QPoint(150, 5));
    GridTest::Mouse(grid, QEvent::MouseButtonRelease, QPoint(170, 5));
    QCOMPARE(grid.GetColumnWidth(1), 110);
    QCOMPARE(changing.count(), 0);
    // Dragged past its left edge a column is hidden.
    GridTest::Mouse(grid, QEvent::MouseButtonPress, QPoint(229, 5));
    GridTest::Mouse(grid, QEvent::MouseButtonRelease, QPoint(20, 5));
    QCOMPARE(grid.GetColumnWidth(2), 0);
    // A press that does not move leaves the width alone.
    GridTest::Mouse(grid, QEvent::MouseButtonPress, QPoint(60, 5));
    GridTest::Mouse(grid, QEvent::MouseButtonRelease, QPoint(60, 5));
    QCOMPARE(grid.GetColumnWidth(0), 60);

    // Row dividers live in the key column.
    const int top = grid.GetRowHeight(0);
    GridTest::Mouse(grid, QEvent::MouseButtonPress, QPoint(10, top + 20));
    GridTest::Mouse(grid, QEvent::MouseButtonRelease, QPoint(10, top + 35));
    QCOMPARE(grid.GetRowHeight(1), 35);

    // Double-clicking a divider fits the column to its texts.
    grid.SetItemText(2, 3, u"很长很长很长很长很长很长的一段文字"_s);
    const int right = 60 + 110 + 60;
    GridTest::DoubleClick(grid, QPoint(right - 1, 5));
    const int needed =
        QFontMetrics(grid.GetItemFont(2, 3)).horizontalAdvance(grid.GetItemText(2, 3));
    QVERIFY(grid.GetColumnWidth(3) >= needed);
}

void TestGridInput::draggingPastTheEdgeScrolls() {
    CGridCtrl grid;
    MakeList(grid, 60, 3);
    GridTest::Show(grid, 300, 200);
    QSignalSpy changed(&grid, &CGridCtrl::SelectionChanged);
    GridTest::Mouse(grid, QEvent::MouseButtonPress, CellCenter(grid, 2, 1));
    GridTest::Mouse(grid, QEvent::MouseMove, QPoint(60, 260));
    QTRY_VERIFY(grid.GetTopLeftNonFixedCell().row > 4);
    GridTest::Mouse(grid, QEvent::MouseButtonRelease, QPoint(60, 260));
    const int top = grid.GetTopLeftNonFixedCell().row;
    const CCellRange range = grid.GetSelectedCellRange();
    QCOMPARE(range.GetMinRow(), 2);
    QVERIFY(range.GetMaxRow() > top);
    QCOMPARE(range.GetMaxCol(), 2);
    QCOMPARE(changed.count(), 1);
    // Released, the grid stops scrolling.
    QTest::qWait(100);
    QCOMPARE(grid.GetTopLeftNonFixedCell().row, top);
}

void TestGridInput::titleTipShowsTruncatedText() {
    CGridCtrl grid;
    MakeList(grid, 3, 3);
    GridTest::Show(grid);
    grid.SetColumnWidth(1, 40);
    const QString longText = u"北京市海淀区中关村大街一号"_s;
    grid.SetItemText(1, 1, longText);
    GridTest::Hover(grid, CellCenter(grid, 1, 1));
    auto* tip = grid.findChild<GridTitleTip*>();
    QVERIFY(tip);
    QVERIFY(tip->isVisible());
    QCOMPARE(tip->Text(), longText);
    QVERIFY(tip->width() > 40);
    // Leaving the text hides it; a text that fits shows none.
    GridTest::Hover(grid, CellCenter(grid, 1, 2));
    QVERIFY(!tip->isVisible());
    grid.EnableTitleTips(false);
    GridTest::Hover(grid, CellCenter(grid, 1, 1));
    QVERIFY(!tip->isVisible());
}

QTEST_MAIN(TestGridInput)
#include "tst_grid_input.moc"
