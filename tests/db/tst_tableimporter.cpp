#include "TestDatabases.h"

#include "base/CsvRecordParser.h"
#include "db/DbConnection.h"
#include "db/FieldInfoList.h"
#include "db/TableImporter.h"
#include "net/Gbk.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString kOpenFailed = u"打开源文件失败!"_s;
const QString kCustomers = u"CustomerData"_s;

class ImportFixture {
public:
    explicit ImportFixture(const QString& connectionString) {
        opened = db.Open(connectionString) == 1;
        importer.SetConnection(&db);
    }
    QString Write(const QByteArray& bytes) {
        QFile file(dir.filePath(u"in%1.csv"_s.arg(++files)));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()
                   ? file.fileName()
                   : QString();
    }
    QString WriteGbk(const QString& text) { return Write(Gbk::Encode(text)); }
    QStringList Rows(const QString& sql) {
        QString joined;
        db.JoinColumnValues(sql, joined);
        return joined.isEmpty() ? QStringList() : joined.split(QLatin1Char(';'));
    }

    QTemporaryDir dir;
    DbConnection db;
    TableImporter importer;
    bool opened = false;
    int files = 0;
};

} // namespace

class tst_TableImporter : public QObject {
    Q_OBJECT

private slots:
    void valuesTypesAndDefaults_data() { TestDatabase::AddEngineRows(); }
    void valuesTypesAndDefaults();
    void failingRowsKeepTheirNeighbours_data();
    void failingRowsKeepTheirNeighbours();
    void stopKeepsWrittenRows_data() { TestDatabase::AddEngineRows(); }
    void stopKeepsWrittenRows();
    void troublesomeFiles_data() { TestDatabase::AddEngineRows(); }
    void troublesomeFiles();
    void failedCommitKeepsTheBatchRows_data();
    void failedCommitKeepsTheBatchRows();
    void failedBeginAndTimedClose_data() { TestDatabase::AddEngineRows(); }
    void failedBeginAndTimedClose();
};

void tst_TableImporter::valuesTypesAndDefaults() {
    TORVEL_TEST_DATABASE(test);
    ImportFixture f(test.ConnectionString());
    QVERIFY(f.opened);
    FieldInfoList fields;
    fields.Add(u"CustomerId"_s, QString(), QString(), 3);
    fields.Add(u"Price"_s, QString(), QString(), 5);
    fields.Add(u"Quantity"_s, QString(), u"1"_s, 3);
    fields.Add(u"Comment"_s, QString(), u"无"_s);
    f.importer.SetFieldInfo(&fields);
    const QStringList columns = {u"CustomerId"_s, u"CustomerName"_s, QString(),
                                 u"Price"_s,      u"Quantity"_s,     u"Comment"_s};
    const QString path = f.WriteGbk(u"编号,名称,忽略,单价,数量,备注\r\n"
                                    "7,O'Brien,x,12.5,3,\"有,逗号\"\r\n"
                                    "8,短行\r\n"
                                    "\r\n"
                                    "9,\"两行\n文字\",,abc,2.9x,\"a \"\"b\"\"\"\r\n"
                                    "10,多余,,1e2,-4,备注,多余,更多"_s);
    QCOMPARE(f.importer.Import(path, u"OrderData"_s, columns), 5);
    QVERIFY2(f.importer.GetErrorText().isEmpty(), qPrintable(f.importer.GetErrorText()));

    QStringList rows = f.Rows(u"select CustomerId || '|' || CustomerName || '|' || "
                              "Price || '|' || Quantity || '|' || Comment from "
                              "OrderData order by KeyId"_s);
    for (QString& row : rows) // each engine spells a whole double its own way
        row.replace(u".0|"_s, u"|"_s);
    QCOMPARE(rows, QStringList({u"7|O'Brien|12.5|3|有,逗号"_s,
                                // missing values take their defaults, numbers 0
                                u"8|短行|0|1|无"_s,
                                // a blank line is a record of one empty field
                                u"0||0|1|无"_s, u"9|两行\r\n文字|0|2|a \"b\""_s,
                                u"10|多余|100|-4|备注"_s}));

    // Without a column list the table's own columns are used, in order.
    QVERIFY(f.db.Execute(u"create table ImportMe (KeyId Integer, Name TEXT(20))"_s));
    f.importer.SetFieldInfo(nullptr);
    QCOMPARE(f.importer.Import(f.WriteGbk(u"k,n\r\n1,一\r\n2,二\r\n"_s), u"ImportMe"_s), 2);
    QCOMPARE(f.Rows(u"select (KeyId + 1) || Name from ImportMe order by KeyId"_s),
             QStringList({u"2一"_s, u"3二"_s}));
    QCOMPARE(f.importer.Import(path, u"NoSuchTable"_s), 0);
    QVERIFY(f.importer.GetErrorText().startsWith(u"select * from NoSuchTable"_s));
}

