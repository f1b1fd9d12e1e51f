#include "RefusingTrigger.h"
#include "ScriptedPrompt.h"
#include "TempProgramFolder.h"
#include "TestDatabases.h"

#include "base/IniFile.h"
#include "customer/ContactDlg.h"
#include "customer/ContactSearchDlg.h"
#include "customer/ContactSearchView.h"
#include "customer/CustomerAbstractView.h"
#include "customer/CustomerContactView.h"
#include "customer/SmsDlg.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/QueryBinder.h"
#include "framework/CommandIds.h"
#include "framework/CustomerDetail.h"
#include "shell/ViewRegistry.h"
#include "ui/GridCtrl.h"

#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

class tst_Contacts : public QObject {
    Q_OBJECT

private slots:
    void formAddEditAndFailure_data() { TestDatabase::AddEngineRows(); }
    void formAddEditAndFailure();
    void searchTakesTextAsLiterals_data() { TestDatabase::AddEngineRows(); }
    void searchTakesTextAsLiterals();
    void searchCommandsAndDelete_data() { TestDatabase::AddEngineRows(); }
    void searchCommandsAndDelete();
    void summaryRows_data() { TestDatabase::AddEngineRows(); }
    void summaryRows();
    void searchViewRegisteredForItsCommand();
};

namespace {

const QString kBag = QStringLiteral(".");

const char* kData = R"(
insert into CustomerData (KeyId,CustomerName,Contact,Handler,Email,Homepage) values
  (40,'老客户','赵六','zhang','boss@old.cn','javascript:alert(1)');
insert into CustomerData (KeyId,CustomerName,Handler) values (41,'新客户','li');
insert into ContactData (CustomerId,CustomerName,Name,Mobile,Phone,ICQ,Email,NetCodeClass,NetCode)
  values (40,'老客户','张三','13912345678','','12345','a@x.com b@y.com','淘宝旺旺','zs');
insert into ContactData (CustomerId,CustomerName,Name,Mobile,Phone,ICQ,Email,NetCodeClass,NetCode)
  values (41,'新客户','O''Brien','','010-1391234','12a45','','MSN','ob');
insert into ContactData (CustomerId,CustomerName,Name,Mobile,Phone) values (0,'','无主','','');
insert into OrderData (CustomerId,CustomerName,FDTotal) values (40,'老客户',100.5);
insert into OrderData (CustomerId,CustomerName,FDTotal) values (41,'新客户',20)
)";

QStringList Column(const CGridCtrl& grid, int column) {
    QStringList texts;
    for (int row = grid.GetFixedRowCount(); row < grid.GetRowCount(); ++row)
        texts << grid.GetItemText(row, column);
    return texts;
}

// Answers the SMS dialog when it opened for `mobile`: as if the message went
// out (nothing is sent; the text is empty), otherwise cancelled.
void QueueSms(ScriptedPrompt& prompt, const QString& mobile) {
    prompt.QueueModal([mobile](QDialog& dialog) {
        return static_cast<CSmsDlg&>(dialog).MobileEdit()->text() == mobile
                   ? int(QDialog::Accepted)
                   : int(QDialog::Rejected);
    });
}

QString Value(DbConnection& db, const QString& sql) {
    DbRecordset rs(db);
    if (!rs.Open(sql))
        return rs.GetLastError();
    return rs.IsEOF() ? QString() : rs.GetString(0);
}

void SelectRow(CGridCtrl& grid, int first, int last = -1) {
    grid.SetSelectedRange(first, 1, last < 0 ? first : last, grid.GetColumnCount() - 1);
}

} // namespace

