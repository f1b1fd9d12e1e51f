#include "RefusingTrigger.h"
#include "ScriptedPrompt.h"
#include "TempProgramFolder.h"
#include "TestDatabases.h"

#include "DimissionListView.h"
#include "HandOverDlg.h"
#include "PasswordDlg.h"
#include "StaffAccounts.h"
#include "StaffCommands.h"
#include "StaffDlg.h"
#include "StaffListView.h"
#include "WorkmateListView.h"

#include "base/PasswordHash.h"
#include "customer/SmsDlg.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "framework/CommandIds.h"
#include "framework/CriteriaDlg.h"
#include "framework/DataListView.h"
#include "framework/DataRecordDlg.h"
#include "framework/ListToolbar.h"
#include "framework/PrivilegeNames.h"
#include "shell/LoginDialog.h"
#include "shell/PluginArgs.h"
#include "ui/GridCtrl.h"

#include <QComboBox>
#include <QDate>
#include <QLineEdit>
#include <QListWidget>
#include <QtTest>

using namespace Qt::StringLiterals;

TORVEL_PLUGIN_ENTRY QWidget* listUser(const PluginArgs* args);
TORVEL_PLUGIN_ENTRY QWidget* listDimission(const PluginArgs* args);
TORVEL_PLUGIN_ENTRY QWidget* listProduct(const PluginArgs* args);

class tst_UserList : public QObject {
    Q_OBJECT

private slots:
    void adminAddsStaffWithRights_data() { TestDatabase::AddEngineRows(); }
    void adminAddsStaffWithRights();
    void adminAccountIsProtected_data() { TestDatabase::AddEngineRows(); }
    void adminAccountIsProtected();
    void passwordsChangeAsHashes_data() { TestDatabase::AddEngineRows(); }
    void passwordsChangeAsHashes();
    void leaverCannotLogInAndCustomersMoveInOneTransaction_data() { TestDatabase::AddEngineRows(); }
    void leaverCannotLogInAndCustomersMoveInOneTransaction();
    void addressBookSearchesAndLinks_data() { TestDatabase::AddEngineRows(); }
    void addressBookSearchesAndLinks();
    void productsAddEditDelete_data() { TestDatabase::AddEngineRows(); }
    void productsAddEditDelete();
};

namespace {

ModuleContext Context(DbConnection& db, Prompt& prompt, const QString& user,
                      const QString& privilege = QString()) {
    return {&db, &prompt, user, privilege};
}

// The record the program hands an entry point; the texts live as long as it.
struct EntryRecord {
    QByteArray user;
    QByteArray privilege;
    PluginArgs args{};

    EntryRecord(DbConnection& db, Prompt& prompt, const QString& userName)
        : user(userName.toUtf8()) {
        args.size = sizeof(PluginArgs);
        args.version = PluginArgsVersion;
        args.parameter = "";
        args.connection = &db;
        args.prompt = &prompt;
        args.userName = user.constData();
        args.privilege = privilege.constData();
    }
};

QStringList Column(const CRecordListView& view, int column) {
    QStringList texts;
    CGridCtrl* grid = view.Grid();
    for (int row = grid->GetFixedRowCount(); row < grid->GetRowCount(); ++row)
        texts << grid->GetItemText(row, column);
    return texts;
}

// Selects the row whose column 1 (the login name) is `name`.
bool SelectName(CRecordListView& view, const QString& name, int column = 1) {
    CGridCtrl* grid = view.Grid();
    for (int row = grid->GetFixedRowCount(); row < grid->GetRowCount(); ++row) {
        if (grid->GetItemText(row, column) == name) {
            grid->SetSelectedRange(row, 1, row, grid->GetColumnCount() - 1);
            return true;
        }
    }
    return false;
}

QString Value(DbConnection& db, const QString& sql) {
    DbRecordset rs(db);
    if (!rs.Open(sql) || rs.IsEOF())
        return u"<none>"_s;
    return rs.GetString(0);
}

// Every column of every row, joined by ",".
QString Values(DbConnection& db, const QString& sql) {
    DbRecordset rs(db);
    if (!rs.Open(sql))
        return rs.GetLastError();
    QStringList texts;
    for (; !rs.IsEOF(); rs.MoveNext()) {
        for (int i = 0; i < rs.GetFieldCount(); ++i)
            texts << rs.GetString(i);
    }
    return texts.join(u',');
}

// The login dialog's answer for a name and password: "" when it logged in,
// else the message it showed.
QString Login(DbConnection& db, const QString& user, const QString& pass) {
    ScriptedPrompt prompt;
    LoginDialog dialog(db, prompt);
    dialog.UserNameEdit()->setText(user);
    dialog.PasswordEdit()->setText(pass);
    return dialog.OnOK() ? QString() : prompt.LastMessage();
}

void AddUser(DbConnection& db, const QString& name, const QString& password) {
    QCOMPARE(db.Execute(u"insert into UserData (UserName, FullName, Dimission) values ('"_s + name +
                        u"', '"_s + name + u"', 0)"_s),
             1);
    int key = 0;
    StaffAccounts accounts(db);
    QVERIFY(accounts.KeyOfUser(name, key));
    QVERIFY(accounts.SetPassword(key, password));
}

} // namespace

