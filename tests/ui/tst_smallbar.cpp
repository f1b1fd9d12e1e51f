#include "ui/SmallBarCtrl.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A shown bar of three groups, with the slide off unless a test turns it on.
struct Bar {
    CSmallBarCtrl bar;
    Bar() {
        bar.SetAnimationDelay(-1);
        bar.AddGroup(u"客户管理"_s, 0);
        bar.AddItem(0, 0, u"客户管理"_s, 1, 32815);
        bar.AddItem(0, 1, u"客户分类"_s, 1, 32773);
        bar.AddItem(0, 2, u"查询联系人"_s, 1, 32813);
        bar.AddGroup(u"销售渠道"_s, 1);
        bar.AddItem(1, 0, u"销售渠道管理"_s, 1, 32802);
        bar.AddGroup(u"采购管理"_s, 2);
        bar.AddItem(2, 0, u"供应商管理"_s, 1, 32806);
        bar.resize(120, 400);
        bar.OpenGroup(0);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
    }
    QPoint Item(int group, int index) const { return bar.ItemRect(group, index).center(); }
    QPoint Header(int group) const { return bar.GroupHeaderRect(group).center(); }
    void Drag(const QPoint& from, const QPoint& to) {
        QTest::mousePress(&bar, Qt::LeftButton, {}, from);
        QTest::mouseRelease(&bar, Qt::LeftButton, {}, to);
    }
};

} // namespace

class SmallBarTest : public QObject {
    Q_OBJECT
private slots:
    void groupsAndItems();
    void openGroupRules();
    void commandOnlyWhenPressAndReleaseHitTheSameItem();
    void slideBetweenGroups();
};

void SmallBarTest::groupsAndItems() {
    CSmallBarCtrl bar;
    QCOMPARE(bar.AddGroup(u"A"_s, 0), 0);
    QCOMPARE(bar.AddGroup(u"C"_s, 7), 1); // out of range: appended
    QCOMPARE(bar.AddGroup(u"B"_s, 1), 1); // inserted before C
    QCOMPARE(bar.GroupCaption(2), u"C"_s);
    QVERIFY(!bar.AddItem(3, 0, u"x"_s, 1, 1));

    // Item indexes need not be contiguous; items show in index order, and an
    // index that is taken is replaced rather than doubled.
    bar.AddItem(0, 5, u"five"_s, 1, 105);
    bar.AddItem(0, 0, u"zero"_s, 1, 100);
    bar.AddItem(0, 2, u"two"_s, 1, 102);
    bar.AddItem(0, 2, u"TWO"_s, 0, 202);
    QCOMPARE(bar.ItemIndexes(0), (QList<int>{0, 2, 5}));
    QCOMPARE(bar.ItemText(0, 2), u"TWO"_s);
    QCOMPARE(bar.ItemCommand(0, 2), 202);
    QCOMPARE(bar.ItemCommand(0, 1), 0);
}

void SmallBarTest::openGroupRules() {
    Bar b;
    QSignalSpy opened(&b.bar, &CSmallBarCtrl::groupOpened);
    b.bar.OpenGroup(3);
    b.bar.OpenGroup(-1);
    QCOMPARE(b.bar.OpenedGroup(), 0);
    QCOMPARE(opened.count(), 0);

    // Headers up to the open one stack from the top, the rest from the
    // bottom, and only the open group's items are shown, between them.
    b.bar.OpenGroup(1);
    QCOMPARE(opened.count(), 1);
    QCOMPARE(opened.at(0).at(0).toInt(), 1);
    const int h = b.bar.GroupHeaderRect(0).height();
    QCOMPARE(b.bar.GroupHeaderRect(1).top(), h);
    QCOMPARE(b.bar.GroupHeaderRect(2).top(), 400 - h);
    QVERIFY(b.bar.ItemRect(0, 0).isEmpty());

    // Opening clears the selection, even when the group was open already.
    QTest::mouseClick(&b.bar, Qt::LeftButton, {}, b.Item(1, 0));
    QCOMPARE(b.bar.SelectedItem(), 0);
    b.bar.OpenGroup(1);
    QCOMPARE(b.bar.SelectedItem(), -1);
    QCOMPARE(opened.count(), 2);

    // A header click opens its group; the open group's header does nothing.
    b.Drag(b.Header(0), b.Header(2));
    QCOMPARE(b.bar.OpenedGroup(), 1);
    QTest::mouseClick(&b.bar, Qt::LeftButton, {}, b.Header(1));
    QCOMPARE(opened.count(), 2);
    QTest::mouseClick(&b.bar, Qt::LeftButton, {}, b.Header(2));
    QCOMPARE(b.bar.OpenedGroup(), 2);
}

