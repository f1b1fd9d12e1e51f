#include "base/IniFile.h"
#include "net/Gbk.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

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
    ini.SetString(u"Database"_s, u"Source"_s, u"a b "_s);
    ini.SetString(u"Empty"_s, u"x"_s, QString());
    ini.SetString(u"Database"_s, u"名称"_s, u"业务"_s);
    ini.SetString(u"DATABASE"_s, u"source"_s, u"again"_s);
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
    QStringList names{u"stale"_s};
    QCOMPARE(ini.GetSections(names), 2); // the unnamed section is not listed...
    QCOMPARE(names, QStringList({u"Main"_s, u"Nested"_s}));
    QCOMPARE(ini.GetString(QString(), u"hidden"_s), u"1"_s); // ...but can be read
    QCOMPARE(ini.GetKeys(u"Nested"_s, names), 2);
    QCOMPARE(names, QStringList({u"after"_s, QString()}));
    QCOMPARE(ini.GetString(u"Main"_s, u"a"_s), u"b=c"_s);
    // Leading spaces go; everything else around '=' stays.
    QCOMPARE(ini.GetString(u"Main"_s, u"spaced "_s), u" value  "_s);
    QVERIFY(ini.Find(u"Main"_s, u"flag"_s) == std::optional<QString>(QString()));
    QCOMPARE(ini.GetString(u"Main"_s, u"middle"_s), u"x"_s); // every CR is removed
    QVERIFY(!ini.Find(u"Main"_s, u"ignored"_s));
    QCOMPARE(ini.GetString(u"Nested"_s, u"after"_s), u"broken"_s);
    QCOMPARE(ini.GetString(u"Nested"_s, QString()), u"novalue"_s);
    // Keys without any head load as an empty document.
    QCOMPARE(Parsed("a=1\r\nb=2\r\n").ToBytes(), QByteArray());
}

void TestIniFile::repeatedNamesAndJunkLoseNothing() {
    const QByteArray text(
        "\r\n[A]\r\nk=1\r\nk=2\r\n\r\n[B]\r\nx=y\r\n\r\n[a]\r\nk=3\r\nonly=2nd\r\n");
    IniFile ini = Parsed(text);
    QCOMPARE(ini.GetString(u"a"_s, u"k"_s), u"1"_s);
    QVERIFY(!ini.Find(u"a"_s, u"only"_s));
    QCOMPARE(ini.ToBytes(), text);
    // Setting a repeated key changes the first one only.
    ini.SetString(u"a"_s, u"K"_s, u"9"_s);
    QVERIFY(ini.ToBytes().startsWith("\r\n[A]\r\nk=9\r\nk=2\r\n"));
}

void TestIniFile::escapesRoundTrip() {
    IniFile ini;
    const QString value = u"C:\\dir\\new\r\nline two\\r literal\n"_s;
    ini.SetString(u"Mail"_s, u"Body"_s, value);
    const QByteArray bytes = ini.ToBytes();
    QCOMPARE(bytes,
             QByteArray("\r\n[Mail]\r\nBody=C:\\\\dir\\\\new\\r\\nline two\\\\r literal\\n\r\n"));
    QCOMPARE(Parsed(bytes).GetString(u"Mail"_s, u"Body"_s), value);
    // Backslashes that start no escape stay, a final one too.
    const IniFile hand = Parsed("[P]\r\nPath=C:\\temp\\x\\\r\nNl=a\\nb\r\n");
    QCOMPARE(hand.GetString(u"P"_s, u"Path"_s), u"C:\\temp\\x\\"_s);
    QCOMPARE(hand.GetString(u"P"_s, u"Nl"_s), u"a\nb"_s);
    // GBK characters whose second byte is 0x5C ('\') are not escapes.
    const QString tricky = u"誠實 乗n"_s;
    QVERIFY(Gbk::Encode(tricky).contains('\\'));
    ini.SetString(u"Mail"_s, u"Body"_s, tricky);
    QCOMPARE(Parsed(ini.ToBytes()).GetString(u"Mail"_s, u"Body"_s), tricky);
}

