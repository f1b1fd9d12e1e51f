#include "TestDatabases.h"

#include "db/AdoType.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"

#include <QDir>
#include <QFileInfo>
#include <QtTest>

namespace {

const QString kNoField = QStringLiteral(
    "Item cannot be found in the collection corresponding to the requested name or ordinal.");

// How many descriptors of this process have the file open.
int OpenHandles(const QString& path) {
    int count = 0;
    const QString target = QFileInfo(path).canonicalFilePath();
    for (const QFileInfo& fd :
         QDir(QStringLiteral("/proc/self/fd"))
             .entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        if (fd.symLinkTarget() == target)
            ++count;
    }
    return count;
}

} // namespace

class tst_DbRecordset : public QObject {
    Q_OBJECT

private slots:
    void readFields_data() { TestDatabase::AddEngineRows(); }
    void readFields();
    void nullsAndMissingFields_data() { TestDatabase::AddEngineRows(); }
    void nullsAndMissingFields();
    void cursorStates_data() { TestDatabase::AddEngineRows(); }
    void cursorStates();
    void addNewReadsBackKey_data() { TestDatabase::AddEngineRows(); }
    void addNewReadsBackKey();
    void updateCurrentRow_data() { TestDatabase::AddEngineRows(); }
    void updateCurrentRow();
    void refusedWrites_data() { TestDatabase::AddEngineRows(); }
    void refusedWrites();
    void nestedStatementsWhileReading_data() { TestDatabase::AddEngineRows(); }
    void nestedStatementsWhileReading();
    void closingConnectionClosesRecordsets_data() { TestDatabase::AddEngineRows(); }
    void closingConnectionClosesRecordsets();
};

void tst_DbRecordset::readFields() {
    TORVEL_TEST_CONNECTION(test);
    QCOMPARE(db.Execute(QStringLiteral(
                 "insert into OrderData (CustomerId, CustomerName, Price, Quantity, FDTotal, "
                 "FDTime) values (3, '张三''s 公司', 12.5, 4, 0.1, '2008-03-05 14:07:09')")),
             1);

    DbRecordset rs(db);
    QCOMPARE(rs.Open(QStringLiteral("select KeyId, CustomerName, Quantity, Price, FDTotal, "
                                    "FDTime, Price * Quantity as Amount from OrderData")),
             1);
    QVERIFY(!rs.IsEOF());
    QCOMPARE(rs.GetFieldCount(), 7);
    const QStringList names = {QStringLiteral("KeyId"),    QStringLiteral("CustomerName"),
                               QStringLiteral("Quantity"), QStringLiteral("Price"),
                               QStringLiteral("FDTotal"),  QStringLiteral("FDTime"),
                               QStringLiteral("Amount")};
    const int types[] = {AdoType::Integer, AdoType::VarChar, AdoType::Integer,
                         AdoType::Double,  AdoType::Double,  AdoType::VarChar};
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(rs.GetFieldName(i), names[i]); // as written, on both engines
        QCOMPARE(rs.GetFieldType(i), types[i]);
    }
    QCOMPARE(rs.GetFieldName(6), names[6]);
    QVERIFY(AdoType::IsFloating(rs.GetFieldType(6)));

    QCOMPARE(rs.GetString(QStringLiteral("customername")), QStringLiteral("张三's 公司"));
    QCOMPARE(rs.GetLong(QStringLiteral("KEYID")), 1);
    QCOMPARE(rs.GetString(QStringLiteral("Price")), QStringLiteral("12.5"));
    QCOMPARE(rs.GetString(QStringLiteral("FDTotal")), QStringLiteral("0.1"));
    QCOMPARE(rs.GetString(QStringLiteral("amount")), QStringLiteral("50"));
    QCOMPARE(rs.GetDouble(QStringLiteral("Price")), 12.5);
    QCOMPARE(rs.GetLong(QStringLiteral("Price")), 12); // half to even
    QCOMPARE(rs.GetString(QStringLiteral("FDTime")), QStringLiteral("2008-03-05 14:07:09"));
    QCOMPARE(rs.GetLong(QStringLiteral("FDTime")), 0); // not a number
    QCOMPARE(rs.GetLastError(), QStringLiteral("Type mismatch."));

    // Totals of an empty selection are NULL: read as nothing, 0 and 0.0.
    QCOMPARE(rs.Open(QStringLiteral("select sum(fdTotal) as asSum, count(*) as asCount from "
                                    "OrderData where 1=0")),
             1);
    QVERIFY(rs.GetString(QStringLiteral("asSum")).isNull());
    QCOMPARE(rs.GetDouble(QStringLiteral("assum")), 0.0);
    QCOMPARE(rs.GetString(QStringLiteral("asCount")), QStringLiteral("0"));
}

