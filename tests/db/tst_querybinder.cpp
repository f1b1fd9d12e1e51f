#include "TestDatabases.h"

#include "db/DbConnection.h"
#include "db/GridTarget.h"
#include "db/QueryBinder.h"

#include <QtTest>

#include <vector>

namespace {

// A grid that only keeps texts: what the binder writes is what a test reads.
class MemoryGrid final : public GridTarget {
public:
    int GetRowCount() const override { return int(rows_.size()); }
    int GetColumnCount() const override { return columns_; }
    bool SetColumnCount(int columns) override {
        columns_ = columns;
        for (auto& row : rows_)
            row.resize(columns);
        return true;
    }
    int GetFixedRowCount() const override { return fixedRows_; }
    bool SetFixedRowCount(int rows) override {
        fixedRows_ = rows;
        while (int(rows_.size()) < rows)
            rows_.emplace_back(columns_);
        return true;
    }
    int GetFixedColumnCount() const override { return 0; }
    bool SetItemText(int row, int column, const QString& text) override {
        if (!Valid(row, column))
            return false;
        rows_[row][column] = text;
        return true;
    }
    QString GetItemText(int row, int column) const override {
        return Valid(row, column) ? rows_[row][column] : QString();
    }
    int AppendRow() override {
        rows_.emplace_back(columns_);
        return int(rows_.size()) - 1;
    }
    bool SetRowHeight(int, int) override { return true; }
    bool SetColumnWidth(int, int) override { return true; }
    int GetColumnWidth(int) const override { return 80; }
    void DeleteNonFixedRows() override { rows_.resize(fixedRows_); }
    void SetDefaultCellMargin(int margin) override { margin_ = margin; }
    void AutoSize() override {}
    void BeginBulk() override { ++bulk_; }
    void EndBulk() override { --bulk_; }
    void RedrawRow(int) override {}

    int DataRows() const { return GetRowCount() - fixedRows_; }
    int margin_ = 0;
    int bulk_ = 0;

private:
    bool Valid(int row, int column) const {
        return row >= 0 && row < GetRowCount() && column >= 0 && column < columns_;
    }
    std::vector<QStringList> rows_;
    int columns_ = 0;
    int fixedRows_ = 0;
};

// Inserts customers 1..count, newest first by LastTime when `distinctTimes`,
// otherwise all with the same LastTime.
bool AddCustomers(DbConnection& db, int count, bool distinctTimes) {
    if (!db.Execute(QStringLiteral("begin")))
        return false;
    for (int key = 1; key <= count; ++key) {
        const QString time = distinctTimes ? QStringLiteral("2008-01-01 00:%1:%2")
                                                 .arg(key / 60, 2, 10, QLatin1Char('0'))
                                                 .arg(key % 60, 2, 10, QLatin1Char('0'))
                                           : QStringLiteral("2008-01-01 00:00:00");
        if (!db.Execute(QStringLiteral("insert into CustomerData (KeyId, CustomerName, "
                                       "IsProvider, LastTime) values (%1, '客户%1', %2, '%3')")
                            .arg(key)
                            .arg(key % 7 == 0 ? 1 : 0)
                            .arg(time)))
            return false;
    }
    return db.Execute(QStringLiteral("commit"));
}

void BindCustomerList(QueryBinder& binder, GridTarget& grid) {
    binder.SetGrid(&grid);
    binder.SetTable(QStringLiteral("CustomerData"));
    binder.AddColumn(QStringLiteral("KeyId"), QStringLiteral("编号"));
    binder.AddColumn(QStringLiteral("CustomerName"), QStringLiteral("客户名称"));
    binder.AddCondition(QStringLiteral("IsProvider<1"));
    binder.SetOrderClause(QStringLiteral(" order by LastTime desc "));
    binder.SetupGrid();
}

// KeyIds of the shown rows, in grid order.
QList<int> ShownKeys(const MemoryGrid& grid) {
    QList<int> keys;
    for (int row = grid.GetFixedRowCount(); row < grid.GetRowCount(); ++row)
        keys.append(grid.GetItemText(row, 0).toInt());
    return keys;
}

// The customers with IsProvider < 1 among 1..count, newest first.
QList<int> ExpectedOrder(int count) {
    QList<int> keys;
    for (int key = count; key >= 1; --key) {
        if (key % 7 != 0)
            keys.append(key);
    }
    return keys;
}

} // namespace

