#include "db/ProgramFolder.h"
#include "db/TextHelpers.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class TestTextAndFolder : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { SetProgramFolder(QString()); }

    void programFolderIsTheExecutablesUnlessChosen();
    void programPathUsesForwardSlashes();
    void splitText();
    void asciiCaseHelpers();
};

void TestTextAndFolder::programFolderIsTheExecutablesUnlessChosen() {
    const QString own = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    QCOMPARE(ProgramFolder(), own);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    SetProgramFolder(dir.path());
    QCOMPARE(ProgramFolder(), dir.path() + QLatin1Char('/'));
    SetProgramFolder(dir.path() + QLatin1Char('/'));
    QCOMPARE(ProgramFolder(), dir.path() + QLatin1Char('/'));
    SetProgramFolder(QStringLiteral("/"));
    QCOMPARE(ProgramFolder(), QStringLiteral("/"));

    // A relative folder is pinned to the directory current when it was chosen.
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    SetProgramFolder(QStringLiteral("sub/../home"));
    QVERIFY(QDir::setCurrent(before));
    QCOMPARE(ProgramFolder(), dir.path() + QStringLiteral("/home/"));

    SetProgramFolder(QString());
    QCOMPARE(ProgramFolder(), own);
}

void TestTextAndFolder::programPathUsesForwardSlashes() {
    SetProgramFolder(QStringLiteral("/opt/torvel"));
    QCOMPARE(ProgramPath(QStringLiteral("data\\account.ini")),
             QStringLiteral("/opt/torvel/data/account.ini"));
    // Names keep their case.
    QCOMPARE(ProgramPath(QStringLiteral("res\\list_PayMode.ini")),
             QStringLiteral("/opt/torvel/res/list_PayMode.ini"));
    QCOMPARE(ProgramPath(QStringLiteral("torvel.db")), QStringLiteral("/opt/torvel/torvel.db"));
    QCOMPARE(ProgramPath(QString()), QStringLiteral("/opt/torvel/"));
}

void TestTextAndFolder::splitText() {
    QStringList items{QStringLiteral("stale")};
    QCOMPARE(SplitText(QString(), QLatin1Char(','), items), 0);
    QVERIFY(items.isEmpty());
    QCOMPARE(SplitText(QStringLiteral("a,b,"), QLatin1Char(','), items), 2);
    QCOMPARE(items, QStringList({QStringLiteral("a"), QStringLiteral("b")}));
    QCOMPARE(SplitText(QStringLiteral("a,,b"), QLatin1Char(','), items), 3);
    QCOMPARE(items, QStringList({QStringLiteral("a"), QString(), QStringLiteral("b")}));
    // Only the one trailing empty item is dropped.
    QCOMPARE(SplitText(QStringLiteral(",,"), QLatin1Char(','), items), 2);
    QCOMPARE(items, QStringList({QString(), QString()}));
    QCOMPARE(SplitText(QStringLiteral("no separator"), QLatin1Char(','), items), 1);
    QCOMPARE(SplitText(QString::fromUtf8("客户|订单"), QLatin1Char('|'), items), 2);
    QCOMPARE(items.last(), QString::fromUtf8("订单"));
}

void TestTextAndFolder::asciiCaseHelpers() {
    QString text = QString::fromUtf8("KeyID 客户 ÄÖ @[Z]");
    LowerAscii(text);
    QCOMPARE(text, QString::fromUtf8("keyid 客户 ÄÖ @[z]"));

    // Lowering one copy must not change a shared one.
    const QString original = QStringLiteral("ABC");
    QString shared = original;
    LowerAscii(shared);
    QCOMPARE(original, QStringLiteral("ABC"));
    QCOMPARE(shared, QStringLiteral("abc"));

    QVERIFY(EqualsIgnoringAsciiCase(QStringLiteral("ColumnWidth"), QStringLiteral("COLUMNwidth")));
    QVERIFY(EqualsIgnoringAsciiCase(QString(), QString()));
    QVERIFY(!EqualsIgnoringAsciiCase(QStringLiteral("abc"), QStringLiteral("abcd")));
    QVERIFY(!EqualsIgnoringAsciiCase(QString::fromUtf8("ä"), QString::fromUtf8("Ä")));
    // '@' and '`' sit next to the letters: they must not fold to each other.
    QVERIFY(!EqualsIgnoringAsciiCase(QStringLiteral("@"), QStringLiteral("`")));
    QVERIFY(!EqualsIgnoringAsciiCase(QStringLiteral("["), QStringLiteral("{")));
}

QTEST_GUILESS_MAIN(TestTextAndFolder)
#include "tst_textfolder.moc"
