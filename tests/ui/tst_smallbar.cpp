#include "ui/ColorRef.h"
#include "ui/SmallBarCtrl.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString SourcePath(const QString& relative) {
    return QDir(qEnvironmentVariable("TORVEL_SOURCE_DIR")).filePath(relative);
}

// A bar of three groups, shown, with the slide off unless a test turns it on.
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
    QPoint ItemCentre(int group, int index) const { return bar.ItemRect(group, index).center(); }
};

} // namespace

class SmallBarTest : public QObject {
    Q_OBJECT
private slots:
    void groupsAndItems();
    void picturesGoToTheGroupAddedLast();
    void openGroupRules();
    void commandOnlyWhenPressAndReleaseHitTheSameItem();
    void headerClickOpensItsGroup();
    void slideBetweenGroups();
    void groupWindowTakesTheItemsPlace();
    void scrollingALongGroup();
    void keyboard();
    void navigationBarOfTheMainWindow();
};

void SmallBarTest::groupsAndItems() {
    CSmallBarCtrl bar;
    QCOMPARE(bar.AddGroup(QStringLiteral("A"), 0), 0);
    QCOMPARE(bar.AddGroup(QStringLiteral("C"), 7), 1); // out of range: appended
    QCOMPARE(bar.AddGroup(QStringLiteral("B"), 1), 1); // inserted before C
    QCOMPARE(bar.GroupCount(), 3);
    QCOMPARE(bar.GroupCaption(1), QStringLiteral("B"));
    QCOMPARE(bar.GroupCaption(2), QStringLiteral("C"));
    QCOMPARE(bar.GroupCaption(3), QString());

    QVERIFY(!bar.AddItem(3, 0, QStringLiteral("x"), 1, 1));
    QVERIFY(!bar.AddItem(-1, 0, QStringLiteral("x"), 1, 1));

    // Item indexes need not be contiguous; the bar shows them in index order.
    QVERIFY(bar.AddItem(0, 5, QStringLiteral("five"), 1, 105));
    QVERIFY(bar.AddItem(0, 0, QStringLiteral("zero"), 1, 100));
    QVERIFY(bar.AddItem(0, 2, QStringLiteral("two"), 0, 102));
    QCOMPARE(bar.ItemIndexes(0), (QList<int>{0, 2, 5}));
    QCOMPARE(bar.ItemCommand(0, 5), 105);
    QCOMPARE(bar.ItemFlag(0, 2), 0);
    QCOMPARE(bar.ItemCommand(0, 1), 0);
    QCOMPARE(bar.ItemText(0, 1), QString());

    // An index that is taken is replaced, not doubled.
    QVERIFY(bar.AddItem(0, 2, QStringLiteral("TWO"), 1, 202));
    QCOMPARE(bar.ItemCount(0), 3);
    QCOMPARE(bar.ItemText(0, 2), QStringLiteral("TWO"));
    QCOMPARE(bar.ItemCommand(0, 2), 202);
}

void SmallBarTest::picturesGoToTheGroupAddedLast() {
    QTemporaryDir dir;
    const QString picture = dir.filePath(QStringLiteral("p.jpg"));
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QVERIFY(image.save(picture, "JPG"));

    CSmallBarCtrl bar;
    QVERIFY(!bar.SetItemPicture(0, picture)); // no group yet
    bar.AddGroup(QStringLiteral("A"), 0);
    bar.AddItem(0, 0, QStringLiteral("a"), 1, 1);
    bar.AddGroup(QStringLiteral("B"), 1);
    // The items of B skip index 1, as the SMS group of the main window does.
    for (int index : {0, 2, 3})
        bar.AddItem(1, index, QStringLiteral("b%1").arg(index), 1, 10 + index);
    // Pictures are given for 0..n-1, so index 1 finds no item and index 3
    // stays without a picture.
    QVERIFY(bar.SetItemPicture(0, picture));
    QVERIFY(!bar.SetItemPicture(1, picture));
    QVERIFY(bar.SetItemPicture(2, picture));
    QVERIFY(bar.ItemHasPicture(1, 0));
    QVERIFY(bar.ItemHasPicture(1, 2));
    QVERIFY(!bar.ItemHasPicture(1, 3));
    QVERIFY(!bar.ItemHasPicture(0, 0)); // group A was not the last added

    QVERIFY(!bar.SetItemPicture(3, dir.filePath(QStringLiteral("missing.jpg"))));
    QVERIFY(!bar.ItemHasPicture(1, 3));
    // Not a picture at all.
    QFile junk(dir.filePath(QStringLiteral("junk.gif")));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("not a picture");
    junk.close();
    QVERIFY(!bar.SetItemPicture(3, junk.fileName()));
}

