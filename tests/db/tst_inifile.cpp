#include "db/IniFile.h"
#include "net/Gbk.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

bool WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

IniFile Parsed(const QByteArray& bytes) {
    IniFile ini;
    ini.FromBytes(bytes);
    return ini;
}

} // namespace

class TestIniFile : public QObject {
    Q_OBJECT

private slots:
    void writesTheExactFileFormat();
    void readsLinesTheWayTheFormatSays();
    void repeatedNamesAndJunkLoseNothing();
    void escapesRoundTrip();
    void namesIgnoreAsciiCaseOnly();
    void sectionCacheNeverAnswersWrong();
    void numbers();
    void listsSectionsAndKeys();
    void copiesAndMovesAreIndependent();
    void loadsFromDisk();
    void saveReplacesWholeOrNotAtAll();
};

void TestIniFile::writesTheExactFileFormat() {
    IniFile ini;
    QCOMPARE(ini.ToBytes(), QByteArray());
    ini.SetString(QStringLiteral("Database"), QStringLiteral("Source"), QStringLiteral("a b "));
    ini.SetString(QStringLiteral("Empty"), QStringLiteral("x"), QString());
    ini.SetString(QStringLiteral("Database"), QStringLiteral("名称"), QString::fromUtf8("业务"));
    ini.SetString(QStringLiteral("Database"), QStringLiteral("source"), QStringLiteral("again"));
    QCOMPARE(ini.ToBytes(),
             QByteArray("\r\n[Database]\r\nSource=again\r\n\xC3\xFB\xB3\xC6=\xD2\xB5\xCE\xF1\r\n"
                        "\r\n[Empty]\r\nx=\r\n"));

    // A section that only exists through a lookup-and-create still gets a bare head.
    IniFile bare = Parsed(QByteArray("[Only]\r\n"));
    QCOMPARE(bare.ToBytes(), QByteArray("\r\n[Only]\r\n"));
}

void TestIniFile::readsLinesTheWayTheFormatSays() {
    const IniFile ini = Parsed(QByteArray("ignored=before head\n"
                                          "  [Main]  trailing text\n"
                                          "a=b=c\r\n"
                                          "   spaced = value  \r\n"
                                          "\ttabbed=1\n"
                                          "flag\n"
                                          "mid\rdle=x\r\n"
                                          "\n"
                                          "[[[Nested]]\n"
                                          "k=v\n"
                                          "[broken\n"
                                          "after=broken\n"
                                          "=novalue"));
    QStringList names;
    QCOMPARE(ini.GetSections(names), 2);
    QCOMPARE(names, QStringList({QStringLiteral("Main"), QStringLiteral("Nested")}));
    QCOMPARE(ini.GetString(QStringLiteral("Main"), QStringLiteral("a")), QStringLiteral("b=c"));
    // Leading spaces go, the rest of the line stays untrimmed on both sides of '='.
    QCOMPARE(ini.GetString(QStringLiteral("Main"), QStringLiteral("spaced ")),
             QStringLiteral(" value  "));
    QVERIFY(!ini.Find(QStringLiteral("Main"), QStringLiteral("tabbed")));
    QCOMPARE(ini.GetString(QStringLiteral("Main"), QStringLiteral("\ttabbed")),
             QStringLiteral("1"));
    QCOMPARE(ini.Find(QStringLiteral("Main"), QStringLiteral("flag")), std::optional(QString()));
    // Every CR is removed, not only a final one.
    QCOMPARE(ini.GetString(QStringLiteral("Main"), QStringLiteral("middle")), QStringLiteral("x"));
    QVERIFY(!ini.Find(QStringLiteral("Main"), QStringLiteral("ignored")));
    // A "[" line without "]" is skipped; its following keys stay in the last section.
    QCOMPARE(ini.GetString(QStringLiteral("Nested"), QStringLiteral("after")),
             QStringLiteral("broken"));
    QCOMPARE(ini.GetString(QStringLiteral("Nested"), QString()), QStringLiteral("novalue"));

    // Keys without any head load as an empty document.
    QStringList none;
    QCOMPARE(Parsed(QByteArray("a=1\r\nb=2\r\n")).GetSections(none), 0);
    QCOMPARE(Parsed(QByteArray("a=1\r\nb=2\r\n")).ToBytes(), QByteArray());
}

