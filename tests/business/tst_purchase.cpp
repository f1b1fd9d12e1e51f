#include "ScriptedPrompt.h"
#include "TempProgramFolder.h"
#include "TestDatabases.h"

#include "base/IniFile.h"
#include "business/CustomerPurchaseView.h"
#include "business/PurchaseDlg.h"
#include "business/PurchaseListView.h"
#include "business/PurchaseSearchDlg.h"
#include "db/DbConnection.h"
#include "db/QueryBinder.h"
#include "framework/CommandIds.h"
#include "framework/CustomerDetail.h"
#include "framework/ListToolbar.h"
#include "ui/GridCtrl.h"

#include <QComboBox>
#include <QDate>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

class tst_Purchase : public QObject {
    Q_OBJECT

private slots:
    void formChecksNumbersAndSupplier_data() { TestDatabase::AddEngineRows(); }
    void formChecksNumbersAndSupplier();
    void listSearchAndTotalTakeTypedTextLiterally_data() { TestDatabase::AddEngineRows(); }
    void listSearchAndTotalTakeTypedTextLiterally();
    void listEditAndSupplierRecord_data() { TestDatabase::AddEngineRows(); }
    void listEditAndSupplierRecord();
    void supplierTabListsAddsAndDeletes_data() { TestDatabase::AddEngineRows(); }
    void supplierTabListsAddsAndDeletes();
};

namespace {

const QString kBag = QStringLiteral(".");

// Suppliers 7 and 8 with purchases 1..4 (keys given by the database): 1 and 2 in March 2008, 3 and
// 4 in April; FDTotal is ten times the key. Names hold a quote, a % and an _.
QString Purchases() {
    return QStringLiteral(
        "insert into CustomerData (KeyId,CustomerName,IsProvider,Category) "
        "values (7,'O''Brien 纸业',1,'供应商');"
        "insert into CustomerData (KeyId,CustomerName,IsProvider) values (8,'华为',1);"
        "insert into PurchaseData (CustomerId,CustomerName,StockName,FDTotal,FDTime) values "
        "(7,'O''Brien 纸业','A4纸',10,'2008-03-01 09:00:00'),"
        "(8,'华为','100%棉',20,'2008-03-31 23:59:59'),"
        "(7,'O''Brien 纸业','a_b',30,'2008-04-01 00:00:00'),"
        "(8,'华为','axb',40,'2008-04-02 10:00:00')");
}

QStringList Column(const CGridCtrl& grid, int column) {
    QStringList texts;
    for (int row = grid.GetFixedRowCount(); row < grid.GetRowCount(); ++row)
        texts << grid.GetItemText(row, column);
    return texts;
}

QStringList Keys(const QString& spaced) {
    return spaced.isEmpty() ? QStringList() : spaced.split(u' ');
}

QString Stored(DbConnection& db, const QString& sql) {
    QString text;
    db.JoinColumnValues(sql, text);
    return text;
}

// Columns of one purchase as the database layer reads them, joined by '/'.
QString Purchase(DbConnection& db, const QString& key, const QStringList& columns) {
    QStringList values;
    for (const QString& column : columns)
        values << Stored(db, QStringLiteral("select ") + column +
                                 QStringLiteral(" from PurchaseData where KeyId=") + key);
    return values.join(u'/');
}

void Fill(CPurchaseDlg& form, const QString& price, const QString& quantity,
          const QString& freight) {
    form.Field(QStringLiteral("Price"))->setText(price);
    form.Field(QStringLiteral("Quantity"))->setText(quantity);
    form.Field(QStringLiteral("Carriage"))->setText(freight);
}

} // namespace

