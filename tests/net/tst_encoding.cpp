#include "net/Encoding.h"
#include "net/Gbk.h"

#include <QString>
#include <QTest>

class TestEncoding : public QObject {
    Q_OBJECT

private slots:
    void base64();
    void base64LineBreaks();
    void gbkToUtf8();
    void urlEncode();
};

void TestEncoding::base64() {
    QCOMPARE(Encoding::Base64(QByteArray()), QByteArray());
    QCOMPARE(Encoding::Base64(QByteArray("abc")), QByteArray("YWJj"));
    QCOMPARE(Encoding::Base64(QByteArray("\x4D")), QByteArray("TQ=="));
    QCOMPARE(Encoding::Base64(QByteArray("\xFB\xFF\xBF", 3)), QByteArray("+/+/"));
    QCOMPARE(Encoding::Base64(QByteArray("\0user\0pass", 10)), QByteArray("AHVzZXIAcGFzcw=="));
    // Without its line breaks the output is standard base64 for every length.
    QByteArray input;
    for (int length = 0; length <= 200; ++length) {
        QByteArray joined = Encoding::Base64(input);
        QCOMPARE(joined.replace("\r\n", ""), input.toBase64());
        input.append(static_cast<char>(length * 37 + 11));
    }
}

void TestEncoding::base64LineBreaks() {
    // 57 bytes fill one 76-character line, which then ends with CR LF; one
    // byte less leaves a partial group and no break at all.
    const QByteArray full = Encoding::Base64(QByteArray(57, 'x'));
    QCOMPARE(full.size(), 78);
    QCOMPARE(full.indexOf('\r'), 76);
    QVERIFY(!Encoding::Base64(QByteArray(56, 'x')).contains('\r'));
    // The final partial group follows the break and adds none of its own.
    const QByteArray longer = Encoding::Base64(QByteArray(58, 'x'));
    QCOMPARE(longer.mid(76), QByteArray("\r\neA=="));
}

void TestEncoding::gbkToUtf8() {
    QCOMPARE(Encoding::GbkToUtf8(QByteArray()), QByteArray());
    QCOMPARE(Encoding::GbkToUtf8(QByteArray("Subject: hi\r\n")), QByteArray("Subject: hi\r\n"));
    // Also the characters only GB18030 holds, as Gbk::Encode writes them.
    const QString text = QString::fromUtf8("订单通知 No.5 €😀한");
    QCOMPARE(Encoding::GbkToUtf8(Gbk::Encode(text)), text.toUtf8());
    // A high byte always takes its partner along: an invalid pair is one
    // U+FFFD, and so is a lead byte at the very end.
    QCOMPARE(Encoding::GbkToUtf8(QByteArray("\xA1\x20z\xD6")),
             QByteArray("\xEF\xBF\xBDz\xEF\xBF\xBD"));
}

void TestEncoding::urlEncode() {
    QCOMPARE(Encoding::UrlEncode(QByteArray("AZaz09")), QByteArray("AZaz09"));
    QCOMPARE(Encoding::UrlEncode(QByteArray(" .-_~\n\xFF")), QByteArray("%20%2E%2D%5F%7E%0A%FF"));
    QCOMPARE(Encoding::UrlEncode(Gbk::Encode(QString::fromUtf8("中"))), QByteArray("%D6%D0"));
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
