#include "ScriptedPrompt.h"
#include "TempProgramFolder.h"
#include "TestDatabases.h"

#include "base/IniFile.h"
#include "customer/CustomerDlg.h"
#include "customer/CustomerListView.h"
#include "customer/CustomerSearchDlg.h"
#include "customer/CustomerSearchView.h"
#include "db/DbConnection.h"
#include "db/QueryBinder.h"
#include "framework/ClassPickerDlg.h"
#include "framework/ClassTreeCtrl.h"
#include "framework/CommandIds.h"
#include "framework/ListToolbar.h"
#include "shell/ViewRegistry.h"
#include "ui/GridCtrl.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

const QString kCustomers = QStringLiteral(" IsProvider < 1 ");

struct Customer {
    Customer(int k, const QString& n, const QString& t, int cls = 0,
             const QString& p = QStringLiteral("未分类/"))
        : key(k), name(n), lastTime(t), classKey(cls), path(p) {}
    int key;
    QString name;
    QString lastTime;
    int classKey;
    QString path;
    int provider = 0;
    QString phone;
    QString mobile;
    QString handler = QStringLiteral("张三");
    QString regTime = QStringLiteral("2024-01-05 09:00:00");
};

void Insert(DbConnection& db, const Customer& c) {
    const QString sql =
        QStringLiteral("insert into CustomerData (KeyId, CustomerName, LastTime, CustomerClass, "
                       "ClassPath, IsProvider, Phone, Mobile, Handler, RegTime) values "
                       "(%1, '%2', '%3', %4, '%5', %6, '%7', '%8', '%9', '%10')")
            .arg(c.key)
            .arg(QString(c.name).replace(QLatin1Char('\''), QStringLiteral("''")), c.lastTime)
            .arg(c.classKey)
            .arg(c.path)
            .arg(c.provider)
            .arg(c.phone, c.mobile, c.handler, c.regTime);
    QCOMPARE(db.Execute(sql), 1);
}

int Count(DbConnection& db, const QString& sql) {
    QString out;
    db.JoinColumnValues(sql, out);
    return out.toInt();
}

QStringList Column(const CGridCtrl& grid, int column) {
    QStringList texts;
    for (int row = grid.GetFixedRowCount(); row < grid.GetRowCount(); ++row)
        texts << grid.GetItemText(row, column);
    return texts;
}

QStringList Keys(std::initializer_list<int> keys) {
    QStringList texts;
    for (const int key : keys)
        texts << QString::number(key);
    return texts;
}

void SelectRows(CGridCtrl& grid, int top, int bottom) {
    grid.SetSelectedRange(top, 1, bottom, grid.GetColumnCount() - 1);
}

// Picks the class with this key in the class picker.
void QueuePick(ScriptedPrompt& prompt, int key) {
    prompt.QueueModal([key](QDialog& dialog) {
        auto& picker = static_cast<CClassPickerDlg&>(dialog);
        picker.Tree()->setCurrentItem(picker.Tree()->FindNode(key));
        return picker.OnOK() ? QDialog::Accepted : QDialog::Rejected;
    });
}

} // namespace

class tst_CustomerViews : public QObject {
    Q_OBJECT

private slots:
    void typedTextNeverWidensTheView_data() { TestDatabase::AddEngineRows(); }
    void typedTextNeverWidensTheView();
    void pagingAndNewSearch_data() { TestDatabase::AddEngineRows(); }
    void pagingAndNewSearch();
    void totalOfListedCustomers_data() { TestDatabase::AddEngineRows(); }
    void totalOfListedCustomers();
    void cascadeDeleteIsAllOrNothing_data() { TestDatabase::AddEngineRows(); }
    void cascadeDeleteIsAllOrNothing();
    void moveStopsWhereTheUserDeclines_data() { TestDatabase::AddEngineRows(); }
    void moveStopsWhereTheUserDeclines();
    void listViewFollowsTheTree_data() { TestDatabase::AddEngineRows(); }
    void listViewFollowsTheTree();
    void commandsNotBuiltYetAndRegistration();
    void supplierViewsAddSuppliers_data() { TestDatabase::AddEngineRows(); }
    void supplierViewsAddSuppliers();
};

