#include "ScriptedPrompt.h"
#include "TempProgramFolder.h"

#include "base/IniFile.h"
#include "business/OrderListView.h"
#include "db/DbConnection.h"
#include "db/QueryBinder.h"
#include "framework/CommandIds.h"
#include "framework/CustomerDetail.h"
#include "shell/AboutDialog.h"
#include "shell/DataSourceDialog.h"
#include "shell/LoginDialog.h"
#include "shell/MainFrame.h"
#include "shell/Startup.h"
#include "shell/ViewHost.h"
#include "ui/SmallBarCtrl.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QStatusBar>
#include <QtTest>

#include <algorithm>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// A view that records what the frame gave it and answers the list command
// 查找 itself.
class RecordingView : public QWidget {
    Q_OBJECT

public:
    explicit RecordingView(const ViewContext& context)
        : connection(&context.connection), user(context.userName), filter(context.filter),
          holdsPrivilege(context.holdsPrivilege) {}

    Q_INVOKABLE bool OnCommand(int id) {
        offered.append(id);
        return id == Command::Find;
    }

    DbConnection* connection;
    QString user, filter;
    PrivilegeCheck holdsPrivilege;
    QList<int> offered;
};

std::function<int(QDialog&)> FillLogin(const QString& user, const QString& pass) {
    return [user, pass](QDialog& dialog) {
        auto* login = qobject_cast<LoginDialog*>(&dialog);
        if (!login)
            return int(QDialog::Rejected);
        login->UserNameEdit()->setText(user);
        login->PasswordEdit()->setText(pass);
        login->OnOK();
        return login->result();
    };
}

// A program folder with the delivered database (admin/admin) and the user li
// (no rights), and a frame on it. Logging in as "Admin" finds admin's row (the
// database compares names without case) but is an ordinary user.
struct Running {
    TempProgramFolder folder;
    ScriptedPrompt prompt;
    std::unique_ptr<CMainFrame> frame;

    Running() {
        DbConnection setup;
        setup.Open(Startup::DefaultConnectionString());
        setup.Execute(u"insert into UserData (UserName, UserPass, Privilege) "
                      "values ('li', 'pw', '')"_s);
        setup.Close();
    }

    // Starts the frame; the first login is answered by `login` (none: cancelled).
    void Start(std::function<int(QDialog&)> login = {}) {
        if (login)
            prompt.QueueModal(std::move(login));
        frame = std::make_unique<CMainFrame>(prompt);
        frame->Create();
        Settle();
    }

    void Run(int command) {
        frame->OnCommand(command);
        Settle();
    }

    // Lets posted commands and deferred deletes happen.
    static void Settle() {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }

    RecordingView* Current() const {
        return qobject_cast<RecordingView*>(frame->GetViewHost()->CurrentView());
    }

    // Every view command opens a RecordingView.
    void RegisterRecordingViews() {
        for (int command :
             {Command::CustomerList, Command::CustomerSearch, Command::ResellerList,
              Command::ResellerSearch, Command::ProviderList, Command::ProviderSearch,
              Command::OrderList, Command::ContactSearch, Command::TraceRecord, Command::TrackPlan,
              Command::PurchaseList, Command::StockChance, Command::PayMode})
            frame->Views().Register(
                command, [](const ViewContext& context) { return new RecordingView(context); });
    }

    QString ModuleMissing(const char* module) const {
        return u"模块加载失败:\r\n"_s + folder.File(QString::fromLatin1(module));
    }

    QList<ScriptedPrompt::Shown> Programs() const {
        QList<ScriptedPrompt::Shown> programs;
        for (const ScriptedPrompt::Shown& entry : prompt.shown) {
            if (entry.kind == ScriptedPrompt::Shown::Kind::Program)
                programs.append(entry);
        }
        return programs;
    }
};

} // namespace