void TestIniFile::namesAndTheSectionCache() {
    IniFile ini = Parsed("[One]\r\nk=1\r\n[two]\r\nk=2\r\n[ONE]\r\nk=3\r\n");
    // Whatever spelling warmed the cache, every lookup finds the first match.
    for (const char* name : {"ONE", "One", "Two", "one", "ONE"})
        QCOMPARE(ini.GetString(QString::fromUtf8(name), u"K"_s), name[1] == 'w' ? u"2"_s : u"1"_s);
    // Only A-Z fold.
    ini.SetString(u"É"_s, u"k"_s, u"1"_s);
    QVERIFY(!ini.Find(u"é"_s, u"k"_s));

    // After Clear or a re-read the cache must not answer from the old document.
    ini.Clear();
    QVERIFY(!ini.Find(u"one"_s, u"k"_s));
    ini.SetString(u"one"_s, u"k"_s, u"new"_s);
    QCOMPARE(ini.GetString(u"one"_s, u"k"_s), u"new"_s);
    ini.FromBytes("[one]\r\nk=reloaded\r\n");
    QCOMPARE(ini.GetString(u"one"_s, u"k"_s), u"reloaded"_s);
}

void TestIniFile::numbers() {
    IniFile ini;
    ini.SetInt(u"N"_s, u"min"_s, INT_MIN);
    ini.SetDouble(u"N"_s, u"price"_s, 12.5);
    ini.SetString(u"N"_s, u"text"_s, u"12abc"_s);
    QCOMPARE(ini.GetInt(u"N"_s, u"min"_s), INT_MIN);
    QCOMPARE(ini.GetString(u"N"_s, u"price"_s), u"12.50000"_s);
    QCOMPARE(ini.GetInt(u"N"_s, u"text"_s), 12);
    QCOMPARE(ini.GetInt(u"N"_s, u"missing"_s), 0);
    // atoi: blanks, one sign, leading digits; saturates instead of overflowing.
    QCOMPARE(AtoI(u" \t\r\n-7.5"_s), -7);
    QCOMPARE(AtoI(u"- 5"_s), 0);
    QCOMPARE(AtoI(u"99999999999999999999"_s), INT_MAX);
    QCOMPARE(AtoI(u"-99999999999999999999"_s), INT_MIN);
}

void TestIniFile::loadAndSave() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"settings.ini"_s);
    IniFile ini;
    QVERIFY(WriteAll(path, Gbk::Encode(u"[邮件]\r\n主题=订单通知\r\n"_s)));
    QVERIFY(ini.Load(path));
    QCOMPARE(ini.GetString(u"邮件"_s, u"主题"_s), u"订单通知"_s);
    // A missing file leaves document and path as they were; something that
    // exists but cannot be read clears the document.
    QVERIFY(!ini.Load(dir.filePath(u"missing.ini"_s)));
    QCOMPARE(ini.Path(), path);
    QCOMPARE(ini.GetString(u"邮件"_s, u"主题"_s), u"订单通知"_s);
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
    QVERIFY(!ini.Save(path + u"/child.ini"_s));
    QVERIFY(!ini.Save(dir.filePath(u"no/such/dir/x.ini"_s)));
    QCOMPARE(ReadAll(path), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{u"settings.ini"_s});

    // A file with a password becomes the owner's alone, also when it was
    // readable by all before; an ordinary save keeps the mode it finds.
    const auto owner = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    QVERIFY(QFile::setPermissions(path, owner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    ini.SetString(u"."_s, u"UserPass"_s, u"secret"_s);
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
        ini.SetString(run, u"值"_s, run);
        expected += "\r\n[" + runBytes + "]\r\n\xD6\xB5=" + runBytes + "\r\n";
    }

    QTemporaryDir dir;
    const QString path = dir.filePath(u"all.ini"_s);
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
        QCOMPARE(back.GetString(name, u"值"_s), name);

    // Each character on its own, as a name or a short value in a small file
    // holds it: alone, 682 of the 3,755 commonest hanzi are valid UTF-8. The
    // file's bytes, without a disk write per character.
    for (const QString& character : std::as_const(all)) {
        IniFile one;
        one.SetString(character, u"UserName"_s, character);
        IniFile read;
        QVERIFY(read.FromBytes(one.ToBytes()));
        QVERIFY(read.GetSections(names) == 1 && names.first() == character);
        QCOMPARE(read.GetString(character, u"UserName"_s), character);
    }
}

