#include "ui/SmallBarCtrl.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A shown bar of three groups, with the slide off unless a test turns it on.
struct Bar {
    CSmallBarCtrl bar;
    Bar() {
        bar.SetAnimationDelay(-1);
        bar.AddGroup(QStringLiteral("客户管理"), 0);
        bar.AddItem(0, 0, QStringLiteral("客户管理"), 1, 32815);
        bar.AddItem(0, 1, QStringLiteral("客户分类"), 1, 32773);
        bar.AddItem(0, 2, QStringLiteral("查询联系人"), 1, 32813);
        bar.AddGroup(QStringLiteral("销售渠道"), 1);
        bar.AddItem(1, 0, QStringLiteral("销售渠道管理"), 1, 32802);
        bar.AddGroup(QStringLiteral("采购管理"), 2);
        bar.AddItem(2, 0, QStringLiteral("供应商管理"), 1, 32806);
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
    void groupsItemsAndPictures();
    void openGroupRules();
    void commandOnlyWhenPressAndReleaseHitTheSameItem();
    void slideBetweenGroups();
    void scrollingAndKeyboard();
};

void SmallBarTest::groupsItemsAndPictures() {
    CSmallBarCtrl bar;
    QCOMPARE(bar.AddGroup(QStringLiteral("A"), 0), 0);
    QCOMPARE(bar.AddGroup(QStringLiteral("C"), 7), 1); // out of range: appended
    QCOMPARE(bar.AddGroup(QStringLiteral("B"), 1), 1); // inserted before C
    QCOMPARE(bar.GroupCaption(2), QStringLiteral("C"));
    QVERIFY(!bar.AddItem(3, 0, QStringLiteral("x"), 1, 1));

    // Item indexes need not be contiguous; items show in index order, and an
    // index that is taken is replaced rather than doubled.
    bar.AddItem(0, 5, QStringLiteral("five"), 1, 105);
    bar.AddItem(0, 0, QStringLiteral("zero"), 1, 100);
    bar.AddItem(0, 2, QStringLiteral("two"), 1, 102);
    bar.AddItem(0, 2, QStringLiteral("TWO"), 0, 202);
    QCOMPARE(bar.ItemIndexes(0), (QList<int>{0, 2, 5}));
    QCOMPARE(bar.ItemText(0, 2), QStringLiteral("TWO"));
    QCOMPARE(bar.ItemCommand(0, 2), 202);
    QCOMPARE(bar.ItemFlag(0, 2), 0);
    QCOMPARE(bar.ItemCommand(0, 1), 0);

    // Pictures go to the group added last, by item index: with index 1
    // missing, as in the main window's SMS group, pictures for 0..n-1 leave
    // the last item without one.
    QTemporaryDir dir;
    const QString picture = dir.filePath(QStringLiteral("p.jpg"));
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QVERIFY(image.save(picture, "JPG"));
    const int last = bar.AddGroup(QStringLiteral("D"), 3);
    for (int index : {0, 2, 3})
        bar.AddItem(last, index, QStringLiteral("d"), 1, 10 + index);
    QVERIFY(bar.SetItemPicture(0, picture));
    QVERIFY(!bar.SetItemPicture(1, picture));
    QVERIFY(bar.SetItemPicture(2, picture));
    QVERIFY(bar.ItemHasPicture(last, 2));
    QVERIFY(!bar.ItemHasPicture(last, 3));
    QVERIFY(!bar.ItemHasPicture(0, 0));
    QVERIFY(!bar.SetItemPicture(3, dir.filePath(QStringLiteral("missing.jpg"))));
    QFile junk(dir.filePath(QStringLiteral("junk.gif")));
    QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write("not a picture") > 0);
    junk.close();
    QVERIFY(!bar.SetItemPicture(3, junk.fileName()));
    QVERIFY(!bar.ItemHasPicture(last, 3));
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
    QVERIFY(b.bar.ItemRect(1, 0).top() >= 2 * h);
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

    // A group's own window takes the items' place while the group is open.
    auto* window = new QWidget;
    b.bar.SetGroupWindow(1, window);
    QCOMPARE(window->parentWidget(), &b.bar);
    QVERIFY(!window->isVisible());
    b.bar.OpenGroup(1);
    QVERIFY(window->isVisible());
    b.bar.resize(120, 300);
    QCOMPARE(window->geometry().top(), b.bar.GroupHeaderRect(1).bottom() + 1);
    QCOMPARE(window->geometry().bottom(), b.bar.GroupHeaderRect(2).top() - 1);
    b.bar.OpenGroup(0);
    QVERIFY(!window->isVisible());
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
    QCOMPARE(commands.count(), 1);
    QCOMPARE(commands.at(0).at(0).toInt(), 32806);

