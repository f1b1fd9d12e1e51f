#include "ScriptedPrompt.h"
#include "TempProgramFolder.h"

#include "base/IniFile.h"
#include "db/DbConnection.h"
#include "shell/LoginDialog.h"
#include "shell/Privilege.h"
#include "shell/Startup.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QtTest>

namespace {

// A copy of the delivered database (user admin/admin) plus a few more users.
struct Installation {
    TempProgramFolder folder;
    DbConnection connection;
    ScriptedPrompt prompt;

    Installation() {
        connection.Open(Startup::DefaultConnectionString());
        connection.Execute(QStringLiteral("insert into UserData (UserName, UserPass, Privilege) "
                                          "values ('li', 'pw', '查询工资')"));
        connection.Execute(QStringLiteral(
            "insert into UserData (UserName, UserPass, Privilege) values ('nopass', '', '')"));
    }

    // Fills a fresh dialog and presses OK; the dialog's result and messages
    // tell what happened.
    bool Login(const QString& user, const QString& pass, bool save, QString* loggedIn = nullptr) {
        LoginDialog dialog(connection, prompt);
        dialog.UserNameEdit()->setText(user);
        dialog.PasswordEdit()->setText(pass);
        dialog.SavePassBox()->setChecked(save);
        const bool ok = dialog.OnOK();
        if (ok != (dialog.result() == QDialog::Accepted))
            qWarning("OnOK and the dialog's result disagree");
        if (loggedIn)
            *loggedIn = dialog.UserName();
        return ok;
    }

    QString Account(const char* key) const {
        IniFile account;
        account.Load(folder.File(QStringLiteral("data/account.ini")));
        return account.GetString(QStringLiteral("."), QString::fromLatin1(key));
    }
};

} // namespace

class TestLogin : public QObject {
    Q_OBJECT

private slots:
    void successfulLoginWritesAccountFile() {
        Installation run;
        QVERIFY(run.connection.IsOpen());

        QString user;
        QVERIFY(run.Login(QStringLiteral("admin"), QStringLiteral("admin"), true, &user));
        QVERIFY(run.prompt.Messages().isEmpty());
        QCOMPARE(user, QStringLiteral("admin"));
        QCOMPARE(run.Account("UserName"), QStringLiteral("admin"));
        QCOMPARE(run.Account("UserPass"), QStringLiteral("admin"));
        QCOMPARE(run.Account("SavePass"), QStringLiteral("1"));
        QCOMPARE(run.Account("Privilege"), QStringLiteral("添加订单,发放工资"));

        // The next dialog opens with what was remembered.
        {
            LoginDialog dialog(run.connection, run.prompt);
            QCOMPARE(dialog.UserNameEdit()->text(), QStringLiteral("admin"));
            QCOMPARE(dialog.PasswordEdit()->text(), QStringLiteral("admin"));
            QVERIFY(dialog.SavePassBox()->isChecked());
        }

        // Unchecking the box keeps the password saved before; only SavePass
        // and the other keys change.
        QVERIFY(run.Login(QStringLiteral("li"), QStringLiteral("pw"), false));
        QCOMPARE(run.Account("UserName"), QStringLiteral("li"));
        QCOMPARE(run.Account("UserPass"), QStringLiteral("admin"));
        QCOMPARE(run.Account("SavePass"), QStringLiteral("0"));
        QCOMPARE(run.Account("Privilege"), QStringLiteral("查询工资"));
        {
            LoginDialog dialog(run.connection, run.prompt);
            QVERIFY(!dialog.SavePassBox()->isChecked());
        }

        // A user whose password is empty logs in with an empty box.
        QVERIFY(run.Login(QStringLiteral("nopass"), QString(), false));
    }

    void failedLoginsKeepDialogOpenAndFileUntouched() {
        Installation run;
        QVERIFY(!run.Login(QStringLiteral("nobody"), QStringLiteral("admin"), true));
        QCOMPARE(run.prompt.LastMessage(), QStringLiteral("无效的用户名"));

        QVERIFY(!run.Login(QStringLiteral("admin"), QStringLiteral("ADMIN"), true));
        QCOMPARE(run.prompt.LastMessage(), QStringLiteral("密码错误"));
        // The password is compared exactly, blanks included.
        QVERIFY(!run.Login(QStringLiteral("admin"), QStringLiteral("admin "), true));
        QCOMPARE(run.prompt.LastMessage(), QStringLiteral("密码错误"));

        QCOMPARE(run.prompt.Messages().size(), 3);
        QVERIFY(!QFile::exists(run.folder.File(QStringLiteral("data/account.ini"))));
    }

    void quotesAreDroppedFromTheName() {
        Installation run;
        QString user;
        QVERIFY(run.Login(QStringLiteral("'ad'min''"), QStringLiteral("admin"), false, &user));
        QCOMPARE(user, QStringLiteral("admin"));

        // A name made only of quotes is an empty name, not an SQL error.
        QVERIFY(!run.Login(QStringLiteral("''''"), QStringLiteral("x"), false));
        QCOMPARE(run.prompt.LastMessage(), QStringLiteral("无效的用户名"));
    }

    void databaseFailureShowsProviderTextAndStatement() {
        Installation run;
        run.connection.Close();
        QVERIFY(!run.Login(QStringLiteral("admin"), QStringLiteral("admin"), true));
        const QString sql = QStringLiteral("Select * from UserData where UserName='admin'");
        QCOMPARE(run.prompt.Messages().size(), 1);
        QVERIFY2(run.prompt.LastMessage().endsWith(QStringLiteral("\r\n") + sql),
                 qPrintable(run.prompt.LastMessage()));
        QVERIFY(run.prompt.LastMessage().size() > sql.size() + 2);
    }

    void privilegeComesFromTheUsersRow() {
        Installation run;
        ScriptedPrompt& prompt = run.prompt;
        QVERIFY(run.folder.Write(QStringLiteral("data/account.ini"),
                                 IniFileBytes(QStringLiteral("发放工资"))));
        LoginDialog dialog(run.connection, prompt);
        dialog.UserNameEdit()->setText(QStringLiteral("li"));
        dialog.PasswordEdit()->setText(QStringLiteral("pw"));
        QVERIFY(dialog.OnOK());
        // The row's text, whatever the file said before.
        QCOMPARE(dialog.Privilege(), QStringLiteral("查询工资"));

        // A substring test, so the separator between names is free.
        QVERIFY(HasPrivilege(QStringLiteral("超级添加订单员"), QStringLiteral("添加订单"), prompt));
        QVERIFY(prompt.Messages().isEmpty());
        QVERIFY(!HasPrivilege(dialog.Privilege(), QStringLiteral("发放工资"), prompt));
        QVERIFY(!HasPrivilege(QString(), QStringLiteral("发放工资"), prompt));
        QCOMPARE(prompt.Messages(), QStringList(2, QStringLiteral("权限不足")));

        QVERIFY(IsAdmin(QStringLiteral("admin")));
        QVERIFY(!IsAdmin(QStringLiteral("Admin")));
    }

private:
    static QByteArray IniFileBytes(const QString& privilege) {
        IniFile account;
        account.SetString(QStringLiteral("."), QStringLiteral("Privilege"), privilege);
        return account.ToBytes();
    }
};

QTEST_MAIN(TestLogin)
#include "tst_login.moc"