void tst_Purchase::formChecksNumbersAndSupplier() {
    TORVEL_TEST_CONNECTION(database);
    QVERIFY(database.RunScript(Purchases()));
    ScriptedPrompt prompt;

    IniFile bag;
    CPurchaseDlg form(prompt, db, 7, bag);
    QCOMPARE(form.windowTitle(), QStringLiteral("采购资料"));
    QCOMPARE(form.Field(QStringLiteral("CustomerName"))->text(), QStringLiteral("O'Brien 纸业"));
    QCOMPARE(form.Field(QStringLiteral("Carriage"))->text(), QStringLiteral("0"));
    Fill(form, QStringLiteral("8"), QStringLiteral("5"), QStringLiteral("2"));
    QVERIFY(form.OnAmount());
    QCOMPARE(form.Field(QStringLiteral("FDTotal"))->text(), QStringLiteral("42.00"));

    // A box that holds no number keeps the form open with everything typed.
    form.StockBox()->setEditText(QStringLiteral("硒鼓'黑"));
    form.CommentEdit()->setPlainText(QStringLiteral("急'用"));
    const QStringList bad = {QStringLiteral("八"), QStringLiteral("5.5"), QStringLiteral("2,5")};
    const QStringList said = {QStringLiteral("价格不是有效的数字: 八"),
                              QStringLiteral("数量必须是整数: 5.5"),
                              QStringLiteral("运费请用小数点(.)分隔小数，不能用逗号: 2,5")};
    for (int i = 0; i < bad.size(); ++i) {
        Fill(form, i == 0 ? bad[0] : QStringLiteral("8"), i == 1 ? bad[1] : QStringLiteral("5"),
             i == 2 ? bad[2] : QStringLiteral("2"));
        QVERIFY(!form.OnAmount());
        QCOMPARE(prompt.LastMessage(), said[i]);
        QVERIFY(!form.OnOK());
        QCOMPARE(prompt.LastMessage(), said[i]);
        QCOMPARE(form.StockBox()->currentText(), QStringLiteral("硒鼓'黑"));
        QCOMPARE(form.CommentEdit()->toPlainText(), QStringLiteral("急'用"));
    }
    QCOMPARE(Stored(db, QStringLiteral("select count(*) from PurchaseData")), QStringLiteral("4"));

    // A cleared freight box is stored as 0; the key comes back from the insert.
    Fill(form, QStringLiteral("8"), QStringLiteral("5"), QString());
    QVERIFY(form.OnOK());
    const QString key = bag.GetString(kBag, QStringLiteral("KeyId"));
    QCOMPARE(
        Stored(db, QStringLiteral("select KeyId from PurchaseData where StockName='硒鼓''黑'")),
        key);
    QCOMPARE(Purchase(db, key,
                      {QStringLiteral("CustomerId"), QStringLiteral("Carriage"),
                       QStringLiteral("FDTotal"), QStringLiteral("Quantity"),
                       QStringLiteral("Comment")}),
             QStringLiteral("7/0/42/5/急'用"));
    QCOMPARE(bag.GetString(kBag, QStringLiteral("Carriage")), QStringLiteral("0"));
    QCOMPARE(bag.GetString(kBag, QStringLiteral("FDTotal")), QStringLiteral("42"));

    // Editing keeps the supplier and changes the rest.
    IniFile edit;
    edit.SetString(kBag, QStringLiteral("KeyId"), key);
    CPurchaseDlg again(prompt, db, 0, edit);
    QVERIFY(again.IsEditMode());
    QCOMPARE(again.StockBox()->currentText(), QStringLiteral("硒鼓'黑"));
    again.Field(QStringLiteral("FDTotal"))->setText(QStringLiteral("41.5"));
    QVERIFY(again.OnOK());
    QCOMPARE(Purchase(db, key, {QStringLiteral("CustomerId"), QStringLiteral("FDTotal")}),
             QStringLiteral("7/41.5"));

    // A supplier deleted while the form was open: a clear answer, no row.
    IniFile late;
    CPurchaseDlg orphan(prompt, db, 8, late);
    Fill(orphan, QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("0"));
    QCOMPARE(db.Execute(QStringLiteral("delete from CustomerData where KeyId=8")), 1);
    QVERIFY(!orphan.OnOK());
    QCOMPARE(prompt.LastMessage(), CPurchaseDlg::SupplierGone());
    QCOMPARE(Stored(db, QStringLiteral("select count(*) from PurchaseData")), QStringLiteral("5"));
    QVERIFY(!late.Find(kBag, QStringLiteral("KeyId")));
}

