#include "ScriptedPrompt.h"
#include "TempProgramFolder.h"
#include "TestDatabases.h"

#include "base/IniFile.h"
#include "db/ConnectionString.h"
#include "db/DbConnection.h"
#include "framework/CommandIds.h"
#include "shell/DataSourceDialog.h"
#include "shell/LoginDialog.h"
#include "shell/MainFrame.h"
#include "shell/Startup.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QSpinBox>
#include <QSqlQuery>
#include <QtTest>

#include <memory>

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

int Count(DbConnection& connection, const QString& table) {
    QSqlQuery query(connection.Database());
    return query.exec(u"select count(*) from "_s + table) && query.next() ? query.value(0).toInt()
                                                                          : -1;
}

// The running program on the delivered database, logged in as admin, with the
// old torvel.mdb copied into the folder old/ (where no torvel.db is yet).
struct RunningWithOldFile {
    OldInstallation old;
    QString mdb;
    std::unique_ptr<CMainFrame> frame;
    QString before;

    RunningWithOldFile() {
        old.folder.Write(u"old/torvel.mdb"_s, old.mdb);
        mdb = old.folder.File(u"old/torvel.mdb"_s);
        old.prompt.QueueModal([](QDialog& dialog) {
            auto& login = static_cast<LoginDialog&>(dialog);
            login.UserNameEdit()->setText(u"admin"_s);
            login.PasswordEdit()->setText(u"admin"_s);
            login.OnOK();
            return login.result();
        });
        old.folder.Write(u"database.ini"_s,
                         "[Torvel]\r\nConnect=Provider=SQLite;Data Source=torvel.db\r\n");
        frame = std::make_unique<CMainFrame>(old.prompt);
        frame->Create();
        Settle();
        before = frame->Connection().GetConnectionString();
    }

    // The data-source command with the dialog filled by `fill`; the offer
    // answered with `answer`.
    void DataSource(const std::function<void(DataSourceDialog&)>& fill, Prompt::Answer answer) {
        old.prompt.QueueModal([fill](QDialog& dialog) {
            auto& source = static_cast<DataSourceDialog&>(dialog);
            fill(source);
            source.OnOK();
            return source.result();
        });
        old.prompt.QueueAnswer(answer);
        frame->OnCommand(Command::DataSource);
        Settle();
    }
    // Lets the frame's posted work (the login) happen.
    static void Settle() {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
    QString Recorded() const {
        IniFile base;
        base.Load(old.folder.File(u"base.ini"_s));
        return base.GetString(u"Database"_s, u"Connect"_s);
    }
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

    // The data-source command given the old file: declined, nothing happens;
    // accepted, torvel.db is made beside it (a free name there), the program
    // works on it from then on and 小谢 logs in with the old password.
    void dataSourceMigratesAnAccessFile() {
        RunningWithOldFile run;
        QVERIFY(run.frame->Connection().IsOpen());
        const auto pickOldFile = [&run](DataSourceDialog& dialog) {
            run.old.prompt.QueueFileName(run.mdb);
            dialog.Browse();
        };
        run.DataSource(pickOldFile, Prompt::Answer::No);
        const QString newFile = run.old.folder.File(u"old/torvel.db"_s);
        QCOMPARE(
            run.old.prompt.LastMessage(),
            u"'%1' 是 Access 数据库，本程序不能直接使用。\r\n\r\n是否现在把其中的数据迁移到新的 "
            "SQLite 数据库 '%2'? 原文件不会被改动。"_s.arg(QDir::toNativeSeparators(run.mdb),
                                                           QDir::toNativeSeparators(newFile)));
        QCOMPARE(run.frame->Connection().GetConnectionString(), run.before);
        QVERIFY(run.frame->Connection().IsOpen());
        QVERIFY(!QFile::exists(newFile));
        QVERIFY(run.Recorded().isEmpty());

        run.DataSource(pickOldFile, Prompt::Answer::Yes);
        const QString chosen = u"Provider=SQLite;Data Source="_s + newFile;
        QVERIFY2(run.old.prompt.LastMessage().startsWith(u"迁移完成: "_s),
                 qPrintable(run.old.prompt.LastMessage()));
        QCOMPARE(run.frame->Connection().GetConnectionString(), chosen);
        QCOMPARE(run.Recorded(), chosen);
        QCOMPARE(run.old.folder.Read(u"old/torvel.mdb"_s), run.old.mdb);
        QCOMPARE(Count(run.frame->Connection(), u"CustomerData"_s), 50);
        LoginDialog login(run.frame->Connection(), run.old.prompt);
        login.UserNameEdit()->setText(u"小谢"_s);
        login.PasswordEdit()->setText(u"xie2008"_s);
        login.SavePassBox()->setChecked(false);
        QVERIFY(login.OnOK());
    }

    // Into the PostgreSQL database of the dialog (a schema of its own): the
    // customers arrive and the program works on it; given again, the database
    // that now holds the tables is refused and nothing changes.
    void dataSourceMigratesIntoPostgres() {
        TORVEL_ENGINE_DATABASE(pg, u"postgresql"_s, false);
        RunningWithOldFile run;
        const ConnectionString server(pg.ConnectionString());
        const auto fillServer = [&](DataSourceDialog& dialog) {
            dialog.SetKind(DataSourceDialog::Kind::PostgreSQL);
            dialog.HostEdit()->setText(server.Value("Host"));
            dialog.PortBox()->setValue(server.Value("Port").toInt());
            dialog.DatabaseEdit()->setText(server.Value("Database"));
            dialog.UserEdit()->setText(server.Value("User ID"));
            dialog.PasswordEdit()->setText(server.Value("Password"));
            dialog.SchemaEdit()->setText(server.Value("Schema"));
            run.old.prompt.QueueFileName(run.mdb);
            dialog.BrowseAccess();
        };
        run.DataSource(fillServer, Prompt::Answer::Yes);
        QVERIFY2(run.old.prompt.LastMessage().startsWith(u"迁移完成: "_s),
                 qPrintable(run.old.prompt.LastMessage()));
        const QString chosen = run.frame->Connection().GetConnectionString();
        QVERIFY(chosen.startsWith(u"Provider=PostgreSQL;"_s));
        QCOMPARE(ConnectionString(chosen).Value("Schema"), server.Value("Schema"));
        QCOMPARE(run.Recorded(), chosen);
        QCOMPARE(Count(run.frame->Connection(), u"CustomerData"_s), 50);

        run.DataSource(fillServer, Prompt::Answer::Yes);
        QCOMPARE(
            run.old.prompt.LastMessage(),
            u"目标数据库中已经有本系统的数据表。为了不覆盖其中的数据，迁移没有进行；请指定"
            "一个新的数据库或模式 (Schema)。\r\n原文件没有改动，目标数据库中也没有写入数据。"_s);
        QCOMPARE(run.frame->Connection().GetConnectionString(), chosen);
        QCOMPARE(Count(run.frame->Connection(), u"CustomerData"_s), 50);
        QCOMPARE(run.old.folder.Read(u"old/torvel.mdb"_s), run.old.mdb);
    }
};

QTEST_MAIN(TestAccessMigrationOffer)
#include "tst_accessmigrationoffer.moc"
