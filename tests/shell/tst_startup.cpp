#include "ScriptedPrompt.h"
#include "TempProgramFolder.h"

#include "framework/CommandIds.h"
#include "net/Gbk.h"
#include "shell/Application.h"
#include "shell/MainFrame.h"
#include "shell/Startup.h"

#include <QApplication>
#include <QDir>
#include <QFontMetrics>
#include <QtTest>

class TestStartup : public QObject {
    Q_OBJECT

private:
    // Creates a frame the way the program does and lets posted commands run;
    // the scripted prompt cancels the login dialog.
    struct Started {
        ScriptedPrompt prompt;
        CMainFrame frame{prompt};
        Started() {
            frame.Create();
            QCoreApplication::processEvents();
        }
        int Logins() const {
            int count = 0;
            for (const ScriptedPrompt::Shown& entry : prompt.shown) {
                if (entry.kind == ScriptedPrompt::Shown::Kind::Modal &&
                    entry.text == QStringLiteral("登录系统"))
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
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("是(&Y)"));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("取消"));
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
        QVERIFY(QDir(folder.File(QStringLiteral("data"))).exists());
        QVERIFY(QDir(folder.File(QStringLiteral("mailrecv"))).exists());

        const QByteArray expected = "\r\n[MailReceiver]\r\nConnect=Provider=SQLite;Data Source=" +
                                    Gbk::Encode(folder.Path()) + "torvel.db\r\n";
        QCOMPARE(folder.Read(QStringLiteral("database.ini")), expected);
        QCOMPARE(run.frame.Connection().GetConnectionString(), Startup::DefaultConnectionString());
    }

    void missingDatabaseShowsOneMessageAndNoLogin() {
        TempProgramFolder folder(false);
        const QByteArray settings =
            "[Torvel]\r\nConnect=Provider=SQLite;Data Source=" + Gbk::Encode(folder.Path()) +
            "nowhere.db\r\n";
        QVERIFY(folder.Write(QStringLiteral("database.ini"), settings));

        Started run;
        QCOMPARE(run.prompt.Messages().size(), 1);
        QVERIFY(!run.prompt.LastMessage().isEmpty());
        QCOMPARE(run.prompt.LastMessage(), run.frame.Connection().GetLastError());
        QCOMPARE(run.prompt.shown.first().caption, QStringLiteral("业务跟踪管理系统"));
        QCOMPARE(run.Logins(), 0);
        QVERIFY(!run.frame.Connection().IsOpen());
        // Nothing is written for a connection that did not open.
        QCOMPARE(folder.Read(QStringLiteral("database.ini")), settings);
        QVERIFY(!QFile::exists(folder.File(QStringLiteral("nowhere.db"))));
    }

    void mailReceiverFollowsTheStringInUse() {
        TempProgramFolder folder;
        const QByteArray connect =
            "Provider=SQLite;Data Source=" + Gbk::Encode(folder.Path()) + "torvel.db";

        // Already equal: the file is left exactly as it was (no leading blank line,
        // which a rewrite would add).
        const QByteArray same =
            "[Torvel]\r\nConnect=" + connect + "\r\n[MailReceiver]\r\nConnect=" + connect + "\r\n";
        QVERIFY(folder.Write(QStringLiteral("database.ini"), same));
        {
            Started run;
            QCOMPARE(run.Logins(), 1);
        }
        QCOMPARE(folder.Read(QStringLiteral("database.ini")), same);

        // Different: rewritten, other sections kept in order.
        const QByteArray stale = "[Torvel]\r\nConnect=" + connect +
                                 "\r\n[MailReceiver]\r\nConnect=old\r\n[Other]\r\nk=v\r\n";
        QVERIFY(folder.Write(QStringLiteral("database.ini"), stale));
        {
            Started run;
            QCOMPARE(run.Logins(), 1);
        }
        QCOMPARE(folder.Read(QStringLiteral("database.ini")),
                 "\r\n[Torvel]\r\nConnect=" + connect +
                     "\r\n\r\n[MailReceiver]\r\nConnect=" + connect + "\r\n\r\n[Other]\r\nk=v\r\n");
    }

    void productTitleNamesTheWindow() {
        TempProgramFolder folder;
        QVERIFY(folder.Write(
            QStringLiteral("velmora.ini"),
            QByteArray("[.]\r\nProductName=\xd2\xb5\xce\xf1\xb8\xfa\xd7\xd9 2026\r\n")));
        Started run;
        QCOMPARE(run.frame.windowTitle(), QStringLiteral("业务跟踪管理系统"));
        QCOMPARE(run.frame.ProductTitle(), QStringLiteral("业务跟踪 2026"));
        run.frame.SetViewTitle(QStringLiteral("计划日历"));
        QCOMPARE(run.frame.windowTitle(), QStringLiteral("计划日历 - 业务跟踪 2026"));
        run.frame.SetViewTitle(QString());
        QCOMPARE(run.frame.windowTitle(), QStringLiteral("业务跟踪 2026"));
    }

    void homeFolderFromArgumentsOrEnvironment() {
        const QString env = QStringLiteral("/from/env");
        QCOMPARE(Application::HomeFromArguments({QStringLiteral("torvel")}, env), env);
        QCOMPARE(
            Application::HomeFromArguments(
                {QStringLiteral("torvel"), QStringLiteral("--home"), QStringLiteral("/a")}, env),
            QStringLiteral("/a"));
        QCOMPARE(Application::HomeFromArguments(
                     {QStringLiteral("torvel"), QStringLiteral("--home=/b")}, QString()),
                 QStringLiteral("/b"));
        // A dangling option falls back to the environment.
        QCOMPARE(Application::HomeFromArguments(
                     {QStringLiteral("torvel"), QStringLiteral("--home")}, env),
                 env);
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
