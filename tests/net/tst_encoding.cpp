#include "net/Encoding.h"
#include "net/Gbk.h"

#include <QString>
#include <QTest>

class TestEncoding : public QObject {
    Q_OBJECT

private slots:
    void base64Groups();
    void base64LineBreaks();
    void base64DecodesBackForEveryLength();
    void gbkToUtf8();
    void urlEncode();
};

void TestEncoding::base64Groups() {
    QCOMPARE(Encoding::Base64(QByteArray()), QByteArray());
    QCOMPARE(Encoding::Base64(QByteArray("abc")), QByteArray("YWJj"));
    QCOMPARE(Encoding::Base64(QByteArray("\x4D")), QByteArray("TQ=="));
    QCOMPARE(Encoding::Base64(QByteArray("Ma")), QByteArray("TWE="));
    // High bytes and zero bytes use the full alphabet, '+' and '/' included.
    QCOMPARE(Encoding::Base64(QByteArray("\xFB\xFF\xBF", 3)), QByteArray("+/+/"));
    QCOMPARE(Encoding::Base64(QByteArray("\0\0\0", 3)), QByteArray("AAAA"));
    // SMTP AUTH PLAIN carries NUL separators.
    QCOMPARE(Encoding::Base64(QByteArray("\0user\0pass", 10)), QByteArray("AHVzZXIAcGFzcw=="));
}

void TestEncoding::base64LineBreaks() {
    // 57 bytes fill one 76-character line, which then ends with CR LF.
    const QByteArray line57 = Encoding::Base64(QByteArray(57, 'x'));
    QCOMPARE(line57.size(), 78);
    QVERIFY(line57.endsWith("\r\n"));
    QVERIFY(!line57.left(76).contains('\r'));

    // 56 bytes: 18 whole groups and a partial one, no break anywhere.
    const QByteArray short56 = Encoding::Base64(QByteArray(56, 'x'));
    QCOMPARE(short56.size(), 76);
    QVERIFY(!short56.contains('\r'));

    // 58 bytes: a full line, then the partial group alone without a break.
    const QByteArray long58 = Encoding::Base64(QByteArray(58, 'x'));
    QCOMPARE(long58.size(), 78 + 4);
    QCOMPARE(long58.mid(76, 2), QByteArray("\r\n"));
    QVERIFY(long58.endsWith("=="));

    // Many lines: every line but a final partial one is exactly 76 characters.
    const QByteArray many = Encoding::Base64(QByteArray(1000, '\x93'));
    const QList<QByteArray> lines = many.split('\n');
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        QCOMPARE(lines.at(i).size(), 77); // 76 plus the CR
        QVERIFY(lines.at(i).endsWith('\r'));
    }
    QVERIFY(!lines.last().isEmpty());
    QVERIFY(lines.last().size() <= 76);
}

void TestEncoding::base64DecodesBackForEveryLength() {
    QByteArray input;
    for (int length = 0; length <= 200; ++length) {
        const QByteArray encoded = Encoding::Base64(input);
        QByteArray joined = encoded;
        joined.replace("\r\n", "");
        QCOMPARE(joined, input.toBase64());
        input.append(static_cast<char>(length * 37 + 11));
    }
}

void TestEncoding::gbkToUtf8() {
    QCOMPARE(Encoding::GbkToUtf8(QByteArray()), QByteArray());
    QCOMPARE(Encoding::GbkToUtf8(QByteArray("Subject: hi\r\n")), QByteArray("Subject: hi\r\n"));
    const QString chinese = QString::fromUtf8("订单通知 No.5");
    const QByteArray utf8 = Encoding::GbkToUtf8(Gbk::Encode(chinese));
    QCOMPARE(utf8, chinese.toUtf8());
    QCOMPARE(Encoding::GbkToUtf8(QByteArray("\xD6\xD0")).size(), 3);
    // Characters only GB18030 can hold, as Gbk::Encode produces them.
    const QString beyond = QString::fromUtf8("€😀한");
    QCOMPARE(Encoding::GbkToUtf8(Gbk::Encode(beyond)), beyond.toUtf8());

    // A high byte always consumes its partner: an invalid pair is one U+FFFD,
    // and a lead byte at the end is one U+FFFD too.
    QCOMPARE(Encoding::GbkToUtf8(QByteArray("\xA1\x20z")), QByteArray("\xEF\xBF\xBDz"));
    QCOMPARE(Encoding::GbkToUtf8(QByteArray("ok\xD6")), QByteArray("ok\xEF\xBF\xBD"));
}

void TestEncoding::urlEncode() {
    QCOMPARE(Encoding::UrlEncode(QByteArray()), QByteArray());
    QCOMPARE(Encoding::UrlEncode(QByteArray("AZaz09")), QByteArray("AZaz09"));
    QCOMPARE(Encoding::UrlEncode(QByteArray(" ")), QByteArray("%20"));
    // No character is reserved-safe: period, hyphen, underscore and tilde too.
    QCOMPARE(Encoding::UrlEncode(QByteArray(".-_~")), QByteArray("%2E%2D%5F%7E"));
    QCOMPARE(Encoding::UrlEncode(QByteArray("\n\x01\xFF")), QByteArray("%0A%01%FF"));
    QCOMPARE(Encoding::UrlEncode(Gbk::Encode(QString::fromUtf8("中"))), QByteArray("%D6%D0"));
    // A NUL inside the bytes is data, not an end.
    QCOMPARE(Encoding::UrlEncode(QByteArray("a\0b", 3)), QByteArray("a%00b"));

    // Only the first 32767 bytes are processed.
    QByteArray big(40000, 'a');
    big[32766] = '.';
    big[32767] = '.';
    const QByteArray encoded = Encoding::UrlEncode(big);
    QCOMPARE(encoded.size(), 32766 + 3);
    QVERIFY(encoded.endsWith("a%2E"));
}

QTEST_GUILESS_MAIN(TestEncoding)
#include "tst_encoding.moc"