void tst_DbRecordset::nullsAndMissingFields() {
    TORVEL_TEST_CONNECTION(test);
    QCOMPARE(db.Execute(QStringLiteral("insert into PurchaseData (StockName, Price, Quantity) "
                                       "values (NULL, NULL, NULL)")),
             1);
    DbRecordset rs(db);
    QCOMPARE(rs.Open(QStringLiteral("select * from PurchaseData")), 1);
    QVERIFY(rs.GetString(QStringLiteral("StockName")).isNull());
    QCOMPARE(rs.GetLong(QStringLiteral("Quantity")), 0);
    QCOMPARE(rs.GetDouble(QStringLiteral("Price")), 0.0);
    // Columns left out of the insert take their defaults, not NULL.
    QCOMPARE(rs.GetString(QStringLiteral("Comment")), QStringLiteral(""));
    QCOMPARE(rs.GetString(QStringLiteral("Carriage")), QStringLiteral("0"));

    QVERIFY(rs.GetString(QStringLiteral("Nothing")).isNull());
    QCOMPARE(rs.GetLastError(), kNoField);
    QCOMPARE(rs.GetLong(QStringLiteral("Nothing")), 0);
    QVERIFY(rs.GetString(99).isNull());
    QCOMPARE(rs.GetLastError(), kNoField);
    QVERIFY(rs.GetFieldName(-1).isNull());
    QCOMPARE(rs.GetFieldType(99), AdoType::VarChar);
}

void tst_DbRecordset::cursorStates() {
    TORVEL_TEST_CONNECTION(test);
    DbRecordset rs(db);
    QVERIFY(rs.IsEOF()); // nothing open yet

    QCOMPARE(rs.Open(QStringLiteral("select * from TrackPlan")), 1);
    QVERIFY(rs.IsEOF());
    QVERIFY(rs.IsEmpty());
    QVERIFY(rs.GetString(QStringLiteral("Title")).isNull());
    QVERIFY(rs.GetLastError().contains(QStringLiteral("EOF")));

    QCOMPARE(rs.Open(QStringLiteral("select Name from PayMode order by KeyId")), 1);
    QVERIFY(!rs.IsEmpty());
    QStringList seen;
    while (!rs.IsEOF()) {
        seen << rs.GetString(0);
        rs.MoveNext();
    }
    QCOMPARE(seen.size(), 5);
    QVERIFY(!rs.IsEmpty());
    rs.MoveNext(); // past the end: an error text, no crash
    QVERIFY(rs.IsEOF());

    // A bad statement fails with the provider's text; the connection goes on.
    QCOMPARE(rs.Open(QStringLiteral("selec * from PayMode")), 0);
    QVERIFY(rs.GetLastError().contains(QStringLiteral("selec")));
    QCOMPARE(rs.Open(QStringLiteral("select count(*) as n from PayMode")), 1);
    QCOMPARE(rs.GetLong(QStringLiteral("n")), 5);
}

