#include "ScriptedPrompt.h"
#include "TempProgramFolder.h"

#include "base/ProgramFolder.h"
#include "db/DbConnection.h"
#include "net/Gbk.h"
#include "shell/PluginArgs.h"
#include "shell/PluginCommands.h"
#include "shell/PluginLauncher.h"

#include <QDate>
#include <QFile>
#include <QTableWidget>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

class TestPluginLauncher : public QObject {
    Q_OBJECT

private:
    // A temporary program folder with the delivered database open and a module
    // copied in under the given name.
    struct Installation {
        TempProgramFolder folder;
        DbConnection connection;
        ScriptedPrompt prompt;
        PluginLauncher launcher{prompt, connection, u"张 三"_s, u"添加订单,发放工资"_s};

        bool Install(const QString& builtModule, const QString& name) {
            return QFile::copy(builtModule, folder.File(name));
        }
        bool Open() {
            return folder.IsValid() &&
                   connection.Open(u"Provider=SQLite;Data Source="_s + folder.File(u"torvel.db"_s));
        }
        QString Query(const QString& sql) {
            QString values;
            return connection.JoinColumnValues(sql, values) < 0 ? u"<failed>"_s : values;
        }
    };

    static QString TestModule() { return QStringLiteral(TORVEL_TEST_MODULE); }
    static QString DailyWork() { return QStringLiteral(TORVEL_DAILYWORK_MODULE); }

    static QTableWidget* Plans(QWidget* view) { return view->findChild<QTableWidget*>(u"plans"_s); }
    static QStringList Column(QTableWidget* table, int column) {
        QStringList cells;
        for (int row = 0; row < table->rowCount(); ++row)
            cells << table->item(row, column)->text();
        return cells;
    }

private slots:
    void entryReceivesRecordAndSharesTheConnection() {
        Installation app;
        QVERIFY(app.Open());
        const QString module = u"TestModule.so"_s;
        QVERIFY(app.Install(TestModule(), module));

        // Two blank-separated Chinese characters: two percent groups per
        // character (GBK bytes) and %20 for the blank.
        std::unique_ptr<QWidget> first(
            app.launcher.LoadModuleView(module, u"echoView"_s, UserNameParameter(u"张 三"_s)));
        QVERIFY2(first, qPrintable(app.prompt.LastMessage()));
        QCOMPARE(first->property("parameter").toByteArray(),
                 QByteArray("UserName=%D5%C5%20%C8%FD"));
        QCOMPARE(first->property("recordSize").toUInt(), uint(sizeof(PluginArgs)));
        // The login travels with every call, whatever the parameter text says.
        QCOMPARE(first->property("userName").toString(), u"张 三"_s);
        QCOMPARE(first->property("privilege").toString(), u"添加订单,发放工资"_s);
        QCOMPARE(first->property("programFolder").toString(), ProgramFolder());
        QCOMPARE(first->property("samePrompt").value<void*>(), static_cast<void*>(&app.prompt));
        QCOMPARE(first->property("users").toInt(), 1);
        QVERIFY(first->property("written").toBool());
        QCOMPARE(app.Query(u"select count(*) from PayMode where Name='from the module'"_s), u"1"_s);

        // Any parameter text travels as GBK bytes; none gives the empty text.
        std::unique_ptr<QWidget> raw(app.launcher.LoadModuleView(module, u"echoView"_s, u"甲"_s));
        QCOMPARE(raw->property("parameter").toByteArray(), Gbk::Encode(u"甲"_s));
        std::unique_ptr<QWidget> empty(app.launcher.LoadModuleView(module, u"echoView"_s));
        QCOMPARE(empty->property("parameter").toByteArray(), QByteArray(""));

        // The same library again: loaded once (its counter goes on), each call
        // a new view.
        QCOMPARE(raw->property("call").toInt(), 2);
        QCOMPARE(empty->property("call").toInt(), 3);
        QCOMPARE(PluginLauncher::LoadedModules().count(app.folder.File(module)), 1);

        // An entry that returns null: nothing shown, no message.
        QCOMPARE(app.launcher.LoadModuleView(module, u"nullView"_s), nullptr);
        std::unique_ptr<QWidget> after(app.launcher.LoadModuleView(module, u"echoView"_s));
        QCOMPARE(after->property("call").toInt(), 5);
        QVERIFY(app.prompt.shown.isEmpty());
    }