// An ordinary user's customer search: whatever is typed stays one literal
// inside its own parentheses, so the supplier rows never show and no row
// changes; % and _ still work as wildcards.
void tst_CustomerViews::typedTextNeverWidensTheView() {
    TempProgramFolder folder(false);
    TORVEL_TEST_CONNECTION(database);
    Insert(db, {1, QStringLiteral("O'Brien 贸易"), QStringLiteral("2024-03-01 10:00:00")});
    Insert(db, {2, QStringLiteral("北京100%公司"), QStringLiteral("2024-03-02 10:00:00")});
    Customer supplier{3, QStringLiteral("供应商甲"), QStringLiteral("2024-03-03 10:00:00")};
    supplier.provider = 1;
    Insert(db, supplier);
    Customer phoned{4, QStringLiteral("上海a_b"), QStringLiteral("2024-03-04 10:00:00")};
    phoned.mobile = QStringLiteral("13812345678");
    phoned.regTime = QStringLiteral("2023-11-20 08:00:00");
    phoned.handler = QStringLiteral("李四");
    Insert(db, phoned);

    ScriptedPrompt prompt;
    CCustomerSearchView view(db, prompt, {QStringLiteral("李四"), kCustomers, false});
    QCOMPARE(Column(*view.Grid(), 0), Keys({4, 2, 1}));

    const auto keysFor = [&](const CustomerCriteria& criteria) {
        view.Search(criteria);
        return Column(*view.Grid(), 0);
    };
    const QStringList hostile = {QStringLiteral("x' or 'a'='a"), QStringLiteral("%' --"),
                                 QStringLiteral("'; delete from CustomerData; --"),
                                 QStringLiteral("a\nb"), QStringLiteral("\\")};
    for (const QString& text : hostile) {
        for (int field = 0; field < 6; ++field) {
            CustomerCriteria criteria;
            *criteria.Fields()[field] = text;
            QVERIFY2(keysFor(criteria).isEmpty(), qPrintable(text));
        }
    }
    QVERIFY2(prompt.Messages().isEmpty(), qPrintable(prompt.LastMessage()));
    QCOMPARE(Count(db, QStringLiteral("select count(*) from CustomerData")), 4);

    CustomerCriteria criteria;
    criteria.customerName = QStringLiteral("'");
    QCOMPARE(keysFor(criteria), Keys({1}));
    criteria.customerName = QStringLiteral("100%");
    QCOMPARE(keysFor(criteria), Keys({2}));
    criteria.customerName = QStringLiteral("a_b");
    QCOMPARE(keysFor(criteria), Keys({4}));
    criteria = {};
    criteria.phone = QStringLiteral("1234");
    QCOMPARE(keysFor(criteria), Keys({4}));
    criteria = {};
    criteria.regTime = QStringLiteral("2023-11");
    criteria.handler = QStringLiteral("李四");
    QCOMPARE(keysFor(criteria), Keys({4}));
    criteria.handler = QStringLiteral("李");
    QCOMPARE(keysFor(criteria), QStringList{});
    QCOMPARE(keysFor({}), Keys({4, 2, 1}));
}

