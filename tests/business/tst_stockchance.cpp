#include "ScriptedPrompt.h"
#include "TempProgramFolder.h"
#include "TestDatabases.h"

#include "base/IniFile.h"
#include "business/CustomerStockView.h"
#include "business/StockChanceDlg.h"
#include "business/StockChanceListView.h"
#include "business/StockChanceSearchDlg.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/QueryBinder.h"
#include "framework/ClassMaintenance.h"
#include "framework/ClassNameDlg.h"
#include "framework/ClassPickerDlg.h"
#include "framework/ClassTreeCtrl.h"
#include "framework/CommandIds.h"
#include "framework/CustomerDetail.h"
#include "ui/GridCtrl.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

class tst_StockChance : public QObject {
    Q_OBJECT

private slots:
    void formAddsAndEdits_data() { TestDatabase::AddEngineRows(); }
    void formAddsAndEdits();
    void treeClassesAndRows_data() { TestDatabase::AddEngineRows(); }
    void treeClassesAndRows();
    void searchAndRowCommands_data() { TestDatabase::AddEngineRows(); }
    void searchAndRowCommands();
    void supplierTab_data() { TestDatabase::AddEngineRows(); }
    void supplierTab();
};

namespace {

const QString kBag = QStringLiteral(".");

// A (1) > B (2) > D (4); C (3) at the top. Supplier 40. Opportunities: 10
// unfiled, 11 in A, 12 in B, 13 in C, 14 in D.
const char* kRows = R"(
insert into StockClass (KeyId,ParentId,Name,ClassPath) values (1,0,'A','/A');
insert into StockClass (KeyId,ParentId,Name,ClassPath) values (2,1,'B','/A/B');
insert into StockClass (KeyId,ParentId,Name,ClassPath) values (3,0,'C','/C');
insert into StockClass (KeyId,ParentId,Name,ClassPath) values (4,2,'D','/A/B/D');
insert into CustomerData (KeyId,CustomerName,IsProvider) values (40,'五金''厂',1);
insert into StockChance (KeyId,CustomerId,CustomerName,Name,StockClass,ClassPath) values (10,40,'五金''厂','none',0,'');
insert into StockChance (KeyId,CustomerId,CustomerName,Name,StockClass,ClassPath) values (11,40,'五金''厂','a',1,'/A/');
insert into StockChance (KeyId,CustomerId,CustomerName,Name,StockClass,ClassPath) values (12,41,'木材','b''%',2,'/A/B/');
insert into StockChance (KeyId,CustomerId,CustomerName,Name,StockClass,ClassPath) values (13,0,'','c',3,'/C/');
insert into StockChance (KeyId,CustomerId,CustomerName,Name,StockClass,ClassPath) values (14,40,'五金''厂','d_x',4,'/A/B/D/')
)";

QString Column(DbConnection& db, const QString& sql) {
    QString out;
    if (db.JoinColumnValues(sql, out) < 0)
        return QStringLiteral("failed: ") + db.GetLastError();
    return out;
}

// The stored columns of one opportunity, joined by ';' as the program reads them.
QString Stored(DbConnection& db, int key) {
    DbRecordset rs(db);
    if (!rs.Open(QStringLiteral("select * from StockChance where KeyId=") + QString::number(key)))
        return QStringLiteral("failed: ") + rs.GetLastError();
    if (rs.IsEOF())
        return QStringLiteral("none");
    QStringList values;
    for (const char* column :
         {"CustomerId", "CustomerName", "Name", "Price", "Comment", "StockClass", "ClassPath"})
        values << rs.GetString(QString::fromLatin1(column));
    return values.join(u';');
}

QString Keys(const CRecordListView& view) {
    QStringList keys;
    CGridCtrl* grid = view.Grid();
    for (int row = grid->GetFixedRowCount(); row < grid->GetRowCount(); ++row)
        keys << grid->GetItemText(row, 0);
    return keys.join(u' ');
}

void SelectRows(CRecordListView& view, int first, int last) {
    CGridCtrl* grid = view.Grid();
    grid->SetSelectedRange(first, 1, last, grid->GetColumnCount() - 1);
}

void QueueName(ScriptedPrompt& prompt, const QString& name) {
    prompt.QueueModal([name](QDialog& dialog) {
        auto& names = static_cast<CClassNameDlg&>(dialog);
        names.NameEdit()->setText(name);
        return names.OnOK() ? names.result() : int(QDialog::Rejected);
    });
}