void SmallBarTest::openGroupRules() {
    CSmallBarCtrl bar;
    bar.SetAnimationDelay(-1);
    for (int group = 0; group < 4; ++group) {
        bar.AddGroup(QStringLiteral("G%1").arg(group), group);
        bar.AddItem(group, 0, QStringLiteral("item"), 1, 100 + group);
    }
    bar.resize(120, 300);
    QSignalSpy opened(&bar, &CSmallBarCtrl::groupOpened);
    QCOMPARE(bar.OpenedGroup(), -1);

    bar.OpenGroup(4);
    bar.OpenGroup(-1);
    QCOMPARE(bar.OpenedGroup(), -1);
    QCOMPARE(opened.count(), 0);

    bar.OpenGroup(1);
    QCOMPARE(bar.OpenedGroup(), 1);
    QCOMPARE(opened.count(), 1);
    QCOMPARE(opened.at(0).at(0).toInt(), 1);

    // Headers up to the open one stack from the top, the rest from the bottom,
    // and the open group's items lie between.
    const int h = bar.GroupHeaderRect(0).height();
    QCOMPARE(bar.GroupHeaderRect(0).top(), 0);
    QCOMPARE(bar.GroupHeaderRect(1).top(), h);
    QCOMPARE(bar.GroupHeaderRect(3).bottom(), 299);
    QCOMPARE(bar.GroupHeaderRect(2).top(), 300 - 2 * h);
    const QRect item = bar.ItemRect(1, 0);
    QVERIFY(item.top() >= 2 * h);
    QVERIFY(item.bottom() < 300 - 2 * h);
    QVERIFY(bar.ItemRect(0, 0).isEmpty()); // items of closed groups are not shown

    // Only one group is open at a time, and opening clears the selection, even
    // when the same group is opened again.
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    QTest::mouseClick(&bar, Qt::LeftButton, {}, bar.ItemRect(1, 0).center());
    QCOMPARE(bar.SelectedItem(), 0);
    bar.OpenGroup(1);
    QCOMPARE(bar.SelectedItem(), -1);
    QCOMPARE(opened.count(), 2);
    bar.OpenGroup(3);
    QCOMPARE(bar.OpenedGroup(), 3);
    QVERIFY(bar.ItemRect(1, 0).isEmpty());
    QVERIFY(!bar.ItemRect(3, 0).isEmpty());
}