// 上页 on the first page does nothing; pages run out into an empty grid; a new
// search starts again at the first page.
void tst_CustomerViews::pagingAndNewSearch() {
    TempProgramFolder folder(false);
    TORVEL_TEST_CONNECTION(database);
    QCOMPARE(db.Execute(QStringLiteral("begin")), 1);
    for (int key = 1; key <= 450; ++key)
        Insert(db, {key, QStringLiteral("客户%1").arg(key),
                    QStringLiteral("2024-01-01 00:%1:%2")
                        .arg(key / 60, 2, 10, QLatin1Char('0'))
                        .arg(key % 60, 2, 10, QLatin1Char('0'))});
    QCOMPARE(db.Execute(QStringLiteral("commit")), 1);

    ScriptedPrompt prompt;
    CCustomerSearchView view(db, prompt, {QStringLiteral("admin"), kCustomers, true});
    QCOMPARE(view.Grid()->GetRowCount() - 1, 200);
    QCOMPARE(view.Grid()->GetItemText(1, 0), QStringLiteral("450"));
    QVERIFY(view.OnCommand(Command::PrevPage));
    QCOMPARE(view.Binder().GetPageIndex(), 0);
    QCOMPARE(view.Grid()->GetItemText(1, 0), QStringLiteral("450"));
    view.OnCommand(Command::NextPage);
    view.OnCommand(Command::NextPage);
    QCOMPARE(view.Grid()->GetRowCount() - 1, 50);
    QCOMPARE(view.Grid()->GetItemText(50, 0), QStringLiteral("1"));
    view.OnCommand(Command::NextPage);
    QCOMPARE(view.Grid()->GetRowCount() - 1, 0);

    prompt.QueueModal([](QDialog& dialog) {
        auto& search = static_cast<CCustomerSearchDlg&>(dialog);
        search.Field(QStringLiteral("CustomerName"))->setText(QStringLiteral("客户1"));
        search.OnOK();
        return int(QDialog::Accepted);
    });
    view.OnCommand(Command::Find);
    QCOMPARE(view.Binder().GetPageIndex(), 0);
    QCOMPARE(view.Grid()->GetItemText(1, 0), QStringLiteral("199"));
    // The dialog remembers what was asked for the next time.
    CCustomerSearchDlg again;
    QCOMPARE(again.Field(QStringLiteral("CustomerName"))->text(), QStringLiteral("客户1"));
}

// 统计 sums the orders of the customers the list shows, under its conditions.
void tst_CustomerViews::totalOfListedCustomers() {
    TempProgramFolder folder(false);
    TORVEL_TEST_CONNECTION(database);
    Insert(db, {1, QStringLiteral("甲"), QStringLiteral("2024-03-01 10:00:00")});
    Insert(db, {2, QStringLiteral("乙"), QStringLiteral("2024-03-02 10:00:00")});
    Customer supplier{3, QStringLiteral("丙"), QStringLiteral("2024-03-03 10:00:00")};
    supplier.provider = 1;
    Insert(db, supplier);
    for (const auto& [customer, total] :
         {std::pair{1, 100.5}, std::pair{1, 20.0}, std::pair{2, 7.25}, std::pair{3, 1000.0}})
        QCOMPARE(db.Execute(QStringLiteral("insert into OrderData (CustomerId, FDTotal) values "
                                           "(%1, %2)")
                                .arg(customer)
                                .arg(total)),
                 1);

    ScriptedPrompt prompt;
    CCustomerSearchView view(db, prompt, {QStringLiteral("admin"), kCustomers, true});
    view.OnCommand(Command::Statistics);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("累计总额 127.75"));
    CustomerCriteria criteria;
    criteria.customerName = QStringLiteral("乙");
    view.Search(criteria);
    view.OnCommand(Command::Statistics);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("累计总额 7.25"));
    criteria.customerName = QStringLiteral("nobody");
    view.Search(criteria);
    view.OnCommand(Command::Statistics);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("累计总额 0.00"));
}

