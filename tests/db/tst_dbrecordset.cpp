#include "TestDatabases.h"

#include "db/AdoType.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"

#include <QDir>
#include <QFileInfo>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString kNoField =
    u"Item cannot be found in the collection corresponding to the requested name or ordinal."_s;

// How many descriptors of this process have the file open.
int OpenHandles(const QString& path) {
    int count = 0;
    const QString target = QFileInfo(path).canonicalFilePath();
    for (const QFileInfo& fd :
         QDir(u"/proc/self/fd"_s)
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
    void writtenNumbersKeepEveryDigit_data() { TestDatabase::AddEngineRows(); }
    void writtenNumbersKeepEveryDigit();
    void refusedWrites_data() { TestDatabase::AddEngineRows(); }
    void refusedWrites();
    void nestedStatementsWhileReading_data() { TestDatabase::AddEngineRows(); }
    void nestedStatementsWhileReading();
    void closingConnectionClosesRecordsets_data() { TestDatabase::AddEngineRows(); }
    void closingConnectionClosesRecordsets();
};

void tst_DbRecordset::readFields() {
    TORVEL_TEST_CONNECTION(test);
    QCOMPARE(
        db.Execute(u"insert into OrderData (CustomerId, CustomerName, Price, Quantity, FDTotal, "
                   "FDTime) values (3, '张三''s 公司', 12.5, 4, 0.1, '2008-03-05 14:07:09')"_s),
        1);

    DbRecordset rs(db);
    QCOMPARE(rs.Open(u"select KeyId, CustomerName, Quantity, Price, FDTotal, "
                     "FDTime, Price * Quantity as Amount from OrderData"_s),
             1);
    QVERIFY(!rs.IsEOF());
    QCOMPARE(rs.GetFieldCount(), 7);
    const QStringList names = {u"KeyId"_s,   u"CustomerName"_s, u"Quantity"_s, u"Price"_s,
                               u"FDTotal"_s, u"FDTime"_s,       u"Amount"_s};
    const int types[] = {AdoType::Integer, AdoType::VarChar, AdoType::Integer,
                         AdoType::Double,  AdoType::Double,  AdoType::VarChar};
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(rs.GetFieldName(i), names[i]); // as written, on both engines
        QCOMPARE(rs.GetFieldType(i), types[i]);
    }
    QCOMPARE(rs.GetFieldName(6), names[6]);
    QVERIFY(AdoType::IsFloating(rs.GetFieldType(6)));

    QCOMPARE(rs.GetString(u"customername"_s), u"张三's 公司"_s);
    QCOMPARE(rs.GetLong(u"KEYID"_s), 1);
    QCOMPARE(rs.GetString(u"Price"_s), u"12.5"_s);
    QCOMPARE(rs.GetString(u"FDTotal"_s), u"0.1"_s);
    QCOMPARE(rs.GetString(u"amount"_s), u"50"_s);
    QCOMPARE(rs.GetDouble(u"Price"_s), 12.5);
    QCOMPARE(rs.GetLong(u"Price"_s), 12); // half to even
    QCOMPARE(rs.GetString(u"FDTime"_s), u"2008-03-05 14:07:09"_s);
    QCOMPARE(rs.GetLong(u"FDTime"_s), 0); // not a number
    QCOMPARE(rs.GetLastError(), u"Type mismatch."_s);

    // Totals of an empty selection are NULL: read as nothing, 0 and 0.0.
    QCOMPARE(rs.Open(u"select sum(fdTotal) as asSum, count(*) as asCount from "
                     "OrderData where 1=0"_s),
             1);
    QVERIFY(rs.GetString(u"asSum"_s).isNull());
    QCOMPARE(rs.GetDouble(u"assum"_s), 0.0);
    QCOMPARE(rs.GetString(u"asCount"_s), u"0"_s);
}

