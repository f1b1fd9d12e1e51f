#include "TestDatabases.h"

#include "MemoryGridTarget.h"
#include "db/DbConnection.h"
#include "db/DbTransaction.h"
#include "db/QueryBinder.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// KeyIds (column 0) of the shown rows, in grid order.
QList<int> Keys(const MemoryGridTarget& grid) {
    QList<int> keys;
    for (int row = grid.GetFixedRowCount(); row < grid.GetRowCount(); ++row)
        keys << grid.GetItemText(row, 0).toInt();
    return keys;
}

// Customers 1..count, LastTime rising with the key, every seventh a supplier.
bool AddCustomers(DbConnection& db, int count) {
    bool ok = db.Execute(u"begin"_s);
    for (int key = 1; ok && key <= count; ++key) {
        ok = db.Execute(u"insert into CustomerData (KeyId, CustomerName, "
                        "IsProvider, LastTime) values (%1, '客户%1', %2, "
                        "'2008-01-01 %3')"_s.arg(key)
                            .arg(key % 7 == 0 ? 1 : 0)
                            .arg(key, 5, 10, QLatin1Char('0')));
    }
    return ok && db.Execute(u"commit"_s);
}

// The keys the customer list shows of AddCustomers(count), newest first.
QList<int> ListedKeys(int count) {
    QList<int> keys;
    for (int key = count; key >= 1; --key) {
        if (key % 7 != 0)
            keys << key;
    }
    return keys;
}

void BindCustomerList(QueryBinder& binder, GridTarget& grid) {
    binder.SetGrid(&grid);
    binder.SetTable(u"CustomerData"_s);
    binder.AddColumn(u"KeyId"_s, u"编号"_s);
    binder.AddColumn(u"CustomerName"_s, u"客户名称"_s);
    binder.AddCondition(u"IsProvider<1"_s);
    binder.SetOrderClause(u" order by LastTime desc "_s);
    binder.SetupGrid();
}

} // namespace

class tst_QueryBinder : public QObject {
    Q_OBJECT

private slots:
    void pageBoundaries_data() { TestDatabase::AddEngineRows(); }
    void pageBoundaries();
    void tiedRowsNeitherRepeatNorVanish_data() { TestDatabase::AddEngineRows(); }
    void tiedRowsNeitherRepeatNorVanish();
    void cellsByNameOrCaption_data() { TestDatabase::AddEngineRows(); }
    void cellsByNameOrCaption();
    void failingQueryLeavesConnectionUsable_data() { TestDatabase::AddEngineRows(); }
    void failingQueryLeavesConnectionUsable();
    void orderTextsFromDefinitionFiles_data() { TestDatabase::AddEngineRows(); }
    void orderTextsFromDefinitionFiles();
    void pageInsideCallersTransaction_data() { TestDatabase::AddEngineRows(); }
    void pageInsideCallersTransaction();
};

void tst_QueryBinder::pageBoundaries() {
    TORVEL_TEST_CONNECTION(test);
    MemoryGridTarget grid;
    QueryBinder binder;
    BindCustomerList(binder, grid);
    QCOMPARE(binder.Load(&db), 1);
    QCOMPARE(grid.GetRowCount(), 1); // an empty table: the header only
    QCOMPARE(grid.DefaultCellMargin(), 2);

    // 525 customers, 75 of them suppliers: 450 rows in the list.
    QVERIFY2(AddCustomers(db, 525), qPrintable(db.GetLastError()));
    const QList<int> expected = ListedKeys(525);
    QCOMPARE(binder.Load(&db), 1);
    QCOMPARE(Keys(grid), expected.mid(0, 200));
    QCOMPARE(binder.NextPage(), 1);
    QCOMPARE(Keys(grid), expected.mid(200, 200));
    QCOMPARE(binder.NextPage(), 1);
    QCOMPARE(Keys(grid), expected.mid(400)); // the last page is partly filled
    QCOMPARE(binder.NextPage(), 1);          // past the end: empty, not an error
    QCOMPARE(grid.GetRowCount(), 1);
    QCOMPARE(binder.PrevPage(), 1);
    QCOMPARE(Keys(grid), expected.mid(400));
    QCOMPARE(grid.BulkDepth(), 0);

    // On the first page PrevPage changes nothing and does not reload.
    binder.SetPageIndex(0);
    QCOMPARE(binder.Load(&db), 1);
    QVERIFY(grid.SetItemText(1, 1, u"edited"_s));
    QCOMPARE(binder.PrevPage(), 0);
    QCOMPARE(binder.GetPageIndex(), 0);
    QCOMPARE(grid.GetItemText(1, 1), u"edited"_s);

    // Pages that the result fills exactly leave the next one empty.
    binder.SetPageSize(150);
    binder.SetPageIndex(2);
    QCOMPARE(binder.Load(&db), 1);
    QCOMPARE(Keys(grid), expected.mid(300, 150));
    QCOMPARE(binder.NextPage(), 1);
    QCOMPARE(grid.GetRowCount(), 1);
}