    // A group window appears when the slide is over.
    auto* window = new QWidget;
    b.bar.SetGroupWindow(1, window);
    b.bar.OpenGroup(1);
    QVERIFY(!window->isVisible());
    b.bar.FinishSlide();
    QVERIFY(window->isVisible());

    // The timer runs a slide to its end by itself.
    b.bar.SetAnimationDelay(0);
    b.bar.OpenGroup(0);
    QVERIFY(b.bar.IsSliding());
    QTRY_VERIFY(!b.bar.IsSliding());

    // No slide with the animation off, or while the bar is not shown.
    b.bar.SetAnimationDelay(-1);
    b.bar.OpenGroup(2);
    QVERIFY(!b.bar.IsSliding());
    b.bar.SetAnimationDelay(100000);
    b.bar.hide();
    b.bar.OpenGroup(0);
    QVERIFY(!b.bar.IsSliding());
}

void SmallBarTest::scrollingAndKeyboard() {
    CSmallBarCtrl bar;
    bar.SetAnimationDelay(-1);
    bar.AddGroup(QStringLiteral("沟通管理"), 0);
    for (int i = 0; i < 11; ++i)
        bar.AddItem(0, i, QStringLiteral("项目%1").arg(i), 1, 100 + i);
    bar.AddGroup(QStringLiteral("其他"), 1);
    bar.AddItem(1, 0, QStringLiteral("其他"), 1, 200);
    bar.resize(120, 200);
    bar.OpenGroup(0);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    QVERIFY(bar.ItemRect(0, 10).isEmpty()); // below the visible part
    const QRect first = bar.ItemRect(0, 0);

    auto wheel = [&](int notches) {
        QWheelEvent event(QPointF(60, 60), bar.mapToGlobal(QPointF(60, 60)), QPoint(),
                          QPoint(0, 120 * notches), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                          false);
        QApplication::sendEvent(&bar, &event);
    };
    wheel(-20); // as far as it goes: the last item in sight, the first not
    QVERIFY(!bar.ItemRect(0, 10).isEmpty());
    QVERIFY(bar.ItemRect(0, 0).isEmpty());
    QSignalSpy commands(&bar, &CSmallBarCtrl::itemCommand);
    QTest::mouseClick(&bar, Qt::LeftButton, {}, bar.ItemRect(0, 10).center());
    QCOMPARE(commands.at(0).at(0).toInt(), 110);
    wheel(20);
    QCOMPARE(bar.ItemRect(0, 0), first);

    // Keys move the mark, scrolling it into sight, and click what it marks.
    bar.OpenGroup(0);
    QTest::keyClick(&bar, Qt::Key_Return); // nothing marked yet
    QCOMPARE(commands.count(), 1);
    QTest::keyClick(&bar, Qt::Key_Down);
    QCOMPARE(bar.FocusItem(), 0);
    QTest::keyClick(&bar, Qt::Key_End);
    QTest::keyClick(&bar, Qt::Key_Down); // stays on the last
    QCOMPARE(bar.FocusItem(), 10);
    QVERIFY(!bar.ItemRect(0, 10).isEmpty());
    QTest::keyClick(&bar, Qt::Key_Up);
    QTest::keyClick(&bar, Qt::Key_Space);
    QCOMPARE(commands.count(), 2);
    QCOMPARE(commands.at(1).at(0).toInt(), 109);
    QTest::keyClick(&bar, Qt::Key_Home);
    QCOMPARE(bar.ItemRect(0, 0), first);

    QTest::keyClick(&bar, Qt::Key_PageDown);
    QCOMPARE(bar.OpenedGroup(), 1);
    QCOMPARE(bar.FocusItem(), -1);
    QTest::keyClick(&bar, Qt::Key_PageDown); // no group below the last
    QCOMPARE(bar.OpenedGroup(), 1);
    QTest::keyClick(&bar, Qt::Key_PageUp);
    QCOMPARE(bar.OpenedGroup(), 0);
}

QTEST_MAIN(SmallBarTest)
#include "tst_smallbar.moc"