void tst_UserList::adminAddsStaffWithRights() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    ScriptedPrompt prompt;
    CStaffListView view(Context(db, prompt, u"admin"_s));
    QCOMPARE(Column(view, 1), QStringList{u"admin"_s});

    // The check list offers every right the program tests; the two boxes of
    // the password must agree.
    QStringList offered;
    prompt.QueueModal([&](QDialog& dialog) {
        auto& form = static_cast<CStaffDlg&>(dialog);
        for (int i = 0; i < form.PrivilegeList()->count(); ++i)
            offered << form.PrivilegeList()->item(i)->text();
        form.Field(u"UserName"_s)->setText(u" li "_s);
        form.Field(u"FullName"_s)->setText(u"李 O'Neil"_s);
        form.Field(u"Department"_s)->setText(u"销售%部"_s);
        form.Field(u"JoinDate"_s)->setText(u"2026-13-01"_s);
        form.PasswordEdit()->setText(u"pw"_s);
        form.PasswordAgainEdit()->setText(u"pW"_s);
        form.OnOK();
        form.Field(u"JoinDate"_s)->setText(u"2026-03-01"_s);
        form.OnOK();
        form.PasswordAgainEdit()->setText(u"pw"_s);
        for (int i = 0; i < form.PrivilegeList()->count(); ++i)
            form.PrivilegeList()->item(i)->setCheckState(Qt::Checked);
        form.OnOK();
        return form.result();
    });
    view.OnCommand(Command::Add);
    QCOMPARE(offered, PrivilegeNames::KnownPrivileges());
    QVERIFY(offered.contains(u"添加订单"_s) && offered.contains(u"发放工资"_s));
    QCOMPARE(prompt.Messages(),
             (QStringList{u"入职日期应为yyyy-MM-dd格式!"_s, u"两次输入的密码不一致!"_s}));
    QCOMPARE(Column(view, 1), (QStringList{u"li"_s, u"admin"_s}));
    QCOMPARE(Values(db, u"select FullName, Department, JoinDate, Privilege from UserData "
                        "where UserName='li'"_s),
             u"李 O'Neil,销售%部,2026-03-01,"_s + offered.join(u','));
    const QString stored = Value(db, u"select UserPass from UserData where UserName='li'"_s);
    QVERIFY2(PasswordHash::IsHash(stored), qPrintable(stored));
    QVERIFY(PasswordHash::Verify(stored, u"pw"_s));
    // The salesperson logs in with those rights.
    {
        ScriptedPrompt loginPrompt;
        LoginDialog login(db, loginPrompt);
        login.UserNameEdit()->setText(u"li"_s);
        login.PasswordEdit()->setText(u"pw"_s);
        QVERIFY(login.OnOK());
        QCOMPARE(login.Privilege(), offered.join(u','));
    }

    // Refused names keep the form open; "%" and "_" are characters like any
    // other, so "l_" is no copy of "li".
    prompt.Reset();
    prompt.QueueModal([&](QDialog& dialog) {
        auto& form = static_cast<CStaffDlg&>(dialog);
        for (const QString& name : {u"LI"_s, u"  "_s, u"o'k"_s, u"l_"_s}) {
            form.Field(u"UserName"_s)->setText(name);
            if (form.OnOK())
                break;
        }
        return form.result();
    });
    view.OnCommand(Command::Add);
    QCOMPARE(prompt.Messages(), (QStringList{u"用户名已存在: LI"_s, u"用户名不能为空!"_s,
                                             u"用户名不能包含单引号!"_s}));
    QCOMPARE(Values(db, u"select UserName from UserData order by KeyId"_s), u"admin,li,l_"_s);

    // Anyone else only looks.
    prompt.Reset();
    CStaffListView mine(Context(db, prompt, u"li"_s, u"添加订单,发放工资"_s));
    QVERIFY(!mine.Toolbar()->Button(u"添加"_s));
    mine.OnCommand(Command::Add);
    mine.OnCommand(Command::Delete);
    mine.OnCommand(StaffCommand::Leave);
    QCOMPARE(prompt.Messages(), QStringList(3, u"权限不足"_s));
    QVERIFY(SelectName(mine, u"admin"_s));
    bool readOnly = false;
    prompt.QueueModal([&](QDialog& dialog) {
        auto& form = static_cast<CStaffDlg&>(dialog);
        readOnly = form.Field(u"UserName"_s)->isReadOnly() && !form.OnOK();
        return QDialog::Rejected;
    });
    mine.OnCommand(Command::Edit);
    QVERIFY(readOnly);
}