void tst_QueryBinder::tiedRowsNeitherRepeatNorVanish() {
    TORVEL_TEST_CONNECTION(test);
    // Rows that tie on the order clause (as imported customers share one
    // LastTime) must still be split between pages without overlap.
    QVERIFY(db.Execute(u"create table PageTies (KeyId Integer, Grp Integer)"_s));
    QVERIFY(db.Execute(u"begin"_s));
    for (int key = 1; key <= 3000; ++key) {
        QVERIFY(db.Execute(
            u"insert into PageTies values (%1, %2)"_s.arg((key * 7919) % 3001).arg(key % 3)));
    }
    QVERIFY(db.Execute(u"commit"_s));

    MemoryGridTarget grid;
    QueryBinder binder;
    binder.SetGrid(&grid);
    binder.SetTable(u"PageTies"_s);
    binder.AddColumn(u"KeyId"_s);
    binder.AddColumn(u"Grp"_s);
    binder.SetOrderClause(u" order by Grp desc"_s);
    binder.SetupGrid();
    QSet<int> seen;
    for (int page = 0; page < 16; ++page) {
        binder.SetPageIndex(page);
        QCOMPARE(binder.Load(&db), 1);
        QCOMPARE(grid.GetRowCount() - 1, page < 15 ? 200 : 0);
        for (int key : Keys(grid)) {
            QVERIFY2(!seen.contains(key), qPrintable(u"%1 shown twice"_s.arg(key)));
            seen.insert(key);
        }
    }
    QCOMPARE(seen.size(), 3000);
}

void tst_QueryBinder::cellsByNameOrCaption() {
    TORVEL_TEST_CONNECTION(test);
    QVERIFY(db.Execute(u"insert into OrderData (CustomerName, Price, Quantity, "
                       "Comment) values ('王五''s', 12.5, 4, null)"_s));
    MemoryGridTarget grid;
    QueryBinder binder;
    QCOMPARE(binder.Load(&db), -1); // no grid
    binder.SetTable(u"OrderData"_s);
    binder.AddColumn(u"CustomerName"_s, u"客户"_s);
    binder.AddColumn(u"Price"_s, u"单价"_s);
    binder.AddColumn(u"Comment"_s);
    QCOMPARE(binder.SetCellText(1, u"Price"_s, u"1"_s), -1);
    QVERIFY(binder.GetCellText(1, u"Price"_s).isNull());
    binder.SetGrid(&grid);
    binder.SetupGrid();
    QCOMPARE(grid.GetItemText(0, 1), u"单价"_s);
    QCOMPARE(binder.Load(&db), 1);

    QCOMPARE(binder.GetCellText(1, u"customername"_s), u"王五's"_s);
    QCOMPARE(binder.GetCellText(1, u"单价"_s), u"12.5"_s);
    const QString comment = binder.GetCellText(1, u"COMMENT"_s);
    QVERIFY(!comment.isNull() && comment.isEmpty()); // null shows empty
    QVERIFY(binder.GetCellText(1, u"Phone"_s).isNull());
    QVERIFY(binder.GetCellText(2, u"Price"_s).isNull()); // below the last row
    QCOMPARE(binder.SetCellText(1, u"PRICE"_s, u"13.00"_s), 1);
    QCOMPARE(grid.GetItemText(1, 1), u"13.00"_s);
    QCOMPARE(binder.SetCellText(1, u"Phone"_s, u"x"_s), -1);
    QCOMPARE(binder.SetCellText(5, u"Price"_s, u"x"_s), 0);

    binder.ClearColumns();
    QCOMPARE(binder.Load(&db), -2);
}

