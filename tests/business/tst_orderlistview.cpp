#include "RefusingTrigger.h"
#include "ScriptedPrompt.h"
#include "TempProgramFolder.h"
#include "TestDatabases.h"

#include "base/IniFile.h"
#include "business/OrderDlg.h"
#include "business/OrderListView.h"
#include "business/OrderSearchDlg.h"
#include "db/DbConnection.h"
#include "db/QueryBinder.h"
#include "framework/CommandIds.h"
#include "framework/CustomerDetail.h"
#include "ui/GridCtrl.h"

#include <QDate>
#include <QLineEdit>
#include <QtTest>

class tst_OrderListView : public QObject {
    Q_OBJECT

private slots:
    void ordinaryUserSeesAndTotalsOwnOrdersOnly_data() { TestDatabase::AddEngineRows(); }
    void ordinaryUserSeesAndTotalsOwnOrdersOnly();
    void searchStartsAtFirstPageAndRemembersCriteria_data() { TestDatabase::AddEngineRows(); }
    void searchStartsAtFirstPageAndRemembersCriteria();
    void deleteBottomUpStopsWhenAsked_data() { TestDatabase::AddEngineRows(); }
    void deleteBottomUpStopsWhenAsked();
    void editPatchesRowAndCommandsNeedSelection_data() { TestDatabase::AddEngineRows(); }
    void editPatchesRowAndCommandsNeedSelection();
};

namespace {

const QString kBag = QStringLiteral(".");

// Orders 1..n: odd keys belong to zhang, even keys to li; the first half in
// March 2008, the rest in April; FDTotal equals the key.
QString Orders(int count) {
    QString script;
    for (int i = 1; i <= count; ++i) {
        script += QStringLiteral("insert into OrderData (KeyId,CustomerId,CustomerName,ProductName,"
                                 "SerialCode,Handler,FDTotal,Bank,FDTime) values (%1,40,'客户%1',"
                                 "'%2','SN%1','%3',%1,'现金','%4');")
                      .arg(i)
                      .arg(i % 3 == 0 ? QStringLiteral("专业版") : QStringLiteral("标准版"))
                      .arg(i % 2 ? QStringLiteral("zhang") : QStringLiteral("li"))
                      .arg(i <= count / 2 ? QStringLiteral("2008-03-05 10:00:00")
                                          : QStringLiteral("2008-04-05 10:00:00"));
    }
    return script + QStringLiteral("insert into CustomerData (KeyId,CustomerName,Handler) "
                                   "values (40,'客户','zhang')");
}

QStringList Column(const COrderListView& view, int column) {
    QStringList texts;
    CGridCtrl* grid = view.Grid();
    for (int row = grid->GetFixedRowCount(); row < grid->GetRowCount(); ++row)
        texts << grid->GetItemText(row, column);
    return texts;
}

void SelectRows(COrderListView& view, int first, int last) {
    CGridCtrl* grid = view.Grid();
    grid->SetSelectedRange(first, 1, last, grid->GetColumnCount() - 1);
}

} // namespace

void tst_OrderListView::ordinaryUserSeesAndTotalsOwnOrdersOnly() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    QVERIFY(database.RunScript(Orders(10)));
    ScriptedPrompt prompt;

    COrderListView admin(db, prompt, {QStringLiteral("admin"), true});
    QCOMPARE(Column(admin, 0), QString(QStringLiteral("10 9 8 7 6 5 4 3 2 1")).split(u' '));
    admin.OnCommand(Command::Statistics);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("合计总额: 55.00"));

    COrderListView zhang(db, prompt, {QStringLiteral("zhang"), false});
    QCOMPARE(Column(zhang, 0), QString(QStringLiteral("9 7 5 3 1")).split(u' '));
    zhang.OnCommand(Command::Statistics);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("合计总额: 25.00"));

    // Nothing typed into any box widens the restriction.
    OrderCriteria criteria;
    for (QString* box : {&criteria.handler, &criteria.customer, &criteria.product,
                         &criteria.serialCode, &criteria.bank, &criteria.term}) {
        criteria = OrderCriteria();
        *box = QStringLiteral("%') or ('1'='1");
        zhang.Search(criteria);
        QCOMPARE(Column(zhang, 0), QStringList());
        zhang.OnCommand(Command::Statistics);
        QCOMPARE(prompt.LastMessage(), QStringLiteral("合计总额: 0.00"));
    }
    // Searching for another user's name finds none of their orders either.
    criteria = OrderCriteria();
    criteria.handler = QStringLiteral("li");
    zhang.Search(criteria);
    QCOMPARE(Column(zhang, 0), QStringList());

    // 自定义 is the administrator's.
    zhang.OnCommand(COrderListView::kCustomColumns);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("权限不足"));
}