class tst_QueryBinder : public QObject {
    Q_OBJECT

private slots:
    void loadResults_data() { TestDatabase::AddEngineRows(); }
    void loadResults();
    void pageBoundaries_data() { TestDatabase::AddEngineRows(); }
    void pageBoundaries();
    void tiedRowsNeitherRepeatNorVanish_data() { TestDatabase::AddEngineRows(); }
    void tiedRowsNeitherRepeatNorVanish();
    void cellsByNameOrCaption_data() { TestDatabase::AddEngineRows(); }
    void cellsByNameOrCaption();
    void failingQueryLeavesConnectionUsable_data() { TestDatabase::AddEngineRows(); }
    void failingQueryLeavesConnectionUsable();
};

void tst_QueryBinder::loadResults() {
    TORVEL_TEST_DATABASE(test);
    DbConnection db;
    QCOMPARE(db.Open(test.ConnectionString()), 1);
    MemoryGrid grid;

    QueryBinder binder;
    QCOMPARE(binder.Load(&db), -1); // no grid
    binder.SetGrid(&grid);
    QCOMPARE(binder.Load(nullptr), -1);
    QCOMPARE(binder.Load(&db), -2); // no columns
    QCOMPARE(binder.NextPage(), -2);

    BindCustomerList(binder, grid);
    binder.SetPageIndex(0);
    QCOMPARE(binder.Load(&db), 1);
    QCOMPARE(grid.DataRows(), 0); // an empty table shows the header only
    QCOMPARE(grid.GetRowCount(), 1);
    QCOMPARE(grid.GetItemText(0, 0), QStringLiteral("编号"));
    QCOMPARE(grid.GetItemText(0, 1), QStringLiteral("客户名称"));
    QCOMPARE(grid.margin_, 2);
    QCOMPARE(grid.bulk_, 0);
    QVERIFY(binder.GetLastError().isEmpty());
}

void tst_QueryBinder::pageBoundaries() {
    TORVEL_TEST_DATABASE(test);
    DbConnection db;
    QCOMPARE(db.Open(test.ConnectionString()), 1);
    // 525 customers of which 75 are suppliers: 450 rows in the list.
    QVERIFY2(AddCustomers(db, 525, true), qPrintable(db.GetLastError()));
    const QList<int> expected = ExpectedOrder(525);
    QCOMPARE(expected.size(), 450);

    MemoryGrid grid;
    QueryBinder binder;
    BindCustomerList(binder, grid);
    QCOMPARE(binder.GetPageSize(), 200);

    QCOMPARE(binder.Load(&db), 1);
    QCOMPARE(ShownKeys(grid), expected.mid(0, 200));
    QCOMPARE(binder.NextPage(), 1);
    QCOMPARE(ShownKeys(grid), expected.mid(200, 200));
    QCOMPARE(binder.NextPage(), 1);
    QCOMPARE(ShownKeys(grid), expected.mid(400)); // the last page is partly filled
    QCOMPARE(binder.GetLoadedRowCount(), 50);
    QCOMPARE(binder.NextPage(), 1); // past the end: an empty page, not an error
    QCOMPARE(grid.DataRows(), 0);
    QCOMPARE(binder.GetPageIndex(), 3);

    QCOMPARE(binder.PrevPage(), 1);
    QCOMPARE(ShownKeys(grid), expected.mid(400));
    binder.SetPageIndex(0);
    QCOMPARE(binder.Load(&db), 1);
    // On the first page PrevPage changes nothing and does not reload.
    QVERIFY(grid.SetItemText(1, 1, QStringLiteral("edited")));
    QCOMPARE(binder.PrevPage(), 0);
    QCOMPARE(binder.GetPageIndex(), 0);
    QCOMPARE(grid.GetItemText(1, 1), QStringLiteral("edited"));

    // A result that fills its pages exactly leaves the next page empty.
    binder.SetPageSize(150);
    binder.SetPageIndex(2);
    QCOMPARE(binder.Load(&db), 1);
    QCOMPARE(ShownKeys(grid), expected.mid(300, 150));
    QCOMPARE(binder.NextPage(), 1);
    QCOMPARE(grid.DataRows(), 0);

    // A condition that matches nothing.
    binder.AddCondition(QStringLiteral("KeyId<0"));
    binder.SetPageIndex(0);
    QCOMPARE(binder.Load(&db), 1);
    QCOMPARE(grid.DataRows(), 0);
}

