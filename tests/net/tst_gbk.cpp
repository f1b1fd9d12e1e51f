#include "net/Gbk.h"

#include <QTest>

#include <thread>
#include <vector>

class TestGbk : public QObject {
    Q_OBJECT

private slots:
    void knownCharactersEncodeToTheirGbkBytes();
    void roundTripKeepsEveryCharacter();
    void invalidBytesBecomeReplacementWithoutSwallowingAscii();
    void loneSurrogatesEncodeAsQuestionMarks();
    void decodeFileChoosesTheEncoding();
    void utf8Validation();
    void threadsConvertIndependently();
};

void TestGbk::knownCharactersEncodeToTheirGbkBytes() {
    QCOMPARE(Gbk::Encode(QString::fromUtf8("中文")), QByteArray("\xD6\xD0\xCE\xC4"));
    QCOMPARE(Gbk::Encode(QString::fromUtf8("a中b")), QByteArray("a\xD6\xD0"
                                                                "b"));
    QCOMPARE(Gbk::Decode(QByteArray("\xD6\xD0\xCE\xC4")), QString::fromUtf8("中文"));
    // GBK's own extension area (trail bytes below 0x80) must decode too.
    QCOMPARE(Gbk::Decode(Gbk::Encode(QString::fromUtf8("丂"))), QString::fromUtf8("丂"));
    QCOMPARE(Gbk::Encode(QString::fromUtf8("丂")), QByteArray("\x81\x40"));
    QVERIFY(Gbk::Encode(QString()).isEmpty());
    QVERIFY(Gbk::Decode(QByteArray()).isEmpty());
    // ASCII, including the control characters, passes through unchanged.
    const QByteArray ascii("line\r\n\ttab\x01\x7F");
    QCOMPARE(Gbk::Encode(QString::fromLatin1(ascii)), ascii);
    QCOMPARE(Gbk::Decode(ascii), QString::fromLatin1(ascii));
    // Latin-1 letters are not ASCII and must not take the single-byte shortcut.
    QVERIFY(Gbk::Encode(QString::fromUtf8("é")) != QByteArray("\xE9"));
    QCOMPARE(Gbk::Decode(Gbk::Encode(QString::fromUtf8("café"))), QString::fromUtf8("café"));
}

void TestGbk::roundTripKeepsEveryCharacter() {
    // Characters outside GBK (emoji, Korean, a supplementary ideograph) survive
    // because encoding uses GB18030.
    const QString text = QString::fromUtf8("客户资料 €™ 한국어 😀 𠀀 end");
    const QByteArray bytes = Gbk::Encode(text);
    QVERIFY(!bytes.contains('?'));
    QCOMPARE(Gbk::Decode(bytes), text);

    // Long mixed text whose buffers must grow correctly.
    QString longText;
    for (int i = 0; i < 5000; ++i)
        longText += (i % 3 == 0) ? QString::fromUtf8("汉😀") : QStringLiteral("ab");
    QCOMPARE(Gbk::Decode(Gbk::Encode(longText)), longText);
}

void TestGbk::invalidBytesBecomeReplacementWithoutSwallowingAscii() {
    const QChar r = QChar::ReplacementCharacter;
    QCOMPARE(Gbk::Decode(QByteArray("\x80")), QString(r));
    QCOMPARE(Gbk::Decode(QByteArray("\xFF"
                                    "a")),
             QString(r) + QLatin1Char('a'));
    // A lead byte followed by a byte that cannot be a trail: only the lead is lost.
    QCOMPARE(Gbk::Decode(QByteArray("\xD6 x")), QString(r) + QStringLiteral(" x"));
    // Cut off at the end, two- and four-byte forms alike.
    QCOMPARE(Gbk::Decode(QByteArray("ab\xD6")), QStringLiteral("ab") + r);
    QCOMPARE(Gbk::Decode(QByteArray("ab\x81\x30")), QStringLiteral("ab") + r);
    QCOMPARE(Gbk::Decode(QByteArray("\xD6\xD0\xD6")), QString::fromUtf8("中") + r);

    // Random binary junk: no crash, no endless loop, never longer than its input.
    QByteArray junk;
    quint32 seed = 12345;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 1103515245u + 12345u;
        junk.append(static_cast<char>(seed >> 16));
    }
    const QString decoded = Gbk::Decode(junk);
    QVERIFY(!decoded.isEmpty());
    QVERIFY(decoded.size() <= junk.size());
    QVERIFY(!Gbk::DecodeFile(junk).isEmpty());
}