class TestMainFrame : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QGuiApplication::setQuitOnLastWindowClosed(false); }

    void everyLoginOpensCalendarAndOnlyTheFirstStartsUpdater() {
        Running run;
        run.Start(FillLogin(u"admin"_s, u"admin"_s));
        QCOMPARE(run.frame->UserName(), u"admin"_s);
        // The calendar comes from DailyWork.so, which this folder lacks.
        QCOMPARE(run.prompt.Messages(), QStringList{run.ModuleMissing("DailyWork.so")});
        QCOMPARE(run.Programs().size(), 1);
        QCOMPARE(run.Programs().first().text, run.folder.File(u"updater"_s));
        QCOMPARE(run.Programs().first().caption, u"auto"_s);

        // A second login as another user: calendar again, no second updater.
        run.prompt.Reset();
        run.prompt.QueueModal(FillLogin(u"li"_s, u"pw"_s));
        run.Run(Command::Login);
        QCOMPARE(run.frame->UserName(), u"li"_s);
        QCOMPARE(run.prompt.Messages(), QStringList{run.ModuleMissing("DailyWork.so")});
        QVERIFY(run.Programs().isEmpty());

        // Failed attempts inside one dialog, then cancel: the user stays.
        run.prompt.Reset();
        run.prompt.QueueModal([](QDialog& dialog) {
            auto& login = static_cast<LoginDialog&>(dialog);
            login.UserNameEdit()->setText(u"admin"_s);
            login.PasswordEdit()->setText(u"wrong"_s);
            login.OnOK();
            return int(QDialog::Rejected);
        });
        run.frame->show();
        run.Run(Command::Login);
        QCOMPARE(run.frame->UserName(), u"li"_s);
        QCOMPARE(run.prompt.Messages(), QStringList{u"密码错误"_s});
        QVERIFY(run.frame->isVisible());
    }

    void cancellingTheFirstLoginEndsTheProgram() {
        Running run;
        run.Start();
        // The frame was not shown yet when the login came; show it and let
        // the posted exit run.
        QVERIFY(!run.frame->IsLoggedIn());
        run.frame->show();
        run.prompt.QueueModal([](QDialog&) { return int(QDialog::Rejected); });
        run.Run(Command::Login);
        QVERIFY(!run.frame->isVisible());
        QVERIFY(run.Programs().isEmpty());
    }

    void reservedCommandsRefuseOtherUsers() {
        const QList<QPair<QString, QString>> users = {{u"li"_s, u"pw"_s}, {u"Admin"_s, u"admin"_s}};
        for (const auto& user : users) {
            Running run;
            run.Start(FillLogin(user.first, user.second));
            QCOMPARE(run.frame->UserName(), user.first);
            run.RegisterRecordingViews();
            run.Run(Command::CustomerList);
            RecordingView* before = run.Current();
            QVERIFY(before);

            for (int command : {Command::ProviderList, Command::ProviderSearch,
                                Command::PurchaseList, Command::StockChance, Command::Dimission}) {
                run.prompt.Reset();
                run.Run(command);
                QCOMPARE(run.prompt.Messages(), QStringList{u"权限不足"_s});
                QCOMPARE(run.Current(), before);
            }
            for (int command : {Command::Backup, Command::Restore}) {
                run.prompt.Reset();
                run.Run(command);
                QCOMPARE(run.prompt.Messages(), QStringList{u"只有用户admin具有此权力"_s});
            }
        }

        // 发放工资 goes by the privilege text: li has none, "Admin" has it
        // (and so reaches the module, missing here).
        Running run;
        run.Start(FillLogin(u"li"_s, u"pw"_s));
        run.prompt.Reset();
        run.Run(Command::PayWage);
        QCOMPARE(run.prompt.Messages(), QStringList{u"权限不足"_s});
        // The account file records the last login's rights, but editing it
        // grants nothing: the frame keeps what li's row said at login.
        IniFile account;
        QVERIFY(account.Load(run.folder.File(u"data/account.ini"_s)));
        account.SetString(u"."_s, u"Privilege"_s, u"发放工资"_s);
        QVERIFY(account.Save(run.folder.File(u"data/account.ini"_s)));
        run.prompt.Reset();
        run.Run(Command::PayWage);
        QCOMPARE(run.prompt.Messages(), QStringList{u"权限不足"_s});
        run.prompt.QueueModal(FillLogin(u"Admin"_s, u"admin"_s));
        run.Run(Command::Login);
        run.prompt.Reset();
        run.Run(Command::PayWage);
        QCOMPARE(run.prompt.Messages(), QStringList{run.ModuleMissing("WageList.so")});
        // No view came back, so the "always" title is not set either.
        QCOMPARE(run.frame->windowTitle(), u"业务跟踪管理系统"_s);
    }

    void viewsReceiveUserAndFilter() {
        Running run;
        run.Start(FillLogin(u"admin"_s, u"admin"_s));
        run.RegisterRecordingViews();
        const auto open = [&run](int command) {
            run.Run(command);
            return run.Current();
        };

        RecordingView* view = open(Command::CustomerList);
        QCOMPARE(view->connection, &run.frame->Connection());
        QCOMPARE(view->user, u"admin"_s);
        QCOMPARE(view->filter, u" IsProvider<1 "_s);
        view = open(Command::ProviderList);
        QCOMPARE(view->filter, u" IsProvider=1 "_s);
        QVERIFY(view->user.isEmpty());
        // Admin sees every handler's records and plans, others their own.
        QVERIFY(open(Command::TraceRecord)->filter.isEmpty());

        run.prompt.QueueModal(FillLogin(u"li"_s, u"pw"_s));
        run.Run(Command::Login);
        QCOMPARE(open(Command::TraceRecord)->filter, QStringLiteral(" Handler='li' "));
        view = open(Command::CustomerList);
        QCOMPARE(view->user, QStringLiteral("li"));
        // Rights are asked of the current login, which grants li nothing.
        QVERIFY(!Holds(view->holdsPrivilege, QStringLiteral("添加订单")));

        // A list row's customer opens in the 客户资料 dialog.
        run.prompt.Reset();
        QVERIFY(OpenCustomerDetail(1, nullptr));
        QCOMPARE(run.prompt.shown.size(), 1);
        QCOMPARE(run.prompt.shown.first().text, QStringLiteral("客户资料"));
    }

    void oneViewAtATime() {
        Running run;
        run.Start(FillLogin(u"admin"_s, u"admin"_s));
        run.RegisterRecordingViews();

        // The same command twice: a fresh view, the first one destroyed.
        run.Run(Command::CustomerList);
        QPointer<RecordingView> first = run.Current();
        run.Run(Command::CustomerList);
        QVERIFY(run.Current() && first.isNull());
        QCOMPARE(run.frame->GetViewHost()->findChildren<RecordingView*>().size(), 1);

        // The view is offered every command first; what it handles goes no
        // further, the rest reaches the frame.
        RecordingView* current = run.Current();
        run.Run(Command::Find);
        QCOMPARE(run.Current(), current);
        QCOMPARE(current->offered, QList<int>{Command::Find});

        // A view that cannot be made leaves the current one.
        run.frame->Views().Register(
            Command::PayMode, [](const ViewContext&) { return static_cast<QWidget*>(nullptr); });
        run.Run(Command::PayMode);
        QCOMPARE(run.Current(), current);

        // A view not built yet: a note in the status bar, nothing else. The
        // first of these lists that has no view registered serves.
        Running bare;
        bare.Start(FillLogin(u"admin"_s, u"admin"_s));
        bare.prompt.Reset();
        const QList<QPair<int, QString>> lists = {
            {Command::StockChance, QStringLiteral("采购机会管理")},
            {Command::ContactSearch, QStringLiteral("查询联系人")},
            {Command::PayMode, QStringLiteral("付款方式")}};
        auto unbuilt = std::find_if(lists.cbegin(), lists.cend(), [&](const auto& list) {
            return !bare.frame->Views().Contains(list.first);
        });
        if (unbuilt == lists.cend())
            return;
        bare.Run(unbuilt->first);
        QVERIFY(!bare.frame->GetViewHost()->CurrentView());
        QVERIFY(bare.prompt.shown.isEmpty());
        QVERIFY(bare.frame->statusBar()->currentMessage().contains(unbuilt->second));
        // When the note's time is up the bar says ready again.
        bare.frame->statusBar()->clearMessage();
        QCOMPARE(bare.frame->statusBar()->currentMessage(), u"就绪"_s);
    }

    // 订单管理 opens the order list with the logged-in user's restriction; only
    // the administrator's list has none.
    void orderListIsTheUsersOwn() {
        Running run;
        run.Start(FillLogin(u"li"_s, u"pw"_s));
        run.Run(Command::OrderList);
        auto* view = qobject_cast<COrderListView*>(run.frame->GetViewHost()->CurrentView());
        QVERIFY(view);
        QCOMPARE(view->Binder().GetConditions(), QStringList{u"(Handler='li')"_s});
        run.prompt.QueueModal(FillLogin(u"admin"_s, u"admin"_s));
        run.Run(Command::Login);
        run.Run(Command::OrderList);
        view = qobject_cast<COrderListView*>(run.frame->GetViewHost()->CurrentView());
        QVERIFY(view);
        QCOMPARE(view->Binder().GetConditions(), QStringList());
    }

    void navigationItemsRunTheirCommands() {
        Running run;
        run.Start(FillLogin(u"admin"_s, u"admin"_s));
        run.RegisterRecordingViews();
        run.frame->resize(900, 600);
        run.frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(run.frame.get()));
        // 客户分类 is 32773.
        CSmallBarCtrl* bar = run.frame->NavigationBar();
        QCOMPARE(bar->OpenedGroup(), 0);
        const QRect item = bar->ItemRect(0, 1);
        QVERIFY(!item.isEmpty());
        QTest::mouseClick(bar, Qt::LeftButton, {}, item.center());
        Running::Settle();
        QVERIFY(run.Current());
        QCOMPARE(run.Current()->filter, u" IsProvider<1 "_s);
    }

    void helpCommands() {
        Running run;
        run.Start(FillLogin(u"admin"_s, u"admin"_s));
        run.prompt.Reset();
        run.Run(Command::Homepage);
        QCOMPARE(run.prompt.Messages(), QStringList{u"未设置产品主页地址[Register/Homepage]"_s});

        QVERIFY(run.folder.Write(u"velmora.ini"_s,
                                 "[Register]\r\nHomepage=https://crm.example.org/\r\n"
                                 "Support=help@example.org\r\n"));
        QVERIFY(run.folder.Write(u"settings.ini"_s, "[Application]\r\nversion=2.3.1\r\n"));
        run.prompt.Reset();
        run.Run(Command::Homepage);
        run.Run(Command::OnlineUpdate);
        QCOMPARE(run.prompt.shown.size(), 2);
        QCOMPARE(run.prompt.shown.at(0).kind, ScriptedPrompt::Shown::Kind::Url);
        QCOMPARE(run.prompt.shown.at(0).text, u"https://crm.example.org/"_s);
        QCOMPARE(run.prompt.shown.at(1).text, run.folder.File(u"updater"_s));
        QVERIFY(run.prompt.shown.at(1).caption.isEmpty()); // no arguments

        QStringList seen;
        run.prompt.QueueModal([&seen](QDialog& dialog) {
            auto& about = static_cast<AboutDialog&>(dialog);
            seen << dialog.windowTitle() << about.ValueOf(u"版 本 号"_s)
                 << about.LinkOf(u"产品主页"_s) << about.LinkOf(u"技术支持"_s)
                 << about.ValueOf(u"销售热线"_s);
            return int(QDialog::Accepted);
        });
        run.Run(Command::About);
        QCOMPARE(seen, (QStringList{u"关于"_s, u"2.3.1"_s, u"https://crm.example.org/"_s,
                                    u"mailto:help@example.org"_s,
                                    u"未设置 (velmora.ini [Register] Sales)"_s}));

        // The delivered files leave no row of the About box blank, and a
        // support text that is no address is no mail link.
        for (const char* name : {"velmora.ini", "settings.ini"}) {
            QFile delivered(qEnvironmentVariable("TORVEL_SOURCE_DIR") + u"/app-data/"_s +
                            QLatin1String(name));
            QVERIFY(delivered.open(QIODevice::ReadOnly));
            QVERIFY(run.folder.Write(QLatin1String(name), delivered.readAll()));
        }
        QStringList values;
        QString supportLink;
        run.prompt.QueueModal([&values, &supportLink](QDialog& dialog) {
            auto& about = static_cast<AboutDialog&>(dialog);
            for (const char* label : {"ProductName", "版 本 号", "发布日期", "产品主页", "技术支持",
                                      "销售热线", "版权所有"})
                values << about.ValueOf(QString::fromUtf8(label));
            supportLink = about.LinkOf(u"技术支持"_s);
            return int(QDialog::Accepted);
        });
        run.Run(Command::About);
        QCOMPARE(values.size(), 7);
        QVERIFY2(!values.contains(QString()), qPrintable(values.join(QLatin1Char('|'))));
        QCOMPARE(values.at(0), u"业务跟踪管理系统"_s);
        QCOMPARE(values.at(3), u"未设置产品主页地址[Register/Homepage]"_s);
        QVERIFY(supportLink.isEmpty());

        // The program's icon is compiled in, at a small and a large size.
        QVERIFY(!run.frame->windowIcon().isNull());
        QVERIFY(run.frame->windowIcon().availableSizes().contains(QSize(256, 256)));
    }

    void dataSourceReopensTheConnection() {
        Running run;
        run.Start(FillLogin(u"admin"_s, u"admin"_s));
        const QByteArray databaseIni = run.folder.Read(u"database.ini"_s);
        const QString other = run.folder.File(u"other.db"_s);
        QVERIFY(QFile::copy(run.folder.File(u"torvel.db"_s), other));

        // A file chosen through the browse button; the dialog opened on the
        // string in use.
        QString shownFirst;
        run.prompt.QueueFileName(other);
        run.prompt.QueueModal([&shownFirst](QDialog& dialog) {
            auto& source = static_cast<DataSourceDialog&>(dialog);
            shownFirst = source.FileEdit()->text();
            source.Browse();
            source.OnOK();
            return source.result();
        });
        run.Run(Command::DataSource);
        const QString chosen = u"Provider=SQLite;Data Source="_s + other;
        QCOMPARE(shownFirst, run.folder.File(u"torvel.db"_s));
        QCOMPARE(run.frame->Connection().GetConnectionString(), chosen);
        IniFile base;
        QVERIFY(base.Load(run.folder.File(u"base.ini"_s)));
        QCOMPARE(base.GetString(u"Database"_s, u"Connect"_s), chosen);
        QCOMPARE(run.folder.Read(u"database.ini"_s), databaseIni);
    }

    void dataSourceDialogInput() {
        TempProgramFolder folder;
        ScriptedPrompt prompt;
        DataSourceDialog dialog(prompt, QString());
        QVERIFY(!dialog.OnOK());
        QCOMPARE(prompt.LastMessage(), u"请选择数据库文件"_s);

        // A server string round-trips, a password holding ';' and '"' too.
        const QString server = u"Provider=PostgreSQL;Host=db.local;Port=6543;"
                               "Database=crm;User ID=li;Password=\"x;\"\"y\""_s;
        DataSourceDialog filled(prompt, server);
        QCOMPARE(filled.CurrentKind(), DataSourceDialog::Kind::PostgreSQL);
        QCOMPARE(filled.PasswordEdit()->text(), u"x;\"y"_s);
        QVERIFY(filled.OnOK());
        QCOMPARE(filled.ConnectionString(), server);
    }
};

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
