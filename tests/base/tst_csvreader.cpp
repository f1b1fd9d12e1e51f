#include "base/CsvReader.h"
#include "net/Gbk.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_CsvReader : public QObject {
    Q_OBJECT

private slots:
    void recordSyntax_data();
    void recordSyntax();
    void quoteLeftOpenToTheEnd();
    void openQuoteKeepsProgressAndStop();
    void encodingsAndUnreadableFiles();
    void largeFileReadInBlocks();

private:
    QString Write(const QByteArray& bytes) {
        QFile file(dir_.filePath(u"f%1.csv"_s.arg(++files_)));
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
        return file.fileName();
    }
    // All records of a file, each as its fields joined by '|'.
    QStringList ReadAll(const QByteArray& bytes) {
        QStringList records;
        QStringList fields;
        if (!reader_.Open(Write(bytes)))
            return {u"<not opened>"_s};
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
    QTest::newRow("quoted comma") << u"a,\"b,c\",d"_s << QStringList{u"a|b,c|d"_s};
    QTest::newRow("quoted field over lines") << u"1,\"第一行\r\n第二行\n\",3\r\n4"_s
                                             << QStringList{u"1|第一行\r\n第二行\r\n|3"_s, u"4"_s};
    // Doubled quotes are one (RFC 4180); a lone quote stays, as does every
    // quote of an unquoted field.
    QTest::newRow("doubled and stray quotes")
        << u"\"say \"\"hi\"\"\",x\r\n\"a\"b\",y\r\nab\"c,d\"\r\n\"\"\"\"\"\",\"\"\"\r\n\"\"\",z\""_s
        << QStringList{u"say \"hi\"|x"_s, u"a\"b|y"_s, u"ab\"c|d\""_s, u"\"\"|\"\r\n\"|z\""_s};
    QTest::newRow("empty fields") << u"\"\",\"\"\r\n\"\"\r\na,b,\r\n\"c\","_s
                                  << QStringList{u"|"_s, QString(), u"a|b|"_s, u"c|"_s};
    QTest::newRow("blank lines are records of one empty field")
        << u"h\r\n\r\nx\r\n\r\n"_s << QStringList{u"h"_s, QString(), u"x"_s, QString()};
    QTest::newRow("stray CR inside a line is dropped")
        << u"a\rb,c\r\r\n"_s << QStringList{u"ab|c"_s};
    QTest::newRow("CR-only line ends")
        << u"h1,h2\r1,\"x\ry\"\r\r2,z\r"_s
        << QStringList{u"h1|h2"_s, u"1|x\r\ny"_s, QString(), u"2|z"_s};
}

void tst_CsvReader::recordSyntax() {
    QFETCH(QString, text);
    QFETCH(QStringList, records);
    QCOMPARE(ReadAll(text.toUtf8()), records);
    QVERIFY(!reader_.EndedInsideQuotes());
    QStringList fields{u"stale"_s};
    QCOMPARE(reader_.ReadRecord(fields), 0); // the end stays the end
    QVERIFY(fields.isEmpty());
}

