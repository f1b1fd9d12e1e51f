#include "ScriptedPrompt.h"
#include "TempProgramFolder.h"
#include "TestDatabases.h"

#include "business/CustomerDetailDlg.h"
#include "business/CustomerOrderView.h"
#include "business/CustomerTabView.h"
#include "business/CustomerTraceView.h"
#include "business/OrderDlg.h"
#include "business/TraceDlg.h"
#include "business/TrackPlanView.h"
#include "customer/CustomerSearchView.h"
#include "db/DbConnection.h"
#include "framework/CommandIds.h"
#include "ui/GridCtrl.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QtTest>

class tst_CustomerTabs : public QObject {
    Q_OBJECT

private slots:
    void onlyTheShownTabReads_data() { TestDatabase::AddEngineRows(); }
    void onlyTheShownTabReads();
    void orderTabRightsAndChanges_data() { TestDatabase::AddEngineRows(); }
    void orderTabRightsAndChanges();
    void recordTabChanges_data() { TestDatabase::AddEngineRows(); }
    void recordTabChanges();
    void paneFollowsArrowKeysAndDialogShowsCustomer();

private:
    TempProgramFolder folder_{false};
};

namespace {

// Customers 1 and 2; customer 1 has `orders` orders (keys 1..n), two records
// and a plan, customer 2 one order and one record.
QString Data(int orders) {
    QString script = QStringLiteral(
        "insert into CustomerData (KeyId,CustomerName,Handler,Contact,LastTime,IsProvider) "
        "values (1,'甲公司','li','王经理','2024-01-02 00:00:00',0);"
        "insert into CustomerData (KeyId,CustomerName,Handler,Contact,LastTime,IsProvider) "
        "values (2,'乙公司','li','赵经理','2024-01-01 00:00:00',0);"
        "insert into TraceData (CustomerId,Contact,Title,FDTime) values (1,'王','r1',"
        "'2024-01-01 09:00:00');"
        "insert into TraceData (CustomerId,Contact,Title,FDTime) values (1,'王','r2',"
        "'2024-01-02 09:00:00');"
        "insert into TraceData (CustomerId,Contact,Title,FDTime) values (2,'赵','s1',"
        "'2024-01-02 09:00:00');"
        "insert into TrackPlan (CustomerId,Contact,Title,PlanTime) values (1,'王','p1',"
        "'2024-02-01 09:00:00');"
        "insert into OrderData (KeyId,CustomerId,ProductName,FDTime) values (9999,2,'乙货',"
        "'2024-01-01 09:00:00');");
    for (int key = 1; key <= orders; ++key)
        script += QStringLiteral("insert into OrderData (KeyId,CustomerId,ProductName,FDTime) "
                                 "values (%1,1,'货%1','2024-01-01 09:00:00');")
                      .arg(key);
    return script;
}

QStringList Column(CGridCtrl& grid, int column) {
    QStringList texts;
    for (int row = grid.GetFixedRowCount(); row < grid.GetRowCount(); ++row)
        texts << grid.GetItemText(row, column);
    return texts;
}

void SelectRow(CGridCtrl& grid, int row) {
    grid.SetSelectedRange(row, 1, row, grid.GetColumnCount() - 1);
}

CustomerTabArgs Rights(bool mayAddOrders) {
    return {QStringLiteral("li"), [mayAddOrders](const QString& right) {
                return mayAddOrders && right == QStringLiteral("添加订单");
            }};
}

template <class View> View& TabOf(CCustomerTabView& tabs, CCustomerTabView::Tab tab) {
    return *static_cast<View*>(tabs.Page(tab));
}

} // namespace

