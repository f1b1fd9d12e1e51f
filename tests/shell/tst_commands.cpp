#include "shell/CommandIds.h"
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
#include <QTemporaryDir>
#include <QtTest>

#include <set>

namespace {

class PlainView : public QWidget {
    Q_OBJECT
};

class SilentView : public QWidget {
    Q_OBJECT

public:
    // Returns nothing, so it cannot tell the host a command was not its own.
    Q_INVOKABLE void OnCommand(int id) { last = id; }
    int last = 0;
};

class ListView : public QWidget {
    Q_OBJECT

public:
    Q_INVOKABLE bool OnCommand(int id) { return id == Command::NextPage; }
};

std::set<int> MenuCommands() {
    std::set<int> commands;
    for (const MenuDefinition& menu : MainMenuTable())
        for (const MenuEntry& entry : menu.entries)
            if (entry.text)
                commands.insert(entry.command);
    return commands;
}

std::set<int> NavigationCommands() {
    std::set<int> commands;
    for (const NavigationGroup& group : NavigationTable())
        for (const NavigationItem& item : group.items)
            commands.insert(item.command);
    return commands;
}

int MenuCommand(const char* text) {
    for (const MenuDefinition& menu : MainMenuTable())
        for (const MenuEntry& entry : menu.entries)
            if (entry.text && QByteArray(entry.text) == text)
                return entry.command;
    return 0;
}

int NavigationCommand(const char* text) {
    for (const NavigationGroup& group : NavigationTable())
        for (const NavigationItem& item : group.items)
            if (QByteArray(item.text) == text)
                return item.command;
    return 0;
}

} // namespace

class TestCommands : public QObject {
    Q_OBJECT

private slots:
    // Every command a user can reach has a handler, every handler is reachable
    // (the data-source command only from other windows), and every plug-in
    // command has its module row.
    void menuNavigationAndTablesAgree() {
        std::set<int> reachable = MenuCommands();
        const std::set<int> navigation = NavigationCommands();
        reachable.insert(navigation.begin(), navigation.end());

        std::set<int> handled;
        for (const CommandEntry& entry : CommandTable()) {
            QVERIFY2(handled.insert(entry.command).second, "a command appears twice");
            if (entry.command != Command::DataSource)
                QVERIFY2(reachable.count(entry.command), qPrintable(entry.Text()));
            const bool plugin = FindPluginCommand(entry.command) != nullptr;
            QCOMPARE(plugin, entry.kind == CommandKind::Plugin);
            if (entry.kind == CommandKind::View)
                QVERIFY(!entry.View().isEmpty());
        }
        for (int command : reachable)
            QVERIFY2(FindCommand(command), qPrintable(QString::number(command)));
        QVERIFY(!FindCommand(0));
        QVERIFY(!FindCommand(Command::Find));

        // Every navigation item is also in the menu, so nothing depends on
        // the bar alone.
        for (int command : navigation)
            QVERIFY(MenuCommands().count(command));
    }

    void crossedWorkPlanAndLogNumbers() {
        QCOMPARE(MenuCommand("工作计划(&3)"), 32832);
        QCOMPARE(MenuCommand("工作日志(&4)"), 32834);
        QCOMPARE(NavigationCommand("工作计划"), 32834);
        QCOMPARE(NavigationCommand("工作日志"), 32832);
        QCOMPARE(QString::fromUtf8(FindPluginCommand(32832)->entry),
                 QStringLiteral("listDailyWork"));
        QCOMPARE(QString::fromUtf8(FindPluginCommand(32834)->entry),
                 QStringLiteral("listDailyPlan"));
        // The menu's 客户管理 is the list, the bar's is the search.
        QCOMPARE(MenuCommand("客户管理"), Command::CustomerList);
        QCOMPARE(NavigationCommand("客户管理"), Command::CustomerSearch);
    }