void tst_UserList::adminAccountIsProtected() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    AddUser(db, u"wang"_s, u"pw"_s);
    ScriptedPrompt prompt;
    CStaffListView view(Context(db, prompt, u"admin"_s));

    QVERIFY(SelectName(view, u"admin"_s));
    view.OnCommand(Command::Delete);
    view.OnCommand(StaffCommand::Leave);
    QCOMPARE(prompt.Messages(),
             (QStringList{u"admin是系统管理员, 不能删除!"_s, u"admin是系统管理员, 不能离职!"_s}));
    // Renaming admin would leave the program without its administrator;
    // changing admin's other details is fine.
    prompt.Reset();
    prompt.QueueModal([&](QDialog& dialog) {
        auto& form = static_cast<CStaffDlg&>(dialog);
        form.Field(u"UserName"_s)->setText(u"root"_s);
        form.OnOK();
        form.Field(u"UserName"_s)->setText(u"admin"_s);
        form.Field(u"FullName"_s)->setText(u"管理员"_s);
        form.OnOK();
        return form.result();
    });
    view.OnCommand(Command::Edit);
    QCOMPARE(prompt.Messages(), QStringList{u"admin是系统管理员, 用户名不能修改!"_s});
    QCOMPARE(Values(db, u"select FullName from UserData where UserName='admin'"_s), u"管理员"_s);
    // Unchanged rights stay as they were.
    QCOMPARE(Values(db, u"select Privilege from UserData where UserName='admin'"_s),
             u"添加订单,发放工资"_s);

    // A stale list cannot send admin away either.
    StaffAccounts accounts(db);
    int adminKey = 0;
    QVERIFY(accounts.KeyOfUser(u"admin"_s, adminKey));
    QVERIFY(!accounts.SetLeft({adminKey}, true, u"2026-01-01"_s));
    QCOMPARE(accounts.LastError(), u"admin是系统管理员, 不能离职!"_s);

    // Anyone else can be removed.
    prompt.Reset();
    QVERIFY(SelectName(view, u"wang"_s));
    prompt.QueueAnswer(Prompt::Answer::Ok);
    view.OnCommand(Command::Delete);
    QCOMPARE(Values(db, u"select UserName from UserData"_s), u"admin"_s);
}

