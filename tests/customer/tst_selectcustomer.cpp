#include "ScriptedPrompt.h"
#include "TempProgramFolder.h"
#include "TestDatabases.h"

#include "customer/SelectCustomerDlg.h"
#include "db/DbConnection.h"
#include "db/QueryBinder.h"
#include "ui/GridCtrl.h"

#include <QLineEdit>
#include <QtTest>

class tst_SelectCustomer : public QObject {
    Q_OBJECT

private slots:
    void listsSuppliersNewestFirstAndSearchesLiterally_data() { TestDatabase::AddEngineRows(); }
    void listsSuppliersNewestFirstAndSearchesLiterally();
    void choosingNeedsARowAndPagesMove_data() { TestDatabase::AddEngineRows(); }
    void choosingNeedsARowAndPagesMove();
};

namespace {

// Suppliers 1..4 (3 only by its category), a customer 5 and a reseller 6;
// LastTime falls with the key except for 4, the most recently active.
const QString kRows = QStringLiteral(
    "insert into CustomerData (KeyId,CustomerName,Contact,IsProvider,IsReseller,Category,"
    "LastTime) values "
    "(1,'上海纸业','张三',1,0,'直接客户','2008-03-05 10:00:00'),"
    "(2,'O''Neil 贸易','李四',1,0,'供应商','2008-03-04 10:00:00'),"
    "(3,'100% 电子','王_五',0,0,'供应商','2008-03-03 10:00:00'),"
    "(4,'北京文具','赵六',1,0,'供应商','2009-01-01 10:00:00'),"
    "(5,'上海客户','张三',0,0,'直接客户','2010-01-01 10:00:00'),"
    "(6,'上海代理','钱七',0,1,'代理商','2009-06-01 10:00:00')");

QStringList Keys(const CSelectCustomerDlg& picker) {
    QStringList keys;
    CGridCtrl* grid = picker.Grid();
    for (int row = grid->GetFixedRowCount(); row < grid->GetRowCount(); ++row)
        keys << grid->GetItemText(row, 0);
    return keys;
}

QStringList Split(const QString& spaced) {
    return spaced.isEmpty() ? QStringList() : spaced.split(u' ');
}

} // namespace

void tst_SelectCustomer::listsSuppliersNewestFirstAndSearchesLiterally() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    QVERIFY(database.RunScript(kRows));
    ScriptedPrompt prompt;

    CSelectCustomerDlg picker(prompt, db, QStringLiteral("供应商"));
    QCOMPARE(picker.windowTitle(), QStringLiteral("选择客户"));
    QCOMPARE(Keys(picker), Split(QStringLiteral("4 1 2 3")));
    QCOMPARE(picker.Binder().GetCaption(4), QStringLiteral("城市"));

    // The name or the contact; quotes are text, % and _ stay wildcards.
    const QList<QPair<QString, QString>> searches = {
        {QStringLiteral("张三"), QStringLiteral("1")},
        {QStringLiteral("O'Neil"), QStringLiteral("2")},
        {QStringLiteral("0% 电"), QStringLiteral("3")},
        {QStringLiteral("王_五"), QStringLiteral("3")},
        {QStringLiteral("%"), QStringLiteral("4 1 2 3")},
        {QStringLiteral("') or ('1'='1"), QString()},
        {QStringLiteral("没有这个"), QString()}};
    for (const auto& [text, keys] : searches) {
        picker.SearchBox()->setText(text);
        picker.OnSearch();
        QCOMPARE(Keys(picker), Split(keys));
    }
    // An empty result is just an empty list.
    QVERIFY(prompt.shown.isEmpty());

    CSelectCustomerDlg everyone(prompt, db, QString());
    QCOMPARE(Keys(everyone), Split(QStringLiteral("5 6 4 1 2 3")));
    CSelectCustomerDlg resellers(prompt, db, QStringLiteral("代理商"));
    QCOMPARE(Keys(resellers), Split(QStringLiteral("6")));
    CSelectCustomerDlg quoted(prompt, db, QStringLiteral("x' or '1'='1"));
    QCOMPARE(Keys(quoted), QStringList());
}

void tst_SelectCustomer::choosingNeedsARowAndPagesMove() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    QVERIFY(database.RunScript(kRows));
    ScriptedPrompt prompt;

    int key = -1;
    QString name;
    prompt.QueueModal([](QDialog& dialog) {
        auto& picker = static_cast<CSelectCustomerDlg&>(dialog);
        // 确定 without a row keeps the picker open.
        if (picker.OnOK() || picker.result() == QDialog::Accepted)
            return int(QDialog::Accepted);
        picker.Binder().SetPageSize(2);
        picker.SearchBox()->setText(QStringLiteral("上海"));
        picker.OnSearch();
        if (picker.Binder().GetLoadedRowCount() != 2)
            return int(QDialog::Rejected);
        picker.OnNextPage();
        CGridCtrl* grid = picker.Grid();
        grid->SetSelectedRange(1, 1, 1, grid->GetColumnCount() - 1);
        return picker.OnOK() ? picker.result() : int(QDialog::Rejected);
    });
    QVERIFY(PickCustomer(prompt, db, nullptr, QString(), key, name));
    QCOMPARE(prompt.Messages(), QStringList({QStringLiteral("请选择客户资料!")}));
    QCOMPARE(key, 1);
    QCOMPARE(name, QStringLiteral("上海纸业"));

    // Cancelled: nothing chosen.
    key = -1;
    QVERIFY(!PickCustomer(prompt, db, nullptr, QStringLiteral("供应商"), key, name));
    QCOMPARE(key, -1);
}

QTEST_MAIN(tst_SelectCustomer)
#include "tst_selectcustomer.moc"