void tst_Contacts::formAddEditAndFailure() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    QVERIFY(database.RunScript(QString::fromUtf8(kData)));
    ScriptedPrompt prompt;
    CCustomerContactView view(db, prompt);

    // No customer: nothing listed, 添加 does nothing.
    view.SetCustomer(0);
    QCOMPARE(Column(*view.Grid(), 1), QStringList());
    QVERIFY(view.OnCommand(Command::Add));
    QVERIFY(prompt.shown.isEmpty());

    view.SetCustomer(40);
    QCOMPARE(Column(*view.Grid(), 1), QStringList{QStringLiteral("张三")});
    prompt.QueueModal([](QDialog& dialog) {
        auto& form = static_cast<CContactDlg&>(dialog);
        if (form.IsEditMode() || form.Field(QStringLiteral("CustomerName"))->text() != u"老客户")
            return int(QDialog::Rejected);
        form.Field(QStringLiteral("Name"))->setText(QStringLiteral("王'五"));
        form.Field(QStringLiteral("Mobile"))->setText(QStringLiteral("13800000000"));
        form.MethodBox()->setCurrentText(QStringLiteral("贸易通"));
        form.OnOK();
        return form.result();
    });
    QVERIFY(view.OnCommand(Command::Add));
    const QString stored =
        Value(db, QStringLiteral("select KeyId from ContactData where Name='王''五'"));
    QVERIFY(stored.toInt() > 0);
    QCOMPARE(Column(*view.Grid(), 0).first(), stored);
    QCOMPARE(Column(*view.Grid(), 1),
             (QStringList{QStringLiteral("王'五"), QStringLiteral("张三")}));
    QCOMPARE(
        Value(db, QStringLiteral("select NetCodeClass from ContactData where KeyId=") + stored),
        QStringLiteral("贸易通"));
    QCOMPARE(Value(db, QStringLiteral("select CustomerId from ContactData where KeyId=") + stored),
             QStringLiteral("40"));

    // Edit: the row's cells take what was saved.
    SelectRow(*view.Grid(), 1);
    prompt.QueueModal([](QDialog& dialog) {
        auto& form = static_cast<CContactDlg&>(dialog);
        if (form.Field(QStringLiteral("Mobile"))->text() != u"13800000000")
            return int(QDialog::Rejected);
        form.Field(QStringLiteral("Phone"))->setText(QStringLiteral("021-555"));
        form.OnOK();
        return form.result();
    });
    view.OnCommand(Command::Edit);
    QCOMPARE(view.Grid()->GetItemText(1, view.Binder().FindColumn(QStringLiteral("Phone"))),
             QStringLiteral("021-555"));
    QCOMPARE(Value(db, QStringLiteral("select Phone from ContactData where KeyId=") + stored),
             QStringLiteral("021-555"));

    // A refused insert keeps the form open with what was typed.
    QVERIFY(AddRefusingTrigger(db, QStringLiteral("ContactData"), QStringLiteral("insert"),
                               QStringLiteral("1=1")));
    bool keptOpen = false;
    prompt.Reset();
    prompt.QueueModal([&keptOpen](QDialog& dialog) {
        auto& form = static_cast<CContactDlg&>(dialog);
        form.Field(QStringLiteral("Name"))->setText(QStringLiteral("孙七"));
        keptOpen = !form.OnOK() && form.result() != QDialog::Accepted &&
                   form.Field(QStringLiteral("Name"))->text() == u"孙七";
        return int(QDialog::Rejected);
    });
    view.OnCommand(Command::Add);
    QVERIFY(keptOpen);
    QVERIFY2(prompt.LastMessage().startsWith(QStringLiteral("insert into ContactData")),
             qPrintable(prompt.LastMessage()));
    QCOMPARE(view.Grid()->GetRowCount(), 3);

    // Edit needs a selection.
    view.Grid()->ResetSelectedRange();
    view.OnCommand(Command::Edit);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("请选择要编辑的联系人!"));
}

