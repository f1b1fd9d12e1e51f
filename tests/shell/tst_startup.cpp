#include "OldSchema.h"
#include "ScriptedPrompt.h"
#include "TempProgramFolder.h"

#include "base/ProgramFolder.h"
#include "db/DbConnection.h"
#include "db/SchemaUpgrade.h"
#include "framework/CommandIds.h"
#include "net/Gbk.h"
#include "shell/Application.h"
#include "shell/MainFrame.h"
#include "shell/Startup.h"
#include "shell/UserFolder.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFontMetrics>
#include <QLineEdit>
#include <QtTest>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

// A settings file as another program leaves it: its bytes and a modification
// time well in the past, so that any rewrite shows.
struct Untouched {
    QString path;
    QByteArray bytes;
    QDateTime time = QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5));

    Untouched(const QString& file, const QByteArray& content) : path(file), bytes(content) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        out.flush();
        out.setFileTime(time, QFileDevice::FileModificationTime);
    }
    bool Same() const {
        QFile in(path);
        return in.open(QIODevice::ReadOnly) && in.readAll() == bytes &&
               QFileInfo(path).lastModified() == time;
    }
};

} // namespace

class TestStartup : public QObject {
    Q_OBJECT

private:
    // Creates a frame the way the program does and lets posted commands run;
    // the scripted prompt cancels the login dialog.
    struct Started {
        ScriptedPrompt prompt;
        CMainFrame frame{prompt};
        // `prepare` queues answers before the frame starts.
        explicit Started(const std::function<void(ScriptedPrompt&)>& prepare = {}) {
            if (prepare)
                prepare(prompt);
            frame.Create();
            QCoreApplication::processEvents();
        }
        int Logins() const {
            int count = 0;
            for (const ScriptedPrompt::Shown& entry : prompt.shown) {
                if (entry.kind == ScriptedPrompt::Shown::Kind::Modal && entry.text == u"登录系统"_s)
                    ++count;
            }
            return count;
        }
    };

private slots:
    // Qt's standard buttons and dialogs speak Chinese, and the interface font
    // holds the Chinese glyphs.
    void qtDialogsSpeakChinese() {
        Application::Configure(*qApp);
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), u"是(&Y)"_s);
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), u"取消"_s);
        QVERIFY(QFontMetrics(QApplication::font()).inFont(QChar(0x4E1A))); // 业
    }

    void freshFolderOpensDeliveredDatabaseAndRecordsConnection() {
        TempProgramFolder folder;
        QVERIFY(folder.IsValid());

        Started run;
        QVERIFY2(run.prompt.Messages().isEmpty(), qPrintable(run.prompt.LastMessage()));
        QVERIFY(run.frame.Connection().IsOpen());
        QCOMPARE(run.Logins(), 1);
        QCOMPARE(run.prompt.waitCount, 1);
        QCOMPARE(run.prompt.waitDepth, 0);
        QVERIFY(QDir(folder.File(u"data"_s)).exists());
        QVERIFY(QDir(folder.File(u"mailrecv"_s)).exists());

        const QByteArray expected = "\r\n[MailReceiver]\r\nConnect=Provider=SQLite;Data Source=" +
                                    Gbk::Encode(folder.Path()) + "torvel.db\r\n";
        QCOMPARE(folder.Read(u"database.ini"_s), expected);
        QCOMPARE(run.frame.Connection().GetConnectionString(), Startup::DefaultConnectionString());
    }

    void missingDatabaseShowsOneMessageAndNoLogin() {
        TempProgramFolder folder(false);
        const QByteArray settings =
            "[Torvel]\r\nConnect=Provider=SQLite;Data Source=" + Gbk::Encode(folder.Path()) +
            "nowhere.db\r\n";
        QVERIFY(folder.Write(u"database.ini"_s, settings));

        Started run;
        QCOMPARE(run.prompt.Messages().size(), 1);
        QVERIFY(!run.prompt.LastMessage().isEmpty());
        QCOMPARE(run.prompt.LastMessage(), run.frame.Connection().GetLastError());
        QCOMPARE(run.prompt.shown.first().caption, u"业务跟踪管理系统"_s);
        QCOMPARE(run.Logins(), 0);
        QVERIFY(!run.frame.Connection().IsOpen());
        // Nothing is written for a connection that did not open.
        QCOMPARE(folder.Read(u"database.ini"_s), settings);
        QVERIFY(!QFile::exists(folder.File(u"nowhere.db"_s)));
    }

    // An older database is copied, upgraded and named in one message before
    // the login; a newer one is refused before the login, untouched.
    void olderDatabaseIsUpgradedNewerRefused() {
        TempProgramFolder folder;
        {
            DbConnection db;
            QVERIFY(db.Open(Startup::DefaultConnectionString()));
            QVERIFY2(MakeVersionOneDatabase(db), qPrintable(db.GetLastError()));
        }
        {
            Started run;
            QCOMPARE(run.prompt.Messages().size(), 1);
            const QString message = run.prompt.LastMessage();
            QVERIFY2(message.contains(
                         u"已从版本 1 升级到版本 %1。"_s.arg(SchemaUpgrade::CurrentVersion())),
                     qPrintable(message));
            const QStringList backups =
                QDir(folder.Path()).entryList({u"torvel.db.v1-*.bak"_s}, QDir::Files);
            QCOMPARE(backups.size(), 1);
            QVERIFY(message.contains(backups.first()));
            QCOMPARE(run.Logins(), 1);
            DbConnection copy;
            QVERIFY(copy.Open(u"Provider=SQLite;Data Source="_s + folder.File(backups.first())));
            QCOMPARE(SchemaUpgrade(copy).StoredVersion(), 1);
        }
        {
            DbConnection db;
            QVERIFY(db.Open(Startup::DefaultConnectionString()));
            QCOMPARE(db.Execute(u"update SchemaVersion set Version=99"_s), 1);
        }
        Started run;
        QCOMPARE(run.prompt.Messages().size(), 1);
        QVERIFY2(run.prompt.LastMessage().contains(u"的版本 (99) 比本程序认识的版本"_s),
                 qPrintable(run.prompt.LastMessage()));
        QCOMPARE(run.Logins(), 0);
    }

    void mailReceiverFollowsTheStringInUse() {
        TempProgramFolder folder;
        const QByteArray connect =
            "Provider=SQLite;Data Source=" + Gbk::Encode(folder.Path()) + "torvel.db";

        // Already equal: the file is left exactly as it was (no leading blank line,
        // which a rewrite would add).
        const QByteArray same =
            "[Torvel]\r\nConnect=" + connect + "\r\n[MailReceiver]\r\nConnect=" + connect + "\r\n";
        QVERIFY(folder.Write(u"database.ini"_s, same));
        {
            Started run;
            QCOMPARE(run.Logins(), 1);
        }
        QCOMPARE(folder.Read(u"database.ini"_s), same);

        // Different: rewritten, other sections kept in order.
        const QByteArray stale = "[Torvel]\r\nConnect=" + connect +
                                 "\r\n[MailReceiver]\r\nConnect=old\r\n[Other]\r\nk=v\r\n";
        QVERIFY(folder.Write(u"database.ini"_s, stale));
        {
            Started run;
            QCOMPARE(run.Logins(), 1);
        }
        QCOMPARE(folder.Read(u"database.ini"_s),
                 "\r\n[Torvel]\r\nConnect=" + connect +
                     "\r\n\r\n[MailReceiver]\r\nConnect=" + connect + "\r\n\r\n[Other]\r\nk=v\r\n");
    }

    // Another program's GBK settings in a folder whose own name is GBK text
    // that is also valid UTF-8: read right, and nothing rewritten.
    void gbkSettingsOfAnotherProgramInAChineseFolder() {
        // An ASCII parent: the default temporary folder carries the
        // application's name, whose GBK bytes are no valid UTF-8.
        QTemporaryDir base(QDir::tempPath() + u"/torvel-XXXXXX"_s);
        const QString home = base.path() + u"/小谢系统/"_s;
        QVERIFY(QDir().mkpath(home));
        QVERIFY(QFile::copy(TempProgramFolder::DeliveredDatabase(), home + u"torvel.db"_s));
        SetProgramFolder(home);
        const QByteArray connect = "Provider=SQLite;Data Source=" + Gbk::Encode(home) + "torvel.db";
        QVERIFY(Gbk::IsValidUtf8(connect));
        const Untouched database(home + u"database.ini"_s,
                                 "[Torvel]\r\nConnect=" + connect +
                                     "\r\n[MailReceiver]\r\nConnect=" + connect + "\r\n");
        const Untouched account(home + u"data/account.ini"_s,
                                "[.]\r\nUserName=\xD0\xA1\xD0\xBB\r\nSavePass=0\r\n");
        QString shownName = u"<no login>"_s;
        {
            Started run([&](ScriptedPrompt& prompt) {
                prompt.QueueModal([&](QDialog& dialog) {
                    if (const auto* edit = dialog.findChild<QLineEdit*>(u"UserName"_s))
                        shownName = edit->text();
                    return int(QDialog::Rejected);
                });
            });
            QVERIFY2(run.prompt.Messages().isEmpty(), qPrintable(run.prompt.LastMessage()));
            QCOMPARE(run.frame.Connection().GetConnectionString(), Gbk::Decode(connect));
        }
        SetProgramFolder(QString());
        QCOMPARE(shownName, u"小谢"_s);
        QVERIFY(database.Same());
        QVERIFY(account.Same());
    }

    // An unreadable account file gets a warning and the start goes on; an
    // unreadable database.ini stops it. Neither file is touched.
    void unreadableSettingsAreLeftAlone() {
        TempProgramFolder folder;
        const Untouched account(folder.File(u"data/account.ini"_s), QByteArray("[\0.\0]\0", 6));
        {
            Started run;
            QCOMPARE(run.prompt.Messages().size(), 1);
            QVERIFY(run.prompt.LastMessage().startsWith(u"无法读取设置文件"_s));
            QCOMPARE(run.Logins(), 1);
        }
        QVERIFY(account.Same());

        const Untouched broken(folder.File(u"database.ini"_s),
                               "[Torvel]\r\nConnect=\xFF\x80\xFE\r\n");
        Started run;
        QCOMPARE(run.prompt.Messages().size(), 1);
        QVERIFY(run.prompt.LastMessage().startsWith(u"无法读取设置文件"_s));
        QCOMPARE(run.Logins(), 0);
        QVERIFY(!run.frame.Connection().IsOpen());
        QVERIFY(broken.Same());
    }

    // An empty file is a valid SQLite database without any table: refused
    // at start, like a junk file, before any login.
    void databaseWithoutTheProgramsTables() {
        TempProgramFolder folder(false);
        QVERIFY(folder.Write(u"torvel.db"_s, QByteArray()));
        Started run;
        QCOMPARE(run.prompt.Messages().size(), 1);
        QVERIFY(run.prompt.LastMessage().startsWith(
            u"数据库 '%1' 中没有本系统的数据表 (UserData)"_s.arg(
                QDir::toNativeSeparators(folder.File(u"torvel.db"_s)))));
        QCOMPARE(run.Logins(), 0);
        QVERIFY(!run.frame.Connection().IsOpen());
        QVERIFY(!QFile::exists(folder.File(u"database.ini"_s)));
    }

    // A relative database file lies in the program folder, whatever the
    // working directory.
    void relativeDataSourceIsInTheProgramFolder() {
        TempProgramFolder folder;
        QTemporaryDir elsewhere;
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(elsewhere.path()));
        QVERIFY(folder.Write(u"database.ini"_s,
                             "[Torvel]\r\nConnect=Provider=SQLite;Data Source=torvel.db\r\n"));
        Started run;
        QDir::setCurrent(previous);
        QVERIFY2(run.prompt.Messages().isEmpty(), qPrintable(run.prompt.LastMessage()));
        QCOMPARE(run.Logins(), 1);
        QVERIFY(!QFile::exists(elsewhere.filePath(u"torvel.db"_s)));
    }

    void productTitleNamesTheWindow() {
        TempProgramFolder folder;
        QVERIFY(folder.Write(
            u"velmora.ini"_s,
            QByteArray("[.]\r\nProductName=\xd2\xb5\xce\xf1\xb8\xfa\xd7\xd9 2026\r\n")));
        Started run;
        QCOMPARE(run.frame.windowTitle(), u"业务跟踪管理系统"_s);
        QCOMPARE(run.frame.ProductTitle(), u"业务跟踪 2026"_s);
        run.frame.SetViewTitle(u"计划日历"_s);
        QCOMPARE(run.frame.windowTitle(), u"计划日历 - 业务跟踪 2026"_s);
        run.frame.SetViewTitle(QString());
        QCOMPARE(run.frame.windowTitle(), u"业务跟踪 2026"_s);
    }

    void homeFolderFromArgumentsOrEnvironment() {
        const QString env = u"/from/env"_s;
        QCOMPARE(Application::HomeFromArguments({u"torvel"_s}, env), env);
        QCOMPARE(Application::HomeFromArguments({u"torvel"_s, u"--home"_s, u"/a"_s}, env), u"/a"_s);
        QCOMPARE(Application::HomeFromArguments({u"torvel"_s, u"--home=/b"_s}, QString()), u"/b"_s);
        // A dangling option falls back to the environment.
        QCOMPARE(Application::HomeFromArguments({u"torvel"_s, u"--home"_s}, env), env);
    }

    // An installed folder fills a user's folder with what it lacks and never
    // replaces what the user already has, so an upgrade loses nothing.
    void userFolderIsFilledButNeverOverwritten() {
        QTemporaryDir root;
        const QString installed = root.filePath(u"usr/lib/torvel/"_s);
        const QString user = root.filePath(u"home/.local/share/torvel/"_s);
        QVERIFY(QDir().mkpath(installed + u"templet"_s));
        Untouched(installed + u"torvel.db"_s, "fresh database");
        Untouched(installed + u"settings.ini"_s, "[new]\r\n");
        Untouched(installed + u"templet/create_sky_user.txt"_s, "letter");
        Untouched(installed + u"DailyWork.so"_s, "module");
        QVERIFY(!UserFolder::IsSharedInstallation(installed));
        Untouched(installed + u"installed"_s, "");
        QVERIFY(UserFolder::IsSharedInstallation(installed));

        const Untouched own(user + u"settings.ini"_s, "[mine]\r\n");
        QString error;
        QVERIFY2(UserFolder::Fill(installed, user, error), qPrintable(error));
        QVERIFY(own.Same());
        QVERIFY(QFile::exists(user + u"torvel.db"_s));
        QVERIFY(QFile::exists(user + u"templet/create_sky_user.txt"_s));
        QVERIFY(!QFile::exists(user + u"DailyWork.so"_s));
        QVERIFY(!QFile::exists(user + u"installed"_s));
        QCOMPARE(QFile::permissions(user) & 0x0077, QFileDevice::Permissions());

        // Modules come from the installed folder unless the program folder has its own.
        SetProgramFolder(user);
        QCOMPARE(ModulePath(u"Missing.so"_s), user + u"Missing.so"_s);
        SetProgramFolder(QString());
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