void tst_QueryBinder::tiedRowsNeitherRepeatNorVanish() {
    TORVEL_TEST_DATABASE(test);
    DbConnection db;
    QCOMPARE(db.Open(test.ConnectionString()), 1);
    // Imported customers all share one LastTime: ordering by it decides
    // nothing, and the pages must still split the rows without overlap.
    QVERIFY(db.Execute(QStringLiteral("create table PageTies (KeyId Integer, Grp Integer, "
                                      "Name TEXT(20))")));
    QVERIFY(db.Execute(QStringLiteral("begin")));
    for (int key = 1; key <= 3000; ++key) {
        QVERIFY(db.Execute(QStringLiteral("insert into PageTies values (%1, %2, 'n%1')")
                               .arg((key * 7919) % 3001)
                               .arg(key % 3)));
    }
    QVERIFY(db.Execute(QStringLiteral("commit")));

    MemoryGrid grid;
    QueryBinder binder;
    binder.SetGrid(&grid);
    binder.SetTable(QStringLiteral("PageTies"));
    binder.AddColumn(QStringLiteral("KeyId"));
    binder.AddColumn(QStringLiteral("Grp"));
    binder.SetOrderClause(QStringLiteral(" order by Grp desc"));
    binder.SetupGrid();

    QSet<int> seen;
    int previousGroup = 3;
    for (int page = 0; page < 16; ++page) {
        binder.SetPageIndex(page);
        QCOMPARE(binder.Load(&db), 1);
        QCOMPARE(grid.DataRows(), page < 15 ? 200 : 0);
        for (int row = 1; row < grid.GetRowCount(); ++row) {
            const int key = grid.GetItemText(row, 0).toInt();
            const int group = grid.GetItemText(row, 1).toInt();
            QVERIFY2(!seen.contains(key),
                     qPrintable(QStringLiteral("row %1 shown twice").arg(key)));
            QVERIFY(group <= previousGroup);
            seen.insert(key);
            previousGroup = group;
        }
    }
    QCOMPARE(seen.size(), 3000);
}

