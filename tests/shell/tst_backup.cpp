#include "ScriptedPrompt.h"
#include "TempProgramFolder.h"

#include "base/ProgramFolder.h"
#include "db/DbConnection.h"
#include "shell/DatabaseBackup.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

class TestBackup : public QObject {
    Q_OBJECT

private:
    // The delivered database in a temporary program folder, open as the
    // program holds it, with a known set of payment modes.
    struct Installation {
        TempProgramFolder folder;
        DbConnection connection;
        ScriptedPrompt prompt;
        DatabaseBackup backup{prompt, connection};

        QString Database() const { return folder.File(QStringLiteral("torvel.db")); }
        bool Open() {
            return folder.IsValid() &&
                   connection.Open(QStringLiteral("Provider=SQLite;Data Source=") + Database()) &&
                   connection.Execute(QStringLiteral("delete from PayMode"));
        }
        bool Add(const QString& name) {
            return connection.Execute(
                QStringLiteral("insert into PayMode (Name) values ('%1')").arg(name));
        }
        QString PayModes() {
            QString values;
            return connection.JoinColumnValues(
                       QStringLiteral("select Name from PayMode order by KeyId"), values) < 0
                       ? QStringLiteral("<failed>")
                       : values;
        }
        // Backs the database up to a new file and returns the file's path.
        QString BackUp(const QString& name) {
            prompt.QueueFileName(folder.File(name));
            return backup.Backup(QStringLiteral("admin")) ? folder.File(name) : QString();
        }
        bool Restore(const QString& path) {
            prompt.Reset();
            prompt.QueueFileName(path);
            return backup.Restore(QStringLiteral("admin"));
        }
    };

    static QByteArray Contents(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }

private slots:
    void databasePathFollowsTheSourceRule() {
        QCOMPARE(
            DatabaseBackup::DatabasePath(QStringLiteral("Provider=SQLite;Data Source=/a/t.db")),
            QStringLiteral("/a/t.db"));
        // A ';' right after "Source=" does not end the path; a relative file
        // is the one the connection opens, in the program folder.
        QCOMPARE(DatabaseBackup::DatabasePath(QStringLiteral("Data Source=;x;y")),
                 ProgramFolder() + QStringLiteral(";x;y"));
        QCOMPARE(DatabaseBackup::DatabasePath(QStringLiteral("Data Source=torvel.db;")),
                 ProgramFolder() + QStringLiteral("torvel.db"));
        QVERIFY(
            DatabaseBackup::DatabasePath(QStringLiteral("Provider=PostgreSQL;Host=h;Database=d"))
                .isNull());
    }

    void refusalsAndCancelsChangeNothing() {
        Installation app;
        QVERIFY(app.Open() && app.Add(QStringLiteral("现金")));
        const QByteArray before = Contents(app.Database());

        // Only the exact name "admin"; no dialog is offered to anyone else.
        for (const QString& user : {QStringLiteral("Admin"), QString()}) {
            app.prompt.Reset();
            QVERIFY(!app.backup.Backup(user));
            QVERIFY(!app.backup.Restore(user));
            QCOMPARE(app.prompt.Messages(),
                     (QStringList{QStringLiteral("只有用户admin具有此权力"),
                                  QStringLiteral("只有用户admin具有此权力")}));
            QCOMPARE(app.prompt.shown.size(), 2);
        }

        // Cancelled dialogs: nothing said, nothing changed.
        app.prompt.Reset();
        QVERIFY(!app.backup.Backup(QStringLiteral("admin")));
        QVERIFY(!app.backup.Restore(QStringLiteral("admin")));
        QCOMPARE(app.prompt.shown.size(), 2);
        QVERIFY(app.prompt.Messages().isEmpty());
        QCOMPARE(app.prompt.shown.at(0).kind, ScriptedPrompt::Shown::Kind::SaveFile);
        QCOMPARE(app.prompt.shown.at(1).kind, ScriptedPrompt::Shown::Kind::OpenFile);
        QVERIFY(app.connection.IsOpen());
        QCOMPARE(Contents(app.Database()), before);

        // A server connection names no file.
        DbConnection server;
        server.Open(QStringLiteral(
            "Provider=PostgreSQL;Host=127.0.0.1;Port=1;Database=none;User ID=u;Password=p"));
        ScriptedPrompt prompt;
        DatabaseBackup backup(prompt, server);
        QVERIFY(!backup.Backup(QStringLiteral("admin")));
        QVERIFY(!backup.Restore(QStringLiteral("admin")));
        QCOMPARE(prompt.Messages(), (QStringList{QStringLiteral("此版本暂时仅支持MDB数据备份"),
                                                 QStringLiteral("此版本暂时仅支持MDB数据的恢复")}));
        QCOMPARE(prompt.shown.size(), 2);
    }