void SmallBarTest::commandOnlyWhenPressAndReleaseHitTheSameItem() {
    Bar b;
    QSignalSpy commands(&b.bar, &CSmallBarCtrl::itemCommand);

    QTest::mouseClick(&b.bar, Qt::LeftButton, {}, b.ItemCentre(0, 1));
    QCOMPARE(commands.count(), 1);
    QCOMPARE(commands.at(0).at(0).toInt(), 32773);
    QCOMPARE(b.bar.SelectedItem(), 1);

    // Pressed on one item, released on another: nothing is sent and the
    // selection stays.
    QTest::mousePress(&b.bar, Qt::LeftButton, {}, b.ItemCentre(0, 0));
    QTest::mouseRelease(&b.bar, Qt::LeftButton, {}, b.ItemCentre(0, 2));
    QCOMPARE(commands.count(), 1);
    QCOMPARE(b.bar.SelectedItem(), 1);

    // Pressed on an item, released on empty space or on a header.
    QTest::mousePress(&b.bar, Qt::LeftButton, {}, b.ItemCentre(0, 0));
    QTest::mouseRelease(&b.bar, Qt::LeftButton, {}, QPoint(60, 250));
    QTest::mousePress(&b.bar, Qt::LeftButton, {}, b.ItemCentre(0, 0));
    QTest::mouseRelease(&b.bar, Qt::LeftButton, {}, b.bar.GroupHeaderRect(2).center());
    QCOMPARE(commands.count(), 1);
    QCOMPARE(b.bar.OpenedGroup(), 0);

    // Pressed elsewhere, released on an item.
    QTest::mousePress(&b.bar, Qt::LeftButton, {}, QPoint(60, 250));
    QTest::mouseRelease(&b.bar, Qt::LeftButton, {}, b.ItemCentre(0, 0));
    QCOMPARE(commands.count(), 1);

    // Other buttons do not click.
    QTest::mouseClick(&b.bar, Qt::RightButton, {}, b.ItemCentre(0, 0));
    QCOMPARE(commands.count(), 1);

    // The same item again sends again.
    QTest::mouseClick(&b.bar, Qt::LeftButton, {}, b.ItemCentre(0, 2));
    QTest::mouseClick(&b.bar, Qt::LeftButton, {}, b.ItemCentre(0, 2));
    QCOMPARE(commands.count(), 3);
    QCOMPARE(commands.at(2).at(0).toInt(), 32813);
    QCOMPARE(b.bar.SelectedItem(), 2);
}

void SmallBarTest::headerClickOpensItsGroup() {
    Bar b;
    QSignalSpy opened(&b.bar, &CSmallBarCtrl::groupOpened);
    QSignalSpy commands(&b.bar, &CSmallBarCtrl::itemCommand);

    QTest::mouseClick(&b.bar, Qt::LeftButton, {}, b.bar.GroupHeaderRect(2).center());
    QCOMPARE(b.bar.OpenedGroup(), 2);
    QCOMPARE(opened.count(), 1);

    // Press on one header, release on another: no change.
    QTest::mousePress(&b.bar, Qt::LeftButton, {}, b.bar.GroupHeaderRect(0).center());
    QTest::mouseRelease(&b.bar, Qt::LeftButton, {}, b.bar.GroupHeaderRect(1).center());
    QCOMPARE(b.bar.OpenedGroup(), 2);

    // The open group's header does not reopen it.
    QTest::mouseClick(&b.bar, Qt::LeftButton, {}, b.bar.GroupHeaderRect(2).center());
    QCOMPARE(opened.count(), 1);
    QCOMPARE(commands.count(), 0);

    QTest::mouseClick(&b.bar, Qt::LeftButton, {}, b.ItemCentre(2, 0));
    QCOMPARE(commands.count(), 1);
    QCOMPARE(commands.at(0).at(0).toInt(), 32806);
}