void tst_Purchase::listSearchAndTotalTakeTypedTextLiterally() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    QVERIFY(database.RunScript(Purchases()));
    ScriptedPrompt prompt;
    CPurchaseListView view(db, prompt);
    QCOMPARE(view.Binder().GetCaption(4), QStringLiteral("规格型号"));
    QCOMPARE(view.Toolbar()->Buttons().size(), 6);
    QCOMPARE(Column(*view.Grid(), 0), Keys(QStringLiteral("4 3 2 1")));
    view.OnCommand(Command::Statistics);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("累计总额 100.00"));

    // The dialog opens at this month; 确定 remembers the three boxes, and
    // the search starts from the first page.
    view.Binder().SetPageSize(1);
    view.OnCommand(Command::NextPage);
    prompt.QueueModal([](QDialog& dialog) {
        auto& form = static_cast<CPurchaseSearchDlg&>(dialog);
        if (form.Field(QStringLiteral("Term"))->text() !=
            QDate::currentDate().toString(QStringLiteral("yyyy-MM")))
            return int(QDialog::Rejected);
        form.Field(QStringLiteral("Term"))->setText(QStringLiteral("2008-03"));
        form.Field(QStringLiteral("Customer"))->setText(QStringLiteral("O'Brien"));
        form.OnOK();
        return form.result();
    });
    QVERIFY(view.OnCommand(Command::Find));
    QCOMPARE(view.Binder().GetPageIndex(), 0);
    QCOMPARE(Column(*view.Grid(), 0), Keys(QStringLiteral("1")));
    view.OnCommand(Command::Statistics);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("累计总额 10.00"));
    CPurchaseSearchDlg remembered;
    QCOMPARE(remembered.Values(),
             QStringList({QStringLiteral("2008-03"), QStringLiteral("O'Brien"), QString()}));
    IniFile file;
    QVERIFY(file.Load(CPurchaseSearchDlg::CriteriaFilePath()));
    QCOMPARE(file.GetString(kBag, QStringLiteral("Customer")), QStringLiteral("O'Brien"));
    view.Binder().SetPageSize(200);

    // Quotes never change the statement, in any box; the total follows.
    for (int box = 0; box < 3; ++box) {
        PurchaseCriteria criteria;
        *criteria.Fields()[box] = QStringLiteral("%') or ('1'='1");
        view.Search(criteria);
        QVERIFY2(view.Binder().GetLastError().isEmpty(), qPrintable(prompt.LastMessage()));
        QCOMPARE(Column(*view.Grid(), 0), QStringList());
        view.OnCommand(Command::Statistics);
        QCOMPARE(prompt.LastMessage(), QStringLiteral("累计总额 0.00"));
    }
    // % and _ stay wildcards; a month matches the beginning of the time.
    PurchaseCriteria criteria;
    criteria.stock = QStringLiteral("a_b");
    view.Search(criteria);
    QCOMPARE(Column(*view.Grid(), 0), Keys(QStringLiteral("4 3")));
    criteria.stock = QStringLiteral("0%棉");
    view.Search(criteria);
    QCOMPARE(Column(*view.Grid(), 0), Keys(QStringLiteral("2")));
    criteria = PurchaseCriteria();
    criteria.term = QStringLiteral("2008-04");
    criteria.customer = QStringLiteral("华为");
    view.Search(criteria);
    QCOMPARE(Column(*view.Grid(), 0), Keys(QStringLiteral("4")));
    view.OnCommand(Command::Statistics);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("累计总额 40.00"));
}

