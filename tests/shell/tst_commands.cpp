#include "framework/CommandIds.h"
#include "shell/CommandTable.h"
#include "shell/MainMenu.h"
#include "shell/NavigationTable.h"
#include "shell/PluginCommands.h"
#include "shell/ViewHost.h"
#include "shell/ViewRegistry.h"
#include "ui/SmallBarCtrl.h"

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

class PlainView : public QWidget {
    Q_OBJECT
};

class SilentView : public QWidget {
    Q_OBJECT

public:
    // Returns nothing, so it cannot tell the host a command was not its own.
    Q_INVOKABLE void OnCommand(int) {}
};

class ListView : public QWidget {
    Q_OBJECT

public:
    Q_INVOKABLE bool OnCommand(int id) { return id == Command::NextPage; }
};

// Text -> command of every menu entry and navigation item.
QMap<QString, int> MenuCommands() {
    QMap<QString, int> commands;
    for (const MenuDefinition& menu : MainMenuTable())
        for (const MenuEntry& entry : menu.entries)
            if (entry.text)
                commands.insert(QString::fromUtf8(entry.text), entry.command);
    return commands;
}

QMap<QString, int> NavigationCommands() {
    QMap<QString, int> commands;
    for (const NavigationGroup& group : NavigationTable())
        for (const NavigationItem& item : group.items)
            commands.insert(QString::fromUtf8(item.text), item.command);
    return commands;
}

} // namespace

class TestCommands : public QObject {
    Q_OBJECT

private slots:
    // Every command a user can reach has a handler, every handler is reachable
    // (the data-source command only from other windows), and every plug-in
    // command has its module row.
    void menuNavigationAndTablesAgree() {
        const QMap<QString, int> menu = MenuCommands();
        const QMap<QString, int> navigation = NavigationCommands();
        const QList<int> menuCommands = menu.values();
        QSet<int> reachable(menuCommands.begin(), menuCommands.end());

        QSet<int> handled;
        for (const CommandEntry& entry : CommandTable()) {
            QVERIFY2(!handled.contains(entry.command), "a command appears twice");
            handled.insert(entry.command);
            if (entry.command != Command::DataSource)
                QVERIFY2(reachable.contains(entry.command), qPrintable(entry.Text()));
            QCOMPARE(FindPluginCommand(entry.command) != nullptr,
                     entry.kind == CommandKind::Plugin);
        }
        for (int command : reachable)
            QVERIFY2(FindCommand(command), qPrintable(QString::number(command)));
        // Every navigation item is also in the menu, so nothing depends on
        // the bar alone.
        for (int command : navigation)
            QVERIFY(reachable.contains(command));

        // The crossed numbers: the menu's 工作计划 opens listDailyWork, the
        // bar's opens listDailyPlan; likewise 客户管理 is the list in the menu
        // and the search in the bar.
        QCOMPARE(menu.value(u"工作计划(&3)"_s), 32832);
        QCOMPARE(menu.value(u"工作日志(&4)"_s), 32834);
        QCOMPARE(navigation.value(u"工作计划"_s), 32834);
        QCOMPARE(navigation.value(u"工作日志"_s), 32832);
        QCOMPARE(QByteArray(FindPluginCommand(32832)->entry), QByteArray("listDailyWork"));
        QCOMPARE(menu.value(u"客户管理"_s), Command::CustomerList);
        QCOMPARE(navigation.value(u"客户管理"_s), Command::CustomerSearch);

        // A user name is one literal in the handler condition of the lists.
        QCOMPARE(FindCommand(Command::TrackPlan)->FilterFor(u"o'neil"_s), u" Handler='o''neil' "_s);
    }

    void builtMenuSendsItsNumbers() {
        QMenuBar bar;
        QList<int> sent;
        BuildMainMenu(bar, &bar, [&sent](int id) { sent.append(id); });
        const QList<QAction*> menus = bar.actions();
        QAction* about = menus.last()->menu()->actions().last();
        about->trigger();
        QCOMPARE(sent, QList<int>{Command::About});
    }

    void navigationBarHoldsTheTable() {
        QTemporaryDir dir;
        const QString picture = dir.filePath(u"list_site.jpg"_s);
        QImage image(16, 16, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        QVERIFY(image.save(picture, "JPG"));

        CSmallBarCtrl bar;
        FillNavigationBar(bar, picture);
        QCOMPARE(bar.GroupCount(), 8);
        QCOMPARE(bar.OpenedGroup(), 0);
        QCOMPARE(bar.ItemCount(4), 11);
        // The groups with a gap in their numbering.
        QCOMPARE(bar.ItemIndexes(5), (QList<int>{0, 2, 3, 4, 5}));
        QCOMPARE(bar.ItemCommand(5, 5), Command::SmsSuper);
        QCOMPARE(bar.ItemIndexes(7), (QList<int>{1, 2}));
        QCOMPARE(bar.ItemText(7, 2), u"付款方式"_s);
        // Every item shows the picture, also those after a gap.
        for (int group = 0; group < bar.GroupCount(); ++group)
            for (int index : bar.ItemIndexes(group))
                QVERIFY2(bar.ItemHasPicture(group, index), qPrintable(bar.ItemText(group, index)));

        // Every item of the longest group fits a bar of the main window's height.
        bar.SetAnimationDelay(-1);
        bar.resize(120, 560);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        bar.OpenGroup(4);
        for (int index = 0; index <= 10; ++index)
            QCOMPARE(bar.ItemRect(4, index).height(), bar.ItemRect(4, 0).height());
        QSignalSpy commands(&bar, &CSmallBarCtrl::itemCommand);
        QTest::mouseClick(&bar, Qt::LeftButton, {}, bar.ItemRect(4, 10).center());
        QCOMPARE(commands.value(0).value(0).toInt(), 32859);
    }

    void registryAndHost() {
        ViewRegistry registry;
        QCOMPARE(registry.RegisterView(u"CCustomerListView"_s,
                                       [](const ViewContext&) { return new PlainView; }),
                 3);
        for (int command : {Command::CustomerList, Command::ResellerList, Command::ProviderList})
            QVERIFY(registry.Contains(command));
        QVERIFY(!registry.Contains(Command::CustomerSearch));
        QCOMPARE(registry.RegisterView(u"NoSuchView"_s, {}), 0);

        ViewHost host;
        host.resize(300, 200);
        QCOMPARE(host.ShowView(nullptr), 0);

        // Only a view that answers true keeps a command from the frame.
        auto* plain = new PlainView;
        QCOMPARE(host.ShowView(plain), 1);
        QCOMPARE(plain->parentWidget(), &host);
        QVERIFY(!host.OnCommand(Command::Find));
        auto* silent = new SilentView;
        host.ShowView(silent);
        QVERIFY(!host.OnCommand(Command::Find));
        auto* list = new ListView;
        host.ShowView(list);
        QVERIFY(host.OnCommand(Command::NextPage));
        QVERIFY(!host.OnCommand(Command::CustomerList));
    }
};

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
