#include "TestDatabases.h"

#include "db/DbConnection.h"
#include "db/FieldInfoList.h"
#include "db/TableImporter.h"
#include "net/Gbk.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kOpenFailed = QStringLiteral("打开源文件失败!");

class ImportFixture {
public:
    explicit ImportFixture(const QString& connectionString) {
        opened = db.Open(connectionString) == 1;
    }
    QString Write(const QByteArray& bytes, const QString& name = QStringLiteral("in.csv")) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return QString();
        return file.fileName();
    }
    QString WriteText(const QString& text) { return Write(Gbk::Encode(text)); }
    QStringList Rows(const QString& sql) {
        QString joined;
        db.JoinColumnValues(sql, joined);
        return joined.isEmpty() ? QStringList() : joined.split(QLatin1Char(';'));
    }

    QTemporaryDir dir;
    DbConnection db;
    bool opened = false;
};

// The text of the database's answer to a statement, as the importer saw it.
QString ErrorOf(DbConnection& db, const QString& statement) {
    if (db.Execute(statement))
        return QStringLiteral("<statement succeeded>");
    return db.GetLastError();
}

FieldInfoList OrderFields() {
    FieldInfoList fields;
    fields.Add(QStringLiteral("CustomerId"), QStringLiteral("客户编号"), QString(), 3);
    fields.Add(QStringLiteral("CustomerName"), QStringLiteral("客户名称"));
    fields.Add(QStringLiteral("Price"), QStringLiteral("单价"), QString(), 5);
    fields.Add(QStringLiteral("Quantity"), QStringLiteral("数量"), QStringLiteral("1"), 3);
    fields.Add(QStringLiteral("Comment"), QStringLiteral("备注"), QStringLiteral("无"));
    return fields;
}

const QStringList kOrderColumns = {
    QStringLiteral("CustomerId"), QStringLiteral("CustomerName"), QString(),
    QStringLiteral("Price"),      QStringLiteral("Quantity"),     QStringLiteral("Comment")};

} // namespace

class tst_TableImporter : public QObject {
    Q_OBJECT

private slots:
    void valuesTypesAndDefaults_data() { TestDatabase::AddEngineRows(); }
    void valuesTypesAndDefaults();
    void keyColumnNumbersFromLargestKey_data() { TestDatabase::AddEngineRows(); }
    void keyColumnNumbersFromLargestKey();
    void failingRowsKeepTheirNeighbours_data();
    void failingRowsKeepTheirNeighbours();
    void stopKeepsWrittenRows_data() { TestDatabase::AddEngineRows(); }
    void stopKeepsWrittenRows();
    void troublesomeFiles_data() { TestDatabase::AddEngineRows(); }
    void troublesomeFiles();
    void tableColumnsWhenNoneAreGiven_data() { TestDatabase::AddEngineRows(); }
    void tableColumnsWhenNoneAreGiven();
};

void tst_TableImporter::valuesTypesAndDefaults() {
    TORVEL_TEST_DATABASE(test);
    ImportFixture f(test.ConnectionString());
    QVERIFY(f.opened);
    const FieldInfoList fields = OrderFields();
    const QString path =
        f.WriteText(QStringLiteral("编号,名称,忽略,单价,数量,备注\r\n"
                                   "7,O'Brien,x,12.5,3,\"有,逗号\"\r\n"
                                   "8,短行\r\n"
                                   "\r\n"
                                   "9,\"两行\n文字\",,abc,2.9x,\"a \"\"b\"\" c\"\r\n"
                                   "10,多余字段,,1e2,-4,备注,多余,更多"));

    TableImporter importer;
    importer.SetConnection(&f.db);
    importer.SetFieldInfo(&fields);
    QCOMPARE(importer.Import(path, QStringLiteral("OrderData"), kOrderColumns), 5);
    QVERIFY2(importer.GetErrorText().isEmpty(), qPrintable(importer.GetErrorText()));

    const QString select = QStringLiteral(
        "select CustomerId || '|' || CustomerName || '|' || Price || '|' || Quantity || '|' || "
        "Comment from OrderData order by KeyId");
    QStringList rows = f.Rows(select);
    QCOMPARE(rows.size(), 5);
    // Prices come back in each engine's own spelling of a double.
    for (QString& row : rows)
        row.replace(QStringLiteral(".0|"), QStringLiteral("|"));
    QCOMPARE(rows[0], QStringLiteral("7|O'Brien|12.5|3|有,逗号"));
    // A short record: the missing values take their defaults, a number without
    // one is 0.
    QCOMPARE(rows[1], QStringLiteral("8|短行|0|1|无"));
    // A blank line is a record of one empty field.
    QCOMPARE(rows[2], QStringLiteral("0||0|1|无"));
    // Numbers are read as atof/atoi read them; inner quotes stay doubled.
    QCOMPARE(rows[3], QStringLiteral("9|两行\r\n文字|0|2|a \"\"b\"\" c"));
    QCOMPARE(rows[4], QStringLiteral("10|多余字段|100|-4|备注"));
}