void SmallBarTest::commandOnlyWhenPressAndReleaseHitTheSameItem() {
    Bar b;
    QSignalSpy commands(&b.bar, &CSmallBarCtrl::itemCommand);
    QTest::mouseClick(&b.bar, Qt::LeftButton, {}, b.Item(0, 1));
    QCOMPARE(commands.count(), 1);
    QCOMPARE(commands.at(0).at(0).toInt(), 32773);
    QCOMPARE(b.bar.SelectedItem(), 1);

    // Released on another item, on empty space or on a header; pressed
    // elsewhere and released on an item; another mouse button: nothing is
    // sent and the selection stays.
    b.Drag(b.Item(0, 0), b.Item(0, 2));
    b.Drag(b.Item(0, 0), QPoint(60, 250));
    b.Drag(b.Item(0, 0), b.Header(2));
    b.Drag(QPoint(60, 250), b.Item(0, 0));
    QTest::mouseClick(&b.bar, Qt::RightButton, {}, b.Item(0, 0));
    QCOMPARE(commands.count(), 1);
    QCOMPARE(b.bar.SelectedItem(), 1);
    QCOMPARE(b.bar.OpenedGroup(), 0);

    // The same item clicked again sends again.
    QTest::mouseClick(&b.bar, Qt::LeftButton, {}, b.Item(0, 2));
    QTest::mouseClick(&b.bar, Qt::LeftButton, {}, b.Item(0, 2));
    QCOMPARE(commands.count(), 3);
    QCOMPARE(commands.at(2).at(0).toInt(), 32813);
}

void SmallBarTest::slideBetweenGroups() {
    Bar b;
    b.bar.OpenGroup(2);
    const QRect finalHeader = b.bar.GroupHeaderRect(2);
    const QPoint firstItem = b.Item(2, 0);
    b.bar.OpenGroup(0);
    const QRect startHeader = b.bar.GroupHeaderRect(2);

    // The new group is open at once; only the picture is still moving, and
    // there is nothing to click until it stops.
    b.bar.SetAnimationDelay(100000);
    QSignalSpy opened(&b.bar, &CSmallBarCtrl::groupOpened);
    b.bar.OpenGroup(2);
    QVERIFY(b.bar.IsSliding());
    QCOMPARE(b.bar.OpenedGroup(), 2);
    QCOMPARE(opened.count(), 1);
    QCOMPARE(b.bar.GroupHeaderRect(2), startHeader);
    QVERIFY(b.bar.ItemRect(2, 0).isEmpty());
    b.bar.FinishSlide();
    QVERIFY(!b.bar.IsSliding());
    QCOMPARE(b.bar.GroupHeaderRect(2), finalHeader);

    // A click during a slide lands where the items end up.
    QSignalSpy commands(&b.bar, &CSmallBarCtrl::itemCommand);
    b.bar.OpenGroup(0);
    b.bar.OpenGroup(2); // ends the running slide and starts the next
    QVERIFY(b.bar.IsSliding());
    QTest::mouseClick(&b.bar, Qt::LeftButton, {}, firstItem);
    QVERIFY(!b.bar.IsSliding());
    QCOMPARE(commands.value(0).value(0).toInt(), 32806);

    // The timer runs a slide to its end by itself.
    b.bar.SetAnimationDelay(0);
    b.bar.OpenGroup(0);
    QVERIFY(b.bar.IsSliding());
    QTRY_VERIFY(!b.bar.IsSliding());

    // No slide while the bar is not shown.
    b.bar.hide();
    b.bar.OpenGroup(2);
    QVERIFY(!b.bar.IsSliding());
}

QTEST_MAIN(SmallBarTest)
#include "tst_smallbar.moc"