void QueuePick(ScriptedPrompt& prompt, int key) {
    prompt.QueueModal([key](QDialog& dialog) {
        auto& pick = static_cast<CClassPickerDlg&>(dialog);
        pick.Tree()->setCurrentItem(pick.Tree()->FindNode(key));
        return pick.OnOK() ? int(QDialog::Accepted) : int(QDialog::Rejected);
    });
}

} // namespace

#define STOCK_FIXTURE()                                                                            \
    TORVEL_TEST_CONNECTION(database);                                                              \
    TempProgramFolder folder(false);                                                               \
    QVERIFY2(database.RunScript(QString::fromUtf8(kRows)), qPrintable(database.Why()));            \
    ScriptedPrompt prompt

void tst_StockChance::formAddsAndEdits() {
    STOCK_FIXTURE();
    // A new one for supplier 40, without a class. A bad price keeps the form
    // open with what was typed; an empty one is 0.
    IniFile bag;
    bag.SetInt(kBag, QStringLiteral("CustomerId"), 40);
    {
        CStockChanceDlg form(prompt, db, bag);
        QCOMPARE(form.Field(QStringLiteral("CustomerName"))->text(), QStringLiteral("五金'厂"));
        QCOMPARE(form.Field(QStringLiteral("Price"))->text(), QStringLiteral("0"));
        form.Field(QStringLiteral("Name"))->setText(QStringLiteral("螺丝'%_"));
        form.CommentEdit()->setPlainText(QStringLiteral("x'); delete from StockChance; --"));
        for (const QString& bad : {QStringLiteral("12,5"), QStringLiteral("1e3x")}) {
            form.Field(QStringLiteral("Price"))->setText(bad);
            QVERIFY(!form.OnOK());
        }
        QCOMPARE(prompt.LastMessage(), QStringLiteral("价格不是有效的数字: 1e3x"));
        QCOMPARE(form.Field(QStringLiteral("Name"))->text(), QStringLiteral("螺丝'%_"));
        QCOMPARE(Column(db, QStringLiteral("select count(*) from StockChance")),
                 QStringLiteral("5"));
        form.Field(QStringLiteral("Price"))->setText(QStringLiteral(" 3.5 "));
        QVERIFY(form.OnOK());
    }
    QCOMPARE(bag.GetInt(kBag, QStringLiteral("KeyId")), 15);
    QCOMPARE(bag.GetString(kBag, QStringLiteral("Price")), QStringLiteral("3.50000"));
    QVERIFY(!bag.Find(kBag, QStringLiteral("StockClass")));
    QCOMPARE(Stored(db, 15),
             QStringLiteral("40;五金'厂;螺丝'%_;3.5;x'); delete from StockChance; --;0;"));

    // Filed in a class through 选择...
    IniFile filed;
    {
        CStockChanceDlg form(prompt, db, filed);
        QueuePick(prompt, 2);
        QVERIFY(form.OnChooseClass());
        QCOMPARE(form.Field(QStringLiteral("ClassPath"))->text(), QStringLiteral("/A/B/"));
        form.Field(QStringLiteral("Price"))->clear();
        QVERIFY(form.OnOK());
    }
    QCOMPARE(filed.GetString(kBag, QStringLiteral("ClassPath")), QStringLiteral("/A/B/"));
    QCOMPARE(Stored(db, 16), QStringLiteral("0;;;0;;2;/A/B/"));

    // An edit changes name, price and details only; the class stays.
    IniFile edit;
    edit.SetInt(kBag, QStringLiteral("KeyId"), 16);
    {
        CStockChanceDlg form(prompt, db, edit);
        QVERIFY(form.IsEditMode());
        QVERIFY(!form.ChooseButton()->isEnabled());
        QVERIFY(!form.OnChooseClass());
        form.Field(QStringLiteral("Name"))->setText(QStringLiteral("新"));
        form.Field(QStringLiteral("Price"))->setText(QStringLiteral("-2"));
        QVERIFY(form.OnOK());
    }
    QCOMPARE(Stored(db, 16), QStringLiteral("0;;新;-2;;2;/A/B/"));

    // A supplier deleted while the form was open: nothing is stored.
    IniFile gone;
    gone.SetInt(kBag, QStringLiteral("CustomerId"), 40);
    CStockChanceDlg late(prompt, db, gone);
    QCOMPARE(db.Execute(QStringLiteral("delete from CustomerData where KeyId=40")), 1);
    QVERIFY(!late.OnOK());
    QCOMPARE(prompt.LastMessage(), QStringLiteral("供应商资料已经不存在"));
    QCOMPARE(Column(db, QStringLiteral("select count(*) from StockChance")), QStringLiteral("7"));

    // A row that is gone is said so and never written over.
    IniFile missing;
    missing.SetInt(kBag, QStringLiteral("KeyId"), 99);
    CStockChanceDlg none(prompt, db, missing);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("指定的数据不存在!"));
    QVERIFY(!none.OnOK());
}

