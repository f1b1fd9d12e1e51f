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
    void openQuoteKeepsProgressAndStop();
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
    QTest::newRow("CR-only line ends")
        << QStringLiteral("h1,h2\r1,\"x\ry\"\r\r2,z\r")
        << QStringList{QStringLiteral("h1|h2"), QStringLiteral("1|x\r\ny"), QString(),
                       QStringLiteral("2|z")};
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

void tst_CsvReader::openQuoteKeepsProgressAndStop() {
    // One stray quote in the second line, then many lines that never close it.
    QByteArray bytes = "name,phone\r\n\"stray,1\r\n";
    for (int i = 0; i < 5000; ++i)
        bytes += "row" + QByteArray::number(i) + ",2\r\n";
    QStringList fields;
    QList<qint64> seen;
    QVERIFY(reader_.Open(Write(bytes)));
    reader_.SetProgress([&](qint64 done, qint64 total) {
        seen << done;
        return total == reader_.FileSize();
    });
    QCOMPARE(reader_.ReadRecord(fields), 2);
    QCOMPARE(reader_.ReadRecord(fields), 0); // all of the rest is one open field
    QVERIFY(reader_.EndedInsideQuotes());
    QCOMPARE(reader_.OpenQuoteLine(), 2);
    // Reported while the field grew, and moving forward.
    QCOMPARE(seen.size(), 5000 / CsvRecordParser::kProgressLines);
    QVERIFY(seen.first() > 0 && seen.first() < seen.last() && seen.last() <= reader_.FileSize());

    // A stop inside the field ends the read there and still names the line.
    QVERIFY(reader_.Open(Write(bytes)));
    reader_.SetProgress([](qint64, qint64) { return false; });
    QCOMPARE(reader_.ReadRecord(fields), 2);
    QCOMPARE(reader_.ReadRecord(fields), 0);
    QVERIFY(reader_.Stopped());
    QVERIFY(!reader_.EndedInsideQuotes());
    QCOMPARE(reader_.OpenQuoteLine(), 2);
    QVERIFY(reader_.FilePosition() < reader_.FileSize() / 2);
    QCOMPARE(reader_.ReadRecord(fields), 0);
}

void tst_CsvReader::encodingsAndUnreadableFiles() {
    const QString text = QStringLiteral("客户名称,联系人\r\n北京「东方」公司,张三\r\n");
    const QStringList expected{QStringLiteral("客户名称|联系人"),
                               QStringLiteral("北京「东方」公司|张三")};
    QCOMPARE(ReadAll(Gbk::Encode(text)), expected);
    QCOMPARE(ReadAll("\xEF\xBB\xBF" + text.toUtf8()), expected); // the BOM is no name's part
    QCOMPARE(ReadAll(text.toUtf8()), expected);

    // GBK files whose bytes happen to be valid UTF-8 too, and a UTF-8 file
    // whose bytes happen to be valid GBK: each read as what it is. A UTF-8
    // file with one broken byte is still UTF-8.
    const QString gbkAlsoUtf8 = QStringLiteral("UserName,Phone\r\n小谢,1\r\n郑,2\r\n支票,3\r\n");
    QVERIFY(Gbk::IsValidUtf8(Gbk::Encode(gbkAlsoUtf8)));
    QCOMPARE(ReadAll(Gbk::Encode(gbkAlsoUtf8)),
             QStringList({QStringLiteral("UserName|Phone"), QStringLiteral("小谢|1"),
                          QStringLiteral("郑|2"), QStringLiteral("支票|3")}));
    const QString utf8AlsoGbk = QStringLiteral("主题,内容\r\n订单通知,1\r\n");
    QString asGbk;
    QVERIFY(Gbk::DecodeStrict(utf8AlsoGbk.toUtf8(), asGbk));
    QCOMPARE(ReadAll(utf8AlsoGbk.toUtf8()),
             QStringList({QStringLiteral("主题|内容"), QStringLiteral("订单通知|1")}));
    QByteArray broken = (text + text).toUtf8();
    broken[broken.size() / 2] = '\xFF';
    QVERIFY(ReadAll(broken).contains(QStringLiteral("北京「东方」公司|张三")));

    QVERIFY(!reader_.Open(dir_.filePath(QStringLiteral("missing.csv"))));
    QVERIFY(!reader_.GetLastError().isEmpty());
    QVERIFY(!reader_.Open(Write(QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11))));
    QVERIFY(reader_.GetLastError().contains(QStringLiteral("不是文本文件")));
    QStringList fields;
    QCOMPARE(reader_.ReadRecord(fields), 0);
    // Binary junk without a single NUL byte is no text either.
    QByteArray junk;
    quint32 state = 20260;
    while (junk.size() < 4096) {
        state = state * 1103515245u + 12345u;
        if (const char byte = char(state >> 24))
            junk += byte;
    }
    QVERIFY(!reader_.Open(Write(junk)));
    QVERIFY(reader_.GetLastError().contains(QStringLiteral("不是文本文件")));
}

QTEST_GUILESS_MAIN(tst_CsvReader)
#include "tst_csvreader.moc"