    void backupWhileOpenThenRestoreBringsTheDataBack() {
        Installation app;
        QVERIFY(app.Open());
        // A write-ahead log holds recent rows outside the database file until
        // a checkpoint: a plain file copy would miss them.
        QVERIFY(app.connection.Execute(QStringLiteral("pragma journal_mode=wal")));
        QVERIFY(app.Add(QStringLiteral("现金")) && app.Add(QStringLiteral("支票")));

        // A name typed without an extension gets ".bak".
        app.prompt.QueueFileName(app.folder.File(QStringLiteral("monday")));
        QVERIFY(app.backup.Backup(QStringLiteral("admin")));
        const QString saved = app.folder.File(QStringLiteral("monday.bak"));
        QCOMPARE(app.prompt.Messages(), QStringList{QStringLiteral("备份成功\r\n") + saved});
        QCOMPARE(app.prompt.waitDepth, 0);
        QVERIFY(app.connection.IsOpen());

        QVERIFY(app.connection.Execute(QStringLiteral("delete from PayMode where Name='现金'")));
        QVERIFY(app.Add(QStringLiteral("赊账")));
        QCOMPARE(app.PayModes(), QStringLiteral("支票;赊账"));

        QVERIFY(app.Restore(saved));
        QCOMPARE(app.prompt.Messages(), QStringList{QStringLiteral("数据恢复成功\r\n") + saved});
        QVERIFY(app.connection.IsOpen());
        QCOMPARE(app.PayModes(), QStringLiteral("现金;支票"));
        QVERIFY(!QFile::exists(app.Database() + QStringLiteral(".restore")));
        QCOMPARE(app.prompt.waitDepth, 0);

        // Another program on the same file keeps the write-ahead log of the old
        // database alive across our close; applied to the restored file it
        // would bring back pages of the old one.
        QVERIFY(app.connection.Execute(QStringLiteral("pragma journal_mode=wal")));
        QVERIFY(app.Add(QStringLiteral("赊账")));
        {
            QSqlDatabase desk =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("desk"));
            desk.setDatabaseName(app.Database());
            QVERIFY(desk.open());
            QVERIFY(
                QSqlQuery(desk).exec(QStringLiteral("insert into PayMode (Name) values ('x')")));
            QVERIFY(QFile::exists(app.Database() + QStringLiteral("-wal")));

            QVERIFY(app.Restore(saved));
            QCOMPARE(app.PayModes(), QStringLiteral("现金;支票"));
            QString check;
            QVERIFY(app.connection.JoinColumnValues(QStringLiteral("pragma quick_check"), check) >
                    0);
            QCOMPARE(check, QStringLiteral("ok"));
            desk.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("desk"));
    }

    void backupNeverOverwrites() {
        Installation app;
        QVERIFY(app.Open());
        QVERIFY(app.folder.Write(QStringLiteral("old.bak"), "keep me"));

        app.prompt.QueueFileName(app.folder.File(QStringLiteral("old.bak")));
        QVERIFY(!app.backup.Backup(QStringLiteral("admin")));
        QCOMPARE(app.prompt.Messages(),
                 QStringList{QStringLiteral("备份失败,目标文件可能已经存在!")});
        QCOMPARE(app.folder.Read(QStringLiteral("old.bak")), QByteArray("keep me"));
    }

    void restoreRefusesWhatIsNotTheProgramsDatabase() {
        Installation app;
        QVERIFY(app.Open() && app.Add(QStringLiteral("现金")));
        const QString whole = app.BackUp(QStringLiteral("whole.bak"));
        QVERIFY(!whole.isEmpty());

        QVERIFY(app.folder.Write(QStringLiteral("text.bak"), "这不是数据库\r\n"));
        const QByteArray backup = Contents(whole);
        QVERIFY(app.folder.Write(QStringLiteral("half.bak"), backup.left(backup.size() / 2)));
        {
            // A sound SQLite database, but not one of this program.
            QSqlDatabase other =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("foreign"));
            other.setDatabaseName(app.folder.File(QStringLiteral("foreign.bak")));
            QVERIFY(other.open());
            QVERIFY(QSqlQuery(other).exec(QStringLiteral("create table Notes (Text varchar(10))")));
            other.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("foreign"));

        QVERIFY(app.Add(QStringLiteral("支票")));
        const QByteArray live = Contents(app.Database());
        for (const char* name : {"text.bak", "half.bak", "foreign.bak", "missing.bak"}) {
            const QString path = app.folder.File(QLatin1String(name));
            QVERIFY2(!app.Restore(path), name);
            QCOMPARE(app.prompt.Messages(), QStringList{QStringLiteral("打开备份文件失败")});
            QVERIFY(app.connection.IsOpen());
            QCOMPARE(app.PayModes(), QStringLiteral("现金;支票"));
            QCOMPARE(Contents(app.Database()), live);
        }
        QVERIFY(!QFile::exists(app.folder.File(QStringLiteral("missing.bak"))));
    }

    void failedCopyOrReopenIsReported() {
        Installation app;
        QVERIFY(app.Open() && app.Add(QStringLiteral("现金")));
        const QString saved = app.BackUp(QStringLiteral("saved.bak"));
        QVERIFY(!saved.isEmpty());
        QVERIFY(app.Add(QStringLiteral("支票")));

        // Nothing can be written where the copy would go: the old database
        // stays in place and is opened again.
        const QString blocker = app.Database() + QStringLiteral(".restore");
        QVERIFY(QDir().mkpath(blocker + QStringLiteral("/inside")));
        QVERIFY(!app.Restore(saved));
        QCOMPARE(app.prompt.Messages(), QStringList{QStringLiteral("复制文件失败!")});
        QVERIFY(app.connection.IsOpen());
        QCOMPARE(app.PayModes(), QStringLiteral("现金;支票"));
        QVERIFY(QDir(blocker).removeRecursively());

        // The file is restored, but the stored string cannot be opened again.
        DbConnection odd;
        QVERIFY(!odd.Open(QStringLiteral("Provider=Unknown;Data Source=") +
                          app.folder.File(QStringLiteral("odd.db"))));
        ScriptedPrompt prompt;
        DatabaseBackup backup(prompt, odd);
        prompt.QueueFileName(saved);
        QVERIFY(!backup.Restore(QStringLiteral("admin")));
        QCOMPARE(prompt.Messages(), QStringList{QStringLiteral("数据恢复失败!!!")});
        QCOMPARE(Contents(app.folder.File(QStringLiteral("odd.db"))), Contents(saved));
    }
};

QTEST_MAIN(TestBackup)
#include "tst_backup.moc"