void tst_Contacts::searchTakesTextAsLiterals() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    QVERIFY(database.RunScript(QString::fromUtf8(kData)));
    ScriptedPrompt prompt;
    CContactSearchView view(db, prompt);
    QCOMPARE(
        Column(*view.Grid(), 1),
        (QStringList{QStringLiteral("无主"), QStringLiteral("O'Brien"), QStringLiteral("张三")}));

    const auto search = [&view](ContactCriteria criteria) {
        view.Search(criteria);
        return Column(*view.Grid(), 1);
    };
    ContactCriteria criteria;
    // 电话 finds the mobile of one and the fixed number of the other.
    criteria.phone = QStringLiteral("1391234");
    QCOMPARE(search(criteria), (QStringList{QStringLiteral("O'Brien"), QStringLiteral("张三")}));
    criteria = {};
    criteria.name = QStringLiteral("O'Bri");
    QCOMPARE(search(criteria), QStringList{QStringLiteral("O'Brien")});
    // Wildcards stay wildcards; quotes stay text.
    criteria.name = QStringLiteral("O_Br%n");
    QCOMPARE(search(criteria), QStringList{QStringLiteral("O'Brien")});
    criteria.name = QStringLiteral("%' or '1'='1");
    QCOMPARE(search(criteria), QStringList());
    criteria = {};
    criteria.method = QStringLiteral("淘宝旺旺");
    criteria.qq = QStringLiteral("234");
    criteria.customerName = QStringLiteral("老");
    QCOMPARE(search(criteria), QStringList{QStringLiteral("张三")});

    // A new search starts at the first page.
    view.Binder().SetPageSize(1);
    view.Search({});
    view.OnCommand(Command::NextPage);
    QCOMPARE(Column(*view.Grid(), 1), QStringList{QStringLiteral("O'Brien")});
    prompt.QueueModal([](QDialog& dialog) {
        auto& form = static_cast<CContactSearchDlg&>(dialog);
        // Nothing is remembered from an earlier search.
        if (!form.Field(QStringLiteral("Name"))->text().isEmpty())
            return int(QDialog::Rejected);
        form.Field(QStringLiteral("Phone"))->setText(QStringLiteral(" 139 "));
        return int(QDialog::Accepted);
    });
    QVERIFY(view.OnCommand(Command::Find));
    QCOMPARE(view.Binder().GetPageIndex(), 0);
    QCOMPARE(Column(*view.Grid(), 1), QStringList{QStringLiteral("O'Brien")});
}

void tst_Contacts::searchCommandsAndDelete() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    QVERIFY(database.RunScript(QString::fromUtf8(kData)));
    ScriptedPrompt prompt;
    CContactSearchView view(db, prompt);
    CGridCtrl& grid = *view.Grid();

    // 统计总额: the orders of the listed contacts' customers, each once.
    view.OnCommand(Command::Statistics);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("累计总额 120.50"));
    ContactCriteria criteria;
    criteria.name = QStringLiteral("张");
    view.Search(criteria);
    view.OnCommand(Command::Statistics);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("累计总额 100.50"));
    view.Search({});

    // 客户资料: rows are 无主, O'Brien, 张三.
    int shown = 0;
    SetCustomerDetailOpener([&shown](int key, QWidget*) { shown = key; });
    view.OnCommand(Command::CustomerInfo);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("请选择要查看的联系人!"));
    SelectRow(grid, 1);
    view.OnCommand(Command::CustomerInfo);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("资料不存在"));
    SelectRow(grid, 2);
    view.OnCommand(Command::CustomerInfo);
    QCOMPARE(shown, 41);
    SetCustomerDetailOpener({});

    // Links of the selected row: O'Brien's QQ has letters, MSN has no program.
    prompt.Reset();
    view.OnCommand(Command::QqLink);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("QQ号码只能由数字组成: 12a45"));
    view.OnCommand(Command::OnlineLink);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("此联系方式未定义应用程序"));
    SelectRow(grid, 3);
    prompt.Reset();
    view.OnCommand(Command::MailLink);
    view.OnCommand(Command::QqLink);
    QCOMPARE(prompt.shown.size(), 2);
    QCOMPARE(prompt.shown.at(0).text,
             QStringLiteral("mailto:a@x.com,b@y.com?body=%E5%BC%A0%E4%B8%89%E4%BD%A0%E5%A5%BD%21"));
    QVERIFY(prompt.shown.at(1).text.startsWith(
        QStringLiteral("https://wpa.qq.com/msgrd?v=3&uin=12345&")));
    // 发送短信: the contact's mobile; the message is filed under the contact's
    // customer with the customer's handler.
    QueueSms(prompt, QStringLiteral("13912345678"));
    view.OnCommand(Command::SendSms);
    QCOMPARE(Value(db, QStringLiteral("select Contact || '/' || CustomerId || '/' || Handler || "
                                      "'/' || Title from TraceData")),
             QStringLiteral("张三/40/zhang/短信:"));
    // Without a selection the links do nothing.
    grid.ResetSelectedRange();
    prompt.Reset();
    view.OnCommand(Command::QqLink);
    view.OnCommand(Command::MailLink);
    view.OnCommand(Command::SendSms);
    QVERIFY(prompt.shown.isEmpty());

    // 删除: the two upper rows, after asking.
    SelectRow(grid, 1, 2);
    prompt.QueueAnswer(Prompt::Answer::Ok);
    view.OnCommand(Command::Delete);
    QCOMPARE(Column(grid, 1), QStringList{QStringLiteral("张三")});
    QCOMPARE(Value(db, QStringLiteral("select count(*) from ContactData")), QStringLiteral("1"));
}