void tst_TableImporter::failingRowsKeepTheirNeighbours_data() {
    QTest::addColumn<QString>("engine");
    QTest::addColumn<int>("batchRows");
    for (const char* engine : {"sqlite", "postgresql"}) {
        for (int batch : {1, 3, 500})
            QTest::addRow("%s, %d a transaction", engine, batch)
                << QString::fromLatin1(engine) << batch;
    }
}

void tst_TableImporter::failingRowsKeepTheirNeighbours() {
    QFETCH(int, batchRows);
    TORVEL_TEST_DATABASE(test);
    ImportFixture f(test.ConnectionString());
    QVERIFY(f.opened);
    QVERIFY(f.db.Execute(u"insert into CustomerData (KeyId, CustomerName) values "
                         "(5, '已有')"_s));
    // Key 5 is taken before the import and key 3 comes twice: the third,
    // fifth and eighth records fail.
    const QString path = f.WriteGbk(u"KeyId,Name\r\n1,a\r\n2,b\r\n5,c\r\n3,d\r\n"
                                    "3,e\r\n6,f\r\n7,g\r\n5,h\r\n8,i\r\n"_s);
    FieldInfoList fields;
    fields.Add(u"KeyId"_s, QString(), QString(), 3);
    f.importer.SetFieldInfo(&fields);
    f.importer.SetBatchRows(batchRows);
    QCOMPARE(f.importer.Import(path, kCustomers, {u"KeyId"_s, u"CustomerName"_s}), 6);
    QCOMPARE(f.Rows(u"select KeyId || CustomerName from CustomerData order by "
                    "KeyId"_s),
             QStringList({u"1a"_s, u"2b"_s, u"3d"_s, u"5已有"_s, u"6f"_s, u"7g"_s, u"8i"_s}));

    // Each failure: its statement, CR LF and the database's own text.
    QString expected;
    for (const char* row : {"5,'c'", "3,'e'", "5,'h'"}) {
        const QString statement = u"insert into CustomerData(KeyId,CustomerName) values (%1)"_s.arg(
            QString::fromLatin1(row));
        QVERIFY(!f.db.Execute(statement));
        expected += statement + u"\r\n"_s + f.db.GetLastError();
    }
    QCOMPARE(f.importer.GetErrorText(), expected);
}