    void builtMenuSendsItsNumbers() {
        QMenuBar bar;
        QList<int> sent;
        BuildMainMenu(bar, &bar, [&sent](int id) { sent.append(id); });
        const QList<QAction*> menus = bar.actions();
        QStringList titles;
        for (QAction* menu : menus)
            titles.append(menu->text());
        QCOMPARE(titles,
                 (QStringList{QStringLiteral("文件(&F)"), QStringLiteral("客户管理(&M)"),
                              QStringLiteral("销售渠道(&G)"), QStringLiteral("采购管理(&R)"),
                              QStringLiteral("沟通管理(&C)"), QStringLiteral("手机短信(&S)"),
                              QStringLiteral("人力资源(&R)"), QStringLiteral("基础数据(&B)"),
                              QStringLiteral("帮助(&H)")}));

        const QList<QAction*> file = menus.first()->menu()->actions();
        QCOMPARE(file.size(), 5);
        QVERIFY(file.at(3)->isSeparator());
        QCOMPARE(file.at(4)->text(), QStringLiteral("退出(&X)"));
        file.at(4)->trigger();
        const QList<QAction*> help = menus.last()->menu()->actions();
        QCOMPARE(help.last()->text(), QStringLiteral("关于(&A)..."));
        help.last()->trigger();
        QCOMPARE(sent, (QList<int>{Command::Exit, Command::About}));
        QCOMPARE(help.last()->data().toInt(), Command::About);
    }

    void navigationBarHoldsTheTable() {
        QTemporaryDir dir;
        const QString picture = dir.filePath(QStringLiteral("list_site.jpg"));
        QImage image(16, 16, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        QVERIFY(image.save(picture, "JPG"));

        CSmallBarCtrl bar;
        FillNavigationBar(bar, picture);
        QCOMPARE(bar.GroupCount(), 8);
        QCOMPARE(bar.OpenedGroup(), 0);
        QStringList captions;
        for (int group = 0; group < bar.GroupCount(); ++group)
            captions.append(bar.GroupCaption(group));
        QCOMPARE(captions, (QStringList{QStringLiteral("客户管理"), QStringLiteral("销售渠道"),
                                        QStringLiteral("采购管理"), QStringLiteral("办公用品"),
                                        QStringLiteral("沟通管理"), QStringLiteral("手机短信"),
                                        QStringLiteral("人力资源"), QStringLiteral("基础数据")}));
        QCOMPARE(bar.ItemCount(4), 11);
        // The groups with a gap in their numbering.
        QCOMPARE(bar.ItemIndexes(5), (QList<int>{0, 2, 3, 4, 5}));
        QCOMPARE(bar.ItemCommand(5, 5), Command::SmsSuper);
        QCOMPARE(bar.ItemIndexes(7), (QList<int>{1, 2}));
        QCOMPARE(bar.ItemText(7, 2), QStringLiteral("付款方式"));
        // Every item shows the picture, also those after a gap.
        for (int group = 0; group < bar.GroupCount(); ++group)
            for (int index : bar.ItemIndexes(group))
                QVERIFY2(bar.ItemHasPicture(group, index), qPrintable(bar.ItemText(group, index)));
    }

    void registryAndHost() {
        ViewRegistry registry;
        QCOMPARE(registry.RegisterView(QStringLiteral("CCustomerListView"),
                                       [](const ViewContext&) { return new PlainView; }),
                 3);
        for (int command : {Command::CustomerList, Command::ResellerList, Command::ProviderList})
            QVERIFY(registry.Contains(command));
        QVERIFY(!registry.Contains(Command::CustomerSearch));
        QCOMPARE(registry.RegisterView(QStringLiteral("NoSuchView"), {}), 0);

        ViewHost host;
        host.resize(300, 200);
        QCOMPARE(host.ShowView(nullptr), 0);
        QVERIFY(!host.OnCommand(Command::Find));

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

        // Showing the current view again keeps it.
        QCOMPARE(host.ShowView(list), 1);
        QCOMPARE(host.CurrentView(), list);
    }
};

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