void tst_Contacts::summaryRows() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    QVERIFY(database.RunScript(QString::fromUtf8(kData)));
    QVERIFY(database.RunScript(QStringLiteral(
        "update CustomerData set Phone=null,Fax=null,Mobile='139',Comment=null where KeyId=41")));
    ScriptedPrompt prompt;
    CCustomerAbstractView view(db, prompt);
    CGridCtrl& grid = *view.Grid();

    view.SetCustomer(41);
    QCOMPARE(Column(grid, 0), CCustomerAbstractView::Labels());
    const QStringList values = Column(grid, 1);
    QCOMPARE(values.at(0), QStringLiteral("新客户    编号:41"));
    QCOMPARE(values.at(2), QStringLiteral("   传真:   手机:139"));
    QCOMPARE(values.at(9), QString());
    QCOMPARE(grid.GetRowHeight(grid.GetRowCount() - 1), 200);

    // No home page: nothing; a script as home page: refused.
    view.OnCommand(Command::VisitSite);
    QVERIFY(prompt.shown.isEmpty());
    view.SetCustomer(40);
    view.OnCommand(Command::VisitSite);
    QCOMPARE(prompt.LastMessage(),
             QStringLiteral("网站主页只能是 http 或 https 网址，不能打开:\r\njavascript:alert(1)"));
    prompt.Reset();
    view.OnCommand(Command::MailLink);
    QCOMPARE(
        prompt.shown.last().text,
        QStringLiteral("mailto:boss@old.cn?body=%E8%80%81%E5%AE%A2%E6%88%B7%E4%BD%A0%E5%A5%BD%21"));

    // 发送短信 goes to the customer's own mobile and is filed under it.
    view.SetCustomer(41);
    prompt.Reset();
    QueueSms(prompt, QStringLiteral("139"));
    view.OnCommand(Command::SendSms);
    QCOMPARE(Value(db, QStringLiteral("select CustomerId || '/' || Handler from TraceData")),
             QStringLiteral("41/li"));

    // A customer that is gone leaves the tab empty.
    view.SetCustomer(999);
    QCOMPARE(grid.GetRowCount(), 0);
}

void tst_Contacts::searchViewRegisteredForItsCommand() {
    TempProgramFolder folder(false);
    TORVEL_ENGINE_DATABASE(database, QStringLiteral("sqlite"), true);
    DbConnection db;
    QCOMPARE(db.Open(database.ConnectionString()), 1);
    ScriptedPrompt prompt;
    ViewRegistry registry;
    RegisterBuiltinViews(registry);
    const ViewContext context{db, prompt, QString(), QString(), QString(), QString(), true};
    std::unique_ptr<QWidget> view(registry.Create(Command::ContactSearch, context));
    QVERIFY(qobject_cast<CContactSearchView*>(view.get()));
}

QTEST_MAIN(tst_Contacts)
#include "tst_contacts.moc"