void tst_StockChance::treeClassesAndRows() {
    STOCK_FIXTURE();
    CStockChanceListView view(db, prompt);
    ClassTreeCtrl* tree = view.Tree();
    QCOMPARE(tree->RootNode()->text(0), QStringLiteral("采购项目分类"));
    // A is picked at the start and lists its whole subtree; the root lists
    // every filed opportunity, never the unfiled one.
    QCOMPARE(Keys(view), QStringLiteral("14 12 11"));
    tree->setCurrentItem(tree->RootNode());
    QCOMPARE(Keys(view), QStringLiteral("14 13 12 11"));
    QCOMPARE(view.Binder().GetPageIndex(), 0);

    // B under A becomes C (a name used elsewhere, not beside it): the rows
    // filed in it get /A/C/, those below it their new paths too.
    tree->setCurrentItem(tree->FindNode(2));
    QueueName(prompt, QStringLiteral("C"));
    view.OnCommand(Command::RenameClass);
    const QString paths = QStringLiteral("select ClassPath from StockChance order by KeyId");
    QCOMPARE(Column(db, paths), QStringLiteral(";/A/;/A/C/;/C/;/A/C/D/"));
    QCOMPARE(Column(db, QStringLiteral("select Name from StockClass where KeyId=2")),
             QStringLiteral("C"));
    QCOMPARE(Keys(view), QStringLiteral("14 12"));

    // A name already beside the class is refused, whatever its case; the
    // dialog's name is not stored and the caption stays.
    tree->setCurrentItem(tree->FindNode(3));
    QueueName(prompt, QStringLiteral("a"));
    view.OnCommand(Command::RenameClass);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("同一级已有名为“a”的分类，请换一个名称"));
    QCOMPARE(tree->FindNode(3)->text(0), QStringLiteral("C"));
    tree->setCurrentItem(tree->FindNode(1));
    QueueName(prompt, QStringLiteral("c"));
    view.OnCommand(Command::AddClass);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("同一级已有名为“c”的分类，请换一个名称"));
    QCOMPARE(Column(db, QStringLiteral("select count(*) from StockClass")), QStringLiteral("4"));

    // A class with a subclass, or with opportunities, stays.
    tree->setCurrentItem(tree->FindNode(2));
    view.OnCommand(Command::DeleteClass);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("目录非空，请先删除子目录"));
    tree->setCurrentItem(tree->FindNode(4));
    view.OnCommand(Command::DeleteClass);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("目录非空，请先删除或移走其中的采购机会"));

    // Moving 14 (the only row of D) to C (3), bottom-up in one action; D
    // can then go.
    view.OnCommand(Command::ChangeClass);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("请选择要变更的站点"));
    SelectRows(view, 1, 1);
    QueuePick(prompt, 3);
    view.OnCommand(Command::ChangeClass);
    QCOMPARE(Stored(db, 14), QStringLiteral("40;五金'厂;d_x;0;;3;/C/"));
    QCOMPARE(Keys(view), QStringLiteral(""));
    prompt.QueueAnswer(Prompt::Answer::Ok);
    view.OnCommand(Command::DeleteClass);
    QCOMPARE(tree->FindNode(4), nullptr);
    QCOMPARE(Column(db, QStringLiteral("select KeyId from StockClass order by KeyId")),
             QStringLiteral("1;2;3"));

    // Deleting rows: one action, the page read again afterwards.
    tree->setCurrentItem(tree->FindNode(3));
    QCOMPARE(Keys(view), QStringLiteral("14 13"));
    SelectRows(view, 1, 2);
    prompt.QueueAnswer(Prompt::Answer::Ok);
    view.OnCommand(Command::Delete);
    QCOMPARE(Keys(view), QStringLiteral(""));
    QCOMPARE(Column(db, QStringLiteral("select KeyId from StockChance order by KeyId")),
             QStringLiteral("10;11;12"));
}

