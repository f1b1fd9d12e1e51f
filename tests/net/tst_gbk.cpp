#include "net/Gbk.h"

#include <QTest>

namespace {
QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}
const QChar kBad = QChar::ReplacementCharacter;
} // namespace

class TestGbk : public QObject {
    Q_OBJECT

private slots:
    void encodesAndDecodesWithoutLoss();
    void badInputNeverCrashesOrLoops();
    void utf8Validation();
};

void TestGbk::encodesAndDecodesWithoutLoss() {
    QCOMPARE(Gbk::Encode(U("a中文b")), QByteArray("a\xD6\xD0\xCE\xC4"
                                                  "b"));
    QCOMPARE(Gbk::Decode(QByteArray("\xD6\xD0\xCE\xC4")), U("中文"));
    QCOMPARE(Gbk::Encode(U("丂")), QByteArray("\x81\x40")); // trail byte below 0x80
    // Latin-1 is not ASCII: it must not take the single-byte shortcut.
    QVERIFY(Gbk::Encode(U("é")) != QByteArray("\xE9"));
    // Characters GBK lacks survive through GB18030; a long text makes the
    // buffers grow.
    QString text = U("客户 café €™ 한국어 😀 𠀀");
    for (int i = 0; i < 12; ++i)
        text += text;
    QVERIFY(!Gbk::Encode(text).contains('?'));
    QCOMPARE(Gbk::Decode(Gbk::Encode(text)), text);
}

void TestGbk::badInputNeverCrashesOrLoops() {
    QCOMPARE(Gbk::Decode(QByteArray("\x80\xFF"
                                    "a")),
             QString(kBad) + kBad + QLatin1Char('a'));
    // A lead byte without a valid trail loses only itself.
    QCOMPARE(Gbk::Decode(QByteArray("\xD6 x")), kBad + QStringLiteral(" x"));
    // Cut off at the end, two- and four-byte forms alike.
    QCOMPARE(Gbk::Decode(QByteArray("\xD6\xD0\xD6")), U("中") + kBad);
    QCOMPARE(Gbk::Decode(QByteArray("ab\x81\x30")), QStringLiteral("ab") + kBad);
    // Lone surrogates have no encoding anywhere.
    QString surrogates = QStringLiteral("a");
    surrogates += QChar(0xDC00);
    surrogates += QChar(0xD800);
    surrogates += QLatin1Char('b');
    surrogates += QChar(0xD83D);
    QCOMPARE(Gbk::Encode(surrogates), QByteArray("a??b?"));
}

void TestGbk::utf8Validation() {
    const QList<QByteArray> valid{"", U("中文😀").toUtf8(), "\xF4\x8F\xBF\xBF"};
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

QTEST_GUILESS_MAIN(TestGbk)
#include "tst_gbk.moc"
