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

using namespace Qt::StringLiterals;

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

        QString Database() const { return folder.File(u"torvel.db"_s); }
        bool Open() {
            return folder.IsValid() &&
                   connection.Open(u"Provider=SQLite;Data Source="_s + Database()) &&
                   connection.Execute(u"delete from PayMode"_s);
        }
        bool Add(const QString& name) {
            return connection.Execute(u"insert into PayMode (Name) values ('%1')"_s.arg(name));
        }
        QString PayModes() {
            QString values;
            return connection.JoinColumnValues(u"select Name from PayMode order by KeyId"_s,
                                               values) < 0
                       ? u"<failed>"_s
                       : values;
        }
        // Backs the database up to a new file and returns the file's path.
        QString BackUp(const QString& name) {
            prompt.QueueFileName(folder.File(name));
            return backup.Backup(u"admin"_s) ? folder.File(name) : QString();
        }
        bool Restore(const QString& path) {
            prompt.Reset();
            prompt.QueueFileName(path);
            return backup.Restore(u"admin"_s);
        }
    };

    static QByteArray Contents(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }

private slots:
    void databasePathFollowsTheSourceRule() {
        QCOMPARE(DatabaseBackup::DatabasePath(u"Provider=SQLite;Data Source=/a/t.db"_s),
                 u"/a/t.db"_s);
        // A ';' right after "Source=" does not end the path; a relative file
        // is the one the connection opens, in the program folder.
        QCOMPARE(DatabaseBackup::DatabasePath(u"Data Source=;x;y"_s), ProgramFolder() + u";x;y"_s);
        QCOMPARE(DatabaseBackup::DatabasePath(u"Data Source=torvel.db;"_s),
                 ProgramFolder() + u"torvel.db"_s);
        QVERIFY(DatabaseBackup::DatabasePath(u"Provider=PostgreSQL;Host=h;Database=d"_s).isNull());
    }

    void refusalsAndCancelsChangeNothing() {
        Installation app;
        QVERIFY(app.Open() && app.Add(u"现金"_s));
        const QByteArray before = Contents(app.Database());

        // Only the exact name "admin"; no dialog is offered to anyone else.
        for (const QString& user : {u"Admin"_s, QString()}) {
            app.prompt.Reset();
            QVERIFY(!app.backup.Backup(user));
            QVERIFY(!app.backup.Restore(user));
            QCOMPARE(app.prompt.Messages(),
                     (QStringList{u"只有用户admin具有此权力"_s, u"只有用户admin具有此权力"_s}));
            QCOMPARE(app.prompt.shown.size(), 2);
        }

        // Cancelled dialogs: nothing said, nothing changed.
        app.prompt.Reset();
        QVERIFY(!app.backup.Backup(u"admin"_s));
        QVERIFY(!app.backup.Restore(u"admin"_s));
        QCOMPARE(app.prompt.shown.size(), 2);
        QVERIFY(app.prompt.Messages().isEmpty());
        QCOMPARE(app.prompt.shown.at(0).kind, ScriptedPrompt::Shown::Kind::SaveFile);
        QCOMPARE(app.prompt.shown.at(1).kind, ScriptedPrompt::Shown::Kind::OpenFile);
        QVERIFY(app.connection.IsOpen());
        QCOMPARE(Contents(app.Database()), before);

        // A server connection names no file.
        DbConnection server;
        server.Open(
            u"Provider=PostgreSQL;Host=127.0.0.1;Port=1;Database=none;User ID=u;Password=p"_s);
        ScriptedPrompt prompt;
        DatabaseBackup backup(prompt, server);
        QVERIFY(!backup.Backup(u"admin"_s));
        QVERIFY(!backup.Restore(u"admin"_s));
        QCOMPARE(prompt.Messages(), (QStringList{u"此版本暂时仅支持MDB数据备份"_s,
                                                 u"此版本暂时仅支持MDB数据的恢复"_s}));
        QCOMPARE(prompt.shown.size(), 2);
    }

    void backupWhileOpenThenRestoreBringsTheDataBack() {
        Installation app;
        QVERIFY(app.Open());
        // A write-ahead log holds recent rows outside the database file until
        // a checkpoint: a plain file copy would miss them.
        QVERIFY(app.connection.Execute(u"pragma journal_mode=wal"_s));
        QVERIFY(app.Add(u"现金"_s) && app.Add(u"支票"_s));

        // A name typed without an extension gets ".bak".
        app.prompt.QueueFileName(app.folder.File(u"monday"_s));
        QVERIFY(app.backup.Backup(u"admin"_s));
        const QString saved = app.folder.File(u"monday.bak"_s);
        QCOMPARE(app.prompt.Messages(), QStringList{u"备份成功\r\n"_s + saved});
        QCOMPARE(app.prompt.waitDepth, 0);
        QVERIFY(app.connection.IsOpen());

        QVERIFY(app.connection.Execute(u"delete from PayMode where Name='现金'"_s));
        QVERIFY(app.Add(u"赊账"_s));
        QCOMPARE(app.PayModes(), u"支票;赊账"_s);

        QVERIFY(app.Restore(saved));
        QCOMPARE(app.prompt.Messages(), QStringList{u"数据恢复成功\r\n"_s + saved});
        QVERIFY(app.connection.IsOpen());
        QCOMPARE(app.PayModes(), u"现金;支票"_s);
        QVERIFY(!QFile::exists(app.Database() + u".restore"_s));
        QCOMPARE(app.prompt.waitDepth, 0);

        // Another program on the same file keeps the write-ahead log of the old
        // database alive across our close; applied to the restored file it
        // would bring back pages of the old one.
        QVERIFY(app.connection.Execute(u"pragma journal_mode=wal"_s));
        QVERIFY(app.Add(u"赊账"_s));
        {
            QSqlDatabase desk = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"desk"_s);
            desk.setDatabaseName(app.Database());
            QVERIFY(desk.open());
            QVERIFY(QSqlQuery(desk).exec(u"insert into PayMode (Name) values ('x')"_s));
            QVERIFY(QFile::exists(app.Database() + u"-wal"_s));

            QVERIFY(app.Restore(saved));
            QCOMPARE(app.PayModes(), u"现金;支票"_s);
            QString check;
            QVERIFY(app.connection.JoinColumnValues(u"pragma quick_check"_s, check) > 0);
            QCOMPARE(check, u"ok"_s);
            desk.close();
        }
        QSqlDatabase::removeDatabase(u"desk"_s);
    }

    void backupNeverOverwrites() {
        Installation app;
        QVERIFY(app.Open());
        QVERIFY(app.folder.Write(u"old.bak"_s, "keep me"));

        app.prompt.QueueFileName(app.folder.File(u"old.bak"_s));
        QVERIFY(!app.backup.Backup(u"admin"_s));
        QCOMPARE(app.prompt.Messages(), QStringList{u"备份失败,目标文件可能已经存在!"_s});
        QCOMPARE(app.folder.Read(u"old.bak"_s), QByteArray("keep me"));
    }

    void restoreRefusesWhatIsNotTheProgramsDatabase() {
        Installation app;
        QVERIFY(app.Open() && app.Add(u"现金"_s));
        const QString whole = app.BackUp(u"whole.bak"_s);
        QVERIFY(!whole.isEmpty());

        QVERIFY(app.folder.Write(u"text.bak"_s, "这不是数据库\r\n"));
        const QByteArray backup = Contents(whole);
        QVERIFY(app.folder.Write(u"half.bak"_s, backup.left(backup.size() / 2)));
        {
            // A sound SQLite database, but not one of this program.
            QSqlDatabase other = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"foreign"_s);
            other.setDatabaseName(app.folder.File(u"foreign.bak"_s));
            QVERIFY(other.open());
            QVERIFY(QSqlQuery(other).exec(u"create table Notes (Text varchar(10))"_s));
            other.close();
        }
        QSqlDatabase::removeDatabase(u"foreign"_s);

        QVERIFY(app.Add(u"支票"_s));
        const QByteArray live = Contents(app.Database());
        for (const char* name : {"text.bak", "half.bak", "foreign.bak", "missing.bak"}) {
            const QString path = app.folder.File(QLatin1String(name));
            QVERIFY2(!app.Restore(path), name);
            QCOMPARE(app.prompt.Messages(), QStringList{u"打开备份文件失败"_s});
            QVERIFY(app.connection.IsOpen());
            QCOMPARE(app.PayModes(), u"现金;支票"_s);
            QCOMPARE(Contents(app.Database()), live);
        }
        QVERIFY(!QFile::exists(app.folder.File(u"missing.bak"_s)));
    }

    void failedCopyOrReopenIsReported() {
        Installation app;
        QVERIFY(app.Open() && app.Add(u"现金"_s));
        const QString saved = app.BackUp(u"saved.bak"_s);
        QVERIFY(!saved.isEmpty());
        QVERIFY(app.Add(u"支票"_s));

        // Nothing can be written where the copy would go: the old database
        // stays in place and is opened again.
        const QString blocker = app.Database() + u".restore"_s;
        QVERIFY(QDir().mkpath(blocker + u"/inside"_s));
        QVERIFY(!app.Restore(saved));
        QCOMPARE(app.prompt.Messages(), QStringList{u"复制文件失败!"_s});
        QVERIFY(app.connection.IsOpen());
        QCOMPARE(app.PayModes(), u"现金;支票"_s);
        QVERIFY(QDir(blocker).removeRecursively());

        // The file is restored, but the stored string cannot be opened again.
        DbConnection odd;
        QVERIFY(!odd.Open(u"Provider=Unknown;Data Source="_s + app.folder.File(u"odd.db"_s)));
        ScriptedPrompt prompt;
        DatabaseBackup backup(prompt, odd);
        prompt.QueueFileName(saved);
        QVERIFY(!backup.Restore(u"admin"_s));
        QCOMPARE(prompt.Messages(), QStringList{u"数据恢复失败!!!"_s});
        QCOMPARE(Contents(app.folder.File(u"odd.db"_s)), Contents(saved));
    }
};

QTEST_MAIN(TestBackup)
#include "tst_backup.moc"
