#include "TestDatabases.h"

#include "base/CsvRecordParser.h"
#include "db/DbConnection.h"
#include "db/FieldInfoList.h"
#include "db/TableImporter.h"
#include "net/Gbk.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kOpenFailed = QStringLiteral("打开源文件失败!");
const QString kCustomers = QStringLiteral("CustomerData");

class ImportFixture {
public:
    explicit ImportFixture(const QString& connectionString) {
        opened = db.Open(connectionString) == 1;
        importer.SetConnection(&db);
    }
    QString Write(const QByteArray& bytes) {
        QFile file(dir.filePath(QStringLiteral("in%1.csv").arg(++files)));
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
};

void tst_TableImporter::valuesTypesAndDefaults() {
    TORVEL_TEST_DATABASE(test);
    ImportFixture f(test.ConnectionString());
    QVERIFY(f.opened);
    FieldInfoList fields;
    fields.Add(QStringLiteral("CustomerId"), QString(), QString(), 3);
    fields.Add(QStringLiteral("Price"), QString(), QString(), 5);
    fields.Add(QStringLiteral("Quantity"), QString(), QStringLiteral("1"), 3);
    fields.Add(QStringLiteral("Comment"), QString(), QStringLiteral("无"));
    f.importer.SetFieldInfo(&fields);
    const QStringList columns = {
        QStringLiteral("CustomerId"), QStringLiteral("CustomerName"), QString(),
        QStringLiteral("Price"),      QStringLiteral("Quantity"),     QStringLiteral("Comment")};
    const QString path = f.WriteGbk(QStringLiteral("编号,名称,忽略,单价,数量,备注\r\n"
                                                   "7,O'Brien,x,12.5,3,\"有,逗号\"\r\n"
                                                   "8,短行\r\n"
                                                   "\r\n"
                                                   "9,\"两行\n文字\",,abc,2.9x,\"a \"\"b\"\"\"\r\n"
                                                   "10,多余,,1e2,-4,备注,多余,更多"));
    QCOMPARE(f.importer.Import(path, QStringLiteral("OrderData"), columns), 5);
    QVERIFY2(f.importer.GetErrorText().isEmpty(), qPrintable(f.importer.GetErrorText()));

    QStringList rows = f.Rows(QStringLiteral("select CustomerId || '|' || CustomerName || '|' || "
                                             "Price || '|' || Quantity || '|' || Comment from "
                                             "OrderData order by KeyId"));
    for (QString& row : rows) // each engine spells a whole double its own way
        row.replace(QStringLiteral(".0|"), QStringLiteral("|"));
    QCOMPARE(rows, QStringList({QStringLiteral("7|O'Brien|12.5|3|有,逗号"),
                                // missing values take their defaults, numbers 0
                                QStringLiteral("8|短行|0|1|无"),
                                // a blank line is a record of one empty field
                                QStringLiteral("0||0|1|无"),
                                QStringLiteral("9|两行\r\n文字|0|2|a \"\"b\"\""),
                                QStringLiteral("10|多余|100|-4|备注")}));

    // Without a column list the table's own columns are used, in order.
    QVERIFY(f.db.Execute(QStringLiteral("create table ImportMe (KeyId Integer, Name TEXT(20))")));
    f.importer.SetFieldInfo(nullptr);
    QCOMPARE(f.importer.Import(f.WriteGbk(QStringLiteral("k,n\r\n1,一\r\n2,二\r\n")),
                               QStringLiteral("ImportMe")),
             2);
    QCOMPARE(f.Rows(QStringLiteral("select (KeyId + 1) || Name from ImportMe order by KeyId")),
             QStringList({QStringLiteral("2一"), QStringLiteral("3二")}));
    QCOMPARE(f.importer.Import(path, QStringLiteral("NoSuchTable")), 0);
    QVERIFY(f.importer.GetErrorText().startsWith(QStringLiteral("select * from NoSuchTable")));
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
    QVERIFY(f.db.Execute(QStringLiteral("insert into CustomerData (KeyId, CustomerName) values "
                                        "(5, '已有')")));
    // Key 5 is taken before the import and key 3 comes twice: the third,
    // fifth and eighth records fail.
    const QString path = f.WriteGbk(QStringLiteral("KeyId,Name\r\n1,a\r\n2,b\r\n5,c\r\n3,d\r\n"
                                                   "3,e\r\n6,f\r\n7,g\r\n5,h\r\n8,i\r\n"));
    FieldInfoList fields;
    fields.Add(QStringLiteral("KeyId"), QString(), QString(), 3);
    f.importer.SetFieldInfo(&fields);
    f.importer.SetBatchRows(batchRows);
    QCOMPARE(f.importer.Import(path, kCustomers,
                               {QStringLiteral("KeyId"), QStringLiteral("CustomerName")}),
             6);
    QCOMPARE(f.Rows(QStringLiteral("select KeyId || CustomerName from CustomerData order by "
                                   "KeyId")),
             QStringList({QStringLiteral("1a"), QStringLiteral("2b"), QStringLiteral("3d"),
                          QStringLiteral("5已有"), QStringLiteral("6f"), QStringLiteral("7g"),
                          QStringLiteral("8i")}));

    // Each failure: its statement, CR LF and the database's own text.
    QString expected;
    for (const char* row : {"5,'c'", "3,'e'", "5,'h'"}) {
        const QString statement =
            QStringLiteral("insert into CustomerData(KeyId,CustomerName) values (%1)")
                .arg(QString::fromLatin1(row));
        QVERIFY(!f.db.Execute(statement));
        expected += statement + QStringLiteral("\r\n") + f.db.GetLastError();
    }
    QCOMPARE(f.importer.GetErrorText(), expected);
}

void tst_TableImporter::stopKeepsWrittenRows() {
    TORVEL_TEST_DATABASE(test);
    ImportFixture f(test.ConnectionString());
    QVERIFY(f.opened);
    QString csv = QStringLiteral("Name\r\n");
    for (int i = 1; i <= 10; ++i)
        csv += QStringLiteral("客户%1\r\n").arg(i);
    f.importer.SetBatchRows(4);
    QList<qint64> seen;
    f.importer.SetProgress([&](qint64 done, qint64) {
        seen << done;
        return seen.size() < 6;
    });
    // Rows 1-4 fill a transaction, 5 and 6 are committed by the stop.
    QCOMPARE(f.importer.Import(f.WriteGbk(csv), kCustomers,
                               {QStringLiteral("CustomerName"), QStringLiteral("#")}),
             6);
    QVERIFY(seen[0] > 0 && seen[0] < seen[5]);
    DbConnection other;
    QCOMPARE(other.Open(test.ConnectionString()), 1);
    QString keys;
    other.JoinColumnValues(QStringLiteral("select KeyId from CustomerData order by KeyId"), keys);
    QCOMPARE(keys, QStringLiteral("1;2;3;4;5;6"));

    // A stray quote swallows the rest into one record: progress still comes
    // while it grows, a stop ends the read there, and the user learns where
    // the quote began.
    csv = QStringLiteral("Name\r\n甲\r\n乙\r\n\"丙\r\n");
    for (int i = 1; i <= 3 * CsvRecordParser::kProgressLines; ++i)
        csv += QStringLiteral("客户%1\r\n").arg(i);
    seen.clear();
    f.importer.SetProgress([&](qint64 done, qint64) {
        seen << done;
        return seen.size() < 3;
    });
    QCOMPARE(f.importer.Import(f.WriteGbk(csv), kCustomers,
                               {QStringLiteral("CustomerName"), QStringLiteral("#")}),
             2);
    QVERIFY(seen.size() == 3 && seen[2] < csv.size() / 2);
    QVERIFY(f.importer.GetErrorText().startsWith(
        QStringLiteral("导入在读取第4行开始的引号字段时被中止")));
}

void tst_TableImporter::troublesomeFiles() {
    TORVEL_TEST_DATABASE(test);
    ImportFixture f(test.ConnectionString());
    QVERIFY(f.opened);
    QVERIFY(f.db.Execute(QStringLiteral("insert into CustomerData (KeyId) values (41)")));
    // "#" numbers from the largest key + 1 and takes no field of its own place.
    const QStringList columns = {QStringLiteral("CustomerName"), QStringLiteral("#"),
                                 QStringLiteral("Contact")};

    QCOMPARE(f.importer.Import(f.dir.filePath(QStringLiteral("missing.csv")), kCustomers, columns),
             0);
    QCOMPARE(f.importer.GetErrorText(), kOpenFailed);
    // A spreadsheet's binary format is no text: refused, nothing written.
    QCOMPARE(f.importer.Import(f.Write(QByteArray("PK\x03\x04\x14\x00\x06\x00,a\r\n", 12)),
                               kCustomers, columns),
             0);
    QCOMPARE(f.importer.GetErrorText(), kOpenFailed);
    QVERIFY(f.importer.GetFileError().contains(QStringLiteral("不是文本文件")));
    QCOMPARE(f.importer.Import(f.Write(QByteArray()), kCustomers, columns), 0);
    QCOMPARE(f.importer.Import(f.Write("name,x,contact\r\n"), kCustomers, columns), 0);
    QVERIFY(f.importer.GetErrorText().isEmpty());

    // GBK, UTF-8 with a BOM and without one: the same text arrives.
    const QString row = QStringLiteral("名称,x,联系人\r\n北京「东方」公司,x,张三\r\n");
    QCOMPARE(f.importer.Import(f.Write(Gbk::Encode(row)), kCustomers, columns), 1);
    QCOMPARE(f.importer.Import(f.Write("\xEF\xBB\xBF" + row.toUtf8()), kCustomers, columns), 1);
    QCOMPARE(f.importer.Import(f.Write(row.toUtf8()), kCustomers, columns), 1);

    // A quote left open swallows the rest of the file: the rows before it
    // arrive, its completed fields make its row, the error text says where.
    QCOMPARE(f.importer.Import(f.WriteGbk(QStringLiteral("n,x,c\r\n甲,,一\r\n乙,,\"二\r\n丙,,三")),
                               kCustomers, columns),
             2);
    QVERIFY2(f.importer.GetErrorText().contains(QStringLiteral("第3行")),
             qPrintable(f.importer.GetErrorText()));
    QCOMPARE(f.Rows(QStringLiteral("select KeyId || CustomerName || '/' || Contact from "
                                   "CustomerData where KeyId > 41 order by KeyId")),
             QStringList({QStringLiteral("42北京「东方」公司/张三"),
                          QStringLiteral("43北京「东方」公司/张三"),
                          QStringLiteral("44北京「东方」公司/张三"), QStringLiteral("45甲/一"),
                          QStringLiteral("46乙/")}));
}

QTEST_GUILESS_MAIN(tst_TableImporter)
#include "tst_tableimporter.moc"