// AddNew + Update insert the row and show it as stored, with the key the
// database gave it; the same recordset then writes the next row.
void tst_DbRecordset::addNewReadsBackKey() {
    TORVEL_TEST_CONNECTION(test);
    QCOMPARE(db.Execute(QStringLiteral("insert into CustomizeField (FieldName) values ('x')")), 1);
    QCOMPARE(db.Execute(QStringLiteral("delete from CustomizeField")), 1); // key 1 is used up

    DbRecordset rs(db);
    QCOMPARE(rs.Open(QStringLiteral("select * from CustomizeField")), 1);
    QVERIFY(rs.IsEmpty());
    QCOMPARE(rs.AddNew(), 1);
    QCOMPARE(rs.SetString(QStringLiteral("TableName"), QStringLiteral("OrderData")), 1);
    QCOMPARE(rs.SetString(QStringLiteral("fieldname"), QStringLiteral("d1")), 1);
    QCOMPARE(rs.SetLong(QStringLiteral("DataType"), 200), 1);
    QCOMPARE(rs.SetLong(QStringLiteral("Nullable"), 1), 1);
    QCOMPARE(rs.GetString(QStringLiteral("FieldName")), QStringLiteral("d1")); // before Update
    QCOMPARE(rs.Update(), 1);
    QCOMPARE(rs.GetLong(QStringLiteral("KeyId")), 2);
    QCOMPARE(rs.GetString(QStringLiteral("Caption")), QStringLiteral("")); // the default

    QCOMPARE(rs.AddNew(), 1);
    QCOMPARE(rs.SetString(QStringLiteral("FieldName"), QStringLiteral("d2")), 1);
    QCOMPARE(rs.SetDouble(QStringLiteral("DataType"), 5.0), 1);
    QCOMPARE(rs.Update(), 1);
    QCOMPARE(rs.GetLong(QStringLiteral("KeyId")), 3);
    QCOMPARE(rs.GetLong(QStringLiteral("DataType")), 5);
    QCOMPARE(db.GetMaxId(QStringLiteral("CustomizeField")), 3);

    // A program-keyed table: the caller writes the key.
    DbRecordset customers(db);
    QCOMPARE(customers.Open(QStringLiteral("select * from CustomerData where 1=0")), 1);
    QCOMPARE(customers.AddNew(), 1);
    QCOMPARE(
        customers.SetLong(QStringLiteral("KeyId"), db.GetMaxId(QStringLiteral("CustomerData")) + 1),
        1);
    QCOMPARE(customers.Update(), 1);
    QCOMPARE(customers.GetLong(QStringLiteral("keyid")), 1);
    QCOMPARE(customers.GetString(QStringLiteral("ClassPath")), QStringLiteral("未分类/"));
}

void tst_DbRecordset::updateCurrentRow() {
    TORVEL_TEST_CONNECTION(test);
    QCOMPARE(db.Execute(QStringLiteral("insert into OrderData (Price, Comment) values (1, 'a'), "
                                       "(2, 'b'), (3, 'c')")),
             1);

    DbRecordset rs(db);
    QCOMPARE(rs.Open(QStringLiteral("select KeyId, Price, Comment from OrderData order by keyid")),
             1);
    rs.MoveNext();
    QCOMPARE(rs.SetDouble(QStringLiteral("Price"), 9.25), 1);
    QCOMPARE(rs.SetString(QStringLiteral("Comment"), QStringLiteral("改过")), 1);
    QCOMPARE(rs.Update(), 1);
    QCOMPARE(rs.GetDouble(QStringLiteral("Price")), 9.25);
    rs.MoveNext(); // the cursor goes on after the updated row
    QCOMPARE(rs.GetString(QStringLiteral("Comment")), QStringLiteral("c"));
    QCOMPARE(rs.SetString(QStringLiteral("Comment"), QString()), 1);
    rs.MoveNext(); // moving on saves the write
    QVERIFY(rs.IsEOF());

    QCOMPARE(rs.Open(QStringLiteral("select * from OrderData order by KeyId")), 1);
    QStringList rows;
    for (; !rs.IsEOF(); rs.MoveNext()) {
        rows << rs.GetString(QStringLiteral("Price")) + QLatin1Char(':') +
                    rs.GetString(QStringLiteral("Comment"));
    }
    QCOMPARE(rows, QStringList(
                       {QStringLiteral("1:a"), QStringLiteral("9.25:改过"), QStringLiteral("3:")}));
}