// The search view's delete takes the top selected customer with everything
// that refers to it, or nothing of it when a statement fails on the way.
void tst_CustomerViews::cascadeDeleteIsAllOrNothing() {
    TempProgramFolder folder(false);
    TORVEL_TEST_CONNECTION(database);
    for (int key = 1; key <= 3; ++key) {
        Insert(db, {key, QStringLiteral("客户%1").arg(key),
                    QStringLiteral("2024-03-0%1 10:00:00").arg(key)});
        for (const QString& table : {QStringLiteral("ContactData"), QStringLiteral("TrackPlan"),
                                     QStringLiteral("TraceData"), QStringLiteral("OrderData"),
                                     QStringLiteral("PurchaseData")})
            QCOMPARE(
                db.Execute(
                    QStringLiteral("insert into %1 (CustomerId) values (%2)").arg(table).arg(key)),
                1);
        QCOMPARE(db.Execute(QStringLiteral("insert into StockChance (KeyId, CustomerId) values "
                                           "(%1, %1)")
                                .arg(key)),
                 1);
    }
    const auto related = [&db](int key) {
        int rows = 0;
        for (const QString& table : {QStringLiteral("ContactData"), QStringLiteral("TrackPlan"),
                                     QStringLiteral("TraceData"), QStringLiteral("OrderData"),
                                     QStringLiteral("StockChance"), QStringLiteral("PurchaseData")})
            rows += Count(
                db,
                QStringLiteral("select count(*) from %1 where CustomerId=%2").arg(table).arg(key));
        return rows +
               Count(db,
                     QStringLiteral("select count(*) from CustomerData where KeyId=%1").arg(key));
    };

    ScriptedPrompt prompt;
    CCustomerSearchView view(db, prompt, {QStringLiteral("admin"), kCustomers, true});
    view.OnCommand(Command::Delete);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("请选择要删除的信息!"));

    // Rows 1 and 2 selected (customers 3 and 2): only customer 3 goes.
    SelectRows(*view.Grid(), 1, 2);
    prompt.QueueAnswer(Prompt::Answer::Ok);
    view.OnCommand(Command::Delete);
    QCOMPARE(prompt.shown.last().caption, QStringLiteral("警告"));
    QCOMPARE(related(3), 0);
    QCOMPARE(related(2), 7);
    QCOMPARE(Column(*view.Grid(), 0), Keys({2, 1}));
    QCOMPARE(view.ShownCustomer(), 2);

    // A table the cascade cannot reach half-way: customer 2 keeps every row.
    QCOMPARE(db.Execute(QStringLiteral("alter table StockChance rename to StockChanceAway")), 1);
    prompt.QueueAnswer(Prompt::Answer::Ok);
    view.OnCommand(Command::Delete);
    QVERIFY(prompt.LastMessage().contains(QStringLiteral("StockChance"), Qt::CaseInsensitive));
    QCOMPARE(db.Execute(QStringLiteral("alter table StockChanceAway rename to StockChance")), 1);
    QCOMPARE(related(2), 7);
    QCOMPARE(Column(*view.Grid(), 0), Keys({2, 1}));
    QCOMPARE(db.TransactionDepth(), 0);
}

// 变更分类 moves the selected customers bottom row first, each row on its own
// savepoint: a failed row is undone alone, and "否" keeps what was done below
// it and leaves the rows above as they were.
void tst_CustomerViews::moveStopsWhereTheUserDeclines() {
    TempProgramFolder folder(false);
    TORVEL_TEST_CONNECTION(database);
    QCOMPARE(db.Execute(QStringLiteral("insert into CustomerClass (KeyId, ParentId, Name) values "
                                       "(7, 0, 'T')")),
             1);
    for (int key = 1; key <= 4; ++key)
        Insert(db, {key, QStringLiteral("客户%1").arg(key),
                    QStringLiteral("2024-03-0%1 10:00:00").arg(key)});
    // Customer 2 cannot share the class path of customer 9 (not listed here).
    Customer blocker{9, QStringLiteral("占位"), QStringLiteral("2000-01-01 00:00:00"), 7,
                     QStringLiteral("/T/")};
    blocker.provider = 1;
    Insert(db, blocker);
    QCOMPARE(db.Execute(QStringLiteral("create unique index OneT on CustomerData (ClassPath) "
                                       "where KeyId in (2, 9)")),
             1);
    const auto path = [&db](int key) {
        QString out;
        db.JoinColumnValues(
            QStringLiteral("select ClassPath from CustomerData where KeyId=%1").arg(key), out);
        return out;
    };

    ScriptedPrompt prompt;
    CCustomerSearchView view(db, prompt, {QStringLiteral("admin"), kCustomers, true});
    QCOMPARE(Column(*view.Grid(), 0), Keys({4, 3, 2, 1}));
    view.OnCommand(Command::ChangeClass);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("请选择要变更的客户"));

    SelectRows(*view.Grid(), 2, 4); // customers 3, 2, 1
    QueuePick(prompt, 7);
    prompt.QueueAnswer(Prompt::Answer::No);
    view.OnCommand(Command::ChangeClass);
    QVERIFY(prompt.LastMessage().endsWith(QStringLiteral("\r\n\r\n是否继续?")));
    QCOMPARE(path(1), QStringLiteral("/T/"));
    QCOMPARE(path(2), QStringLiteral("未分类/"));
    QCOMPARE(path(3), QStringLiteral("未分类/"));
    QCOMPARE(Count(db, QStringLiteral("select CustomerClass from CustomerData where KeyId=1")), 7);

    // "是" goes on past the failed row.
    SelectRows(*view.Grid(), 1, 3); // customers 4, 3, 2
    QueuePick(prompt, 7);
    prompt.QueueAnswer(Prompt::Answer::Yes);
    view.OnCommand(Command::ChangeClass);
    QCOMPARE(path(2), QStringLiteral("未分类/"));
    QCOMPARE(path(3), QStringLiteral("/T/"));
    QCOMPARE(path(4), QStringLiteral("/T/"));
    QCOMPARE(db.TransactionDepth(), 0);
}