void tst_TableImporter::stopKeepsWrittenRows() {
    TORVEL_TEST_DATABASE(test);
    ImportFixture f(test.ConnectionString());
    QVERIFY(f.opened);
    QString csv = u"Name\r\n"_s;
    for (int i = 1; i <= 10; ++i)
        csv += u"客户%1\r\n"_s.arg(i);
    f.importer.SetBatchRows(4);
    QList<qint64> seen;
    f.importer.SetProgress([&](qint64 done, qint64) {
        seen << done;
        return seen.size() < 6;
    });
    // Rows 1-4 fill a transaction, 5 and 6 are committed by the stop.
    QCOMPARE(f.importer.Import(f.WriteGbk(csv), kCustomers, {u"CustomerName"_s, u"#"_s}), 6);
    QVERIFY(seen[0] > 0 && seen[0] < seen[5]);
    DbConnection other;
    QCOMPARE(other.Open(test.ConnectionString()), 1);
    QString keys;
    other.JoinColumnValues(u"select KeyId from CustomerData order by KeyId"_s, keys);
    QCOMPARE(keys, u"1;2;3;4;5;6"_s);

    // A stray quote swallows the rest into one record: progress still comes
    // while it grows, a stop ends the read there, and the user learns where
    // the quote began.
    csv = u"Name\r\n甲\r\n乙\r\n\"丙\r\n"_s;
    for (int i = 1; i <= 3 * CsvRecordParser::kProgressLines; ++i)
        csv += u"客户%1\r\n"_s.arg(i);
    seen.clear();
    f.importer.SetProgress([&](qint64 done, qint64) {
        seen << done;
        return seen.size() < 3;
    });
    QCOMPARE(f.importer.Import(f.WriteGbk(csv), kCustomers, {u"CustomerName"_s, u"#"_s}), 2);
    QVERIFY(seen.size() == 3 && seen[2] < csv.size() / 2);
    QVERIFY(f.importer.GetErrorText().startsWith(u"导入在读取第4行开始的引号字段时被中止"_s));
}

void tst_TableImporter::troublesomeFiles() {
    TORVEL_TEST_DATABASE(test);
    ImportFixture f(test.ConnectionString());
    QVERIFY(f.opened);
    QVERIFY(f.db.Execute(u"insert into CustomerData (KeyId) values (41)"_s));
    // "#" numbers from the largest key + 1 and takes no field of its own place.
    const QStringList columns = {u"CustomerName"_s, u"#"_s, u"Contact"_s};

    QCOMPARE(f.importer.Import(f.dir.filePath(u"missing.csv"_s), kCustomers, columns), 0);
    QCOMPARE(f.importer.GetErrorText(), kOpenFailed);
    // A spreadsheet's binary format is no text: refused, nothing written.
    QCOMPARE(f.importer.Import(f.Write(QByteArray("PK\x03\x04\x14\x00\x06\x00,a\r\n", 12)),
                               kCustomers, columns),
             0);
    QCOMPARE(f.importer.GetErrorText(), kOpenFailed);
    QVERIFY(f.importer.GetFileError().contains(u"不是文本文件"_s));
    QCOMPARE(f.importer.Import(f.Write(QByteArray()), kCustomers, columns), 0);
    QCOMPARE(f.importer.Import(f.Write("name,x,contact\r\n"), kCustomers, columns), 0);
    QVERIFY(f.importer.GetErrorText().isEmpty());

    // A quote left open swallows the rest of the file: the rows before it
    // arrive, its completed fields make its row, the error text says where.
    QCOMPARE(f.importer.Import(f.WriteGbk(u"n,x,c\r\n甲,,一\r\n乙,,\"二\r\n丙,,三"_s), kCustomers,
                               columns),
             2);
    QVERIFY2(f.importer.GetErrorText().contains(u"第3行"_s), qPrintable(f.importer.GetErrorText()));
    QCOMPARE(f.Rows(u"select KeyId || CustomerName || '/' || Contact from "
                    "CustomerData where KeyId > 41 order by KeyId"_s),
             QStringList({u"42甲/一"_s, u"43乙/"_s}));
}

void tst_TableImporter::failedCommitKeepsTheBatchRows_data() {
    QTest::addColumn<QString>("engine");
    QTest::addColumn<int>("batchRows");
    for (const char* engine : {"sqlite", "postgresql"}) {
        for (int batch : {2, 500})
            QTest::addRow("%s, %d a transaction", engine, batch)
                << QString::fromLatin1(engine) << batch;
    }
}

