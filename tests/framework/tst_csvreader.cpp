#include "framework/CsvReader.h"
#include "net/Gbk.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// All records of a file, each as its fields joined by '|'.
QStringList ReadAll(CsvReader& reader) {
    QStringList records;
    QStringList fields;
    while (reader.ReadRecord(fields) > 0)
        records << fields.join(QLatin1Char('|'));
    return records;
}

} // namespace

class tst_CsvReader : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }
    void recordSyntax_data();
    void recordSyntax();
    void quoteLeftOpenToTheEnd();
    void encodings();
    void filesThatCannotBeRead();
    void progressReachesTheFileSize();

private:
    QString Write(const QByteArray& bytes) {
        const QString path = dir_.filePath(QStringLiteral("f%1.csv").arg(++files_));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
        return path;
    }

    QTemporaryDir dir_;
    int files_ = 0;
};

void tst_CsvReader::recordSyntax_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("records");
    QTest::newRow("quoted comma") << QStringLiteral("a,\"b,c\",d")
                                  << QStringList{QStringLiteral("a|b,c|d")};
    QTest::newRow("quoted field over two lines")
        << QStringLiteral("1,\"第一行\r\n第二行\",3\r\n4,5,6\r\n")
        << QStringList{QStringLiteral("1|第一行\r\n第二行|3"), QStringLiteral("4|5|6")};
    QTest::newRow("over three lines, LF only")
        << QStringLiteral("\"a\n\nb\"\nc")
        << QStringList{QStringLiteral("a\r\n\r\nb"), QStringLiteral("c")};
    QTest::newRow("inner quotes stay as they are")
        << QStringLiteral("\"say \"\"hi\"\"\",x\r\n\"a\"b\",y")
        << QStringList{QStringLiteral("say \"\"hi\"\"|x"), QStringLiteral("a\"b|y")};
    QTest::newRow("quote inside an unquoted field")
        << QStringLiteral("ab\"c,d\"") << QStringList{QStringLiteral("ab\"c|d\"")};
    QTest::newRow("empty quoted fields")
        << QStringLiteral("\"\",\"\"\r\n\"\"") << QStringList{QStringLiteral("|"), QString()};
    QTest::newRow("trailing separator gives an empty last field")
        << QStringLiteral("a,b,\r\n\"c\",")
        << QStringList{QStringLiteral("a|b|"), QStringLiteral("c|")};
    QTest::newRow("blank lines are records of one empty field")
        << QStringLiteral("h\r\n\r\nx\r\n\r\n")
        << QStringList{QStringLiteral("h"), QString(), QStringLiteral("x"), QString()};
    QTest::newRow("stray CR inside a line is dropped")
        << QStringLiteral("a\rb,c\r\r\n") << QStringList{QStringLiteral("ab|c")};
    QTest::newRow("no final line break")
        << QStringLiteral("a,b\r\nc,d")
        << QStringList{QStringLiteral("a|b"), QStringLiteral("c|d")};
}

void tst_CsvReader::recordSyntax() {
    QFETCH(QString, text);
    QFETCH(QStringList, records);
    CsvReader reader;
    QVERIFY(reader.Open(Write(text.toUtf8())));
    QCOMPARE(ReadAll(reader), records);
    QVERIFY(!reader.EndedInsideQuotes());
    QStringList fields{QStringLiteral("stale")};
    QCOMPARE(reader.ReadRecord(fields), 0); // the end stays the end
    QVERIFY(fields.isEmpty());
}

void tst_CsvReader::quoteLeftOpenToTheEnd() {
    CsvReader reader;
    QVERIFY(reader.Open(Write("h1,h2\r\na,b\r\nc,\"d\r\ne,f\r\n")));
    QStringList fields;
    QCOMPARE(reader.ReadRecord(fields), 2);
    QCOMPARE(reader.ReadRecord(fields), 2);
    QVERIFY(!reader.EndedInsideQuotes());
    // The fields completed before the open quote are the record.
    QCOMPARE(reader.ReadRecord(fields), 1);
    QCOMPARE(fields, QStringList{QStringLiteral("c")});
    QVERIFY(reader.EndedInsideQuotes());
    QCOMPARE(reader.OpenQuoteLine(), 3);
    QCOMPARE(reader.ReadRecord(fields), 0);

    // Open in the first field: nothing completed, the file simply ends.
    QVERIFY(reader.Open(Write("h\r\n\"never closed\r\nmore\r\n")));
    QCOMPARE(reader.ReadRecord(fields), 1);
    QCOMPARE(reader.ReadRecord(fields), 0);
    QVERIFY(reader.EndedInsideQuotes());
    QCOMPARE(reader.OpenQuoteLine(), 2);

    // A reopened reader starts clean.
    QVERIFY(reader.Open(Write("a")));
    QVERIFY(!reader.EndedInsideQuotes());
}

void tst_CsvReader::encodings() {
    const QString text = QStringLiteral("客户名称,联系人\r\n北京「东方」公司,张三\r\n");
    const QStringList expected{QStringLiteral("客户名称|联系人"),
                               QStringLiteral("北京「东方」公司|张三")};
    CsvReader reader;
    QVERIFY(reader.Open(Write(Gbk::Encode(text))));
    QCOMPARE(ReadAll(reader), expected);
    QVERIFY(reader.Open(Write("\xEF\xBB\xBF" + text.toUtf8())));
    QCOMPARE(ReadAll(reader), expected); // the BOM is not part of the first name
    QVERIFY(reader.Open(Write(text.toUtf8())));
    QCOMPARE(ReadAll(reader), expected);
}

void tst_CsvReader::filesThatCannotBeRead() {
    CsvReader reader;
    QVERIFY(!reader.Open(dir_.filePath(QStringLiteral("missing.csv"))));
    QVERIFY(!reader.GetLastError().isEmpty());
    QStringList fields;
    QCOMPARE(reader.ReadRecord(fields), 0);

    QVERIFY(!reader.Open(Write(QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11))));
    QVERIFY(reader.GetLastError().contains(QStringLiteral("不是文本文件")));
    QVERIFY(!reader.IsOpen());
    // UTF-16 is text, but not text this program reads: refused the same way.
    QVERIFY(!reader.Open(Write(QByteArray("\xFF\xFE"
                                          "a\0,\0b\0",
                                          8))));

    QVERIFY(!reader.Open(dir_.path())); // a folder

    QVERIFY(reader.Open(Write(QByteArray())));
    QCOMPARE(reader.ReadRecord(fields), 0);
}

void tst_CsvReader::progressReachesTheFileSize() {
    QByteArray bytes = "名称\r\n";
    for (int i = 0; i < 100; ++i)
        bytes += Gbk::Encode(QStringLiteral("客户%1\r\n").arg(i));
    CsvReader reader;
    QVERIFY(reader.Open(Write(bytes)));
    QCOMPARE(reader.FileSize(), qint64(bytes.size()));
    QCOMPARE(reader.FilePosition(), qint64(0));
    QStringList fields;
    qint64 last = 0;
    for (int i = 0; i < 50; ++i)
        reader.ReadRecord(fields);
    QVERIFY(reader.FilePosition() > last);
    QVERIFY(qAbs(reader.FilePosition() - reader.FileSize() / 2) < reader.FileSize() / 10);
    while (reader.ReadRecord(fields) > 0)
        ;
    QCOMPARE(reader.FilePosition(), reader.FileSize());
    reader.Close();
    QCOMPARE(reader.FilePosition(), qint64(0));
}

QTEST_GUILESS_MAIN(tst_CsvReader)
#include "tst_csvreader.moc"
