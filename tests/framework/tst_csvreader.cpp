#include "framework/CsvReader.h"
#include "net/Gbk.h"

#include <QTemporaryDir>
#include <QtTest>

class tst_CsvReader : public QObject {
    Q_OBJECT

private slots:
    void recordSyntax_data();
    void recordSyntax();
    void quoteLeftOpenToTheEnd();
    void encodingsAndUnreadableFiles();

private:
    QString Write(const QByteArray& bytes) {
        QFile file(dir_.filePath(QStringLiteral("f%1.csv").arg(++files_)));
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
        return file.fileName();
    }
    // All records of a file, each as its fields joined by '|'.
    QStringList ReadAll(const QByteArray& bytes) {
        QStringList records;
        QStringList fields;
        if (!reader_.Open(Write(bytes)))
            return {QStringLiteral("<not opened>")};
        while (reader_.ReadRecord(fields) > 0)
            records << fields.join(QLatin1Char('|'));
        return records;
    }

    QTemporaryDir dir_;
    int files_ = 0;
    CsvReader reader_;
};

void tst_CsvReader::recordSyntax_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("records");
    QTest::newRow("quoted comma") << QStringLiteral("a,\"b,c\",d")
                                  << QStringList{QStringLiteral("a|b,c|d")};
    QTest::newRow("quoted field over lines")
        << QStringLiteral("1,\"第一行\r\n第二行\n\",3\r\n4")
        << QStringList{QStringLiteral("1|第一行\r\n第二行\r\n|3"), QStringLiteral("4")};
    QTest::newRow("inner quotes stay as they are")
        << QStringLiteral("\"say \"\"hi\"\"\",x\r\n\"a\"b\",y\r\nab\"c,d\"")
        << QStringList{QStringLiteral("say \"\"hi\"\"|x"), QStringLiteral("a\"b|y"),
                       QStringLiteral("ab\"c|d\"")};
    QTest::newRow("empty fields") << QStringLiteral("\"\",\"\"\r\n\"\"\r\na,b,\r\n\"c\",")
                                  << QStringList{QStringLiteral("|"), QString(),
                                                 QStringLiteral("a|b|"), QStringLiteral("c|")};
    QTest::newRow("blank lines are records of one empty field")
        << QStringLiteral("h\r\n\r\nx\r\n\r\n")
        << QStringList{QStringLiteral("h"), QString(), QStringLiteral("x"), QString()};
    QTest::newRow("stray CR inside a line is dropped")
        << QStringLiteral("a\rb,c\r\r\n") << QStringList{QStringLiteral("ab|c")};
}

void tst_CsvReader::recordSyntax() {
    QFETCH(QString, text);
    QFETCH(QStringList, records);
    QCOMPARE(ReadAll(text.toUtf8()), records);
    QVERIFY(!reader_.EndedInsideQuotes());
    QStringList fields{QStringLiteral("stale")};
    QCOMPARE(reader_.ReadRecord(fields), 0); // the end stays the end
    QVERIFY(fields.isEmpty());
}

void tst_CsvReader::quoteLeftOpenToTheEnd() {
    // The fields completed before the open quote are the record.
    QCOMPARE(ReadAll("h1,h2\r\na,b\r\nc,\"d\r\ne,f\r\n"),
             QStringList({QStringLiteral("h1|h2"), QStringLiteral("a|b"), QStringLiteral("c")}));
    QVERIFY(reader_.EndedInsideQuotes());
    QCOMPARE(reader_.OpenQuoteLine(), 3);
    // Open in the first field: nothing completed, the file just ends.
    QCOMPARE(ReadAll("h\r\n\"never closed\r\nmore"), QStringList{QStringLiteral("h")});
    QCOMPARE(reader_.OpenQuoteLine(), 2);
}

void tst_CsvReader::encodingsAndUnreadableFiles() {
    const QString text = QStringLiteral("客户名称,联系人\r\n北京「东方」公司,张三\r\n");
    const QStringList expected{QStringLiteral("客户名称|联系人"),
                               QStringLiteral("北京「东方」公司|张三")};
    QCOMPARE(ReadAll(Gbk::Encode(text)), expected);
    QCOMPARE(ReadAll("\xEF\xBB\xBF" + text.toUtf8()), expected); // the BOM is no name's part
    QCOMPARE(ReadAll(text.toUtf8()), expected);

    QVERIFY(!reader_.Open(dir_.filePath(QStringLiteral("missing.csv"))));
    QVERIFY(!reader_.GetLastError().isEmpty());
    QVERIFY(!reader_.Open(Write(QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11))));
    QVERIFY(reader_.GetLastError().contains(QStringLiteral("不是文本文件")));
    // UTF-16 is text, but not text this program reads: refused the same way.
    QVERIFY(!reader_.Open(Write(QByteArray("\xFF\xFE"
                                           "a\0,\0b\0",
                                           8))));
    QStringList fields;
    QCOMPARE(reader_.ReadRecord(fields), 0);
}

QTEST_GUILESS_MAIN(tst_CsvReader)
#include "tst_csvreader.moc"