void tst_CsvReader::quoteLeftOpenToTheEnd() {
    // The fields completed before the open quote are the record.
    QCOMPARE(ReadAll("h1,h2\r\na,b\r\nc,\"d\r\ne,f\r\n"),
             QStringList({u"h1|h2"_s, u"a|b"_s, u"c"_s}));
    QVERIFY(reader_.EndedInsideQuotes());
    QCOMPARE(reader_.OpenQuoteLine(), 3);
    // Open in the first field: nothing completed, the file just ends.
    QCOMPARE(ReadAll("h\r\n\"never closed\r\nmore"), QStringList{u"h"_s});
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
    const QString text = u"客户名称,联系人\r\n北京「东方」公司,张三\r\n"_s;
    const QStringList expected{u"客户名称|联系人"_s, u"北京「东方」公司|张三"_s};
    QCOMPARE(ReadAll(Gbk::Encode(text)), expected);
    QCOMPARE(ReadAll("\xEF\xBB\xBF" + text.toUtf8()), expected); // the BOM is no name's part
    QCOMPARE(ReadAll(text.toUtf8()), expected);

    // GBK files whose bytes happen to be valid UTF-8 too, and a UTF-8 file
    // whose bytes happen to be valid GBK: each read as what it is. A UTF-8
    // file with one broken byte is still UTF-8.
    const QString gbkAlsoUtf8 = u"UserName,Phone\r\n小谢,1\r\n郑,2\r\n支票,3\r\n"_s;
    QVERIFY(Gbk::IsValidUtf8(Gbk::Encode(gbkAlsoUtf8)));
    QCOMPARE(ReadAll(Gbk::Encode(gbkAlsoUtf8)),
             QStringList({u"UserName|Phone"_s, u"小谢|1"_s, u"郑|2"_s, u"支票|3"_s}));
    const QString utf8AlsoGbk = u"主题,内容\r\n订单通知,1\r\n"_s;
    QString asGbk;
    QVERIFY(Gbk::DecodeStrict(utf8AlsoGbk.toUtf8(), asGbk));
    QCOMPARE(ReadAll(utf8AlsoGbk.toUtf8()), QStringList({u"主题|内容"_s, u"订单通知|1"_s}));
    QByteArray broken = (text + text).toUtf8();
    broken[broken.size() / 2] = '\xFF';
    QVERIFY(ReadAll(broken).contains(u"北京「东方」公司|张三"_s));

    QVERIFY(!reader_.Open(dir_.filePath(u"missing.csv"_s)));
    QVERIFY(!reader_.GetLastError().isEmpty());
    QVERIFY(!reader_.Open(Write(QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11))));
    QVERIFY(reader_.GetLastError().contains(u"不是文本文件"_s));
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
    QVERIFY(reader_.GetLastError().contains(u"不是文本文件"_s));
}

void tst_CsvReader::largeFileReadInBlocks() {
    // Over three blocks of GBK: every block boundary falls somewhere inside
    // a line, several of them inside a quoted field of two lines.
    const int rows = 3 * int(CsvReader::kBlockBytes) / 30;
    QByteArray bytes = Gbk::Encode(u"名称,备注\r\n"_s);
    for (int i = 0; i < rows; ++i)
        bytes += Gbk::Encode(u"客户%1,\"第一行, 逗号\r\n第二行\"\r\n"_s.arg(i));
    QVERIFY(bytes.size() > 3 * CsvReader::kBlockBytes);
    QVERIFY(reader_.Open(Write(bytes)));
    QCOMPARE(reader_.Encoding(), TextEncoding::Gbk);
    QStringList fields;
    QCOMPARE(reader_.ReadRecord(fields), 2);
    int count = 0;
    bool allRight = true;
    while (reader_.ReadRecord(fields) > 0) {
        allRight = allRight && fields.size() == 2 && fields[0] == u"客户%1"_s.arg(count) &&
                   fields[1] == u"第一行, 逗号\r\n第二行"_s;
        ++count;
    }
    QCOMPARE(count, rows);
    QVERIFY(allRight);
    QCOMPARE(reader_.RecordLine(), 2 * rows); // the last record began there
    QCOMPARE(reader_.FilePosition(), reader_.FileSize());

    // A first megabyte of plain ASCII does not make a UTF-8 file GBK.
    QByteArray late(CsvReader::kBlockBytes + 100, 'a');
    for (qsizetype i = 60; i < late.size(); i += 61)
        late[i] = '\n';
    late += u"\n中文名称,北京\n"_s.toUtf8();
    QVERIFY(reader_.Open(Write(late)));
    QCOMPARE(reader_.Encoding(), TextEncoding::Utf8);
    QString last;
    while (reader_.ReadRecord(fields) > 0)
        last = fields.join(u'|');
    QCOMPARE(last, u"中文名称|北京"_s);

    // UTF-16 with or without its BOM is refused, saying what it is.
    const QString utf16 = u"名称,备注\r\n甲,乙\r\n"_s;
    for (const TextEncoding encoding : {TextEncoding::Utf16Le, TextEncoding::Utf16Be}) {
        QVERIFY(!reader_.Open(Write(TextDecoding::Encode(utf16, encoding))));
        QVERIFY(reader_.GetLastError().contains(u"UTF-16"_s));
        QVERIFY(!reader_.Open(Write(TextDecoding::Encode(utf16, encoding).mid(2))));
        QVERIFY(reader_.GetLastError().contains(u"UTF-16"_s));
    }
}

QTEST_GUILESS_MAIN(tst_CsvReader)
#include "tst_csvreader.moc"