void tst_DbRecordset::nullsAndMissingFields() {
    TORVEL_TEST_CONNECTION(test);
    QCOMPARE(db.Execute(u"insert into PurchaseData (StockName, Price, Quantity) "
                        "values (NULL, NULL, NULL)"_s),
             1);
    DbRecordset rs(db);
    QCOMPARE(rs.Open(u"select * from PurchaseData"_s), 1);
    QVERIFY(rs.GetString(u"StockName"_s).isNull());
    QCOMPARE(rs.GetLong(u"Quantity"_s), 0);
    QCOMPARE(rs.GetDouble(u"Price"_s), 0.0);
    // Columns left out of the insert take their defaults, not NULL.
    QCOMPARE(rs.GetString(u"Comment"_s), u""_s);
    QCOMPARE(rs.GetString(u"Carriage"_s), u"0"_s);

    QVERIFY(rs.GetString(u"Nothing"_s).isNull());
    QCOMPARE(rs.GetLastError(), kNoField);
    QCOMPARE(rs.GetLong(u"Nothing"_s), 0);
    QVERIFY(rs.GetString(99).isNull());
    QCOMPARE(rs.GetLastError(), kNoField);
    QVERIFY(rs.GetFieldName(-1).isNull());
    QCOMPARE(rs.GetFieldType(99), AdoType::VarChar);
}

void tst_DbRecordset::cursorStates() {
    TORVEL_TEST_CONNECTION(test);
    DbRecordset rs(db);
    QVERIFY(rs.IsEOF()); // nothing open yet

    QCOMPARE(rs.Open(u"select * from TrackPlan"_s), 1);
    QVERIFY(rs.IsEOF());
    QVERIFY(rs.IsEmpty());
    QVERIFY(rs.GetString(u"Title"_s).isNull());
    QVERIFY(rs.GetLastError().contains(u"EOF"_s));

    QCOMPARE(rs.Open(u"select Name from PayMode order by KeyId"_s), 1);
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
    QCOMPARE(rs.Open(u"selec * from PayMode"_s), 0);
    QVERIFY(rs.GetLastError().contains(u"selec"_s));
    QCOMPARE(rs.Open(u"select count(*) as n from PayMode"_s), 1);
    QCOMPARE(rs.GetLong(u"n"_s), 5);
}

// AddNew + Update insert the row and show it as stored, with the key the
// database gave it; the same recordset then writes the next row.
void tst_DbRecordset::addNewReadsBackKey() {
    TORVEL_TEST_CONNECTION(test);
    QCOMPARE(db.Execute(u"insert into CustomizeField (FieldName) values ('x')"_s), 1);
    QCOMPARE(db.Execute(u"delete from CustomizeField"_s), 1); // key 1 is used up

    DbRecordset rs(db);
    QCOMPARE(rs.Open(u"select * from CustomizeField"_s), 1);
    QVERIFY(rs.IsEmpty());
    QCOMPARE(rs.AddNew(), 1);
    QCOMPARE(rs.SetString(u"TableName"_s, u"OrderData"_s), 1);
    QCOMPARE(rs.SetString(u"fieldname"_s, u"d1"_s), 1);
    QCOMPARE(rs.SetLong(u"DataType"_s, 200), 1);
    QCOMPARE(rs.SetLong(u"Nullable"_s, 1), 1);
    QCOMPARE(rs.GetString(u"FieldName"_s), u"d1"_s); // before Update
    QCOMPARE(rs.Update(), 1);
    QCOMPARE(rs.GetLong(u"KeyId"_s), 2);
    QCOMPARE(rs.GetString(u"Caption"_s), u""_s); // the default

    QCOMPARE(rs.AddNew(), 1);
    QCOMPARE(rs.SetString(u"FieldName"_s, u"d2"_s), 1);
    QCOMPARE(rs.SetDouble(u"DataType"_s, 5.0), 1);
    QCOMPARE(rs.Update(), 1);
    QCOMPARE(rs.GetLong(u"KeyId"_s), 3);
    QCOMPARE(rs.GetLong(u"DataType"_s), 5);
    QCOMPARE(db.GetMaxId(u"CustomizeField"_s), 3);

    // A program-keyed table: the caller writes the key.
    DbRecordset customers(db);
    QCOMPARE(customers.Open(u"select * from CustomerData where 1=0"_s), 1);
    QCOMPARE(customers.AddNew(), 1);
    QCOMPARE(customers.SetLong(u"KeyId"_s, db.GetMaxId(u"CustomerData"_s) + 1), 1);
    QCOMPARE(customers.Update(), 1);
    QCOMPARE(customers.GetLong(u"keyid"_s), 1);
    QCOMPARE(customers.GetString(u"ClassPath"_s), u"未分类/"_s);
}