void tst_CustomerTabs::onlyTheShownTabReads() {
    TORVEL_TEST_CONNECTION(database);
    QVERIFY(database.RunScript(Data(3)));
    ScriptedPrompt prompt;
    CCustomerTabView tabs(db, prompt, Rights(true));
    QTabWidget& tabWidget = *tabs.Tabs();
    QStringList captions;
    for (int i = 0; i < tabWidget.count(); ++i)
        captions << tabWidget.tabText(i);
    QCOMPARE(captions, QString(QStringLiteral("基本资料 联系人 跟踪计划 沟通记录 销售记录 合作机会 "
                                              "采购记录"))
                           .split(u' '));
    QCOMPARE(tabWidget.currentIndex(), 0);

    auto& orders = TabOf<CCustomerOrderView>(tabs, CCustomerTabView::Orders);
    auto& records = TabOf<CCustomerTraceView>(tabs, CCustomerTabView::Records);
    auto& plans = TabOf<CTrackPlanView>(tabs, CCustomerTabView::Plans);
    tabs.SetCustomer(1);
    QCOMPARE(tabs.Reads(), 1); // the summary, which is on show
    tabWidget.setCurrentIndex(CCustomerTabView::Orders);
    QCOMPARE(tabs.Reads(), 2);
    QCOMPARE(Column(*orders.Grid(), 0), QString(QStringLiteral("3 2 1")).split(u' '));
    tabWidget.setCurrentIndex(CCustomerTabView::Records);
    QCOMPARE(Column(*records.Grid(), 2), QString(QStringLiteral("r2 r1")).split(u' '));
    tabWidget.setCurrentIndex(CCustomerTabView::Orders);
    QCOMPARE(tabs.Reads(), 3); // the orders are still those of customer 1

    // Another customer reads the shown tab only; the others when shown.
    tabs.SetCustomer(2);
    QCOMPARE(tabs.Reads(), 4);
    QCOMPARE(Column(*orders.Grid(), 0), QStringList{QStringLiteral("9999")});
    QCOMPARE(Column(*records.Grid(), 2), QString(QStringLiteral("r2 r1")).split(u' '));
    tabWidget.setCurrentIndex(CCustomerTabView::Records);
    QCOMPARE(Column(*records.Grid(), 2), QStringList{QStringLiteral("s1")});
    QCOMPARE(tabs.Reads(), 5);

    // A selection moving on quickly reads once, for where it came to rest.
    tabWidget.setCurrentIndex(CCustomerTabView::Plans);
    QCOMPARE(tabs.Reads(), 6);
    tabs.ShowCustomer(1);
    tabs.ShowCustomer(2);
    tabs.ShowCustomer(1);
    QCOMPARE(tabs.Reads(), 6);
    QTRY_COMPARE(tabs.Reads(), 7);
    QCOMPARE(Column(*plans.Grid(), 2), QStringList{QStringLiteral("p1")});
    tabs.ShowCustomer(1); // the same customer again reads nothing
    QTest::qWait(CCustomerTabView::kSettleMilliseconds * 2);
    QCOMPARE(tabs.Reads(), 7);
    // Bringing a tab forward while the selection settles takes it at once.
    tabs.ShowCustomer(2);
    tabWidget.setCurrentIndex(CCustomerTabView::Orders);
    QCOMPARE(tabs.Customer(), 2);
    QCOMPARE(Column(*orders.Grid(), 0), QStringList{QStringLiteral("9999")});

    // No customer lists nothing, and 添加 does nothing on any list tab.
    tabs.SetCustomer(0);
    for (const auto tab :
         {CCustomerTabView::Orders, CCustomerTabView::Records, CCustomerTabView::Plans}) {
        tabWidget.setCurrentIndex(tab);
        auto* view = static_cast<CRecordListView*>(tabs.Page(tab));
        QCOMPARE(Column(*view->Grid(), 0), QStringList());
        QVERIFY(view->OnCommand(Command::Add));
    }
    QVERIFY(prompt.shown.isEmpty());
}