void tst_UserList::passwordsChangeAsHashes() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    AddUser(db, u"li"_s, u"pw"_s);
    ScriptedPrompt prompt;

    // Everyone changes their own password, the old one first.
    CStaffListView mine(Context(db, prompt, u"li"_s));
    QVERIFY(SelectName(mine, u"admin"_s)); // the selection does not matter
    bool askedOld = false;
    prompt.QueueModal([&](QDialog& dialog) {
        auto& form = static_cast<CPasswordDlg&>(dialog);
        askedOld = form.OldEdit() != nullptr;
        form.OldEdit()->setText(u"bad"_s);
        form.NewEdit()->setText(u"n1"_s);
        form.AgainEdit()->setText(u"n1"_s);
        form.OnOK();
        form.OldEdit()->setText(u"pw"_s);
        form.AgainEdit()->setText(u"n2"_s);
        form.OnOK();
        form.AgainEdit()->setText(u"n1"_s);
        form.OnOK();
        return form.result();
    });
    mine.OnCommand(StaffCommand::ChangePassword);
    QVERIFY(askedOld);
    QCOMPARE(prompt.Messages(),
             (QStringList{u"原密码错误!"_s, u"两次输入的新密码不一致!"_s, u"密码已修改"_s}));
    QCOMPARE(Login(db, u"li"_s, u"pw"_s), u"密码错误"_s);
    QCOMPARE(Login(db, u"li"_s, u"n1"_s), QString());
    QVERIFY(
        PasswordHash::IsHash(Value(db, u"select UserPass from UserData where UserName='li'"_s)));

    // Admin sets a colleague's password without knowing it.
    prompt.Reset();
    CStaffListView admin(Context(db, prompt, u"admin"_s));
    QVERIFY(SelectName(admin, u"li"_s));
    prompt.QueueModal([&](QDialog& dialog) {
        auto& form = static_cast<CPasswordDlg&>(dialog);
        askedOld = form.OldEdit() != nullptr;
        form.NewEdit()->setText(u"r"_s);
        form.AgainEdit()->setText(u"r"_s);
        form.OnOK();
        return form.result();
    });
    admin.OnCommand(StaffCommand::ChangePassword);
    QVERIFY(!askedOld);
    QCOMPARE(Login(db, u"li"_s, u"r"_s), QString());
    QCOMPARE(Login(db, u"admin"_s, u"admin"_s), QString());
}

