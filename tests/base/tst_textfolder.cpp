#include "base/ProgramFolder.h"
#include "base/TextHelpers.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class TestTextAndFolder : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { SetProgramFolder(QString()); }
    void programFolder();
    void splitText();
    void asciiCase();
};

void TestTextAndFolder::programFolder() {
    const QString own = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    QCOMPARE(ProgramFolder(), own);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString chosen = dir.path() + QLatin1Char('/');
    for (const QString& folder : {dir.path(), chosen}) {
        SetProgramFolder(folder);
        QCOMPARE(ProgramFolder(), chosen);
    }
    // A relative folder is pinned to the directory current when it is chosen.
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    SetProgramFolder(QStringLiteral("sub/../home"));
    QVERIFY(QDir::setCurrent(before));
    QCOMPARE(ProgramFolder(), chosen + QStringLiteral("home/"));

    SetProgramFolder(QStringLiteral("/opt/torvel"));
    QCOMPARE(ProgramPath(QStringLiteral("res\\list_PayMode.ini")),
             QStringLiteral("/opt/torvel/res/list_PayMode.ini"));
    SetProgramFolder(QString());
    QCOMPARE(ProgramFolder(), own);
}

void TestTextAndFolder::splitText() {
    const QList<std::pair<QString, QStringList>> cases{
        {QString(), {}},
        {QStringLiteral("a,b,"), {QStringLiteral("a"), QStringLiteral("b")}},
        {QStringLiteral("a,,b"), {QStringLiteral("a"), QString(), QStringLiteral("b")}},
        {QStringLiteral(",,"), {QString(), QString()}}, // only the last empty item goes
        {QString::fromUtf8("客户"), {QString::fromUtf8("客户")}}};
    for (const auto& [text, expected] : cases) {
        QStringList items{QStringLiteral("stale")};
        QCOMPARE(SplitText(text, QLatin1Char(','), items), expected.size());
        QCOMPARE(items, expected);
    }
}

void TestTextAndFolder::asciiCase() {
    QString text = QString::fromUtf8("KeyID 客户 ÄÖ @[Z]");
    const QString shared = text;
    LowerAscii(text);
    QCOMPARE(text, QString::fromUtf8("keyid 客户 ÄÖ @[z]"));
    QCOMPARE(shared, QString::fromUtf8("KeyID 客户 ÄÖ @[Z]")); // a copy is not changed

    QVERIFY(EqualsIgnoringAsciiCase(QStringLiteral("ColumnWidth"), QStringLiteral("COLUMNwidth")));
    QVERIFY(!EqualsIgnoringAsciiCase(QStringLiteral("abc"), QStringLiteral("abcd")));
    QVERIFY(!EqualsIgnoringAsciiCase(QString::fromUtf8("ä"), QString::fromUtf8("Ä")));
    // Neighbours of the letter ranges do not fold into each other.
    QVERIFY(!EqualsIgnoringAsciiCase(QStringLiteral("@["), QStringLiteral("`{")));
}

QTEST_GUILESS_MAIN(TestTextAndFolder)
#include "tst_textfolder.moc"