void tst_CustomerTabs::orderTabRightsAndChanges() {
    TORVEL_TEST_CONNECTION(database);
    QVERIFY(database.RunScript(Data(205)));
    ScriptedPrompt prompt;

    // Without the right nothing changes orders; the list itself is open.
    CCustomerOrderView refused(db, prompt, Rights(false).holdsPrivilege);
    refused.SetCustomer(1);
    SelectRow(*refused.Grid(), 1);
    for (const int command : {int(Command::Add), int(Command::Edit), int(Command::Delete)}) {
        prompt.Reset();
        refused.OnCommand(command);
        QCOMPARE(prompt.Messages(), QStringList{QStringLiteral("权限不足")});
    }

    // More than a page: the 200 highest keys, newest first.
    CCustomerOrderView view(db, prompt, Rights(true).holdsPrivilege);
    view.SetCustomer(1);
    const QStringList keys = Column(*view.Grid(), 0);
    QCOMPARE(keys.size(), 200);
    QCOMPARE(keys.first(), QStringLiteral("205"));
    QCOMPARE(keys.last(), QStringLiteral("6"));

    prompt.Reset();
    view.OnCommand(Command::Edit);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("请选择要编辑的订单!"));

    // A new order is this customer's and becomes the first row.
    prompt.QueueModal([](QDialog& dialog) {
        auto& form = static_cast<COrderDlg&>(dialog);
        if (form.CustomerKey() != 1 || form.IsEditMode())
            return int(QDialog::Rejected);
        form.Field(QStringLiteral("SerialCode"))->setText(QStringLiteral("acct/pw"));
        form.Field(QStringLiteral("Price"))->setText(QStringLiteral("3"));
        form.Field(QStringLiteral("Quantity"))->setText(QStringLiteral("2"));
        form.OnTotal();
        return form.OnOK() ? int(QDialog::Accepted) : int(QDialog::Rejected);
    });
    view.OnCommand(Command::Add);
    const QString added = view.Grid()->GetItemText(1, 0);
    QVERIFY(added.toInt() > 9999);
    QCOMPARE(view.Grid()->GetItemText(1, 2), QStringLiteral("acct/pw"));
    QCOMPARE(view.Grid()->GetItemText(1, 6), QStringLiteral("6"));
    QString customer;
    db.JoinColumnValues(QStringLiteral("select CustomerId from OrderData where KeyId=") + added,
                        customer);
    QCOMPARE(customer, QStringLiteral("1"));

    // Editing patches the row in place.
    SelectRow(*view.Grid(), 2); // order 205
    prompt.QueueModal([](QDialog& dialog) {
        auto& form = static_cast<COrderDlg&>(dialog);
        form.Field(QStringLiteral("Price"))->setText(QStringLiteral("1"));
        form.Field(QStringLiteral("Quantity"))->setText(QStringLiteral("1"));
        form.CommentEdit()->setPlainText(QStringLiteral("改过'了"));
        return form.OnOK() ? int(QDialog::Accepted) : int(QDialog::Rejected);
    });
    view.OnCommand(Command::Edit);
    QCOMPARE(view.Grid()->GetItemText(2, 0), QStringLiteral("205"));
    QCOMPARE(view.Grid()->GetItemText(2, 9), QStringLiteral("改过'了"));

    // Deleting removes exactly the selected rows.
    view.Grid()->SetSelectedRange(1, 1, 2, view.Grid()->GetColumnCount() - 1);
    prompt.QueueAnswer(Prompt::Answer::Ok);
    view.OnCommand(Command::Delete);
    QCOMPARE(view.Grid()->GetItemText(1, 0), QStringLiteral("204"));
    QString left;
    db.JoinColumnValues(QStringLiteral("select count(*) from OrderData where CustomerId=1"), left);
    QCOMPARE(left, QStringLiteral("204"));

    // The account notice needs an order, and reads it by its key: order 204
    // names no account.
    view.Grid()->ResetSelectedRange();
    prompt.Reset();
    view.OnCommand(Command::AccountNotice);
    QCOMPARE(prompt.Messages(), QStringList{QStringLiteral("请选择要发送通知的订单!")});
    SelectRow(*view.Grid(), 1);
    view.OnCommand(Command::AccountNotice);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("未指定短信帐号在SerialCode中"));
}