// The list view shows the customers of the picked class and its subclasses,
// adds into the picked class, patches edited rows and deletes the selection.
void tst_CustomerViews::listViewFollowsTheTree() {
    TempProgramFolder folder(false);
    TORVEL_TEST_CONNECTION(database);
    QCOMPARE(db.Execute(QStringLiteral("insert into CustomerClass (KeyId, ParentId, Name) values "
                                       "(1, 0, 'A'), (2, 1, 'B'), (3, 0, 'C')")),
             1);
    Insert(db, {1, QStringLiteral("在A"), QStringLiteral("2024-03-01 10:00:00"), 1,
                QStringLiteral("/A/")});
    Insert(db, {2, QStringLiteral("在B"), QStringLiteral("2024-03-02 10:00:00"), 2,
                QStringLiteral("/A/B/")});
    Insert(db, {3, QStringLiteral("在C"), QStringLiteral("2024-03-03 10:00:00"), 3,
                QStringLiteral("/C/")});
    Insert(db, {4, QStringLiteral("未分类"), QStringLiteral("2024-03-04 10:00:00")});
    Customer supplier{5, QStringLiteral("供应商"), QStringLiteral("2024-03-05 10:00:00"), 1,
                      QStringLiteral("/A/")};
    supplier.provider = 1;
    Insert(db, supplier);

    ScriptedPrompt prompt;
    CCustomerListView view(db, prompt,
                           {QStringLiteral("张三"), QStringLiteral(" IsProvider<1 "), false});
    QCOMPARE(Column(*view.Grid(), 0), Keys({2, 1}));
    ClassTreeCtrl& tree = *view.Tree();
    tree.setCurrentItem(tree.FindNode(2));
    QCOMPARE(Column(*view.Grid(), 0), Keys({2}));
    tree.setCurrentItem(tree.RootNode());
    QCOMPARE(Column(*view.Grid(), 0), Keys({3, 2, 1}));
    view.OnCommand(Command::Add);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("请选择分类!"));

    tree.setCurrentItem(tree.FindNode(2));
    prompt.QueueModal([](QDialog& dialog) {
        auto& form = static_cast<CCustomerDlg&>(dialog);
        form.Field(QStringLiteral("CustomerName"))->setText(QStringLiteral("新客户'"));
        return form.OnOK() ? QDialog::Accepted : QDialog::Rejected;
    });
    view.OnCommand(Command::Add);
    QCOMPARE(view.Grid()->GetItemText(1, 1), QStringLiteral("新客户'"));
    const QString newKey = view.Grid()->GetItemText(1, 0);
    QCOMPARE(Count(db, QStringLiteral("select count(*) from CustomerData where KeyId=%1 and "
                                      "CustomerClass=2 and ClassPath='/A/B/'")
                           .arg(newKey)),
             1);

    SelectRows(*view.Grid(), 2, 2);
    prompt.QueueModal([](QDialog& dialog) {
        auto& form = static_cast<CCustomerDlg&>(dialog);
        form.Field(QStringLiteral("Contact"))->setText(QStringLiteral("王五"));
        return form.OnOK() ? QDialog::Accepted : QDialog::Rejected;
    });
    view.OnCommand(Command::Edit);
    QCOMPARE(view.Grid()->GetItemText(2, 2), QStringLiteral("王五"));

    SelectRows(*view.Grid(), 1, 2);
    prompt.QueueAnswer(Prompt::Answer::Ok);
    view.OnCommand(Command::Delete);
    QCOMPARE(Column(*view.Grid(), 0), QStringList{});
    QCOMPARE(Count(db, QStringLiteral("select count(*) from CustomerData")), 4);
}