void TestGbk::loneSurrogatesEncodeAsQuestionMarks() {
    QString text = QStringLiteral("a");
    text.append(QChar(0xD800));
    text.append(QLatin1Char('b'));
    QCOMPARE(Gbk::Encode(text), QByteArray("a?b"));
    QString trailing = QString::fromUtf8("中");
    trailing.append(QChar(0xD83D));
    QCOMPARE(Gbk::Encode(trailing), QByteArray("\xD6\xD0?"));
    QString lowFirst;
    lowFirst.append(QChar(0xDC00));
    lowFirst.append(QChar(0xD800));
    QCOMPARE(Gbk::Encode(lowFirst), QByteArray("??"));
}

void TestGbk::decodeFileChoosesTheEncoding() {
    const QString chinese = QString::fromUtf8("[数据库]\r\n名称=值");
    // BOM: UTF-8, and the BOM itself is not part of the text.
    QCOMPARE(Gbk::DecodeFile("\xEF\xBB\xBF" + chinese.toUtf8()), chinese);
    QCOMPARE(Gbk::DecodeFile(QByteArray("\xEF\xBB\xBF")), QString());
    QCOMPARE(Gbk::DecodeFile(QByteArray("\xEF\xBB\xBF"
                                        "abc")),
             QStringLiteral("abc"));
    // Valid UTF-8 without BOM.
    QCOMPARE(Gbk::DecodeFile(chinese.toUtf8()), chinese);
    // GBK bytes are not valid UTF-8.
    QCOMPARE(Gbk::DecodeFile(Gbk::Encode(chinese)), chinese);
    // Plain ASCII is the same either way.
    QCOMPARE(Gbk::DecodeFile(QByteArray("a=b")), QStringLiteral("a=b"));
    // A BOM in the middle is not a BOM: the file is UTF-8 and keeps it.
    const QByteArray inner = QByteArray("x") + "\xEF\xBB\xBF";
    QCOMPARE(Gbk::DecodeFile(inner), QString::fromUtf8(inner));
}

void TestGbk::utf8Validation() {
    QVERIFY(Gbk::IsValidUtf8(QByteArray()));
    QVERIFY(Gbk::IsValidUtf8(QByteArray("plain")));
    QVERIFY(Gbk::IsValidUtf8(QString::fromUtf8("中文😀").toUtf8()));
    QVERIFY(Gbk::IsValidUtf8(QByteArray("\xF4\x8F\xBF\xBF"))); // U+10FFFF
    QVERIFY(Gbk::IsValidUtf8(QByteArray("\xED\x9F\xBF")));     // U+D7FF

    QVERIFY(!Gbk::IsValidUtf8(QByteArray("\xD6\xD0")));         // GBK 中
    QVERIFY(!Gbk::IsValidUtf8(QByteArray("\xC0\xAF")));         // overlong '/'
    QVERIFY(!Gbk::IsValidUtf8(QByteArray("\xE0\x80\xAF")));     // overlong, 3 bytes
    QVERIFY(!Gbk::IsValidUtf8(QByteArray("\xF0\x80\x80\xAF"))); // overlong, 4 bytes
    QVERIFY(!Gbk::IsValidUtf8(QByteArray("\xED\xA0\x80")));     // surrogate
    QVERIFY(!Gbk::IsValidUtf8(QByteArray("\xF4\x90\x80\x80"))); // above U+10FFFF
    QVERIFY(!Gbk::IsValidUtf8(QByteArray("\xE4\xB8")));         // cut off
    QVERIFY(!Gbk::IsValidUtf8(QByteArray("\xE4\x41\xAD")));     // bad continuation
    QVERIFY(!Gbk::IsValidUtf8(QByteArray("\x80")));             // stray continuation
    QVERIFY(!Gbk::IsValidUtf8(QByteArray("\xFF")));
}

void TestGbk::threadsConvertIndependently() {
    // Each thread must get its own converter state; a shared one would mix
    // output between threads.
    const QString text = QString::fromUtf8("业务跟踪管理系统😀 abc ");
    const QByteArray expected = Gbk::Encode(text);
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 2000; ++i) {
                const QByteArray bytes = Gbk::Encode(text);
                if (bytes != expected || Gbk::Decode(bytes) != text)
                    ++failures[static_cast<size_t>(t)];
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int failed : failures)
        QCOMPARE(failed, 0);
}

QTEST_GUILESS_MAIN(TestGbk)
#include "tst_gbk.moc"