void tst_UserList::leaverCannotLogInAndCustomersMoveInOneTransaction() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    AddUser(db, u"li"_s, u"pw"_s);
    AddUser(db, u"wang"_s, u"pw"_s);
    AddUser(db, u"zhao"_s, u"pw"_s);
    QVERIFY(database.RunScript(
        u"insert into CustomerData (KeyId,CustomerName,Handler) values (1,'甲','li');"
        "insert into CustomerData (KeyId,CustomerName,Handler) values (2,'乙','li');"
        "insert into CustomerData (KeyId,CustomerName,Handler) values (3,'丙','li');"
        "insert into CustomerData (KeyId,CustomerName,Handler) values (4,'丁','wang');"
        "insert into CustomerData (KeyId,CustomerName,Handler) values (5,'戊','zhao');"
        "insert into OrderData (KeyId,CustomerId,Handler) values (1,1,'li')"_s));
    const QString handlers = u"select Handler from CustomerData order by KeyId"_s;
    ScriptedPrompt prompt;
    CStaffListView staff(Context(db, prompt, u"admin"_s));

    // Leaving asks first; No changes nothing.
    QVERIFY(SelectName(staff, u"li"_s));
    staff.OnCommand(StaffCommand::Leave);
    QCOMPARE(prompt.LastMessage(), u"确定要将选择的职员调入离职档案吗?\r\nli"_s);
    QCOMPARE(Login(db, u"li"_s, u"pw"_s), QString());
    prompt.QueueAnswer(Prompt::Answer::Yes);
    staff.OnCommand(StaffCommand::Leave);
    QCOMPARE(Column(staff, 1), (QStringList{u"admin"_s, u"wang"_s, u"zhao"_s}));
    QCOMPARE(Values(db, u"select Dimission, DimissionDate from UserData where UserName='li'"_s),
             u"1,"_s + QDate::currentDate().toString(Qt::ISODate));
    QCOMPARE(Login(db, u"li"_s, u"pw"_s), u"无效的用户名"_s);

    // 离职档案 is admin's alone, whoever calls the entry point.
    prompt.Reset();
    EntryRecord other(db, prompt, u"wang"_s);
    QVERIFY(!listDimission(&other.args));
    QCOMPARE(prompt.Messages(), QStringList{u"权限不足"_s});
    EntryRecord admin(db, prompt, u"admin"_s);
    std::unique_ptr<QWidget> widget(listDimission(&admin.args));
    auto* leavers = qobject_cast<CDimissionListView*>(widget.get());
    QVERIFY(leavers);
    QCOMPARE(Column(*leavers, 1), QStringList{u"li"_s});

    // The hand-over is one statement in one transaction: a refusal on the
    // second customer leaves all three with li.
    QVERIFY(AddRefusingTrigger(db, u"CustomerData"_s, u"update"_s,
                               u"new.Handler='zhao' and old.KeyId=2"_s));
    QVERIFY(SelectName(*leavers, u"li"_s));
    QStringList offered;
    auto handTo = [&](const QString& user) {
        return [&, user](QDialog& dialog) {
            auto& form = static_cast<CHandOverDlg&>(dialog);
            offered.clear();
            for (int i = 0; i < form.UserBox()->count(); ++i)
                offered << form.UserBox()->itemText(i);
            form.UserBox()->setCurrentText(user);
            return int(QDialog::Accepted);
        };
    };
    prompt.Reset();
    prompt.QueueModal(handTo(u"zhao"_s));
    leavers->OnCommand(StaffCommand::HandOver);
    QCOMPARE(offered, (QStringList{u"admin"_s, u"wang"_s, u"zhao"_s}));
    QVERIFY2(prompt.LastMessage().contains(u"refused"_s), qPrintable(prompt.LastMessage()));
    QCOMPARE(Values(db, handlers), u"li,li,li,wang,zhao"_s);

    prompt.Reset();
    prompt.QueueModal(handTo(u"wang"_s));
    leavers->OnCommand(StaffCommand::HandOver);
    QCOMPARE(prompt.Messages(), QStringList{u"已将li的3个客户移交给wang"_s});
    QCOMPARE(Values(db, handlers), u"wang,wang,wang,wang,zhao"_s);
    // The orders still say who took them.
    QCOMPARE(Values(db, u"select Handler from OrderData"_s), u"li"_s);

    // Taken back, li logs in again.
    prompt.Reset();
    prompt.QueueAnswer(Prompt::Answer::Yes);
    leavers->OnCommand(StaffCommand::TakeBack);
    QCOMPARE(Column(*leavers, 1), QStringList());
    QCOMPARE(Login(db, u"li"_s, u"pw"_s), QString());
    QCOMPARE(Values(db, u"select Dimission from UserData where UserName='li'"_s), u"0"_s);
}