void TestIniFile::repeatedNamesAndJunkLoseNothing() {
    const QByteArray text("[A]\r\nk=1\r\nk=2\r\n[B]\r\nx=y\r\n[a]\r\nk=3\r\nonly=second\r\n");
    IniFile ini = Parsed(text);
    QCOMPARE(ini.GetString(QStringLiteral("A"), QStringLiteral("k")), QStringLiteral("1"));
    QVERIFY(!ini.Find(QStringLiteral("a"), QStringLiteral("only")));
    QStringList keys;
    QCOMPARE(ini.GetKeys(QStringLiteral("A"), keys), 2);
    // Writing keeps the repeated sections and keys as they were read.
    QCOMPARE(ini.ToBytes(), QByteArray("\r\n[A]\r\nk=1\r\nk=2\r\n\r\n[B]\r\nx=y\r\n"
                                       "\r\n[a]\r\nk=3\r\nonly=second\r\n"));

    // Setting a repeated key changes the first one only.
    ini.SetString(QStringLiteral("a"), QStringLiteral("K"), QStringLiteral("9"));
    QVERIFY(ini.ToBytes().contains("[A]\r\nk=9\r\nk=2\r\n"));
    QVERIFY(ini.ToBytes().contains("[a]\r\nk=3\r\n"));

    // Binary junk loads without crashing and can be saved again.
    QByteArray junk;
    quint32 seed = 7;
    for (int i = 0; i < 50000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        junk.append(static_cast<char>(seed >> 24));
    }
    junk.insert(1000, "\n[Real]\nkey=value\n");
    IniFile noisy = Parsed(junk);
    QCOMPARE(noisy.GetString(QStringLiteral("Real"), QStringLiteral("key")),
             QStringLiteral("value"));
    noisy.FromBytes(noisy.ToBytes());
    QCOMPARE(noisy.GetString(QStringLiteral("Real"), QStringLiteral("key")),
             QStringLiteral("value"));
}

void TestIniFile::escapesRoundTrip() {
    IniFile ini;
    const QString value = QStringLiteral("C:\\dir\\new\r\nline two\\r literal\n");
    ini.SetString(QStringLiteral("Mail"), QStringLiteral("Body"), value);
    const QByteArray bytes = ini.ToBytes();
    QCOMPARE(bytes,
             QByteArray("\r\n[Mail]\r\nBody=C:\\\\dir\\\\new\\r\\nline two\\\\r literal\\n\r\n"));
    QCOMPARE(Parsed(bytes).GetString(QStringLiteral("Mail"), QStringLiteral("Body")), value);

    // A hand-written path keeps backslashes that start no escape; a backslash at
    // the end of the line stays too.
    const IniFile hand = Parsed(QByteArray("[P]\r\nPath=C:\\temp\\x\\\r\nNl=a\\nb\r\n"));
    QCOMPARE(hand.GetString(QStringLiteral("P"), QStringLiteral("Path")),
             QStringLiteral("C:\\temp\\x\\"));
    QCOMPARE(hand.GetString(QStringLiteral("P"), QStringLiteral("Nl")), QStringLiteral("a\nb"));

    // Chinese text whose GBK bytes include 0x5C ('\') as a trail byte must not
    // be mistaken for an escape.
    IniFile trail;
    const QString tricky = QString::fromUtf8("誠實 乗");
    QVERIFY(Gbk::Encode(tricky).contains('\\'));
    trail.SetString(QStringLiteral("T"), QStringLiteral("v"), tricky);
    QCOMPARE(Parsed(trail.ToBytes()).GetString(QStringLiteral("T"), QStringLiteral("v")), tricky);
}