// What AddNew / Update write and then show is the double itself, to the last
// bit, as the program computed it, also when read again later.
void tst_DbRecordset::writtenNumbersKeepEveryDigit() {
    TORVEL_TEST_CONNECTION(test);
    const double values[] = {0.1 + 0.2, 1234567.8912345678, -9.87654321e-7, 123456789012.25,
                             2.0 / 3.0};
    const qint32 big = 2147483647;
    DbRecordset rs(db);
    QCOMPARE(rs.Open(u"select KeyId, Price, Quantity, FDTotal from OrderData"_s), 1);
    for (const double value : values) {
        QCOMPARE(rs.AddNew(), 1);
        QCOMPARE(rs.SetDouble(u"Price"_s, value), 1);
        QCOMPARE(rs.SetDouble(u"FDTotal"_s, 0.5), 1);
        QCOMPARE(rs.SetLong(u"Quantity"_s, big), 1);
        QCOMPARE(rs.Update(), 1);
        QVERIFY2(rs.GetDouble(u"Price"_s) == value,
                 qPrintable(QString::number(rs.GetDouble(u"Price"_s), 'g', 17)));
        // An update writes over the row it just added.
        QCOMPARE(rs.SetDouble(u"FDTotal"_s, -value), 1);
        QCOMPARE(rs.Update(), 1);
        QVERIFY(rs.GetDouble(u"FDTotal"_s) == -value);
        QCOMPARE(rs.GetLong(u"Quantity"_s), big);
    }
    QCOMPARE(rs.Open(u"select Price, FDTotal from OrderData order by KeyId"_s), 1);
    for (const double value : values) {
        QVERIFY2(rs.GetDouble(u"Price"_s) == value && rs.GetDouble(u"FDTotal"_s) == -value,
                 qPrintable(QString::number(rs.GetDouble(u"Price"_s), 'g', 17)));
        rs.MoveNext();
    }
    QVERIFY(rs.IsEOF());
}

void tst_DbRecordset::updateCurrentRow() {
    TORVEL_TEST_CONNECTION(test);
    QCOMPARE(db.Execute(u"insert into OrderData (Price, Comment) values (1, 'a'), "
                        "(2, 'b'), (3, 'c')"_s),
             1);

    DbRecordset rs(db);
    QCOMPARE(rs.Open(u"select KeyId, Price, Comment from OrderData order by keyid"_s), 1);
    rs.MoveNext();
    QCOMPARE(rs.SetDouble(u"Price"_s, 9.25), 1);
    QCOMPARE(rs.SetString(u"Comment"_s, u"改过"_s), 1);
    QCOMPARE(rs.Update(), 1);
    QCOMPARE(rs.GetDouble(u"Price"_s), 9.25);
    rs.MoveNext(); // the cursor goes on after the updated row
    QCOMPARE(rs.GetString(u"Comment"_s), u"c"_s);
    QCOMPARE(rs.SetString(u"Comment"_s, QString()), 1);
    rs.MoveNext(); // moving on saves the write
    QVERIFY(rs.IsEOF());

    QCOMPARE(rs.Open(u"select * from OrderData order by KeyId"_s), 1);
    QStringList rows;
    for (; !rs.IsEOF(); rs.MoveNext()) {
        rows << rs.GetString(u"Price"_s) + QLatin1Char(':') + rs.GetString(u"Comment"_s);
    }
    QCOMPARE(rows, QStringList({u"1:a"_s, u"9.25:改过"_s, u"3:"_s}));
}