void tst_OrderListView::searchStartsAtFirstPageAndRemembersCriteria() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    QVERIFY(database.RunScript(Orders(10)));
    ScriptedPrompt prompt;
    COrderListView view(db, prompt, {QStringLiteral("admin"), true});
    view.Binder().SetPageSize(3);
    view.OnCommand(Command::NextPage);
    QCOMPARE(Column(view, 0), QString(QStringLiteral("7 6 5")).split(u' '));

    // The dialog starts at this month; 确定 remembers all six boxes.
    prompt.QueueModal([](QDialog& dialog) {
        auto& form = static_cast<COrderSearchDlg&>(dialog);
        const QString thisMonth = QDate::currentDate().toString(QStringLiteral("yyyy-MM"));
        if (form.Field(QStringLiteral("Term"))->text() != thisMonth)
            return int(QDialog::Rejected);
        form.Field(QStringLiteral("Term"))->setText(QStringLiteral("2008-03"));
        form.Field(QStringLiteral("Product"))->setText(QStringLiteral("标准"));
        form.OnOK();
        return form.result();
    });
    QVERIFY(view.OnCommand(Command::Find));
    QCOMPARE(view.Binder().GetPageIndex(), 0);
    QCOMPARE(Column(view, 0), QString(QStringLiteral("5 4 2")).split(u' '));
    view.OnCommand(Command::NextPage);
    QCOMPARE(Column(view, 0), QString(QStringLiteral("1")).split(u' '));

    IniFile file;
    QVERIFY(file.Load(COrderSearchDlg::CriteriaFilePath()));
    QCOMPARE(file.GetString(kBag, QStringLiteral("Term")), QStringLiteral("2008-03"));
    QCOMPARE(file.GetString(kBag, QStringLiteral("Product")), QStringLiteral("标准"));
    COrderSearchDlg again;
    QCOMPARE(again.Criteria().product, QStringLiteral("标准"));

    // A month that is no month still matches as the beginning of the time.
    OrderCriteria criteria;
    criteria.term = QStringLiteral("2008-04-0");
    criteria.bank = QStringLiteral("现金");
    view.Search(criteria);
    QCOMPARE(Column(view, 0), QString(QStringLiteral("10 9 8")).split(u' '));
}

void tst_OrderListView::deleteBottomUpStopsWhenAsked() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    QVERIFY(database.RunScript(Orders(5)));
    ScriptedPrompt prompt;
    COrderListView view(db, prompt, {QStringLiteral("admin"), true});
    view.OnCommand(Command::Delete);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("请选择要删除的信息"));

    // Rows 5, 4, 3 selected; the middle one is refused and the user stops.
    QVERIFY(AddRefusingTrigger(db, QStringLiteral("OrderData"), QStringLiteral("delete"),
                               QStringLiteral("old.KeyId=4")));
    SelectRows(view, 1, 3);
    prompt.QueueAnswer(Prompt::Answer::Ok);
    prompt.QueueAnswer(Prompt::Answer::No);
    view.OnCommand(Command::Delete);
    QCOMPARE(prompt.Messages().mid(1, 1), QStringList({QStringLiteral("确定要删除选择的信息吗?")}));
    QVERIFY2(prompt.LastMessage().endsWith(QStringLiteral("\r\n\r\n是否继续?")),
             qPrintable(prompt.LastMessage()));
    QVERIFY(prompt.LastMessage().contains(QStringLiteral("refused")));
    QCOMPARE(Column(view, 0), QString(QStringLiteral("5 4 2 1")).split(u' '));
    QString keys;
    db.JoinColumnValues(QStringLiteral("select KeyId from OrderData order by KeyId"), keys);
    QCOMPARE(keys, QStringLiteral("1;2;4;5"));

    // Going on past the refused row deletes the rest in the same action.
    SelectRows(view, 1, 3);
    prompt.QueueAnswer(Prompt::Answer::Ok);
    prompt.QueueAnswer(Prompt::Answer::Yes);
    view.OnCommand(Command::Delete);
    QCOMPARE(Column(view, 0), QString(QStringLiteral("4 1")).split(u' '));
    db.JoinColumnValues(QStringLiteral("select KeyId from OrderData order by KeyId"), keys);
    QCOMPARE(keys, QStringLiteral("1;4"));
}

void tst_OrderListView::editPatchesRowAndCommandsNeedSelection() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    QVERIFY(database.RunScript(Orders(3)));
    ScriptedPrompt prompt;
    COrderListView view(db, prompt, {QStringLiteral("zhang"), false});
    view.OnCommand(Command::Edit);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("请选择要编辑的信息!"));
    view.OnCommand(Command::CustomerInfo);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("请选择要查看的客户!"));

    SelectRows(view, 2, 2); // order 1
    prompt.QueueModal([](QDialog& dialog) {
        auto& form = static_cast<COrderDlg&>(dialog);
        form.Field(QStringLiteral("SerialCode"))->setText(QStringLiteral("新'号"));
        form.Field(QStringLiteral("Price"))->setText(QStringLiteral("2.5"));
        form.Field(QStringLiteral("Quantity"))->setText(QStringLiteral("4"));
        form.OnTotal();
        return form.OnOK() ? int(QDialog::Accepted) : int(QDialog::Rejected);
    });
    view.OnCommand(Command::Edit);
    QCOMPARE(view.Binder().GetCellText(2, QStringLiteral("SerialCode")), QStringLiteral("新'号"));
    QCOMPARE(view.Binder().GetCellText(2, QStringLiteral("FDTotal")), QStringLiteral("10"));
    QCOMPARE(view.Binder().GetCellText(2, QStringLiteral("Quantity")), QStringLiteral("4"));
    QCOMPARE(view.Binder().GetCellText(1, QStringLiteral("SerialCode")), QStringLiteral("SN3"));

    // The order's customer opens in the frame's customer window; an order
    // without one says so.
    int shownCustomer = 0;
    SetCustomerDetailOpener([&](int key, QWidget*) { shownCustomer = key; });
    view.OnCommand(Command::CustomerInfo);
    SetCustomerDetailOpener(nullptr);
    QVERIFY(shownCustomer > 0);
    QCOMPARE(db.Execute(QStringLiteral("update OrderData set CustomerId=0")), 1);
    view.OnCommand(Command::CustomerInfo);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("资料不存在"));
}

QTEST_MAIN(tst_OrderListView)
#include "tst_orderlistview.moc"
