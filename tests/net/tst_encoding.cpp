#include "net/Encoding.h"
#include "net/Gbk.h"

#include <QString>
#include <QTest>

using namespace Qt::StringLiterals;

class TestEncoding : public QObject {
    Q_OBJECT

private slots:
    void base64();
    void base64LineBreaks();
    void gbkToUtf8();
    void urlEncode();
    void encodesAndDecodesWithoutLoss();
    void badInputNeverCrashesOrLoops();
    void utf8Validation();
};

void TestEncoding::base64() {
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
    const QString text = u"订单通知 No.5 €😀한"_s;
    QCOMPARE(Encoding::GbkToUtf8(Gbk::Encode(text)), text.toUtf8());
    // A high byte always takes its partner along: an invalid pair is one
    // U+FFFD, and so is a lead byte at the very end.
    QCOMPARE(Encoding::GbkToUtf8(QByteArray("\xA1\x20z\xD6")),
             QByteArray("\xEF\xBF\xBDz\xEF\xBF\xBD"));
}

void TestEncoding::urlEncode() {
    QCOMPARE(Encoding::UrlEncode(QByteArray("AZaz09")), QByteArray("AZaz09"));
    QCOMPARE(Encoding::UrlEncode(QByteArray(" .-_~\n\xFF")), QByteArray("%20%2E%2D%5F%7E%0A%FF"));
    QCOMPARE(Encoding::UrlEncode(Gbk::Encode(u"中"_s)), QByteArray("%D6%D0"));
    QCOMPARE(Encoding::UrlEncode(QByteArray("a\0b", 3)), QByteArray("a%00b"));
    // Only the first 32767 bytes are processed.
    QByteArray big(40000, 'a');
    big[32766] = '.';
    big[32767] = '.';
    const QByteArray encoded = Encoding::UrlEncode(big);
    QCOMPARE(encoded.size(), 32766 + 3);
    QVERIFY(encoded.endsWith("a%2E"));
}

namespace {
const QChar kBad = QChar::ReplacementCharacter;
} // namespace

void TestEncoding::encodesAndDecodesWithoutLoss() {
    QCOMPARE(Gbk::Encode(u"a中文b"_s), QByteArray("a\xD6\xD0\xCE\xC4"
                                                  "b"));
    QCOMPARE(Gbk::Decode(QByteArray("\xD6\xD0\xCE\xC4")), u"中文"_s);
    QCOMPARE(Gbk::Encode(u"丂"_s), QByteArray("\x81\x40")); // trail byte below 0x80
    // Latin-1 is not ASCII: it must not take the single-byte shortcut.
    QVERIFY(Gbk::Encode(u"é"_s) != QByteArray("\xE9"));
    // Characters GBK lacks survive through GB18030; a long text makes the
    // buffers grow.
    QString text = u"客户 café €™ 한국어 😀 𠀀"_s;
    for (int i = 0; i < 12; ++i)
        text += text;
    QVERIFY(!Gbk::Encode(text).contains('?'));
    QCOMPARE(Gbk::Decode(Gbk::Encode(text)), text);
}

void TestEncoding::badInputNeverCrashesOrLoops() {
    QCOMPARE(Gbk::Decode(QByteArray("\x80\xFF"
                                    "a")),
             QString(kBad) + kBad + QLatin1Char('a'));
    // A lead byte without a valid trail loses only itself.
    QCOMPARE(Gbk::Decode(QByteArray("\xD6 x")), kBad + u" x"_s);
    // Cut off at the end, two- and four-byte forms alike.
    QCOMPARE(Gbk::Decode(QByteArray("\xD6\xD0\xD6")), u"中"_s + kBad);
    QCOMPARE(Gbk::Decode(QByteArray("ab\x81\x30")), u"ab"_s + kBad);
    // Lone surrogates have no encoding anywhere.
    QString surrogates = u"a"_s;
    surrogates += QChar(0xDC00);
    surrogates += QChar(0xD800);
    surrogates += QLatin1Char('b');
    surrogates += QChar(0xD83D);
    QCOMPARE(Gbk::Encode(surrogates), QByteArray("a??b?"));
}

void TestEncoding::utf8Validation() {
    const QList<QByteArray> valid{"", u"中文😀"_s.toUtf8(), "\xF4\x8F\xBF\xBF"};
    for (const QByteArray& bytes : valid)
        QVERIFY2(Gbk::IsValidUtf8(bytes), bytes.toHex().constData());
    // GBK, overlong forms, a surrogate, beyond U+10FFFF, cut off, bad or stray
    // continuation bytes.
    const QList<QByteArray> invalid{"\xD6\xD0",     "\xC0\xAF",
                                    "\xE0\x80\xAF", "\xF0\x80\x80\xAF",
                                    "\xED\xA0\x80", "\xF4\x90\x80\x80",
                                    "\xE4\xB8",     "\xE4\x41\xAD",
                                    "\x80",         "\xFF"};
    for (const QByteArray& bytes : invalid)
        QVERIFY2(!Gbk::IsValidUtf8(bytes), bytes.toHex().constData());
}

QTEST_GUILESS_MAIN(TestEncoding)
#include "tst_encoding.moc"