void tst_DbRecordset::refusedWrites() {
    TORVEL_TEST_CONNECTION(test);
    DbRecordset rs(db);

    QCOMPARE(rs.AddNew(), 0); // nothing open
    QCOMPARE(rs.Open(u"select count(*) as n from PayMode"_s), 1);
    QCOMPARE(rs.SetLong(u"n"_s, 3), 1);
    QCOMPARE(rs.Update(), 0); // a total belongs to no row
    QVERIFY(!rs.GetLastError().isEmpty());

    QCOMPARE(rs.Open(u"select p.Name from PayMode p, ProductData d"_s), 1);
    QCOMPARE(rs.AddNew(), 0);

    QCOMPARE(rs.Open(u"select Name from PayMode"_s), 1);
    QCOMPARE(rs.SetString(u"Name"_s, u"x"_s), 1);
    QCOMPARE(rs.Update(), 0); // without the key the row cannot be found
    QVERIFY(rs.GetLastError().contains(u"key"_s));
    QCOMPARE(rs.SetString(u"Missing"_s, u"x"_s), 0);
    QCOMPARE(rs.GetLastError(), kNoField);

    QCOMPARE(rs.Open(u"select * from PayMode where 1=0"_s), 1);
    QCOMPARE(rs.SetString(u"Name"_s, u"x"_s), 0); // no current row
    QCOMPARE(rs.AddNew(), 1);
    QCOMPARE(rs.SetString(u"KeyId"_s, u"not a number"_s), 1);
    // SQLite keeps any value in an INTEGER column except the row's own key.
    QCOMPARE(rs.Update(), 0);
    QVERIFY(!rs.GetLastError().isEmpty());
    QCOMPARE(db.GetMaxId(u"PayMode"_s), 5); // nothing written
}

// Callers read a list and write or look things up row by row on the same
// connection; no row may be lost to the statements in between.
void tst_DbRecordset::nestedStatementsWhileReading() {
    TORVEL_TEST_CONNECTION(test);
    for (int i = 1; i <= 30; ++i) {
        QCOMPARE(db.Execute(u"insert into CustomerClass (KeyId, ParentId, Name) "
                            "values (%1, %2, '类%1')"_s.arg(i)
                                .arg(i / 10)),
                 1);
    }
    DbRecordset outer(db);
    QCOMPARE(outer.Open(u"select * from CustomerClass order by KeyId"_s), 1);
    int visited = 0;
    while (!outer.IsEOF()) {
        const int key = outer.GetLong(u"KeyId"_s);
        QCOMPARE(key, visited + 1);
        DbRecordset children(db);
        QCOMPARE(children.Open(u"select keyid from CustomerClass where parentid=%1"_s.arg(key)), 1);
        QCOMPARE(db.Execute(u"update CustomerClass set ClassPath='/%1/' where "
                            "keyid=%1"_s.arg(key)),
                 1);
        if (key % 7 == 0) {
            QCOMPARE(outer.SetString(u"Name"_s, u"第七"_s), 1);
            QCOMPARE(outer.Update(), 1);
        }
        QCOMPARE(db.GetMaxId(u"CustomerClass"_s), 30);
        ++visited;
        outer.MoveNext();
    }
    QCOMPARE(visited, 30);
    QString out;
    QCOMPARE(db.JoinColumnValues(u"select Name from CustomerClass where "
                                 "ClassPath like '/%/' and keyid in (7, 8)"_s,
                                 out),
             2);
    QCOMPARE(out, u"第七;类8"_s);
}

// As restore does: close the connection while a recordset is still open,
// replace the file, open again. The file must really be let go of.
void tst_DbRecordset::closingConnectionClosesRecordsets() {
    TORVEL_TEST_CONNECTION(test);
    DbRecordset rs(db);
    QCOMPARE(rs.Open(u"select * from PayMode"_s), 1);
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
    QCOMPARE(rs.Open(u"select * from PayMode"_s), 1);
    QCOMPARE(db.Open(db.GetConnectionString()), 1); // reopening closes it again
    QVERIFY(rs.IsEOF());
}

QTEST_GUILESS_MAIN(tst_DbRecordset)
#include "tst_dbrecordset.moc"