void tst_StockChance::searchAndRowCommands() {
    STOCK_FIXTURE();
    CStockChanceListView view(db, prompt);
    for (const int id : {Command::Edit, Command::CustomerInfo}) {
        view.OnCommand(id);
        QCOMPARE(prompt.LastMessage(), QStringLiteral("请选择要修改的信息!"));
    }

    // The search looks at every opportunity, whatever the class; typed text
    // is a literal, % and _ stay wildcards.
    StockChanceCriteria criteria;
    criteria.supplier = QStringLiteral("五金'");
    view.Search(criteria);
    QCOMPARE(Keys(view), QStringLiteral("14 11 10"));
    criteria.product = QStringLiteral("_");
    view.Search(criteria);
    QCOMPARE(Keys(view), QStringLiteral("14 11 10"));
    criteria = StockChanceCriteria();
    criteria.product = QStringLiteral("'%");
    view.Search(criteria);
    QCOMPARE(Keys(view), QStringLiteral("12"));
    criteria.product = QStringLiteral("%') or ('1'='1");
    view.Search(criteria);
    QCOMPARE(Keys(view), QStringLiteral(""));

    // 查找 remembers what was typed.
    prompt.QueueModal([](QDialog& dialog) {
        auto& form = static_cast<CStockChanceSearchDlg&>(dialog);
        form.Field(QStringLiteral("Product"))->setText(QStringLiteral("d"));
        form.OnOK();
        return form.result();
    });
    view.OnCommand(Command::Find);
    QCOMPARE(Keys(view), QStringLiteral("14"));
    QCOMPARE(CStockChanceSearchDlg().Criteria().product, QStringLiteral("d"));

    // The supplier of a row through the frame's window; a row without one
    // says so. 帐户通知 and 统计总额 do nothing here.
    int shown = 0;
    SetCustomerDetailOpener([&](int key, QWidget*) { shown = key; });
    SelectRows(view, 1, 1);
    view.OnCommand(Command::CustomerInfo);
    QCOMPARE(shown, 40);
    QCOMPARE(db.Execute(QStringLiteral("update StockChance set CustomerId=0 where KeyId=14")), 1);
    view.OnCommand(Command::CustomerInfo);
    SetCustomerDetailOpener(nullptr);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("供应商资料已经不存在"));
    const int messages = int(prompt.Messages().size());
    QVERIFY(view.OnCommand(Command::AccountNotice));
    QVERIFY(view.OnCommand(Command::Statistics));
    QCOMPARE(int(prompt.Messages().size()), messages);

    // 编辑 patches the row; 添加供应商 makes a supplier.
    prompt.QueueModal([](QDialog& dialog) {
        auto& form = static_cast<CStockChanceDlg&>(dialog);
        form.Field(QStringLiteral("Name"))->setText(QStringLiteral("e'"));
        return form.OnOK() ? int(QDialog::Accepted) : int(QDialog::Rejected);
    });
    view.OnCommand(Command::Edit);
    QCOMPARE(view.Binder().GetCellText(1, QStringLiteral("Name")), QStringLiteral("e'"));
    QCOMPARE(view.Binder().GetCellText(1, QStringLiteral("Price")), QStringLiteral("0.00000"));
}

void tst_StockChance::supplierTab() {
    STOCK_FIXTURE();
    CCustomerStockView tab(db, prompt);
    tab.SetCustomer(0);
    QCOMPARE(Keys(tab), QStringLiteral(""));
    tab.OnCommand(Command::Add); // inert: no form is opened
    QCOMPARE(int(prompt.shown.size()), 0);
    tab.SetCustomer(40);
    QCOMPARE(Keys(tab), QStringLiteral("14 11 10"));
    tab.OnCommand(Command::Edit);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("请选择要编辑的订单!"));

    // 添加 hands the supplier to the form; the new row comes first.
    prompt.QueueModal([](QDialog& dialog) {
        auto& form = static_cast<CStockChanceDlg&>(dialog);
        if (form.Field(QStringLiteral("CustomerName"))->text() != QStringLiteral("五金'厂"))
            return int(QDialog::Rejected);
        form.Field(QStringLiteral("Name"))->setText(QStringLiteral("新品"));
        return form.OnOK() ? int(QDialog::Accepted) : int(QDialog::Rejected);
    });
    tab.OnCommand(Command::Add);
    QCOMPARE(Keys(tab), QStringLiteral("15 14 11 10"));
    QCOMPARE(Column(db, QStringLiteral("select CustomerId from StockChance where KeyId=15")),
             QStringLiteral("40"));
    SelectRows(tab, 1, 1);
    prompt.QueueAnswer(Prompt::Answer::Ok);
    tab.OnCommand(Command::Delete);
    QCOMPARE(Keys(tab), QStringLiteral("14 11 10"));
}

QTEST_MAIN(tst_StockChance)
#include "tst_stockchance.moc"