void tst_DbRecordset::refusedWrites() {
    TORVEL_TEST_CONNECTION(test);
    DbRecordset rs(db);

    QCOMPARE(rs.AddNew(), 0); // nothing open
    QCOMPARE(rs.Open(QStringLiteral("select count(*) as n from PayMode")), 1);
    QCOMPARE(rs.SetLong(QStringLiteral("n"), 3), 1);
    QCOMPARE(rs.Update(), 0); // a total belongs to no row
    QVERIFY(!rs.GetLastError().isEmpty());

    QCOMPARE(rs.Open(QStringLiteral("select p.Name from PayMode p, ProductData d")), 1);
    QCOMPARE(rs.AddNew(), 0);

    QCOMPARE(rs.Open(QStringLiteral("select Name from PayMode")), 1);
    QCOMPARE(rs.SetString(QStringLiteral("Name"), QStringLiteral("x")), 1);
    QCOMPARE(rs.Update(), 0); // without the key the row cannot be found
    QVERIFY(rs.GetLastError().contains(QStringLiteral("key")));
    QCOMPARE(rs.SetString(QStringLiteral("Missing"), QStringLiteral("x")), 0);
    QCOMPARE(rs.GetLastError(), kNoField);

    QCOMPARE(rs.Open(QStringLiteral("select * from PayMode where 1=0")), 1);
    QCOMPARE(rs.SetString(QStringLiteral("Name"), QStringLiteral("x")), 0); // no current row
    QCOMPARE(rs.AddNew(), 1);
    QCOMPARE(rs.SetString(QStringLiteral("KeyId"), QStringLiteral("not a number")), 1);
    // SQLite keeps any value in an INTEGER column except the row's own key.
    QCOMPARE(rs.Update(), 0);
    QVERIFY(!rs.GetLastError().isEmpty());
    QCOMPARE(db.GetMaxId(QStringLiteral("PayMode")), 5); // nothing written
}

// Callers read a list and write or look things up row by row on the same
// connection; no row may be lost to the statements in between.
void tst_DbRecordset::nestedStatementsWhileReading() {
    TORVEL_TEST_CONNECTION(test);
    for (int i = 1; i <= 30; ++i) {
        QCOMPARE(db.Execute(QStringLiteral("insert into CustomerClass (KeyId, ParentId, Name) "
                                           "values (%1, %2, '类%1')")
                                .arg(i)
                                .arg(i / 10)),
                 1);
    }
    DbRecordset outer(db);
    QCOMPARE(outer.Open(QStringLiteral("select * from CustomerClass order by KeyId")), 1);
    int visited = 0;
    while (!outer.IsEOF()) {
        const int key = outer.GetLong(QStringLiteral("KeyId"));
        QCOMPARE(key, visited + 1);
        DbRecordset children(db);
        QCOMPARE(children.Open(
                     QStringLiteral("select keyid from CustomerClass where parentid=%1").arg(key)),
                 1);
        QCOMPARE(db.Execute(QStringLiteral("update CustomerClass set ClassPath='/%1/' where "
                                           "keyid=%1")
                                .arg(key)),
                 1);
        if (key % 7 == 0) {
            QCOMPARE(outer.SetString(QStringLiteral("Name"), QStringLiteral("第七")), 1);
            QCOMPARE(outer.Update(), 1);
        }
        QCOMPARE(db.GetMaxId(QStringLiteral("CustomerClass")), 30);
        ++visited;
        outer.MoveNext();
    }
    QCOMPARE(visited, 30);
    QString out;
    QCOMPARE(db.JoinColumnValues(QStringLiteral("select Name from CustomerClass where "
                                                "ClassPath like '/%/' and keyid in (7, 8)"),
                                 out),
             2);
    QCOMPARE(out, QStringLiteral("第七;类8"));
}

// As restore does: close the connection while a recordset is still open,
// replace the file, open again. The file must really be let go of.
void tst_DbRecordset::closingConnectionClosesRecordsets() {
    TORVEL_TEST_CONNECTION(test);
    DbRecordset rs(db);
    QCOMPARE(rs.Open(QStringLiteral("select * from PayMode")), 1);
    QVERIFY(!rs.IsEOF());
    if (!test.IsPostgres())
        QVERIFY(OpenHandles(test.FilePath()) > 0);

    db.Close();
    QVERIFY(rs.IsEOF());
    QCOMPARE(rs.GetFieldCount(), 0);
    if (!test.IsPostgres())
        QCOMPARE(OpenHandles(test.FilePath()), 0);
    rs.MoveNext(); // closed: an error text, no crash
    QVERIFY(!rs.GetLastError().isEmpty());

    QCOMPARE(db.Open(db.GetConnectionString()), 1);
    QCOMPARE(rs.Open(QStringLiteral("select * from PayMode")), 1);
    QCOMPARE(db.Open(db.GetConnectionString()), 1); // reopening closes it again
    QVERIFY(rs.IsEOF());
}

// SQLite results are read through SQLite directly unless TORVEL_SQLITE_QT_READER
// is set; both readers must give the same texts, numbers and types.
QTEST_GUILESS_MAIN(tst_DbRecordset)
#include "tst_dbrecordset.moc"
