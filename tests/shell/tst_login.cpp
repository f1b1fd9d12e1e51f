#include "ScriptedPrompt.h"
#include "TempProgramFolder.h"

#include "base/IniFile.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "shell/LoginDialog.h"
#include "shell/Privilege.h"
#include "shell/Startup.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// A copy of the delivered database (user admin/admin) plus a few more users.
struct Installation {
    TempProgramFolder folder;
    DbConnection connection;
    ScriptedPrompt prompt;

    Installation() {
        connection.Open(Startup::DefaultConnectionString());
        connection.Execute(u"insert into UserData (UserName, UserPass, Privilege) "
                           "values ('li', 'pw', '查询工资')"_s);
        connection.Execute(
            u"insert into UserData (UserName, UserPass, Privilege) values ('nopass', '', '')"_s);
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
        account.Load(folder.File(u"data/account.ini"_s));
        return account.GetString(u"."_s, QString::fromLatin1(key));
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
        QVERIFY(run.Login(u"admin"_s, u"admin"_s, true, &user));
        QVERIFY(run.prompt.Messages().isEmpty());
        QCOMPARE(user, u"admin"_s);
        QCOMPARE(run.Account("UserName"), u"admin"_s);
        QCOMPARE(run.Account("UserPass"), u"admin"_s);
        QCOMPARE(run.Account("SavePass"), u"1"_s);
        QCOMPARE(run.Account("Privilege"), u"添加订单,发放工资"_s);

        // The next dialog opens with what was remembered.
        {
            LoginDialog dialog(run.connection, run.prompt);
            QCOMPARE(dialog.UserNameEdit()->text(), u"admin"_s);
            QCOMPARE(dialog.PasswordEdit()->text(), u"admin"_s);
            QVERIFY(dialog.SavePassBox()->isChecked());
        }

        // The file holds a password, so only its owner reads it.
        QCOMPARE(QFile::permissions(run.folder.File(u"data/account.ini"_s)) & 0x0077,
                 QFileDevice::Permissions());

        // Unchecking the box takes the saved password out of the file.
        QVERIFY(run.Login(u"li"_s, u"pw"_s, false));
        QCOMPARE(run.Account("UserName"), u"li"_s);
        QCOMPARE(run.Account("UserPass"), QString());
        QCOMPARE(run.Account("SavePass"), u"0"_s);
        QCOMPARE(run.Account("Privilege"), u"查询工资"_s);
        {
            LoginDialog dialog(run.connection, run.prompt);
            QVERIFY(!dialog.SavePassBox()->isChecked());
        }

        // A user whose password is empty logs in with an empty box.
        QVERIFY(run.Login(u"nopass"_s, QString(), false));
    }

    void failedLoginsKeepDialogOpenAndFileUntouched() {
        Installation run;
        QVERIFY(!run.Login(u"nobody"_s, u"admin"_s, true));
        QCOMPARE(run.prompt.LastMessage(), u"无效的用户名"_s);

        QVERIFY(!run.Login(u"admin"_s, u"ADMIN"_s, true));
        QCOMPARE(run.prompt.LastMessage(), u"密码错误"_s);
        // The password is compared exactly, blanks included.
        QVERIFY(!run.Login(u"admin"_s, u"admin "_s, true));
        QCOMPARE(run.prompt.LastMessage(), u"密码错误"_s);

        // Someone who has left is no user any more, whatever the password;
        // taken back, they log in again.
        QCOMPARE(run.connection.Execute(u"update UserData set Dimission=1 where UserName='li'"_s),
                 1);
        QVERIFY(!run.Login(u"li"_s, u"pw"_s, true));
        QCOMPARE(run.prompt.LastMessage(), u"无效的用户名"_s);

        QCOMPARE(run.prompt.Messages().size(), 4);
        QVERIFY(!QFile::exists(run.folder.File(u"data/account.ini"_s)));

        QCOMPARE(run.connection.Execute(u"update UserData set Dimission=0 where UserName='li'"_s),
                 1);
        QVERIFY(run.Login(u"li"_s, u"pw"_s, false));
    }