void SmallBarTest::slideBetweenGroups() {
    Bar b;
    const QRect finalHeader = [&] {
        b.bar.OpenGroup(2);
        const QRect r = b.bar.GroupHeaderRect(2);
        b.bar.OpenGroup(0);
        return r;
    }();
    const QRect startHeader = b.bar.GroupHeaderRect(2);

    b.bar.SetAnimationDelay(100000);
    QSignalSpy opened(&b.bar, &CSmallBarCtrl::groupOpened);
    b.bar.OpenGroup(2);
    // The new group is open at once; only the picture is still moving.
    QVERIFY(b.bar.IsSliding());
    QCOMPARE(b.bar.OpenedGroup(), 2);
    QCOMPARE(opened.count(), 1);
    QCOMPARE(b.bar.GroupHeaderRect(2), startHeader);
    QVERIFY(b.bar.ItemRect(2, 0).isEmpty()); // nothing to click mid-slide
    b.bar.FinishSlide();
    QVERIFY(!b.bar.IsSliding());
    QCOMPARE(b.bar.GroupHeaderRect(2), finalHeader);
    QVERIFY(!b.bar.ItemRect(2, 0).isEmpty());

    // A click during a slide lands where the items end up.
    QSignalSpy commands(&b.bar, &CSmallBarCtrl::itemCommand);
    const QPoint firstItem = b.ItemCentre(2, 0);
    b.bar.OpenGroup(0);
    QVERIFY(b.bar.IsSliding());
    b.bar.OpenGroup(2); // a new open ends the running slide first
    QVERIFY(b.bar.IsSliding());
    QTest::mouseClick(&b.bar, Qt::LeftButton, {}, firstItem);
    QVERIFY(!b.bar.IsSliding());
    QCOMPARE(commands.count(), 1);
    QCOMPARE(commands.at(0).at(0).toInt(), 32806);

    // The timer runs the slide to its end by itself.
    b.bar.SetAnimationDelay(0);
    b.bar.OpenGroup(1);
    QVERIFY(b.bar.IsSliding());
    QTRY_VERIFY(!b.bar.IsSliding());
    QCOMPARE(b.bar.OpenedGroup(), 1);

    // No slide with the animation off, or while the bar is not shown.
    b.bar.SetAnimationDelay(-1);
    b.bar.OpenGroup(0);
    QVERIFY(!b.bar.IsSliding());
    b.bar.SetAnimationDelay(100000);
    b.bar.hide();
    b.bar.OpenGroup(2);
    QVERIFY(!b.bar.IsSliding());
    QCOMPARE(b.bar.OpenedGroup(), 2);
}

void SmallBarTest::groupWindowTakesTheItemsPlace() {
    Bar b;
    auto* window = new QWidget;
    b.bar.SetGroupWindow(1, window);
    QCOMPARE(window->parentWidget(), &b.bar);
    QVERIFY(!window->isVisible());

    b.bar.SetAnimationDelay(100000);
    b.bar.OpenGroup(1);
    QVERIFY(!window->isVisible()); // shown once the slide is over
    b.bar.FinishSlide();
    QVERIFY(window->isVisible());
    QCOMPARE(window->geometry().top(), b.bar.GroupHeaderRect(1).bottom() + 1);
    QCOMPARE(window->geometry().bottom(), b.bar.GroupHeaderRect(2).top() - 1);

    b.bar.resize(120, 300);
    QCOMPARE(window->geometry().bottom(), b.bar.GroupHeaderRect(2).top() - 1);

    b.bar.SetAnimationDelay(-1);
    b.bar.OpenGroup(0);
    QVERIFY(!window->isVisible());
}

void SmallBarTest::scrollingALongGroup() {
    CSmallBarCtrl bar;
    bar.SetAnimationDelay(-1);
    bar.AddGroup(QStringLiteral("沟通管理"), 0);
    for (int i = 0; i < 11; ++i)
        bar.AddItem(0, i, QStringLiteral("项目%1").arg(i), 1, 100 + i);
    bar.AddGroup(QStringLiteral("其他"), 1);
    bar.resize(120, 200);
    bar.OpenGroup(0);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));

    QVERIFY(bar.sizeHint().height() > 200);
    QVERIFY(bar.ItemRect(0, 10).isEmpty()); // below the visible part
    const QRect first = bar.ItemRect(0, 0);

    QWheelEvent down(QPointF(60, 60), bar.mapToGlobal(QPointF(60, 60)), QPoint(),
                     QPoint(0, -120 * 20), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&bar, &down);
    // Scrolled as far as it goes: the last item is visible, the first not.
    QVERIFY(!bar.ItemRect(0, 10).isEmpty());
    QVERIFY(bar.ItemRect(0, 0).isEmpty());

    // A click on a scrolled item sends that item's command.
    QSignalSpy commands(&bar, &CSmallBarCtrl::itemCommand);
    QTest::mouseClick(&bar, Qt::LeftButton, {}, bar.ItemRect(0, 10).center());
    QCOMPARE(commands.count(), 1);
    QCOMPARE(commands.at(0).at(0).toInt(), 110);

    QWheelEvent up(QPointF(60, 60), bar.mapToGlobal(QPointF(60, 60)), QPoint(), QPoint(0, 120 * 20),
                   Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&bar, &up);
    QCOMPARE(bar.ItemRect(0, 0), first);

    // Growing the bar shows everything.
    bar.resize(120, bar.sizeHint().height());
    QVERIFY(!bar.ItemRect(0, 10).isEmpty());
}