void tst_CustomerViews::commandsNotBuiltYetAndRegistration() {
    TempProgramFolder folder(false);
    TORVEL_ENGINE_DATABASE(database, QStringLiteral("sqlite"), true);
    DbConnection db;
    QCOMPARE(db.Open(database.ConnectionString()), 1);
    ScriptedPrompt prompt;

    ViewRegistry registry;
    RegisterBuiltinViews(registry);
    const ViewContext supplierContext{
        db, prompt, QString(), QStringLiteral(" IsProvider=1 "), QString(), QString(), true};
    std::unique_ptr<QWidget> suppliers(registry.Create(Command::ProviderList, supplierContext));
    QVERIFY(qobject_cast<CCustomerListView*>(suppliers.get()));
    const ViewContext userContext{db,        prompt, QStringLiteral("张三"), kCustomers, QString(),
                                  QString(), false};
    std::unique_ptr<QWidget> widget(registry.Create(Command::CustomerSearch, userContext));
    auto* view = qobject_cast<CCustomerSearchView*>(widget.get());
    QVERIFY(view);
    QCOMPARE(view->BaseCondition(), QStringLiteral("( IsProvider < 1 )"));
    QCOMPARE(view->Toolbar()->Button(QStringLiteral("上页"))->width(), 50);
    QCOMPARE(view->Toolbar()->Button(QStringLiteral("变更分类"))->width(), 80);

    // The import starts with the file dialog; cancelled, nothing follows.
    QVERIFY(view->OnCommand(Command::ImportCustomers));
    QCOMPARE(prompt.shown.last().kind, ScriptedPrompt::Shown::Kind::OpenFile);
    QVERIFY(view->OnCommand(Command::ExportMobile));
    QCOMPARE(prompt.LastMessage(), QStringLiteral("权限不足"));
    QVERIFY(!view->OnCommand(Command::Login));
}

void tst_CustomerViews::supplierViewsAddSuppliers() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    ScriptedPrompt prompt;
    const QString suppliers = QStringLiteral(" IsProvider=1 ");
    CCustomerSearchView view(db, prompt, {QStringLiteral("admin"), suppliers, true});

    // The form opens as a supplier's, and the new row is one of the list.
    prompt.QueueModal([](QDialog& dialog) {
        auto& form = static_cast<CCustomerDlg&>(dialog);
        if (!form.ProviderBox()->isChecked() || form.ResellerBox()->isChecked())
            return int(QDialog::Rejected);
        form.Field(QStringLiteral("CustomerName"))->setText(QStringLiteral("新供应商"));
        return form.OnOK() ? int(QDialog::Accepted) : int(QDialog::Rejected);
    });
    view.OnCommand(Command::Add);
    QCOMPARE(view.Binder().GetCellText(1, QStringLiteral("CustomerName")),
             QStringLiteral("新供应商"));
    QString stored;
    db.JoinColumnValues(QStringLiteral("select Category from CustomerData where IsProvider=1"),
                        stored);
    QCOMPARE(stored, QStringLiteral("供应商"));
    view.Reload();
    QCOMPARE(view.Binder().GetLoadedRowCount(), 1);

    // The customers' own views still add plain customers.
    CCustomerSearchView customers(db, prompt, {QStringLiteral("admin"), kCustomers, true});
    bool ticked = true;
    prompt.QueueModal([&ticked](QDialog& dialog) {
        ticked = static_cast<CCustomerDlg&>(dialog).ProviderBox()->isChecked();
        return int(QDialog::Rejected);
    });
    customers.OnCommand(Command::Add);
    QVERIFY(!ticked);
}

QTEST_MAIN(tst_CustomerViews)
#include "tst_customerviews.moc"