void TestIniFile::namesIgnoreAsciiCaseOnly() {
    IniFile ini = Parsed(QByteArray("[Database]\r\nConnectString=x\r\n"));
    QCOMPARE(ini.GetString(QStringLiteral("DATABASE"), QStringLiteral("connectstring")),
             QStringLiteral("x"));
    ini.SetString(QStringLiteral("database"), QStringLiteral("CONNECTSTRING"), QStringLiteral("y"));
    QStringList names;
    QCOMPARE(ini.GetSections(names), 1);
    QCOMPARE(names.first(), QStringLiteral("Database")); // the first spelling stays
    QCOMPARE(ini.GetString(QStringLiteral("Database"), QStringLiteral("ConnectString")),
             QStringLiteral("y"));
    // Only A-Z fold: accented letters and different lengths never match.
    ini.SetString(QStringLiteral("É"), QStringLiteral("k"), QStringLiteral("1"));
    QVERIFY(!ini.Find(QStringLiteral("é"), QStringLiteral("k")));
    QVERIFY(!ini.Find(QStringLiteral("Databas"), QStringLiteral("ConnectString")));
    QVERIFY(!ini.Find(QStringLiteral("Database"), QStringLiteral("ConnectStrin")));
}

void TestIniFile::sectionCacheNeverAnswersWrong() {
    IniFile ini = Parsed(QByteArray("[One]\r\nk=1\r\n[two]\r\nk=2\r\n[ONE]\r\nk=3\r\n"));
    // Warm the cache with one spelling, then look up the others.
    QCOMPARE(ini.GetString(QStringLiteral("ONE"), QStringLiteral("k")), QStringLiteral("1"));
    QCOMPARE(ini.GetString(QStringLiteral("One"), QStringLiteral("k")), QStringLiteral("1"));
    QCOMPARE(ini.GetString(QStringLiteral("Two"), QStringLiteral("k")), QStringLiteral("2"));
    QCOMPARE(ini.GetString(QStringLiteral("one"), QStringLiteral("k")), QStringLiteral("1"));

    // After Clear the cached section is gone; a same-named new one must be found.
    ini.Clear();
    QVERIFY(!ini.Find(QStringLiteral("one"), QStringLiteral("k")));
    ini.SetString(QStringLiteral("one"), QStringLiteral("k"), QStringLiteral("new"));
    QCOMPARE(ini.GetString(QStringLiteral("one"), QStringLiteral("k")), QStringLiteral("new"));

    // Re-reading replaces the document and must not answer from the old one.
    ini.FromBytes(QByteArray("[one]\r\nk=reloaded\r\n"));
    QCOMPARE(ini.GetString(QStringLiteral("one"), QStringLiteral("k")), QStringLiteral("reloaded"));
    ini.FromBytes(QByteArray());
    QVERIFY(!ini.Find(QStringLiteral("one"), QStringLiteral("k")));
}