void TestIniFile::encodingsAreReadAndKept() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"database.ini"_s);
    const QString text = u"[Torvel]\r\nConnect=Provider=SQLite;Data Source=小谢/other.db\r\n"_s;
    // Notepad's "Unicode" (UTF-16 LE), big-endian UTF-16, and UTF-8 with a
    // BOM: read, and saved back in the same form.
    const QByteArray utf16le = "\xFF\xFE" + QStringEncoder(QStringEncoder::Utf16LE).encode(text);
    const QByteArray utf16be = "\xFE\xFF" + QStringEncoder(QStringEncoder::Utf16BE).encode(text);
    for (const QByteArray& bytes : {utf16le, utf16be, "\xEF\xBB\xBF" + text.toUtf8()}) {
        QVERIFY(WriteAll(path, bytes));
        IniFile ini;
        QVERIFY(ini.Load(path));
        QCOMPARE(ini.GetString(u"torvel"_s, u"Connect"_s),
                 u"Provider=SQLite;Data Source=小谢/other.db"_s);
        ini.SetString(u"MailReceiver"_s, u"Connect"_s, u"邮件"_s);
        QVERIFY(ini.Save(path));
        IniFile back;
        QVERIFY(back.Load(path));
        QCOMPARE(back.GetString(u"MailReceiver"_s, u"Connect"_s), u"邮件"_s);
        QCOMPARE(ReadAll(path).left(2), bytes.left(2));
    }
    // UTF-8 without a BOM is read as UTF-8 only when it cannot be GBK (here
    // the last character is cut in two by the end of the file), and is saved
    // as GBK.
    const QByteArray utf8 = u"[邮件]\r\n主题=订单通知中"_s.toUtf8();
    QString asGbk;
    QVERIFY(!Gbk::DecodeStrict(utf8, asGbk));
    QVERIFY(WriteAll(path, utf8));
    IniFile ini;
    QVERIFY(ini.Load(path));
    QCOMPARE(ini.GetString(u"邮件"_s, u"主题"_s), u"订单通知中"_s);
    QCOMPARE(ini.ToBytes(), Gbk::Encode(u"\r\n[邮件]\r\n主题=订单通知中\r\n"_s));
}

void TestIniFile::unreadableFilesAreNeverOverwritten() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"account.ini"_s);
    // Neither GBK nor UTF-8; UTF-16 without its BOM; a UTF-16 file cut short.
    const QList<QByteArray> unreadable{QByteArray("[.]\r\nUserName=\xFF\x80\xD0\r\n"),
                                       QByteArray("[\0.\0]\0", 6), QByteArray("\xFF\xFE[\0.")};
    for (const QByteArray& bytes : unreadable) {
        QVERIFY(WriteAll(path, bytes));
        IniFile ini;
        QVERIFY(!ini.Load(path));
        QCOMPARE(ini.GetLoadState(), IniFile::LoadState::Unreadable);
        ini.SetString(u"."_s, u"UserName"_s, u"admin"_s);
        QVERIFY(!ini.Save(dir.path() + u"/./account.ini"_s));
        QCOMPARE(ReadAll(path), bytes);
        // Elsewhere the document saves as any other.
        QVERIFY(ini.Save(dir.filePath(u"copy.ini"_s)));
    }
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