// A reference checked only at commit lets every insert through and fails the
// COMMIT: the rows of that transaction that are fine must still arrive, the
// count must say so, and the commit's failure must be reported.
void tst_TableImporter::failedCommitKeepsTheBatchRows() {
    QFETCH(int, batchRows);
    TORVEL_TEST_DATABASE(test);
    ImportFixture f(test.ConnectionString());
    QVERIFY(f.opened);
    if (!test.IsPostgres())
        QVERIFY(f.db.Execute(u"pragma foreign_keys = on"_s));
    QVERIFY(f.db.Execute(u"create table ImportParent (KeyId integer primary key)"_s));
    QVERIFY(f.db.Execute(u"insert into ImportParent (KeyId) values (1)"_s));
    QVERIFY(f.db.Execute(u"create table ImportChild (KeyId integer, ParentId integer "
                         "references ImportParent(KeyId) deferrable initially deferred)"_s));
    FieldInfoList fields;
    fields.Add(u"KeyId"_s, QString(), QString(), 3);
    fields.Add(u"ParentId"_s, QString(), QString(), 3);
    f.importer.SetFieldInfo(&fields);
    f.importer.SetBatchRows(batchRows);
    const QString path = f.WriteGbk(u"k,p\r\n1,1\r\n2,99\r\n3,1\r\n4,1\r\n"_s);
    QCOMPARE(f.importer.Import(path, u"ImportChild"_s, {u"KeyId"_s, u"ParentId"_s}), 3);
    QCOMPARE(f.Rows(u"select KeyId from ImportChild order by KeyId"_s),
             QStringList({u"1"_s, u"3"_s, u"4"_s}));
    const QString errors = f.importer.GetErrorText();
    QVERIFY2(errors.startsWith(u"commit\r\n"_s) &&
                 errors.contains(u"insert into ImportChild(KeyId,ParentId) values (2,99)\r\n"_s),
             qPrintable(errors));
    // The connection is usable and outside any transaction afterwards.
    QVERIFY(f.db.Execute(u"begin"_s));
    QVERIFY(f.db.Execute(u"rollback"_s));
}

// A BEGIN refused because the caller holds a transaction writes each row on
// its own inside the caller's transaction and never ends it; a transaction
// older than kBatchMillis is committed without waiting for kBatchRows.
void tst_TableImporter::failedBeginAndTimedClose() {
    TORVEL_TEST_DATABASE(test);
    ImportFixture f(test.ConnectionString());
    QVERIFY(f.opened);
    DbConnection other;
    QCOMPARE(other.Open(test.ConnectionString()), 1);
    auto visible = [&] {
        QString count;
        other.JoinColumnValues(u"select count(*) from CustomerData"_s, count);
        return count.toInt();
    };
    const QString path = f.WriteGbk(u"n\r\na\r\nb\r\nc\r\nd\r\ne\r\n"_s);
    const QStringList columns = {u"CustomerName"_s, u"#"_s};

    f.importer.SetBatchRows(2);
    int records = 0;
    f.importer.SetProgress([&](qint64, qint64) {
        if (++records == 2) // the first transaction is committed: hold one open
            f.db.Execute(u"begin"_s);
        return true;
    });
    QCOMPARE(f.importer.Import(path, kCustomers, columns), 5);
    QVERIFY2(f.importer.GetErrorText().isEmpty(), qPrintable(f.importer.GetErrorText()));
    QCOMPARE(f.db.Execute(u"commit"_s), 1); // still the caller's to end
    QCOMPARE(visible(), 5);

    QVERIFY(f.db.Execute(u"delete from CustomerData"_s));
    f.importer.SetBatchRows(TableImporter::kBatchRows);
    QList<int> seen;
    f.importer.SetProgress([&](qint64, qint64) {
        seen << visible();
        if (seen.size() == 1)
            QTest::qSleep(TableImporter::kBatchMillis + 100);
        return true;
    });
    QCOMPARE(f.importer.Import(path, kCustomers, columns), 5);
    QCOMPARE(seen, QList<int>({0, 2, 2, 2, 2}));
    QCOMPARE(visible(), 5);
}

QTEST_GUILESS_MAIN(tst_TableImporter)
#include "tst_tableimporter.moc"