void SmallBarTest::keyboard() {
    Bar b;
    QSignalSpy commands(&b.bar, &CSmallBarCtrl::itemCommand);
    QCOMPARE(b.bar.FocusItem(), -1);
    QTest::keyClick(&b.bar, Qt::Key_Return); // nothing marked yet
    QCOMPARE(commands.count(), 0);

    QTest::keyClick(&b.bar, Qt::Key_Down);
    QCOMPARE(b.bar.FocusItem(), 0);
    QTest::keyClick(&b.bar, Qt::Key_End);
    QTest::keyClick(&b.bar, Qt::Key_Down); // stays on the last
    QCOMPARE(b.bar.FocusItem(), 2);
    QTest::keyClick(&b.bar, Qt::Key_Up);
    QTest::keyClick(&b.bar, Qt::Key_Return);
    QCOMPARE(commands.count(), 1);
    QCOMPARE(commands.at(0).at(0).toInt(), 32773);
    QCOMPARE(b.bar.SelectedItem(), 1);

    QTest::keyClick(&b.bar, Qt::Key_PageDown);
    QCOMPARE(b.bar.OpenedGroup(), 1);
    QCOMPARE(b.bar.FocusItem(), -1);
    QTest::keyClick(&b.bar, Qt::Key_PageDown);
    QTest::keyClick(&b.bar, Qt::Key_PageDown); // no group below the last
    QCOMPARE(b.bar.OpenedGroup(), 2);
    QTest::keyClick(&b.bar, Qt::Key_Home);
    QTest::keyClick(&b.bar, Qt::Key_Space);
    QCOMPARE(commands.count(), 2);
    QCOMPARE(commands.at(1).at(0).toInt(), 32806);
    QTest::keyClick(&b.bar, Qt::Key_PageUp);
    QCOMPARE(b.bar.OpenedGroup(), 1);
}