void tst_UserList::addressBookSearchesAndLinks() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    QVERIFY(database.RunScript(
        u"insert into UserData (UserName,FullName,Department,Mobile,Email,Dimission) values "
        "('ob','O''Brien','销售部','13800000001','ob@example.com',0);"
        "insert into UserData (UserName,FullName,Department,Mobile,Dimission) values "
        "('zs','张三','50%特价部','13800000002',0);"
        "insert into UserData (UserName,FullName,Department,Dimission) values "
        "('ww','王五','500部',0);"
        "insert into UserData (UserName,FullName,Department,Dimission) values "
        "('gone','离开者','销售部',1)"_s));
    ScriptedPrompt prompt;
    CWorkmateListView view(db, prompt);
    // Working staff only, by department.
    QCOMPARE(Column(view, 1).size(), 4);
    QVERIFY(!Column(view, 1).contains(u"离开者"_s));

    view.Search(u"O'B"_s, QString(), QString());
    QCOMPARE(Column(view, 1), QStringList{u"O'Brien"_s});
    view.Search(u"') or ('1'='1"_s, QString(), QString());
    QCOMPARE(Column(view, 1), QStringList());
    // "%" stays a wildcard: "50%" finds 500部 as well.
    view.Search(QString(), u"50%"_s, QString());
    QCOMPARE(Column(view, 1), (QStringList{u"张三"_s, u"王五"_s}));
    // The search dialog remembers its texts.
    prompt.QueueModal([](QDialog& dialog) {
        auto& form = static_cast<CCriteriaDlg&>(dialog);
        form.Field(u"Number"_s)->setText(u"0002"_s);
        form.OnOK();
        return form.result();
    });
    view.OnCommand(Command::Find);
    QCOMPARE(Column(view, 1), QStringList{u"张三"_s});

    // Links need a selection; mail goes through the prompt as mailto:, the
    // text message through the SMS dialog with the colleague's mobile.
    view.Grid()->ResetSelectedRange();
    view.OnCommand(Command::MailLink);
    QCOMPARE(prompt.LastMessage(), u"请选择同事!"_s);
    view.Search(u"brien"_s, QString(), QString());
    QVERIFY(SelectName(view, u"O'Brien"_s));
    view.OnCommand(Command::MailLink);
    QCOMPARE(prompt.shown.last().kind, ScriptedPrompt::Shown::Kind::Url);
    QVERIFY2(prompt.shown.last().text.startsWith(u"mailto:ob@example.com"_s),
             qPrintable(prompt.shown.last().text));
    QString mobile;
    prompt.QueueModal([&](QDialog& dialog) {
        if (auto* sms = qobject_cast<CSmsDlg*>(&dialog))
            mobile = sms->MobileEdit()->text();
        return int(QDialog::Rejected);
    });
    view.OnCommand(Command::SendSms);
    QCOMPARE(prompt.shown.last().kind, ScriptedPrompt::Shown::Kind::Modal);
    QCOMPARE(mobile, u"13800000001"_s);
}

void tst_UserList::productsAddEditDelete() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    QCOMPARE(db.Execute(u"delete from ProductData"_s), 1);
    ScriptedPrompt prompt;
    EntryRecord record(db, prompt, QString());
    std::unique_ptr<QWidget> widget(listProduct(&record.args));
    auto* view = qobject_cast<CDataListView_*>(widget.get());
    QVERIFY(view);
    QVERIFY(QFile::exists(folder.File(u"res/list_ProductData.ini"_s)));
    QCOMPARE(view->Grid()->GetItemText(0, 1), u"产品名称"_s);

    auto fill = [](const QString& name, const QString& price) {
        return [name, price](QDialog& dialog) {
            auto& form = static_cast<CDataRecordDlg&>(dialog);
            form.Box(u"Name"_s)->setText(name);
            form.Box(u"Code"_s)->setText(u"A%_'1"_s);
            form.Box(u"Price"_s)->setText(price);
            form.OnOK();
            return form.result();
        };
    };
    prompt.QueueModal(fill(u"专业版"_s, u"1200.5"_s));
    view->OnCommand(Command::DataAdd);
    prompt.QueueModal(fill(u"标准版"_s, u"800"_s));
    view->OnCommand(Command::DataAdd);
    const QString products = u"select Name, Code, Price from ProductData order by Name"_s;
    QCOMPARE(Values(db, products), u"专业版,A%_'1,1200.5,标准版,A%_'1,800"_s);

    QVERIFY(SelectName(*view, u"标准版"_s));
    prompt.QueueModal(fill(u"标准版 2"_s, u"850"_s));
    view->OnCommand(Command::DataEdit);
    QCOMPARE(Values(db, products), u"专业版,A%_'1,1200.5,标准版 2,A%_'1,850"_s);

    QVERIFY(SelectName(*view, u"专业版"_s));
    prompt.QueueAnswer(Prompt::Answer::Ok);
    view->OnCommand(Command::DataDelete);
    QCOMPARE(Values(db, products), u"标准版 2,A%_'1,850"_s);
}

QTEST_MAIN(tst_UserList)
#include "tst_userlist.moc"