void TestIniFile::numbers() {
    IniFile ini;
    ini.SetInt(QStringLiteral("N"), QStringLiteral("neg"), -42);
    ini.SetInt(QStringLiteral("N"), QStringLiteral("min"), INT_MIN);
    ini.SetDouble(QStringLiteral("N"), QStringLiteral("price"), 12.5);
    ini.SetDouble(QStringLiteral("N"), QStringLiteral("tiny"), -0.000004);
    QCOMPARE(ini.GetString(QStringLiteral("N"), QStringLiteral("neg")), QStringLiteral("-42"));
    QCOMPARE(ini.GetInt(QStringLiteral("N"), QStringLiteral("min")), INT_MIN);
    QCOMPARE(ini.GetString(QStringLiteral("N"), QStringLiteral("price")),
             QStringLiteral("12.50000"));
    QCOMPARE(ini.GetString(QStringLiteral("N"), QStringLiteral("tiny")),
             QStringLiteral("-0.00000"));

    // atoi reading: blanks, sign, leading digits; anything else is 0.
    QCOMPARE(AtoI(QStringLiteral("12abc")), 12);
    QCOMPARE(AtoI(QStringLiteral(" \t\r\n-7x")), -7);
    QCOMPARE(AtoI(QStringLiteral("+15")), 15);
    QCOMPARE(AtoI(QStringLiteral("12.9")), 12);
    QCOMPARE(AtoI(QStringLiteral("abc")), 0);
    QCOMPARE(AtoI(QStringLiteral("- 5")), 0);
    QCOMPARE(AtoI(QStringLiteral("--5")), 0);
    QCOMPARE(AtoI(QString()), 0);
    QCOMPARE(AtoI(QStringLiteral("2147483647")), INT_MAX);
    QCOMPARE(AtoI(QStringLiteral("99999999999999999999")), INT_MAX);
    QCOMPARE(AtoI(QStringLiteral("-99999999999999999999")), INT_MIN);
    QCOMPARE(ini.GetInt(QStringLiteral("N"), QStringLiteral("missing")), 0);
    QCOMPARE(ini.GetInt(QStringLiteral("Missing"), QStringLiteral("neg")), 0);
}

void TestIniFile::listsSectionsAndKeys() {
    const IniFile ini = Parsed(QByteArray("[]\r\nhidden=1\r\n[.]\r\nKeyId=5\r\nName=x\r\n[Z]\r\n"));
    QStringList names{QStringLiteral("stale")};
    QCOMPARE(ini.GetSections(names), 2);
    QCOMPARE(names, QStringList({QStringLiteral("."), QStringLiteral("Z")}));
    // The unnamed section is still reachable by name.
    QCOMPARE(ini.GetString(QString(), QStringLiteral("hidden")), QStringLiteral("1"));

    QStringList keys{QStringLiteral("stale")};
    QCOMPARE(ini.GetKeys(QStringLiteral("."), keys), 2);
    QCOMPARE(keys, QStringList({QStringLiteral("KeyId"), QStringLiteral("Name")}));
    QCOMPARE(ini.GetKeys(QStringLiteral("Z"), keys), 0);
    keys = QStringList{QStringLiteral("stale")};
    QCOMPARE(ini.GetKeys(QStringLiteral("Nope"), keys), 0);
    QVERIFY(keys.isEmpty());
}

void TestIniFile::copiesAndMovesAreIndependent() {
    IniFile original;
    original.SetString(QStringLiteral("."), QStringLiteral("KeyId"), QStringLiteral("1"));
    QCOMPARE(original.GetInt(QStringLiteral("."), QStringLiteral("KeyId")), 1); // warm cache

    IniFile copy(original);
    copy.SetString(QStringLiteral("."), QStringLiteral("KeyId"), QStringLiteral("2"));
    QCOMPARE(original.GetInt(QStringLiteral("."), QStringLiteral("KeyId")), 1);
    QCOMPARE(copy.GetInt(QStringLiteral("."), QStringLiteral("KeyId")), 2);

    IniFile assigned;
    assigned.SetString(QStringLiteral("."), QStringLiteral("Old"), QStringLiteral("x"));
    assigned = original;
    QVERIFY(!assigned.Find(QStringLiteral("."), QStringLiteral("Old")));
    original.Clear();
    QCOMPARE(assigned.GetInt(QStringLiteral("."), QStringLiteral("KeyId")), 1);
    assigned = assigned; // self-assignment keeps everything
    QCOMPARE(assigned.GetInt(QStringLiteral("."), QStringLiteral("KeyId")), 1);

    IniFile moved(std::move(assigned));
    QCOMPARE(moved.GetInt(QStringLiteral("."), QStringLiteral("KeyId")), 1);
    // The moved-from bag is empty and usable, with no cache pointing into the other.
    assigned.SetString(QStringLiteral("."), QStringLiteral("KeyId"), QStringLiteral("3"));
    QCOMPARE(assigned.GetInt(QStringLiteral("."), QStringLiteral("KeyId")), 3);
    QCOMPARE(moved.GetInt(QStringLiteral("."), QStringLiteral("KeyId")), 1);

    IniFile target;
    target.SetString(QStringLiteral("."), QStringLiteral("KeyId"), QStringLiteral("9"));
    target = std::move(moved);
    QCOMPARE(target.GetInt(QStringLiteral("."), QStringLiteral("KeyId")), 1);
    QVERIFY(!moved.Find(QStringLiteral("."), QStringLiteral("KeyId")));
}