    void missingBrokenAndEntrylessModulesShowTheirMessages() {
        Installation app;
        QVERIFY(app.Open());

        QCOMPARE(app.launcher.LoadModuleView(u"Missing.so"_s, u"echoView"_s), nullptr);
        QCOMPARE(app.prompt.Messages(),
                 QStringList{u"模块加载失败:\r\n"_s + app.folder.File(u"Missing.so"_s)});
        QCOMPARE(app.prompt.shown.first().caption, Prompt::AppTitle());

        // A file that is not a library.
        QVERIFY(app.folder.Write(u"Broken.so"_s, "not a shared library\n"));
        app.prompt.Reset();
        QCOMPARE(app.launcher.LoadModuleView(u"Broken.so"_s, u"echoView"_s), nullptr);
        QCOMPARE(app.prompt.Messages(),
                 QStringList{u"模块加载失败:\r\n"_s + app.folder.File(u"Broken.so"_s)});

        // A failed load is not remembered: the module installed afterwards loads.
        QVERIFY(app.Install(TestModule(), u"Missing.so"_s));
        std::unique_ptr<QWidget> late(app.launcher.LoadModuleView(u"Missing.so"_s, u"echoView"_s));
        QVERIFY(late);

        // A missing entry point: its own message, and the library stays loaded.
        const QString module = u"Entryless.so"_s;
        QVERIFY(app.Install(TestModule(), module));
        app.prompt.Reset();
        QCOMPARE(app.launcher.LoadModuleView(module, u"noSuchEntry"_s), nullptr);
        QCOMPARE(app.prompt.Messages(), QStringList{u"未找到入口点:noSuchEntry"_s});
        QCOMPARE(PluginLauncher::LoadedModules().count(app.folder.File(module)), 1);
        std::unique_ptr<QWidget> view(app.launcher.LoadModuleView(module, u"echoView"_s));
        QCOMPARE(view->property("call").toInt(), 1);
        QCOMPARE(PluginLauncher::LoadedModules().count(app.folder.File(module)), 1);
    }

    void commandTableParametersAndTitles() {
        // Letters and digits kept, every other byte escaped in upper-case hex.
        QCOMPARE(UserNameParameter(u"ab_1.Z"_s), u"UserName=ab%5F1%2EZ"_s);
        QCOMPARE(UserNameParameter(QString()), u"UserName="_s);

        const PluginCommand* calendar = FindPluginCommand(32857);
        QCOMPARE(calendar->ParameterFor(u"李"_s), u"UserName=%C0%EE"_s);
        QVERIFY(!calendar->TitleApplies(true, true));
        QVERIFY(FindPluginCommand(32827)->ParameterFor(u"李"_s).isEmpty());
        QCOMPARE(FindPluginCommand(32815), nullptr);

        // "Always": whenever a view came back, shown or not.
        const PluginCommand* mail = FindPluginCommand(32847);
        QVERIFY(mail->TitleApplies(true, false));
        QVERIFY(!mail->TitleApplies(false, false));
        // "When shown": only once the host took the view.
        const PluginCommand* holiday = FindPluginCommand(32859);
        QVERIFY(!holiday->TitleApplies(true, false));
        QVERIFY(holiday->TitleApplies(true, true));
    }

    void planCalendarShowsTheUsersPlans() {
        Installation app;
        QVERIFY(app.Open());
        QVERIFY(app.Install(DailyWork(), u"DailyWork.so"_s));

        const QString today = QDate::currentDate().toString(u"yyyy-MM-dd "_s);
        QVERIFY(app.connection.Execute(
            u"insert into TrackPlan (CustomerName, Handler, Title, PlanTime) values "
            "('客户', '张 三', '回访', '%1 14:00:00'), "
            "('客户', '李四', '送样', '%1 10:00:00')"_s.arg(today)));

        // Through the command table, as the frame opens it after a login;
        // admin sees every handler's plans.
        std::unique_ptr<QWidget> mine(
            LaunchPluginCommand(*FindPluginCommand(32857), u"张 三"_s, app.prompt, app.connection));
        QVERIFY2(mine, qPrintable(app.prompt.LastMessage()));
        QCOMPARE(Column(Plans(mine.get()), 4), QStringList{u"回访"_s});
        std::unique_ptr<QWidget> all(
            LaunchPluginCommand(*FindPluginCommand(32857), u"admin"_s, app.prompt, app.connection));
        QCOMPARE(Column(Plans(all.get()), 5), (QStringList{u"李四"_s, u"张 三"_s}));
        QVERIFY(app.prompt.shown.isEmpty());

        // Every other entry point opens its view.
        const std::pair<int, QString> views[] = {
            {32854, u"CWorkerTaskView"_s}, {32832, u"CWorkLogView"_s},
            {32834, u"CWorkPlanView"_s},   {32853, u"ManagerCenterView"_s},
            {32831, u"AdviceView"_s},      {32833, u"BulletinView"_s},
            {32859, u"HolidayView"_s}};
        for (const auto& [command, name] : views) {
            std::unique_ptr<QWidget> view(LaunchPluginCommand(
                *FindPluginCommand(command), u"admin"_s, app.prompt, app.connection));
            QVERIFY2(view, qPrintable(QString::number(command)));
            QCOMPARE(view->objectName(), name);
        }
        QVERIFY(app.prompt.shown.isEmpty());
    }
};

QTEST_MAIN(TestPluginLauncher)
#include "tst_pluginlauncher.moc"