void tst_Purchase::listEditAndSupplierRecord() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    QVERIFY(database.RunScript(Purchases()));
    ScriptedPrompt prompt;
    CPurchaseListView view(db, prompt);
    view.OnCommand(Command::Edit);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("请选择要编辑的订单!"));
    view.OnCommand(Command::CustomerInfo);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("请选择要查看的客户!"));
    QVERIFY(!view.OnCommand(Command::Add));
    QVERIFY(!view.OnCommand(Command::Delete));

    CGridCtrl* grid = view.Grid();
    grid->SetSelectedRange(2, 1, 2, grid->GetColumnCount() - 1); // purchase 3
    prompt.QueueModal([](QDialog& dialog) {
        auto& form = static_cast<CPurchaseDlg&>(dialog);
        Fill(form, QStringLiteral("2.5"), QStringLiteral("4"), QStringLiteral("1"));
        form.OnAmount();
        return form.OnOK() ? int(QDialog::Accepted) : int(QDialog::Rejected);
    });
    view.OnCommand(Command::Edit);
    QCOMPARE(view.Binder().GetCellText(2, QStringLiteral("FDTotal")), QStringLiteral("11"));
    QCOMPARE(view.Binder().GetCellText(2, QStringLiteral("CustomerId")), QStringLiteral("7"));
    QCOMPARE(view.Binder().GetCellText(1, QStringLiteral("FDTotal")), QStringLiteral("40"));

    int shown = 0;
    SetCustomerDetailOpener([&](int key, QWidget*) { shown = key; });
    view.OnCommand(Command::CustomerInfo);
    SetCustomerDetailOpener(nullptr);
    QCOMPARE(shown, 7);
    QCOMPARE(db.Execute(QStringLiteral("delete from PurchaseData where KeyId=3")), 1);
    view.OnCommand(Command::CustomerInfo);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("资料不存在"));
}

void tst_Purchase::supplierTabListsAddsAndDeletes() {
    TORVEL_TEST_CONNECTION(database);
    QVERIFY(database.RunScript(Purchases()));
    ScriptedPrompt prompt;
    CCustomerPurchaseView tab(db, prompt);
    QCOMPARE(Column(*tab.Grid(), 0), QStringList());
    QCOMPARE(tab.Binder().GetCaption(1), QStringLiteral("产品名称"));

    // Key 0 lists nothing and 添加 opens no form.
    tab.SetCustomer(0);
    QCOMPARE(Column(*tab.Grid(), 0), QStringList());
    QVERIFY(tab.OnCommand(Command::Add));
    QVERIFY(prompt.shown.isEmpty());

    tab.SetCustomer(7);
    QCOMPARE(Column(*tab.Grid(), 0), Keys(QStringLiteral("3 1")));
    tab.OnCommand(Command::Edit);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("请选择要编辑的订单!"));

    prompt.QueueModal([](QDialog& dialog) {
        auto& form = static_cast<CPurchaseDlg&>(dialog);
        form.StockBox()->setEditText(QStringLiteral("墨盒"));
        Fill(form, QStringLiteral("8"), QStringLiteral("5"), QStringLiteral("2"));
        form.AmountButton()->click();
        return form.OnOK() ? int(QDialog::Accepted) : int(QDialog::Rejected);
    });
    tab.OnCommand(Command::Add);
    const QString key = Stored(db, QStringLiteral("select KeyId from PurchaseData where "
                                                  "StockName='墨盒' and CustomerId=7"));
    QVERIFY(!key.isEmpty());
    QCOMPARE(Column(*tab.Grid(), 0), QStringList({key, QStringLiteral("3"), QStringLiteral("1")}));
    QCOMPARE(tab.Binder().GetCellText(1, QStringLiteral("FDTotal")), QStringLiteral("42"));

    CGridCtrl* grid = tab.Grid();
    grid->SetSelectedRange(2, 1, 3, grid->GetColumnCount() - 1);
    prompt.QueueAnswer(Prompt::Answer::Ok);
    tab.OnCommand(Command::Delete);
    QCOMPARE(Column(*tab.Grid(), 0), QStringList({key}));
    QCOMPARE(Stored(db, QStringLiteral("select KeyId from PurchaseData order by KeyId")),
             QStringLiteral("2;4;") + key);
}

QTEST_MAIN(tst_Purchase)
#include "tst_purchase.moc"