void tst_TableImporter::keyColumnNumbersFromLargestKey() {
    TORVEL_TEST_DATABASE(test);
    ImportFixture f(test.ConnectionString());
    QVERIFY(f.opened);
    QVERIFY(f.db.Execute(QStringLiteral("insert into CustomerData (KeyId, CustomerName) values "
                                        "(41, '已有')")));
    const QString path =
        f.WriteText(QStringLiteral("名称,电话\r\n甲,010-1\r\n乙,010-2\r\n丙,010-3\r\n"));
    TableImporter importer;
    importer.SetConnection(&f.db);
    // Without a field list every value is text; "#" takes no field of its own
    // place (the second field is skipped along with it).
    QCOMPARE(importer.Import(path, QStringLiteral("CustomerData"),
                             {QStringLiteral("CustomerName"), QStringLiteral("#")}),
             3);
    QCOMPARE(f.Rows(QStringLiteral("select KeyId || CustomerName || Phone from CustomerData "
                                   "order by KeyId")),
             QStringList({QStringLiteral("41已有"), QStringLiteral("42甲"), QStringLiteral("43乙"),
                          QStringLiteral("44丙")}));
}

void tst_TableImporter::failingRowsKeepTheirNeighbours_data() {
    QTest::addColumn<QString>("engine");
    QTest::addColumn<int>("batchRows");
    for (const char* engine : {"sqlite", "postgresql"}) {
        for (int batch : {1, 3, 500}) {
            QTest::addRow("%s, %d rows a transaction", engine, batch)
                << QString::fromLatin1(engine) << batch;
        }
    }
}

void tst_TableImporter::failingRowsKeepTheirNeighbours() {
    QFETCH(int, batchRows);
    TORVEL_TEST_DATABASE(test);
    ImportFixture f(test.ConnectionString());
    QVERIFY(f.opened);
    QVERIFY(f.db.Execute(QStringLiteral("insert into CustomerData (KeyId, CustomerName) values "
                                        "(5, '已有')")));
    // Keys 5 (taken before the import) and 3 (twice in the file) fail: the
    // third, fifth and eighth record.
    const QString path = f.WriteText(QStringLiteral("KeyId,Name\r\n"
                                                    "1,a\r\n2,b\r\n5,c\r\n3,d\r\n3,e\r\n"
                                                    "6,f\r\n7,g\r\n5,h\r\n8,i\r\n"));
    TableImporter importer;
    importer.SetConnection(&f.db);
    importer.SetBatchRows(batchRows);
    FieldInfoList fields;
    fields.Add(QStringLiteral("KeyId"), QString(), QString(), 3);
    importer.SetFieldInfo(&fields);
    QCOMPARE(importer.Import(path, QStringLiteral("CustomerData"),
                             {QStringLiteral("KeyId"), QStringLiteral("CustomerName")}),
             6);

    QCOMPARE(f.Rows(QStringLiteral("select KeyId || CustomerName from CustomerData order by "
                                   "KeyId")),
             QStringList({QStringLiteral("1a"), QStringLiteral("2b"), QStringLiteral("3d"),
                          QStringLiteral("5已有"), QStringLiteral("6f"), QStringLiteral("7g"),
                          QStringLiteral("8i")}));

    const QString c = QStringLiteral("insert into CustomerData(KeyId,CustomerName) values (5,'c')");
    const QString e = QStringLiteral("insert into CustomerData(KeyId,CustomerName) values (3,'e')");
    const QString h = QStringLiteral("insert into CustomerData(KeyId,CustomerName) values (5,'h')");
    const QString expected = c + QStringLiteral("\r\n") + ErrorOf(f.db, c) + e +
                             QStringLiteral("\r\n") + ErrorOf(f.db, e) + h +
                             QStringLiteral("\r\n") + ErrorOf(f.db, h);
    QCOMPARE(importer.GetErrorText(), expected);
    QVERIFY(!ErrorOf(f.db, c).isEmpty());
}

void tst_TableImporter::stopKeepsWrittenRows() {
    TORVEL_TEST_DATABASE(test);
    ImportFixture f(test.ConnectionString());
    QVERIFY(f.opened);
    QString csv = QStringLiteral("Name\r\n");
    for (int i = 1; i <= 10; ++i)
        csv += QStringLiteral("客户%1\r\n").arg(i);
    const QString path = f.WriteText(csv);

    TableImporter importer;
    importer.SetConnection(&f.db);
    importer.SetBatchRows(4);
    QList<qint64> seen;
    importer.SetProgress([&](qint64 done, qint64 total) {
        seen << done;
        return done < total && seen.size() < 6;
    });
    // Rows 1-4 fill a transaction, 5 and 6 are committed by the stop.
    QCOMPARE(importer.Import(path, QStringLiteral("CustomerData"),
                             {QStringLiteral("CustomerName"), QStringLiteral("#")}),
             6);
    QCOMPARE(seen.size(), 6);
    QVERIFY(seen[0] > 0 && seen[0] < seen[5]);

    // What was written is committed: another connection sees it.
    DbConnection other;
    QCOMPARE(other.Open(test.ConnectionString()), 1);
    QString keys;
    QCOMPARE(other.JoinColumnValues(QStringLiteral("select KeyId from CustomerData order by "
                                                   "KeyId"),
                                    keys),
             6);
    QCOMPARE(keys, QStringLiteral("1;2;3;4;5;6"));
}