// The bar as the main window fills it; with TORVEL_SCREENSHOT_DIR set the
// shown bar is also saved there as navbar.png.
void SmallBarTest::navigationBarOfTheMainWindow() {
    struct Entry {
        int group;
        int index;
        const char* text;
        int command;
    };
    const QStringList captions = {QStringLiteral("客户管理"), QStringLiteral("销售渠道"),
                                  QStringLiteral("采购管理"), QStringLiteral("办公用品"),
                                  QStringLiteral("沟通管理"), QStringLiteral("手机短信"),
                                  QStringLiteral("人力资源"), QStringLiteral("基础数据")};
    const std::vector<Entry> entries = {
        {0, 0, "客户管理", 32815},     {0, 1, "客户分类", 32773},     {0, 2, "查询联系人", 32813},
        {0, 3, "跟踪计划", 32821},     {0, 4, "沟通记录", 32819},     {0, 5, "订单管理", 32786},
        {1, 0, "销售渠道管理", 32802}, {1, 1, "销售渠道查询", 32804}, {2, 0, "供应商管理", 32806},
        {2, 1, "供应商查询", 32807},   {2, 2, "采购管理", 32797},     {2, 3, "采购机会管理", 32805},
        {3, 0, "办公用品", 32830},     {4, 0, "交办任务", 32854},     {4, 1, "计划日历", 32857},
        {4, 2, "工作计划", 32834},     {4, 3, "工作日志", 32832},     {4, 4, "改进建议", 32831},
        {4, 5, "公告栏", 32833},       {4, 6, "发送邮件", 32847},     {4, 7, "接收邮件", 32858},
        {4, 8, "管理中心", 32853},     {4, 9, "通讯录", 32860},       {4, 10, "写请假条", 32859},
        {5, 0, "短信帐号", 32852},     {5, 2, "群发短信", 32848},     {5, 3, "定时短信", 32849},
        {5, 4, "Excel短信", 32850},    {5, 5, "超级群发", 32851},     {6, 0, "职员管理", 32826},
        {6, 1, "离职档案", 32846},     {6, 2, "发放工资", 32855},     {6, 3, "查询工资", 32856},
        {7, 1, "产品管理", 32827},     {7, 2, "付款方式", 32828}};
    const QString picture = SourcePath(QStringLiteral("app-data/images/list_site.jpg"));

    CSmallBarCtrl bar;
    bar.SetAnimationDelay(20);
    bar.SetColor(CSmallBarCtrl::Color::HotItem, ColorRef::ToColor(0xF3CBCD));
    bar.SetColor(CSmallBarCtrl::Color::SelectedItem, ColorRef::ToColor(0xEDAFB3));
    for (int group = 0; group < captions.size(); ++group) {
        bar.AddGroup(captions.at(group), group);
        int added = 0;
        for (const Entry& entry : entries) {
            if (entry.group == group) {
                bar.AddItem(group, entry.index, QString::fromUtf8(entry.text), 1, entry.command);
                ++added;
            }
        }
        for (int i = 0; i < added; ++i)
            bar.SetItemPicture(i, picture);
    }
    bar.OpenGroup(0);

    QCOMPARE(bar.GroupCount(), 8);
    QCOMPARE(bar.ItemIndexes(5), (QList<int>{0, 2, 3, 4, 5}));
    QCOMPARE(bar.ItemCommand(4, 2), 32834);
    QCOMPARE(bar.ItemCommand(4, 3), 32832);
    QVERIFY(bar.ItemHasPicture(0, 5));
    QVERIFY(bar.ItemHasPicture(5, 4));
    QVERIFY(!bar.ItemHasPicture(5, 5)); // the pictures do not line up there
    QVERIFY(bar.ItemHasPicture(7, 1));
    QVERIFY(!bar.ItemHasPicture(7, 2));
    QCOMPARE(bar.sizeHint().width(), 120);

    bar.resize(120, 560);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    // Every item of the longest group fits a bar of that height.
    bar.OpenGroup(4);
    bar.FinishSlide();
    for (int index = 0; index <= 10; ++index)
        QCOMPARE(bar.ItemRect(4, index).height(), bar.ItemRect(4, 0).height());
    QSignalSpy commands(&bar, &CSmallBarCtrl::itemCommand);
    QTest::mouseClick(&bar, Qt::LeftButton, {}, bar.ItemRect(4, 10).center());
    QCOMPARE(commands.value(0).value(0).toInt(), 32859);

    const QString shots = qEnvironmentVariable("TORVEL_SCREENSHOT_DIR");
    if (!shots.isEmpty()) {
        bar.OpenGroup(0);
        bar.FinishSlide();
        QTest::mouseClick(&bar, Qt::LeftButton, {}, bar.ItemRect(0, 1).center());
        // The pointer resting on another item.
        const QPointF over = bar.ItemRect(0, 3).center();
        QMouseEvent move(QEvent::MouseMove, over, bar.mapToGlobal(over), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(&bar, &move);
        QVERIFY(bar.grab().save(QDir(shots).filePath(QStringLiteral("navbar.png"))));
    }
}

QTEST_MAIN(SmallBarTest)
#include "tst_smallbar.moc"
