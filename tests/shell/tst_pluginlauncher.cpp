#include "ScriptedPrompt.h"
#include "TempProgramFolder.h"

#include "db/DbConnection.h"
#include "net/Gbk.h"
#include "shell/PluginArgs.h"
#include "shell/PluginCommands.h"
#include "shell/PluginLauncher.h"

#include <QDate>
#include <QFile>
#include <QLabel>
#include <QTableWidget>
#include <QtTest>

#include <memory>

class TestPluginLauncher : public QObject {
    Q_OBJECT

private:
    // A temporary program folder with the delivered database open and a module
    // copied in under the given name.
    struct Installation {
        TempProgramFolder folder;
        DbConnection connection;
        ScriptedPrompt prompt;
        PluginLauncher launcher{prompt, connection};

        bool Install(const QString& builtModule, const QString& name) {
            return QFile::copy(builtModule, folder.File(name));
        }
        bool Open() {
            return folder.IsValid() &&
                   connection.Open(QStringLiteral("Provider=SQLite;Data Source=") +
                                   folder.File(QStringLiteral("torvel.db")));
        }
        QString Query(const QString& sql) {
            QString values;
            return connection.JoinColumnValues(sql, values) < 0 ? QStringLiteral("<failed>")
                                                                : values;
        }
    };

    static QString TestModule() { return QStringLiteral(TORVEL_TEST_MODULE); }
    static QString DailyWork() { return QStringLiteral(TORVEL_DAILYWORK_MODULE); }

    static QTableWidget* Plans(QWidget* view) {
        return view->findChild<QTableWidget*>(QStringLiteral("plans"));
    }
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
        const QString module = QStringLiteral("TestModule.so");
        QVERIFY(app.Install(TestModule(), module));

        // Two blank-separated Chinese characters: two percent groups per
        // character (GBK bytes) and %20 for the blank.
        std::unique_ptr<QWidget> first(app.launcher.LoadModuleView(
            module, QStringLiteral("echoView"), UserNameParameter(QStringLiteral("张 三"))));
        QVERIFY2(first, qPrintable(app.prompt.LastMessage()));
        QCOMPARE(first->property("parameter").toByteArray(),
                 QByteArray("UserName=%D5%C5%20%C8%FD"));
        QCOMPARE(first->property("recordSize").toUInt(), uint(sizeof(PluginArgs)));
        QCOMPARE(first->property("users").toInt(), 1);
        QVERIFY(first->property("written").toBool());
        QCOMPARE(
            app.Query(QStringLiteral("select count(*) from PayMode where Name='from the module'")),
            QStringLiteral("1"));

        // Any parameter text travels as GBK bytes; none gives the empty text.
        std::unique_ptr<QWidget> raw(
            app.launcher.LoadModuleView(module, QStringLiteral("echoView"), QStringLiteral("甲")));
        QCOMPARE(raw->property("parameter").toByteArray(), Gbk::Encode(QStringLiteral("甲")));
        std::unique_ptr<QWidget> empty(
            app.launcher.LoadModuleView(module, QStringLiteral("echoView")));
        QCOMPARE(empty->property("parameter").toByteArray(), QByteArray(""));

        // The same library again: loaded once (its counter goes on), each call
        // a new view.
        QCOMPARE(raw->property("call").toInt(), 2);
        QCOMPARE(empty->property("call").toInt(), 3);
        QCOMPARE(PluginLauncher::LoadedModules().count(app.folder.File(module)), 1);