void tst_CustomerTabs::recordTabChanges() {
    TORVEL_TEST_CONNECTION(database);
    QVERIFY(database.RunScript(Data(0)));
    ScriptedPrompt prompt;
    CCustomerTraceView view(db, prompt);
    view.SetCustomer(1);
    CGridCtrl& grid = *view.Grid();
    view.OnCommand(Command::Edit);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("请选择要编辑的信息!"));

    prompt.QueueModal([](QDialog& dialog) {
        auto& form = static_cast<CTraceDlg&>(dialog);
        if (form.Field(QStringLiteral("CustomerName"))->text() != QStringLiteral("甲公司"))
            return int(QDialog::Rejected);
        form.Field(QStringLiteral("Title"))->setText(QStringLiteral("回访"));
        return form.OnOK() ? int(QDialog::Accepted) : int(QDialog::Rejected);
    });
    view.OnCommand(Command::Add);
    QCOMPARE(Column(grid, 2), QString(QStringLiteral("回访 r2 r1")).split(u' '));
    QCOMPARE(grid.GetItemText(1, 1), QStringLiteral("王经理"));

    SelectRow(grid, 3);
    prompt.QueueModal([](QDialog& dialog) {
        auto& form = static_cast<CTraceDlg&>(dialog);
        form.Field(QStringLiteral("Title"))->setText(QStringLiteral("r1 改"));
        return form.OnOK() ? int(QDialog::Accepted) : int(QDialog::Rejected);
    });
    view.OnCommand(Command::Edit);
    QCOMPARE(Column(grid, 2), QString(QStringLiteral("回访,r2,r1 改")).split(u','));

    SelectRow(grid, 2);
    prompt.QueueAnswer(Prompt::Answer::Ok);
    view.OnCommand(Command::Delete);
    QCOMPARE(Column(grid, 2), QString(QStringLiteral("回访,r1 改")).split(u','));
    QString left;
    db.JoinColumnValues(QStringLiteral("select Title from TraceData where CustomerId=1 order by "
                                       "KeyId"),
                        left);
    QCOMPARE(left, QStringLiteral("r1 改;回访"));
}

// The pane under a customer grid follows the selection, and a run of arrow
// keys reads the shown tab once; the dialog shows one customer's tabs.
void tst_CustomerTabs::paneFollowsArrowKeysAndDialogShowsCustomer() {
    TORVEL_ENGINE_DATABASE(database, QStringLiteral("sqlite"), true);
    DbConnection db;
    QCOMPARE(db.Open(database.ConnectionString()), 1);
    QString script = Data(2);
    for (int key = 3; key <= 12; ++key)
        script += QStringLiteral("insert into CustomerData (KeyId,CustomerName,LastTime,"
                                 "IsProvider) values (%1,'c%1','2023-01-%2 00:00:00',0);")
                      .arg(key)
                      .arg(40 - key - 10, 2, 10, QLatin1Char('0'));
    QVERIFY(database.RunScript(script));
    ScriptedPrompt prompt;

    CustomerViewArgs args{QStringLiteral("admin"), QStringLiteral("IsProvider<1"), true, {}, {}};
    args.detailPane = [](DbConnection& connection, Prompt& shown, const CustomerViewArgs&,
                         QWidget* parent) {
        return new CCustomerTabView(connection, shown, Rights(true), parent);
    };
    CCustomerSearchView view(db, prompt, args);
    auto* tabs = qobject_cast<CCustomerTabView*>(view.DetailPane());
    QVERIFY(tabs);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    tabs->Tabs()->setCurrentIndex(CCustomerTabView::Orders);
    const int readsBefore = tabs->Reads();

    CGridCtrl& grid = *view.Grid();
    grid.SetFocusCell(1, 1);
    grid.setFocus();
    for (int i = 0; i < 8; ++i)
        QTest::keyClick(&grid, Qt::Key_Down);
    QCOMPARE(view.ShownCustomer(), grid.GetItemText(9, 0).toInt());
    QTRY_COMPARE(tabs->Customer(), view.ShownCustomer());
    QCOMPARE(tabs->Reads(), readsBefore + 1);

    // The customer window of a list row.
    bool shown = false;
    prompt.QueueModal([&shown](QDialog& dialog) {
        auto& form = static_cast<CCustomerDetailDlg&>(dialog);
        shown = form.TabView()->Customer() == 2 && form.TabView()->Tabs()->currentIndex() == 0 &&
                form.width() >= 700;
        return int(QDialog::Accepted);
    });
    ShowCustomerDetail(prompt, db, Rights(true), 2, nullptr);
    QCOMPARE(prompt.shown.last().text, QStringLiteral("客户资料"));
    QVERIFY(shown);
}

QTEST_MAIN(tst_CustomerTabs)
#include "tst_customertabs.moc"
