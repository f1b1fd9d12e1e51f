#include "ScriptedPrompt.h"
#include "TempProgramFolder.h"

#include "base/IniFile.h"
#include "db/DbConnection.h"
#include "shell/LoginDialog.h"
#include "shell/Startup.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QSqlQuery>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// A program folder as an office upgrading from the old program has it: the
// delivered torvel.db, the old torvel.mdb, and database.ini naming the latter.
struct OldInstallation {
    TempProgramFolder folder;
    QByteArray mdb;
    QByteArray ini =
        "[Torvel]\r\nConnect=Provider=Microsoft.Jet.OLEDB.4.0;Data Source=torvel.mdb\r\n";
    DbConnection connection;
    ScriptedPrompt prompt;

    OldInstallation() {
        QFile sample(qEnvironmentVariable("TORVEL_SOURCE_DIR") +
                     u"/tests/data/torvel-sample.mdb"_s);
        sample.open(QIODevice::ReadOnly);
        mdb = sample.readAll();
        folder.Write(u"torvel.mdb"_s, mdb);
        folder.Write(u"database.ini"_s, ini);
    }
    QString Connect() const {
        IniFile settings;
        settings.Load(folder.File(u"database.ini"_s));
        return settings.GetString(u"Torvel"_s, u"Connect"_s);
    }
    QStringList Files() const { return QDir(folder.Path()).entryList(QDir::Files, QDir::Name); }
};

} // namespace

class TestAccessMigrationOffer : public QObject {
    Q_OBJECT

private slots:
    // Yes to the offer: the old data lands in a new file beside the old one
    // (torvel.db is taken by the delivered database, so torvel-2.db),
    // database.ini names it, and 小谢 logs in with the old password.
    void acceptedOfferMigratesAndStarts() {
        OldInstallation old;
        old.prompt.QueueAnswer(Prompt::Answer::Yes);
        Startup startup(old.connection, old.prompt);
        QCOMPARE(startup.Run(), 1);

        const QString mdbPath = QDir::toNativeSeparators(old.folder.File(u"torvel.mdb"_s));
        const QString dbPath = QDir::toNativeSeparators(old.folder.File(u"torvel-2.db"_s));
        QCOMPARE(old.prompt.shown.at(0).kind, ScriptedPrompt::Shown::Kind::Ask);
        QCOMPARE(old.prompt.shown.at(0).text,
                 u"database.ini 指定的数据库 '%1' 是 Access 数据库，本程序不能直接使用。\r\n\r\n"
                 "是否现在把其中的数据迁移到新的 SQLite 数据库 '%2'? 原文件不会被改动。"_s.arg(
                     mdbPath, dbPath));
        QCOMPARE(old.prompt.progressTexts,
                 QStringList{u"正在迁移 Access 数据库 '%1' ..."_s.arg(mdbPath)});
        QCOMPARE(old.prompt.progressTotal, 448);
        QCOMPARE(old.prompt.progressDepth, 0);
        QCOMPARE(old.prompt.shown.size(), 2);
        QVERIFY2(
            old.prompt.shown.at(1).text.startsWith(
                u"迁移完成: %1 → %2\r\n共读出 448 行, 写入 448 行。\r\n"_s.arg(mdbPath, dbPath)),
            qPrintable(old.prompt.shown.at(1).text));

        QCOMPARE(old.Connect(), u"Provider=SQLite;Data Source=torvel-2.db"_s);
        QCOMPARE(old.folder.Read(u"torvel.mdb"_s), old.mdb);
        QCOMPARE(old.Files(), (QStringList{u"database.ini"_s, u"torvel-2.db"_s, u"torvel.db"_s,
                                           u"torvel.mdb"_s}));

        LoginDialog login(old.connection, old.prompt);
        login.UserNameEdit()->setText(u"小谢"_s);
        login.PasswordEdit()->setText(u"xie2008"_s);
        login.SavePassBox()->setChecked(false);
        QVERIFY(login.OnOK());
        QCOMPARE(login.Privilege(), u"添加订单"_s);
        QSqlQuery query(old.connection.Database());
        QVERIFY(query.exec(u"select (select count(*) from CustomerData), (select count(*) from "
                           "OrderData), (select count(*) from TraceData)"_s));
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toInt(), 50);
        QCOMPARE(query.value(1).toInt(), 200);
        QCOMPARE(query.value(2).toInt(), 50);
    }

    // No to the offer, or a stop half-way: nothing is written anywhere.
    void declinedOrStoppedChangesNothing() {
        {
            OldInstallation old;
            old.prompt.QueueAnswer(Prompt::Answer::No);
            Startup startup(old.connection, old.prompt);
            QCOMPARE(startup.Run(), 0);
            QCOMPARE(old.prompt.shown.last().text,
                     u"不支持 Access 数据库文件 'torvel.mdb'，请先将其迁移为 SQLite 数据库 "
                     "(torvel.db)。"_s);
            QCOMPARE(old.folder.Read(u"database.ini"_s), old.ini);
            QCOMPARE(old.Files(),
                     (QStringList{u"database.ini"_s, u"torvel.db"_s, u"torvel.mdb"_s}));
        }
        OldInstallation old;
        old.prompt.QueueAnswer(Prompt::Answer::Yes);
        old.prompt.stopProgressAt = 100;
        Startup startup(old.connection, old.prompt);
        QCOMPARE(startup.Run(), 0);
        QCOMPARE(old.prompt.shown.last().text,
                 u"迁移已停止。\r\n原文件没有改动，也没有建立新的数据库。"_s);
        QCOMPARE(old.prompt.progressDepth, 0);
        QCOMPARE(old.folder.Read(u"database.ini"_s), old.ini);
        QCOMPARE(old.folder.Read(u"torvel.mdb"_s), old.mdb);
        QCOMPARE(old.Files(), (QStringList{u"database.ini"_s, u"torvel.db"_s, u"torvel.mdb"_s}));
        QVERIFY(!old.connection.IsOpen());
    }
};

QTEST_MAIN(TestAccessMigrationOffer)
#include "tst_accessmigrationoffer.moc"