void tst_TableImporter::troublesomeFiles() {
    TORVEL_TEST_DATABASE(test);
    ImportFixture f(test.ConnectionString());
    QVERIFY(f.opened);
    TableImporter importer;
    importer.SetConnection(&f.db);
    const QStringList columns = {QStringLiteral("CustomerName"), QStringLiteral("Contact"),
                                 QStringLiteral("#")};
    const QString table = QStringLiteral("CustomerData");

    QCOMPARE(importer.Import(f.dir.filePath(QStringLiteral("missing.csv")), table, columns), 0);
    QCOMPARE(importer.GetErrorText(), kOpenFailed);
    QVERIFY(!importer.GetFileError().isEmpty());

    // A spreadsheet's own binary format is no text: refused, nothing written.
    QByteArray binary("PK\x03\x04\x14\x00\x06\x00", 8);
    binary += QByteArray(64, '\0') + "name,contact\r\n";
    QCOMPARE(importer.Import(f.Write(binary), table, columns), 0);
    QCOMPARE(importer.GetErrorText(), kOpenFailed);
    QVERIFY(importer.GetFileError().contains(QStringLiteral("不是文本文件")));

    QCOMPARE(importer.Import(f.Write(QByteArray()), table, columns), 0);
    QCOMPARE(importer.Import(f.Write("name,contact\r\n"), table, columns), 0);
    QVERIFY(importer.GetErrorText().isEmpty());
    QCOMPARE(f.Rows(QStringLiteral("select KeyId from CustomerData")), QStringList());

    // GBK, UTF-8 with a BOM, UTF-8 without one: the same names arrive.
    QCOMPARE(
        importer.Import(f.Write(Gbk::Encode(QStringLiteral("名称,联系人\r\n北京公司,张三\r\n"))),
                        table, columns),
        1);
    QCOMPARE(importer.Import(f.Write("\xEF\xBB\xBF" +
                                     QStringLiteral("名称,联系人\r\n上海公司,李四\r\n").toUtf8()),
                             table, columns),
             1);
    QCOMPARE(importer.Import(f.Write(QStringLiteral("名称,联系人\n广州公司,王五").toUtf8()), table,
                             columns),
             1);
    QCOMPARE(f.Rows(QStringLiteral("select CustomerName || Contact from CustomerData order by "
                                   "KeyId")),
             QStringList({QStringLiteral("北京公司张三"), QStringLiteral("上海公司李四"),
                          QStringLiteral("广州公司王五")}));

    // A quote left open swallows the rest of the file into one field; the
    // rows before it arrive, its completed fields make its row, and the error
    // text says where the quote began.
    QCOMPARE(
        importer.Import(f.WriteText(QStringLiteral("名称,联系人\r\n甲,一\r\n乙,\"二\r\n丙,三\r\n")),
                        table, columns),
        2);
    QVERIFY2(importer.GetErrorText().contains(QStringLiteral("第3行")),
             qPrintable(importer.GetErrorText()));
    QCOMPARE(f.Rows(QStringLiteral("select CustomerName || '/' || Contact from CustomerData "
                                   "where KeyId > 3 order by KeyId")),
             QStringList({QStringLiteral("甲/一"), QStringLiteral("乙/")}));
}

void tst_TableImporter::tableColumnsWhenNoneAreGiven() {
    TORVEL_TEST_DATABASE(test);
    ImportFixture f(test.ConnectionString());
    QVERIFY(f.opened);
    QVERIFY(f.db.Execute(QStringLiteral("create table ImportMe (KeyId Integer, Name TEXT(20), "
                                        "Qty Integer)")));
    TableImporter importer;
    importer.SetConnection(&f.db);
    QCOMPARE(importer.Import(f.WriteText(QStringLiteral("k,n,q\r\n1,一,3\r\n2,二,4\r\n")),
                             QStringLiteral("ImportMe")),
             2);
    QCOMPARE(importer.GetColumns().size(), 3);
    QCOMPARE(importer.GetColumns()[1].toLower(), QStringLiteral("name"));
    QCOMPARE(f.Rows(QStringLiteral("select KeyId + Qty from ImportMe order by KeyId")),
             QStringList({QStringLiteral("4"), QStringLiteral("6")}));

    QCOMPARE(
        importer.Import(f.WriteText(QStringLiteral("k\r\n1\r\n")), QStringLiteral("NoSuchTable")),
        0);
    QVERIFY(importer.GetErrorText().startsWith(QStringLiteral("select * from NoSuchTable")));
}

QTEST_GUILESS_MAIN(tst_TableImporter)
#include "tst_tableimporter.moc"