void tst_QueryBinder::failingQueryLeavesConnectionUsable() {
    TORVEL_TEST_CONNECTION(test);
    QVERIFY(AddCustomers(db, 3));
    MemoryGridTarget grid;
    QueryBinder binder;
    BindCustomerList(binder, grid);
    QCOMPARE(binder.Load(&db), 1);
    QCOMPARE(grid.GetRowCount(), 4);

    binder.AddCondition(u"NoSuchColumn=1"_s);
    QCOMPARE(binder.Load(&db), 1); // errors are not the binder's to show
    QCOMPARE(grid.GetRowCount(), 1);
    QVERIFY(!binder.GetLastError().isEmpty());

    // No transaction of the page stays open: a write is seen by another
    // connection at once.
    QVERIFY2(db.Execute(u"update CustomerData set CustomerName='changed' where "
                        "KeyId=1"_s),
             qPrintable(db.GetLastError()));
    DbConnection other;
    QCOMPARE(other.Open(test.ConnectionString()), 1);
    QString names;
    other.JoinColumnValues(u"select CustomerName from CustomerData where KeyId=1"_s, names);
    QCOMPARE(names, u"changed"_s);
}

// Order texts are typed by users into definition files: a closing ';', a
// comment or a limit of their own must not break paging, and a second
// statement is refused.
void tst_QueryBinder::orderTextsFromDefinitionFiles() {
    TORVEL_TEST_CONNECTION(test);
    QVERIFY2(AddCustomers(db, 525), qPrintable(db.GetLastError()));
    const QList<int> expected = ListedKeys(525);
    MemoryGridTarget grid;
    QueryBinder binder;
    BindCustomerList(binder, grid);
    // The keys of the first three pages under an order text.
    auto pages = [&](const QString& order) {
        binder.SetOrderClause(order);
        binder.SetPageIndex(0);
        QList<QList<int>> shown;
        for (int page = 0; page < 3; ++page) {
            page == 0 ? binder.Load(&db) : binder.NextPage();
            shown << Keys(grid);
        }
        return shown;
    };
    const QList<QList<int>> all{expected.mid(0, 200), expected.mid(200, 200), expected.mid(400)};
    QCOMPARE(pages(u" order by LastTime desc;"_s), all);
    QCOMPARE(pages(u" order by LastTime desc ; ;\n"_s), all);
    QCOMPARE(pages(u" order by /* newest */ LastTime -- first\n desc -- end"_s), all);
    // A limit of its own: its 250 rows are paged, in its order.
    QCOMPARE(pages(u" order by LastTime desc limit 250;"_s),
             (QList<QList<int>>{expected.mid(0, 200), expected.mid(200, 50), {}}));

    binder.SetOrderClause(u" order by LastTime; delete from CustomerData"_s);
    binder.SetPageIndex(0);
    QCOMPARE(binder.Load(&db), 1);
    QCOMPARE(grid.GetRowCount(), 1);
    QCOMPARE(binder.GetLastError(),
             u"列表的排序条件“order by LastTime; delete from CustomerData”在分号之后"
             "还有内容。排序条件只能是一个 order by 子句，请改正视图的定义。"_s);
    QVERIFY(!binder.GetSelectText().contains(u"delete"_s));
    QCOMPARE(db.GetMaxId(u"CustomerData"_s), 525);
}

// A list reloaded while the caller's transaction is open reads that
// transaction's rows and leaves it open: the caller's commit keeps its work.
void tst_QueryBinder::pageInsideCallersTransaction() {
    TORVEL_TEST_CONNECTION(test);
    MemoryGridTarget grid;
    QueryBinder binder;
    BindCustomerList(binder, grid);
    {
        DbTransaction action(db);
        QVERIFY(action.IsActive());
        QVERIFY(db.Execute(u"insert into CustomerData (KeyId, CustomerName, "
                           "IsProvider) values (1, '新客户', 0)"_s));
        QCOMPARE(binder.Load(&db), 1);
        QVERIFY2(binder.GetLastError().isEmpty(), qPrintable(binder.GetLastError()));
        QCOMPARE(Keys(grid), QList<int>{1});
        QCOMPARE(db.TransactionDepth(), 1);
        // A failing page inside the transaction spoils nothing either.
        binder.AddCondition(u"NoSuchColumn=1"_s);
        QCOMPARE(binder.Load(&db), 1);
        QVERIFY(!binder.GetLastError().isEmpty());
        QVERIFY2(db.Execute(u"insert into CustomerData (KeyId, CustomerName) "
                            "values (2, '第二个')"_s),
                 qPrintable(db.GetLastError()));
        QVERIFY2(action.Commit(), qPrintable(action.GetLastError()));
    }
    QString names;
    QCOMPARE(db.JoinColumnValues(u"select CustomerName from CustomerData order by KeyId"_s, names),
             2);
    QCOMPARE(names, u"新客户;第二个"_s);
}

QTEST_GUILESS_MAIN(tst_QueryBinder)
#include "tst_querybinder.moc"
