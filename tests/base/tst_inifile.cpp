#include "base/IniFile.h"
#include "net/Gbk.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

IniFile Parsed(const QByteArray& bytes) {
    IniFile ini;
    ini.FromBytes(bytes);
    return ini;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

int Mode(const QString& path) {
    struct stat status {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? int(status.st_mode & 0777)
                                                                     : -1;
}

bool WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestIniFile : public QObject {
    Q_OBJECT

private slots:
    void writesTheExactFormat();
    void readsLinesByTheFormatRules();
    void repeatedNamesAndJunkLoseNothing();
    void escapesRoundTrip();
    void namesAndTheSectionCache();
    void numbers();
    void loadAndSave();
    void everyGbkCharacterRoundTrips();
    void encodingsAreReadAndKept();
    void unreadableFilesAreNeverOverwritten();
};

void TestIniFile::writesTheExactFormat() {
    IniFile ini;
    QCOMPARE(ini.ToBytes(), QByteArray());
    ini.SetString(U("Database"), U("Source"), U("a b "));
    ini.SetString(U("Empty"), U("x"), QString());
    ini.SetString(U("Database"), U("名称"), U("业务"));
    ini.SetString(U("DATABASE"), U("source"), U("again"));
    QCOMPARE(ini.ToBytes(),
             QByteArray("\r\n[Database]\r\nSource=again\r\n\xC3\xFB\xB3\xC6=\xD2\xB5\xCE\xF1\r\n"
                        "\r\n[Empty]\r\nx=\r\n"));
    QCOMPARE(Parsed("[Only]").ToBytes(), QByteArray("\r\n[Only]\r\n"));
}

void TestIniFile::readsLinesByTheFormatRules() {
    const IniFile ini = Parsed("ignored=before any head\n"
                               "[]\nhidden=1\n"
                               "  [Main]  trailing text\n"
                               "a=b=c\r\n"
                               "   spaced = value  \r\n"
                               "\ttabbed=1\n"
                               "flag\n"
                               "mid\rdle=x\r\n"
                               "\n"
                               "[[[Nested]]\n"
                               "[broken\n"
                               "after=broken\n"
                               "=novalue");
    QStringList names{U("stale")};
    QCOMPARE(ini.GetSections(names), 2); // the unnamed section is not listed...
    QCOMPARE(names, QStringList({U("Main"), U("Nested")}));
    QCOMPARE(ini.GetString(QString(), U("hidden")), U("1")); // ...but can be read
    QCOMPARE(ini.GetKeys(U("Nested"), names), 2);
    QCOMPARE(names, QStringList({U("after"), QString()}));
    QCOMPARE(ini.GetString(U("Main"), U("a")), U("b=c"));
    // Leading spaces go; everything else around '=' stays.
    QCOMPARE(ini.GetString(U("Main"), U("spaced ")), U(" value  "));
    QVERIFY(ini.Find(U("Main"), U("flag")) == std::optional<QString>(QString()));
    QCOMPARE(ini.GetString(U("Main"), U("middle")), U("x")); // every CR is removed
    QVERIFY(!ini.Find(U("Main"), U("ignored")));
    QCOMPARE(ini.GetString(U("Nested"), U("after")), U("broken"));
    QCOMPARE(ini.GetString(U("Nested"), QString()), U("novalue"));
    // Keys without any head load as an empty document.
    QCOMPARE(Parsed("a=1\r\nb=2\r\n").ToBytes(), QByteArray());
}

void TestIniFile::repeatedNamesAndJunkLoseNothing() {
    const QByteArray text(
        "\r\n[A]\r\nk=1\r\nk=2\r\n\r\n[B]\r\nx=y\r\n\r\n[a]\r\nk=3\r\nonly=2nd\r\n");
    IniFile ini = Parsed(text);
    QCOMPARE(ini.GetString(U("a"), U("k")), U("1"));
    QVERIFY(!ini.Find(U("a"), U("only")));
    QCOMPARE(ini.ToBytes(), text);
    // Setting a repeated key changes the first one only.
    ini.SetString(U("a"), U("K"), U("9"));
    QVERIFY(ini.ToBytes().startsWith("\r\n[A]\r\nk=9\r\nk=2\r\n"));
}

void TestIniFile::escapesRoundTrip() {
    IniFile ini;
    const QString value = U("C:\\dir\\new\r\nline two\\r literal\n");
    ini.SetString(U("Mail"), U("Body"), value);
    const QByteArray bytes = ini.ToBytes();
    QCOMPARE(bytes,
             QByteArray("\r\n[Mail]\r\nBody=C:\\\\dir\\\\new\\r\\nline two\\\\r literal\\n\r\n"));
    QCOMPARE(Parsed(bytes).GetString(U("Mail"), U("Body")), value);
    // Backslashes that start no escape stay, a final one too.
    const IniFile hand = Parsed("[P]\r\nPath=C:\\temp\\x\\\r\nNl=a\\nb\r\n");
    QCOMPARE(hand.GetString(U("P"), U("Path")), U("C:\\temp\\x\\"));
    QCOMPARE(hand.GetString(U("P"), U("Nl")), U("a\nb"));
    // GBK characters whose second byte is 0x5C ('\') are not escapes.
    const QString tricky = U("誠實 乗n");
    QVERIFY(Gbk::Encode(tricky).contains('\\'));
    ini.SetString(U("Mail"), U("Body"), tricky);
    QCOMPARE(Parsed(ini.ToBytes()).GetString(U("Mail"), U("Body")), tricky);
}

void TestIniFile::namesAndTheSectionCache() {
    IniFile ini = Parsed("[One]\r\nk=1\r\n[two]\r\nk=2\r\n[ONE]\r\nk=3\r\n");
    // Whatever spelling warmed the cache, every lookup finds the first match.
    for (const char* name : {"ONE", "One", "Two", "one", "ONE"})
        QCOMPARE(ini.GetString(U(name), U("K")), name[1] == 'w' ? U("2") : U("1"));
    // Only A-Z fold.
    ini.SetString(U("É"), U("k"), U("1"));
    QVERIFY(!ini.Find(U("é"), U("k")));

    // After Clear or a re-read the cache must not answer from the old document.
    ini.Clear();
    QVERIFY(!ini.Find(U("one"), U("k")));
    ini.SetString(U("one"), U("k"), U("new"));
    QCOMPARE(ini.GetString(U("one"), U("k")), U("new"));
    ini.FromBytes("[one]\r\nk=reloaded\r\n");
    QCOMPARE(ini.GetString(U("one"), U("k")), U("reloaded"));
}

void TestIniFile::numbers() {
    IniFile ini;
    ini.SetInt(U("N"), U("min"), INT_MIN);
    ini.SetDouble(U("N"), U("price"), 12.5);
    ini.SetString(U("N"), U("text"), U("12abc"));
    QCOMPARE(ini.GetInt(U("N"), U("min")), INT_MIN);
    QCOMPARE(ini.GetString(U("N"), U("price")), U("12.50000"));
    QCOMPARE(ini.GetInt(U("N"), U("text")), 12);
    QCOMPARE(ini.GetInt(U("N"), U("missing")), 0);
    // atoi: blanks, one sign, leading digits; saturates instead of overflowing.
    QCOMPARE(AtoI(U(" \t\r\n-7.5")), -7);
    QCOMPARE(AtoI(U("- 5")), 0);
    QCOMPARE(AtoI(U("99999999999999999999")), INT_MAX);
    QCOMPARE(AtoI(U("-99999999999999999999")), INT_MIN);
}

void TestIniFile::loadAndSave() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(U("settings.ini"));
    IniFile ini;
    QVERIFY(WriteAll(path, Gbk::Encode(U("[邮件]\r\n主题=订单通知\r\n"))));
    QVERIFY(ini.Load(path));
    QCOMPARE(ini.GetString(U("邮件"), U("主题")), U("订单通知"));
    // A missing file leaves document and path as they were; something that
    // exists but cannot be read clears the document.
    QVERIFY(!ini.Load(dir.filePath(U("missing.ini"))));
    QCOMPARE(ini.Path(), path);
    QCOMPARE(ini.GetString(U("邮件"), U("主题")), U("订单通知"));
    IniFile other(ini);
    QVERIFY(!other.Load(dir.path()));
    QStringList names;
    QCOMPARE(other.GetSections(names), 0);

    // Saving writes GBK and replaces the file whole.
    QVERIFY(ini.Save(path));
    QCOMPARE(ReadAll(path), ini.ToBytes());

    // Unwritable targets: the parent is a file, the parent is missing. The old file stays and no
    // temporary file is left.
    const QByteArray before = ReadAll(path);
    QVERIFY(!ini.Save(path + U("/child.ini")));
    QVERIFY(!ini.Save(dir.filePath(U("no/such/dir/x.ini"))));
    QCOMPARE(ReadAll(path), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{U("settings.ini")});

    // A file with a password becomes the owner's alone, also when it was
    // readable by all before; an ordinary save keeps the mode it finds.
    const auto owner = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    QVERIFY(QFile::setPermissions(path, owner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    ini.SetString(U("."), U("UserPass"), U("secret"));
    QVERIFY(ini.Save(path, IniFile::Access::OwnerOnly));
    QCOMPARE(ReadAll(path), ini.ToBytes());
    QCOMPARE(Mode(path), 0600);
    QVERIFY(ini.Save(path));
    QCOMPARE(Mode(path), 0600);
}

void TestIniFile::everyGbkCharacterRoundTrips() {
    // Every two-byte code that decodes, in section names and in values, saved
    // and loaded again. Many short runs of these bytes are valid UTF-8 too
    // (小 is D0 A1, "С" in UTF-8), which must not sway the reading.
    // A few codes decode to characters beyond the BMP (two QChars each), so
    // characters and their bytes are kept side by side.
    QStringList all;
    QList<QByteArray> pairs;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F)
                continue;
            QByteArray pair;
            pair.append(char(lead)).append(char(trail));
            QString character;
            if (Gbk::DecodeStrict(pair, character)) {
                all << character;
                pairs << pair;
            }
        }
    }
    QVERIFY2(all.size() > 21000, qPrintable(QString::number(all.size())));

    IniFile ini;
    QByteArray expected;
    constexpr int kRun = 60;
    for (qsizetype at = 0; at < all.size(); at += kRun) {
        const QString run = all.mid(at, kRun).join(QString());
        const QByteArray runBytes = pairs.mid(at, kRun).join();
        ini.SetString(run, U("值"), run);
        expected += "\r\n[" + runBytes + "]\r\n\xD6\xB5=" + runBytes + "\r\n";
    }

    QTemporaryDir dir;
    const QString path = dir.filePath(U("all.ini"));
    QVERIFY(ini.Save(path));
    QCOMPARE(ReadAll(path), expected); // the program's own bytes: GBK
    IniFile back;
    QVERIFY(back.Load(path));
    QStringList names;
    QStringList backNames;
    ini.GetSections(names);
    back.GetSections(backNames);
    QCOMPARE(backNames, names);
    for (const QString& name : std::as_const(names))
        QCOMPARE(back.GetString(name, U("值")), name);

    // Each character on its own, as a name or a short value in a small file
    // holds it: alone, 682 of the 3,755 commonest hanzi are valid UTF-8. The
    // file's bytes, without a disk write per character.
    for (const QString& character : std::as_const(all)) {
        IniFile one;
        one.SetString(character, U("UserName"), character);
        IniFile read;
        QVERIFY(read.FromBytes(one.ToBytes()));
        QVERIFY(read.GetSections(names) == 1 && names.first() == character);
        QCOMPARE(read.GetString(character, U("UserName")), character);
    }
}

