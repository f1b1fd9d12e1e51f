#include "base/ProgramFolder.h"
#include "base/TextHelpers.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

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
    SetProgramFolder(u"sub/../home"_s);
    QVERIFY(QDir::setCurrent(before));
    QCOMPARE(ProgramFolder(), chosen + u"home/"_s);

    SetProgramFolder(u"/opt/torvel"_s);
    QCOMPARE(ProgramPath(u"res\\list_PayMode.ini"_s), u"/opt/torvel/res/list_PayMode.ini"_s);
    SetProgramFolder(QString());
    QCOMPARE(ProgramFolder(), own);
}

void TestTextAndFolder::splitText() {
    const QList<std::pair<QString, QStringList>> cases{
        {QString(), {}},
        {u"a,b,"_s, {u"a"_s, u"b"_s}},
        {u"a,,b"_s, {u"a"_s, QString(), u"b"_s}},
        {u",,"_s, {QString(), QString()}}, // only the last empty item goes
        {u"客户"_s, {u"客户"_s}}};
    for (const auto& [text, expected] : cases) {
        QStringList items{u"stale"_s};
        QCOMPARE(SplitText(text, QLatin1Char(','), items), expected.size());
        QCOMPARE(items, expected);
    }
}

void TestTextAndFolder::asciiCase() {
    QString text = u"KeyID 客户 ÄÖ @[Z]"_s;
    const QString shared = text;
    LowerAscii(text);
    QCOMPARE(text, u"keyid 客户 ÄÖ @[z]"_s);
    QCOMPARE(shared, u"KeyID 客户 ÄÖ @[Z]"_s); // a copy is not changed

    QVERIFY(EqualsIgnoringAsciiCase(u"ColumnWidth"_s, u"COLUMNwidth"_s));
    QVERIFY(!EqualsIgnoringAsciiCase(u"abc"_s, u"abcd"_s));
    QVERIFY(!EqualsIgnoringAsciiCase(u"ä"_s, u"Ä"_s));
    // Neighbours of the letter ranges do not fold into each other.
    QVERIFY(!EqualsIgnoringAsciiCase(u"@["_s, u"`{"_s));
}

QTEST_GUILESS_MAIN(TestTextAndFolder)
#include "tst_textfolder.moc"