void tst_QueryBinder::cellsByNameOrCaption() {
    TORVEL_TEST_DATABASE(test);
    DbConnection db;
    QCOMPARE(db.Open(test.ConnectionString()), 1);
    QVERIFY(db.Execute(QStringLiteral("insert into OrderData (CustomerId, CustomerName, Price, "
                                      "Quantity, Comment) values (3, '王五''s', 12.5, 4, null)")));

    MemoryGrid grid;
    QueryBinder binder;
    QCOMPARE(binder.SetCellText(1, QStringLiteral("Price"), QStringLiteral("1")), -1);
    binder.SetTable(QStringLiteral("OrderData"));
    binder.AddColumn(QStringLiteral("KeyId"));
    binder.AddColumn(QStringLiteral("CustomerName"), QStringLiteral("客户"));
    binder.AddColumn(QStringLiteral("Price"), QStringLiteral("单价"));
    binder.AddColumn(QStringLiteral("Quantity"));
    binder.AddColumn(QStringLiteral("Comment"), QStringLiteral("备注"));
    QVERIFY(binder.GetCellText(1, QStringLiteral("KeyId")).isNull()); // no grid yet
    QCOMPARE(binder.SetCellText(1, QStringLiteral("KeyId"), QStringLiteral("1")), -1);

    binder.SetGrid(&grid);
    binder.SetupGrid();
    QCOMPARE(grid.GetFixedRowCount(), 1);
    QCOMPARE(grid.GetColumnCount(), 5);
    QCOMPARE(grid.GetItemText(0, 0), QStringLiteral("KeyId"));
    QCOMPARE(grid.GetItemText(0, 2), QStringLiteral("单价"));
    QCOMPARE(binder.Load(&db), 1);
    QCOMPARE(grid.DataRows(), 1);

    QCOMPARE(binder.GetCellText(1, QStringLiteral("customername")), QStringLiteral("王五's"));
    QCOMPARE(binder.GetCellText(1, QStringLiteral("客户")), QStringLiteral("王五's"));
    QCOMPARE(binder.GetCellText(1, QStringLiteral("单价")), QStringLiteral("12.5"));
    QCOMPARE(binder.GetCellText(1, QStringLiteral("QUANTITY")), QStringLiteral("4"));
    const QString comment = binder.GetCellText(1, QStringLiteral("备注"));
    QVERIFY(!comment.isNull()); // a null value shows as an empty cell
    QVERIFY(comment.isEmpty());
    QCOMPARE(binder.GetCellText(0, QStringLiteral("Price")), QStringLiteral("单价"));

    QVERIFY(binder.GetCellText(1, QStringLiteral("Phone")).isNull());
    QVERIFY(binder.GetCellText(2, QStringLiteral("Price")).isNull()); // below the last row
    QVERIFY(binder.GetCellText(-1, QStringLiteral("Price")).isNull());

    QCOMPARE(binder.SetCellText(1, QStringLiteral("PRICE"), QStringLiteral("13.00")), 1);
    QCOMPARE(grid.GetItemText(1, 2), QStringLiteral("13.00"));
    QCOMPARE(binder.SetCellText(1, QStringLiteral("Phone"), QStringLiteral("x")), -1);
    QCOMPARE(binder.SetCellText(5, QStringLiteral("Price"), QStringLiteral("x")), 0);
    QCOMPARE(grid.GetRowCount(), 2); // nothing grew
}

void tst_QueryBinder::failingQueryLeavesConnectionUsable() {
    TORVEL_TEST_DATABASE(test);
    DbConnection db;
    QCOMPARE(db.Open(test.ConnectionString()), 1);
    QVERIFY(AddCustomers(db, 3, true));

    MemoryGrid grid;
    QueryBinder binder;
    BindCustomerList(binder, grid);
    QCOMPARE(binder.Load(&db), 1);
    QCOMPARE(grid.DataRows(), 3);

    binder.AddCondition(QStringLiteral("NoSuchColumn=1"));
    QCOMPARE(binder.Load(&db), 1); // errors are not the binder's to show
    QCOMPARE(grid.DataRows(), 0);
    QVERIFY(!binder.GetLastError().isEmpty());

    // No transaction of the page is left open: a write is committed at once
    // and seen by a second connection.
    QVERIFY2(db.Execute(QStringLiteral("update CustomerData set CustomerName='changed' where "
                                       "KeyId=1")),
             qPrintable(db.GetLastError()));
    DbConnection other;
    QCOMPARE(other.Open(test.ConnectionString()), 1);
    QString names;
    QCOMPARE(other.JoinColumnValues(
                 QStringLiteral("select CustomerName from CustomerData where KeyId=1"), names),
             1);
    QCOMPARE(names, QStringLiteral("changed"));
}

QTEST_GUILESS_MAIN(tst_QueryBinder)
#include "tst_querybinder.moc"