void TestIniFile::encodingsAreReadAndKept() {
    QTemporaryDir dir;
    const QString path = dir.filePath(U("database.ini"));
    const QString text = U("[Torvel]\r\nConnect=Provider=SQLite;Data Source=小谢/other.db\r\n");
    // Notepad's "Unicode" (UTF-16 LE), big-endian UTF-16, and UTF-8 with a
    // BOM: read, and saved back in the same form.
    const QByteArray utf16le = "\xFF\xFE" + QStringEncoder(QStringEncoder::Utf16LE).encode(text);
    const QByteArray utf16be = "\xFE\xFF" + QStringEncoder(QStringEncoder::Utf16BE).encode(text);
    for (const QByteArray& bytes : {utf16le, utf16be, "\xEF\xBB\xBF" + text.toUtf8()}) {
        QVERIFY(WriteAll(path, bytes));
        IniFile ini;
        QVERIFY(ini.Load(path));
        QCOMPARE(ini.GetString(U("torvel"), U("Connect")),
                 U("Provider=SQLite;Data Source=小谢/other.db"));
        ini.SetString(U("MailReceiver"), U("Connect"), U("邮件"));
        QVERIFY(ini.Save(path));
        IniFile back;
        QVERIFY(back.Load(path));
        QCOMPARE(back.GetString(U("MailReceiver"), U("Connect")), U("邮件"));
        QCOMPARE(ReadAll(path).left(2), bytes.left(2));
    }
    // UTF-8 without a BOM is read as UTF-8 only when it cannot be GBK (here
    // the last character is cut in two by the end of the file), and is saved
    // as GBK.
    const QByteArray utf8 = U("[邮件]\r\n主题=订单通知中").toUtf8();
    QString asGbk;
    QVERIFY(!Gbk::DecodeStrict(utf8, asGbk));
    QVERIFY(WriteAll(path, utf8));
    IniFile ini;
    QVERIFY(ini.Load(path));
    QCOMPARE(ini.GetString(U("邮件"), U("主题")), U("订单通知中"));
    QCOMPARE(ini.ToBytes(), Gbk::Encode(U("\r\n[邮件]\r\n主题=订单通知中\r\n")));
}

void TestIniFile::unreadableFilesAreNeverOverwritten() {
    QTemporaryDir dir;
    const QString path = dir.filePath(U("account.ini"));
    // Neither GBK nor UTF-8; UTF-16 without its BOM; a UTF-16 file cut short.
    const QList<QByteArray> unreadable{QByteArray("[.]\r\nUserName=\xFF\x80\xD0\r\n"),
                                       QByteArray("[\0.\0]\0", 6), QByteArray("\xFF\xFE[\0.")};
    for (const QByteArray& bytes : unreadable) {
        QVERIFY(WriteAll(path, bytes));
        IniFile ini;
        QVERIFY(!ini.Load(path));
        QCOMPARE(ini.GetLoadState(), IniFile::LoadState::Unreadable);
        ini.SetString(U("."), U("UserName"), U("admin"));
        QVERIFY(!ini.Save(dir.path() + U("/./account.ini")));
        QCOMPARE(ReadAll(path), bytes);
        // Elsewhere the document saves as any other.
        QVERIFY(ini.Save(dir.filePath(U("copy.ini"))));
    }
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