    // A password kept as typed by an older database becomes a salted hash on
    // its first login; the hash then verifies, and only the right password.
    void plainPasswordIsHashedOnFirstLogin() {
        Installation run;
        QVERIFY(run.Login(u"li"_s, u"pw"_s, false));
        QVERIFY(run.Login(u"admin"_s, u"admin"_s, false));
        DbRecordset rows(run.connection);
        QVERIFY(
            rows.Open(u"select UserPass from UserData where UserName<>'nopass' order by KeyId"_s));
        QStringList hashes;
        for (; !rows.IsEOF(); rows.MoveNext())
            hashes << rows.GetString(u"UserPass"_s);
        rows.Close();
        QCOMPARE(hashes.size(), 2);
        for (const QString& hash : hashes)
            QVERIFY2(hash.startsWith(u"$argon2id$"_s), qPrintable(hash));
        QVERIFY(hashes.at(0) != hashes.at(1));

        QVERIFY(run.Login(u"li"_s, u"pw"_s, false));
        QVERIFY(!run.Login(u"li"_s, u"pw "_s, false));
        QCOMPARE(run.prompt.LastMessage(), u"密码错误"_s);
        // Not a password that happens to equal the stored hash text.
        QVERIFY(!run.Login(u"admin"_s, hashes.at(0), false));
    }

    void quotesAreDroppedFromTheName() {
        Installation run;
        QString user;
        QVERIFY(run.Login(u"'ad'min''"_s, u"admin"_s, false, &user));
        QCOMPARE(user, u"admin"_s);

        // A name made only of quotes is an empty name, not an SQL error.
        QVERIFY(!run.Login(u"''''"_s, u"x"_s, false));
        QCOMPARE(run.prompt.LastMessage(), u"无效的用户名"_s);
    }

    void databaseFailureShowsProviderTextAndStatement() {
        Installation run;
        run.connection.Close();
        QVERIFY(!run.Login(u"admin"_s, u"admin"_s, true));
        const QString sql = u"Select * from UserData where UserName='admin'"_s;
        QCOMPARE(run.prompt.Messages().size(), 1);
        QVERIFY2(run.prompt.LastMessage().endsWith(u"\r\n"_s + sql),
                 qPrintable(run.prompt.LastMessage()));
        QVERIFY(run.prompt.LastMessage().size() > sql.size() + 2);
    }

    void privilegeComesFromTheUsersRow() {
        Installation run;
        ScriptedPrompt& prompt = run.prompt;
        QVERIFY(run.folder.Write(u"data/account.ini"_s, IniFileBytes(u"发放工资"_s)));
        LoginDialog dialog(run.connection, prompt);
        dialog.UserNameEdit()->setText(u"li"_s);
        dialog.PasswordEdit()->setText(u"pw"_s);
        QVERIFY(dialog.OnOK());
        // The row's text, whatever the file said before.
        QCOMPARE(dialog.Privilege(), u"查询工资"_s);

        // A substring test, so the separator between names is free.
        QVERIFY(HasPrivilege(u"超级添加订单员"_s, u"添加订单"_s, prompt));
        QVERIFY(prompt.Messages().isEmpty());
        QVERIFY(!HasPrivilege(dialog.Privilege(), u"发放工资"_s, prompt));
        QVERIFY(!HasPrivilege(QString(), u"发放工资"_s, prompt));
        QCOMPARE(prompt.Messages(), QStringList(2, u"权限不足"_s));

        QVERIFY(IsAdmin(u"admin"_s));
        QVERIFY(!IsAdmin(u"Admin"_s));
    }

private:
    static QByteArray IniFileBytes(const QString& privilege) {
        IniFile account;
        account.SetString(u"."_s, u"Privilege"_s, privilege);
        return account.ToBytes();
    }
};

QTEST_MAIN(TestLogin)
#include "tst_login.moc"