        // An entry that returns null: nothing shown, no message.
        QCOMPARE(app.launcher.LoadModuleView(module, QStringLiteral("nullView")), nullptr);
        std::unique_ptr<QWidget> after(
            app.launcher.LoadModuleView(module, QStringLiteral("echoView")));
        QCOMPARE(after->property("call").toInt(), 5);
        QVERIFY(app.prompt.shown.isEmpty());
    }

    void missingBrokenAndEntrylessModulesShowTheirMessages() {
        Installation app;
        QVERIFY(app.Open());

        QCOMPARE(
            app.launcher.LoadModuleView(QStringLiteral("Missing.so"), QStringLiteral("echoView")),
            nullptr);
        QCOMPARE(app.prompt.Messages(), QStringList{QStringLiteral("模块加载失败:\r\n") +
                                                    app.folder.File(QStringLiteral("Missing.so"))});
        QCOMPARE(app.prompt.shown.first().caption, Prompt::AppTitle());

        // A file that is not a library.
        QVERIFY(app.folder.Write(QStringLiteral("Broken.so"), "not a shared library\n"));
        app.prompt.Reset();
        QCOMPARE(
            app.launcher.LoadModuleView(QStringLiteral("Broken.so"), QStringLiteral("echoView")),
            nullptr);
        QCOMPARE(app.prompt.Messages(), QStringList{QStringLiteral("模块加载失败:\r\n") +
                                                    app.folder.File(QStringLiteral("Broken.so"))});

        // A failed load is not remembered: the module installed afterwards loads.
        QVERIFY(app.Install(TestModule(), QStringLiteral("Missing.so")));
        std::unique_ptr<QWidget> late(
            app.launcher.LoadModuleView(QStringLiteral("Missing.so"), QStringLiteral("echoView")));
        QVERIFY(late);

        // A missing entry point: its own message, and the library stays loaded.
        const QString module = QStringLiteral("Entryless.so");
        QVERIFY(app.Install(TestModule(), module));
        app.prompt.Reset();
        QCOMPARE(app.launcher.LoadModuleView(module, QStringLiteral("noSuchEntry")), nullptr);
        QCOMPARE(app.prompt.Messages(), QStringList{QStringLiteral("未找到入口点:noSuchEntry")});
        QCOMPARE(PluginLauncher::LoadedModules().count(app.folder.File(module)), 1);
        std::unique_ptr<QWidget> view(
            app.launcher.LoadModuleView(module, QStringLiteral("echoView")));
        QCOMPARE(view->property("call").toInt(), 1);
        QCOMPARE(PluginLauncher::LoadedModules().count(app.folder.File(module)), 1);
    }

    void commandTableParametersAndTitles() {
        // Letters and digits kept, every other byte escaped in upper-case hex.
        QCOMPARE(UserNameParameter(QStringLiteral("ab_1.Z")),
                 QStringLiteral("UserName=ab%5F1%2EZ"));
        QCOMPARE(UserNameParameter(QString()), QStringLiteral("UserName="));

        const PluginCommand* calendar = FindPluginCommand(32857);
        QCOMPARE(calendar->ParameterFor(QStringLiteral("李")), QStringLiteral("UserName=%C0%EE"));
        QVERIFY(!calendar->TitleApplies(true, true));
        QVERIFY(FindPluginCommand(32827)->ParameterFor(QStringLiteral("李")).isEmpty());
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
        QVERIFY(app.Install(DailyWork(), QStringLiteral("DailyWork.so")));

        const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd "));
        QVERIFY(app.connection.Execute(
            QStringLiteral("insert into TrackPlan (CustomerName, Handler, Title, PlanTime) values "
                           "('客户', '张 三', '回访', '%1 14:00:00'), "
                           "('客户', '李四', '送样', '%1 10:00:00')")
                .arg(today)));

        // Through the command table, as the frame opens it after a login;
        // admin sees every handler's plans.
        std::unique_ptr<QWidget> mine(LaunchPluginCommand(
            *FindPluginCommand(32857), QStringLiteral("张 三"), app.prompt, app.connection));
        QVERIFY2(mine, qPrintable(app.prompt.LastMessage()));
        QCOMPARE(Column(Plans(mine.get()), 3), QStringList{QStringLiteral("回访")});
        std::unique_ptr<QWidget> all(LaunchPluginCommand(
            *FindPluginCommand(32857), QStringLiteral("admin"), app.prompt, app.connection));
        QCOMPARE(Column(Plans(all.get()), 4),
                 (QStringList{QStringLiteral("李四"), QStringLiteral("张 三")}));
        QVERIFY(app.prompt.shown.isEmpty());

        // The other entry points answer with a notice view.
        for (int command : {32853, 32854, 32832, 32834, 32831, 32833, 32859}) {
            std::unique_ptr<QWidget> pending(LaunchPluginCommand(
                *FindPluginCommand(command), QStringLiteral("admin"), app.prompt, app.connection));
            QVERIFY2(pending, qPrintable(QString::number(command)));
            QCOMPARE(pending->findChild<QLabel*>()->text(), QStringLiteral("该功能尚未提供"));
        }
        QVERIFY(app.prompt.shown.isEmpty());
    }
};

QTEST_MAIN(TestPluginLauncher)
#include "tst_pluginlauncher.moc"