void TestIniFile::loadsFromDisk() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString gbkPath = dir.filePath(QStringLiteral("gbk.ini"));
    const QString utf8Path = dir.filePath(QStringLiteral("utf8.ini"));
    const QString bomPath = dir.filePath(QStringLiteral("bom.ini"));
    const QString text = QString::fromUtf8("[邮件]\r\n主题=订单通知\r\n");
    QVERIFY(WriteAll(gbkPath, Gbk::Encode(text)));
    QVERIFY(WriteAll(utf8Path, text.toUtf8()));
    QVERIFY(WriteAll(bomPath, "\xEF\xBB\xBF" + text.toUtf8()));
    for (const QString& path : {gbkPath, utf8Path, bomPath}) {
        IniFile ini;
        QVERIFY(ini.Load(path));
        QCOMPARE(ini.Path(), path);
        QCOMPARE(ini.GetString(QString::fromUtf8("邮件"), QString::fromUtf8("主题")),
                 QString::fromUtf8("订单通知"));
    }

    // A missing file leaves the document and its path as they were.
    IniFile kept;
    QVERIFY(kept.Load(gbkPath));
    QVERIFY(!kept.Load(dir.filePath(QStringLiteral("missing.ini"))));
    QCOMPARE(kept.Path(), gbkPath);
    QCOMPARE(kept.GetString(QString::fromUtf8("邮件"), QString::fromUtf8("主题")),
             QString::fromUtf8("订单通知"));

    // Something that exists but cannot be read as a file: false, document cleared.
    QVERIFY(!kept.Load(dir.path()));
    QStringList names;
    QCOMPARE(kept.GetSections(names), 0);

    // An empty file is a valid, empty document.
    const QString emptyPath = dir.filePath(QStringLiteral("empty.ini"));
    QVERIFY(WriteAll(emptyPath, QByteArray()));
    IniFile empty;
    QVERIFY(empty.Load(emptyPath));
    QCOMPARE(empty.GetSections(names), 0);
}

void TestIniFile::saveReplacesWholeOrNotAtAll() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("settings.ini"));

    IniFile ini;
    ini.SetString(QStringLiteral("Main"), QStringLiteral("Name"), QString::fromUtf8("张三"));
    QVERIFY(ini.Save(path));
    QCOMPARE(ReadAll(path), ini.ToBytes());
    IniFile reread;
    QVERIFY(reread.Load(path));
    QCOMPARE(reread.ToBytes(), ini.ToBytes());

    // A shorter document replaces the file whole, with no tail of the old one.
    IniFile smaller;
    QVERIFY(smaller.Save(path));
    QCOMPARE(ReadAll(path), QByteArray());
    QVERIFY(ini.Save(path));

    // Unwritable targets: a parent that is a regular file, a parent that does
    // not exist, a target that is a folder. The old file stays untouched and no
    // temporary file is left behind.
    const QByteArray before = ReadAll(path);
    QVERIFY(!ini.Save(path + QStringLiteral("/child.ini")));
    QVERIFY(!ini.Save(dir.filePath(QStringLiteral("no/such/dir/x.ini"))));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    QVERIFY(!ini.Save(dir.filePath(QStringLiteral("folder"))));
    QCOMPARE(ReadAll(path), before);
    const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(left, QStringList({QStringLiteral("settings.ini")}));
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
