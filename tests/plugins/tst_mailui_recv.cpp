#include "RefusingTrigger.h"
#include "ScriptedPrompt.h"
#include "TempProgramFolder.h"
#include "TestDatabases.h"

#include "ModuleContext.h"
#include "RecvAccount.h"
#include "RecvListView.h"
#include "RecvReadDlg.h"
#include "RecvSettingsDlg.h"

#include "db/DbConnection.h"
#include "framework/CommandIds.h"
#include "framework/CustomerDetail.h"
#include "net/Gbk.h"
#include "shell/PluginArgs.h"
#include "ui/GridCtrl.h"

#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QTextBrowser>
#include <QtTest>

using namespace Qt::StringLiterals;

TORVEL_PLUGIN_ENTRY QWidget* listMailRecv(const PluginArgs* args);

namespace {

// The Dovecot of scripts/imap-test-server.sh: TORVEL_TEST_IMAP is
// host:imaps-port:pop3s-port:password:ca-file:mail-folder:imap-port (plain
// IMAP where a login needs STARTTLS first). Any user name
// logs in with the password; a test takes a name of its own, so its mailbox
// starts empty, and delivers by writing files into the Maildir.
struct MailServer {
    QString host;
    int imapsPort = 0;
    int pop3sPort = 0;
    QString password;
    QString caFile;
    QString mailFolder;
    int imapPort = 0;

    static std::optional<MailServer> FromEnvironment() {
        const QStringList parts = qEnvironmentVariable("TORVEL_TEST_IMAP").split(u':');
        if (parts.size() != 7)
            return std::nullopt;
        MailServer server;
        server.host = parts[0];
        server.imapsPort = parts[1].toInt();
        server.pop3sPort = parts[2].toInt();
        server.password = parts[3];
        server.caFile = parts[4];
        server.mailFolder = parts[5];
        server.imapPort = parts[6].toInt();
        return server;
    }

    // A new mailbox: the folders are made writable by all, as the server's
    // mail processes run as another account when the tests run as root.
    QString NewUser(const QString& prefix) const {
        static int counter = 0;
        const QString user =
            u"%1%2x%3"_s.arg(prefix).arg(QCoreApplication::applicationPid()).arg(++counter);
        for (const QString& sub :
             {u""_s, u"/Maildir"_s, u"/Maildir/new"_s, u"/Maildir/cur"_s, u"/Maildir/tmp"_s}) {
            const QString path = mailFolder + u'/' + user + sub;
            QDir().mkpath(path);
            QFile::setPermissions(path, QFileDevice::Permissions(0x7777));
        }
        return user;
    }

    void Deliver(const QString& user, const QByteArray& message) const {
        static int counter = 0;
        const QString name = u"%1.M%2P%3.torvel"_s.arg(QDateTime::currentSecsSinceEpoch())
                                 .arg(++counter)
                                 .arg(QCoreApplication::applicationPid());
        const QString box = mailFolder + u'/' + user + u"/Maildir/"_s;
        QFile file(box + u"tmp/"_s + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(message);
        file.close();
        file.setPermissions(QFileDevice::Permissions(0x6666));
        QVERIFY(QFile::rename(box + u"tmp/"_s + name, box + u"new/"_s + name));
    }

    // Messages the server still keeps.
    int Count(const QString& user) const {
        const QString box = mailFolder + u'/' + user + u"/Maildir/"_s;
        return int(QDir(box + u"new"_s).entryList(QDir::Files).size() +
                   QDir(box + u"cur"_s).entryList(QDir::Files).size());
    }

    RecvAccount Account(const QString& user, bool pop3 = false) const {
        RecvAccount account;
        account.protocol = pop3 ? RecvAccount::Protocol::Pop3 : RecvAccount::Protocol::Imap;
        account.server = host;
        account.port = pop3 ? pop3sPort : imapsPort;
        account.user = user;
        account.pass = password;
        account.caFile = caFile;
        return account;
    }
};

#define TORVEL_MAIL_SERVER(var)                                                                    \
    const std::optional<MailServer> var = MailServer::FromEnvironment();                           \
    if (!var) {                                                                                    \
        if (TestDatabase::PostgresRequired())                                                      \
            QFAIL("TORVEL_TEST_IMAP is not set: start scripts/imap-test-server.sh");               \
        QSKIP("TORVEL_TEST_IMAP is not set (scripts/imap-test-server.sh)");                        \
    }

QByteArray GbkMessage(const QString& from, const QString& subject) {
    const QByteArray body = Gbk::Encode(u"您好, 请报价。"_s);
    return "From: =?gbk?B?" + Gbk::Encode(u"张三"_s).toBase64() + "?= <" + from.toLatin1() +
           ">\r\n"
           "To: sales@ours.cn\r\n"
           "Subject: =?GB2312?B?" +
           Gbk::Encode(subject).toBase64() +
           "?=\r\n"
           "Date: Sun, 06 Dec 2026 08:05:09 +0800\r\n"
           "MIME-Version: 1.0\r\n"
           "Content-Type: multipart/mixed; boundary=\"b1\"\r\n"
           "\r\n"
           "--b1\r\n"
           "Content-Type: text/plain; charset=gbk\r\n"
           "Content-Transfer-Encoding: base64\r\n"
           "\r\n" +
           body.toBase64() +
           "\r\n"
           "--b1\r\n"
           "Content-Type: application/vnd.ms-excel\r\n"
           "Content-Disposition: attachment; filename*=UTF-8''" +
           u"报价单.xls"_s.toUtf8().toPercentEncoding() +
           "\r\n"
           "Content-Transfer-Encoding: base64\r\n"
           "\r\n" +
           QByteArray("sheet").toBase64() +
           "\r\n"
           "--b1--\r\n";
}

QByteArray Utf8Message(const QString& from, const QString& subject) {
    return "From: \"Li Si\" <" + from.toLatin1() +
           ">\r\n"
           "Subject: =?utf-8?B?" +
           subject.toUtf8().toBase64() +
           "?=\r\n"
           "Date: Mon, 07 Dec 2026 09:00:00 +0800\r\n"
           "Content-Type: multipart/alternative; boundary=alt\r\n"
           "\r\n"
           "--alt\r\n"
           "Content-Type: text/plain; charset=utf-8\r\n"
           "\r\n" +
           u"纯文本"_s.toUtf8() +
           "\r\n"
           "--alt\r\n"
           "Content-Type: text/html; charset=utf-8\r\n"
           "Content-Transfer-Encoding: quoted-printable\r\n"
           "\r\n"
           "<b>=E8=B6=85=E6=96=87=E6=9C=AC</b><img src=3D\"http://127.0.0.1:9/x.png\">\r\n"
           "--alt--\r\n";
}

QString Column(DbConnection& db, const QString& sql) {
    QString joined;
    db.JoinColumnValues(sql, joined);
    return joined;
}

// A time given in UTC as the list shows it: in the machine's time zone.
QString LocalTime(int year, int month, int day, int hour, int minute, int second) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), Qt::UTC)
        .toLocalTime()
        .toString(u"yyyy-MM-dd hh:mm:ss"_s);
}

ModuleContext Admin(DbConnection& db, ScriptedPrompt& prompt) {
    ModuleContext context;
    context.connection = &db;
    context.prompt = &prompt;
    context.userName = u"admin"_s;
    return context;
}

// Runs 收取 and waits for its end; the messages shown come back.
bool FetchAndWait(CRecvListView& view) {
    if (!view.Fetch())
        return false;
    return QTest::qWaitFor([&view] { return !view.IsRunning(); }, 30000);
}

} // namespace

class tst_MailUiRecv : public QObject {
    Q_OBJECT

private slots:
    void fetchMatchReadAndDelete_data() { TestDatabase::AddEngineRows(); }
    void fetchMatchReadAndDelete();
    void deletingOnTheServer_data() { TestDatabase::AddEngineRows(); }
    void deletingOnTheServer();
    void refusedLoginsStoreNothing_data() { TestDatabase::AddEngineRows(); }
    void refusedLoginsStoreNothing();
};

void tst_MailUiRecv::fetchMatchReadAndDelete() {
    TORVEL_MAIL_SERVER(server);
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    QVERIFY(db.Execute(u"insert into CustomerData (KeyId,CustomerName,Email) values "
                       "(1,'甲公司','info@jia.cn; ZhangSan@Example.com'),(2,'乙公司',''),"
                       "(3,'丙公司','Boss@Else.cn')"_s));
    QVERIFY(db.Execute(u"insert into ContactData (CustomerId,CustomerName,Name,Email) values "
                       "(2,'乙公司','李四','other@yi.cn,LI@yi.cn')"_s));
    const QString user = server->NewUser(u"r"_s);
    const QByteArray first = GbkMessage(u"zhangsan@example.com"_s, u"关于订单的询价"_s);
    server->Deliver(user, first);
    server->Deliver(user, Utf8Message(u"li@YI.cn"_s, u"发货通知"_s));
    QVERIFY(server->Account(user).Save());

    ScriptedPrompt prompt;
    CRecvListView view(Admin(db, prompt));
    QVERIFY(FetchAndWait(view));
    QCOMPARE(prompt.Messages(), QStringList());
    QCOMPARE(view.ProgressLabel()->text(), u"收到2封新邮件"_s);
    // Subjects and names decoded; the senders matched case-insensitively
    // among several addresses of a field, the contact with its customer.
    QCOMPARE(Column(db, u"select Subject||'|'||SenderName||'|'||Sender||'|'||CustomerId||'|'||"
                        "ContactId||'|'||AttachCount||'|'||MailDate||'|'||Seen from MailRecv "
                        "order by Subject"_s),
             u"关于订单的询价|张三|zhangsan@example.com|1|0|1|%1|0;"
             "发货通知|Li Si|li@yi.cn|2|1|0|%2|0"_s.arg(LocalTime(2026, 12, 6, 0, 5, 9),
                                                        LocalTime(2026, 12, 7, 1, 0, 0)));
    // The raw message as a file under mailrecv/, the row pointing at it.
    const QString fileName =
        Column(db, u"select FileName from MailRecv where Subject='关于订单的询价'"_s);
    QVERIFY(fileName.endsWith(u".eml"_s));
    QCOMPARE(folder.Read(u"mailrecv/"_s + fileName), first);
    QCOMPARE(Column(db, u"select ByteSize from MailRecv where Subject='关于订单的询价'"_s),
             QString::number(first.size()));
    QCOMPARE(server->Count(user), 2);

    // Nothing twice; a new message comes on the next 收取.
    QVERIFY(FetchAndWait(view));
    QCOMPARE(view.ProgressLabel()->text(), u"收到0封新邮件"_s);
    server->Deliver(user, Utf8Message(u"boss@else.cn"_s, u"第三封"_s));
    QVERIFY(FetchAndWait(view));
    QCOMPARE(Column(db, u"select count(*) from MailRecv"_s), u"3"_s);
    QCOMPARE(
        Column(db, u"select CustomerId||'|'||ContactId from MailRecv where Subject='第三封'"_s),
        u"3|0"_s);
    // 显示客户 opens the matched customer through the frame's opener.
    int shownCustomer = 0;
    SetCustomerDetailOpener([&shownCustomer](int key, QWidget*) { shownCustomer = key; });
    view.Grid()->SetSelectedRange(1, 0, 1, view.Grid()->GetColumnCount() - 1);
    view.OnCommand(Command::CustomerInfo);
    SetCustomerDetailOpener(nullptr);
    QCOMPARE(shownCustomer, 3);

    // The search box: typed text is one literal, % and _ stay wildcards.
    view.SearchEdit()->setText(u"yi'.cn"_s);
    view.OnCommand(CRecvListView::kSearch);
    QCOMPARE(view.Grid()->GetRowCount(), 1);
    view.SearchEdit()->setText(u"订_"_s);
    view.OnCommand(CRecvListView::kSearch);
    QCOMPARE(view.Grid()->GetRowCount(), 2);
    view.SearchEdit()->clear();
    view.OnCommand(CRecvListView::kSearch);
    QCOMPARE(prompt.Messages(), QStringList());

    // The list: newest first, unread bold; reading shows the HTML part
    // without loading its image, and marks the row read.
    CGridCtrl& grid = *view.Grid();
    QCOMPARE(grid.GetRowCount(), 4);
    QCOMPARE(grid.GetItemText(1, 6), u"第三封"_s);
    QCOMPARE(grid.GetItemText(2, 4), u"乙公司"_s);
    QCOMPARE(grid.GetItemText(2, 5), u"李四"_s);
    QVERIFY(grid.GetItemFont(2, 6).bold());
    grid.SetSelectedRange(2, 0, 2, grid.GetColumnCount() - 1);
    QString header;
    QString body;
    int attachments = -1;
    prompt.QueueModal([&](QDialog& dialog) {
        auto& read = static_cast<CRecvReadDlg&>(dialog);
        header = read.HeaderText();
        body = read.Body()->toPlainText();
        attachments = read.AttachmentList()->count();
        return QDialog::Rejected;
    });
    view.OnCommand(Command::Edit);
    QVERIFY2(header.contains(u"发件人: Li Si <li@YI.cn>\n收件人: \n日期: %1\n主题: 发货通知"_s.arg(
                 LocalTime(2026, 12, 7, 1, 0, 0))),
             qPrintable(header));
    // The image stays an empty object: nothing was fetched for it.
    QCOMPARE(body, u"超文本\uFFFC"_s);
    QCOMPARE(attachments, 0);
    QCOMPARE(Column(db, u"select Seen from MailRecv where Subject='发货通知'"_s), u"1"_s);
    QVERIFY(!grid.GetItemFont(2, 6).bold());

    // The attachment of the GBK message, saved through the file dialog.
    grid.SetSelectedRange(3, 0, 3, grid.GetColumnCount() - 1);
    const QString saved = folder.File(u"out.xls"_s);
    prompt.QueueFileName(saved);
    QString listed;
    prompt.QueueModal([&listed](QDialog& dialog) {
        auto& read = static_cast<CRecvReadDlg&>(dialog);
        listed = read.AttachmentList()->item(0)->text();
        read.SaveAttachment();
        return QDialog::Rejected;
    });
    view.OnCommand(Command::Edit);
    QCOMPARE(listed, u"报价单.xls  (5 字节)"_s);
    QCOMPARE(folder.Read(u"out.xls"_s), QByteArray("sheet"));

    // 删除 removes the local copy only: the server keeps the message and
    // the next 收取 does not bring it back.
    prompt.Reset();
    prompt.QueueAnswer(Prompt::Answer::Ok);
    grid.SetSelectedRange(3, 0, 3, grid.GetColumnCount() - 1);
    view.OnCommand(Command::Delete);
    QCOMPARE(prompt.Messages(), QStringList{u"确定要删除选择的邮件吗?"_s});
    QVERIFY(!QFile::exists(folder.File(u"mailrecv/"_s + fileName)));
    QCOMPARE(grid.GetRowCount(), 3);
    QVERIFY(FetchAndWait(view));
    QCOMPARE(view.ProgressLabel()->text(), u"收到0封新邮件"_s);
    QCOMPARE(grid.GetRowCount(), 3);
    QCOMPARE(server->Count(user), 3);
}

void tst_MailUiRecv::deletingOnTheServer() {
    TORVEL_MAIL_SERVER(server);
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    ScriptedPrompt prompt;
    CRecvListView view(Admin(db, prompt));

    // A stop at once stores nothing; the limit per 收取 leaves the rest for
    // the next one.
    const QString limitUser = server->NewUser(u"l"_s);
    for (int i = 1; i <= 3; ++i)
        server->Deliver(limitUser, Utf8Message(u"x@y.cn"_s, u"限%1"_s.arg(i)));
    RecvAccount limited = server->Account(limitUser);
    limited.limit = 2;
    QVERIFY(limited.Save());
    QVERIFY(view.Fetch());
    view.OnCommand(CRecvListView::kStop);
    QVERIFY(QTest::qWaitFor([&view] { return !view.IsRunning(); }, 30000));
    QCOMPARE(view.ProgressLabel()->text(), u"已停止, 收到0封新邮件"_s);
    QVERIFY(FetchAndWait(view));
    QCOMPARE(view.ProgressLabel()->text(), u"收到2封新邮件"_s);
    QVERIFY(FetchAndWait(view));
    QCOMPARE(view.ProgressLabel()->text(), u"收到1封新邮件"_s);
    QCOMPARE(server->Count(limitUser), 3);
    QVERIFY(db.Execute(u"delete from MailRecv"_s));

    // IMAP, set to delete: the messages leave the server once stored.
    const QString imapUser = server->NewUser(u"d"_s);
    server->Deliver(imapUser, Utf8Message(u"a@b.cn"_s, u"一"_s));
    server->Deliver(imapUser, GbkMessage(u"a@b.cn"_s, u"二"_s));
    RecvAccount imap = server->Account(imapUser);
    imap.deleteOnServer = true;
    QVERIFY(imap.Save());
    QVERIFY(FetchAndWait(view));
    QCOMPARE(prompt.Messages(), QStringList());
    QCOMPARE(Column(db, u"select count(*) from MailRecv where FileName<>''"_s), u"2"_s);
    QCOMPARE(server->Count(imapUser), 0);

    // POP3 keeps them by default; UIDL makes the next 收取 add nothing.
    const QString popUser = server->NewUser(u"p"_s);
    server->Deliver(popUser, Utf8Message(u"c@d.cn"_s, u"三"_s));
    server->Deliver(popUser, Utf8Message(u"c@d.cn"_s, u"四"_s));
    RecvAccount pop = server->Account(popUser, true);
    QVERIFY(pop.Save());
    QVERIFY(FetchAndWait(view));
    QVERIFY(FetchAndWait(view));
    QCOMPARE(prompt.Messages(), QStringList());
    QCOMPARE(Column(db, u"select Subject from MailRecv where Account like 'pop3:%' "
                        "order by Subject"_s),
             u"三;四"_s);
    QCOMPARE(server->Count(popUser), 2);

    // 删除 of a row while set to delete takes it off the server too; the
    // other message goes at the next 收取, as it is stored already.
    pop.deleteOnServer = true;
    QVERIFY(pop.Save());
    view.Reload();
    view.Grid()->SetSelectedRange(1, 0, 1, view.Grid()->GetColumnCount() - 1);
    prompt.QueueAnswer(Prompt::Answer::Ok);
    view.OnCommand(Command::Delete);
    QCOMPARE(prompt.LastMessage(), u"确定要删除选择的邮件吗? 服务器上的邮件也将删除。"_s);
    QVERIFY(QTest::qWaitFor([&view] { return !view.IsRunning(); }, 30000));
    QCOMPARE(server->Count(popUser), 1);
    QVERIFY(FetchAndWait(view));
    QCOMPARE(server->Count(popUser), 0);
    // The deleted row is gone for good once the server has let go too.
    QCOMPARE(Column(db, u"select count(*) from MailRecv where Account like 'pop3:%'"_s), u"1"_s);
}

void tst_MailUiRecv::refusedLoginsStoreNothing() {
    TORVEL_MAIL_SERVER(server);
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    const QString user = server->NewUser(u"w"_s);
    server->Deliver(user, Utf8Message(u"a@b.cn"_s, u"一"_s));
    ScriptedPrompt prompt;
    CRecvListView view(Admin(db, prompt));

    RecvAccount account = server->Account(user);
    account.pass = u"wrong-pass"_s;
    QVERIFY(account.Save());
    QVERIFY(FetchAndWait(view));
    QCOMPARE(prompt.Messages(), QStringList{u"登录邮件服务器失败: 用户名或密码错误"_s});
    // A certificate from an unknown authority is refused, over POP3 too.
    for (const bool pop3 : {false, true}) {
        prompt.Reset();
        account = server->Account(user, pop3);
        account.caFile.clear();
        QVERIFY(account.Save());
        QVERIFY(FetchAndWait(view));
        QVERIFY2(prompt.LastMessage().startsWith(u"邮件服务器的证书未通过验证"_s),
                 qPrintable(prompt.LastMessage()));
    }
    // A batch the database refuses leaves no file behind and nothing
    // deleted on the server, even when set to delete.
    prompt.Reset();
    QVERIFY(AddRefusingTrigger(db, u"MailRecv"_s, u"insert"_s, u"1=1"_s));
    account = server->Account(user);
    account.deleteOnServer = true;
    QVERIFY(account.Save());
    QVERIFY(FetchAndWait(view));
    QVERIFY2(prompt.LastMessage().contains(u"refused"_s), qPrintable(prompt.LastMessage()));
    QCOMPARE(view.ProgressLabel()->text(), u"收取失败"_s);
    QCOMPARE(Column(db, u"select count(*) from MailRecv"_s), u"0"_s);
    QVERIFY(!QDirIterator(folder.File(u"mailrecv"_s), QDir::Files, QDirIterator::Subdirectories)
                 .hasNext());
    QCOMPARE(server->Count(user), 1);

    // The settings dialog tests what its boxes hold and saves the password
    // readable by its owner only.
    // 测试连接 goes through STARTTLS here.
    prompt.Reset();
    CRecvSettingsDlg dialog(prompt);
    dialog.CaFileEdit()->setText(server->caFile);
    dialog.ProtocolBox()->setCurrentIndex(0);
    dialog.SecurityBox()->setCurrentIndex(1);
    dialog.PortBox()->setValue(server->imapPort);
    QVERIFY(dialog.TestConnection());
    QVERIFY(QTest::qWaitFor([&dialog] { return !dialog.IsTesting(); }, 30000));
    QCOMPARE(prompt.Messages(), QStringList{u"连接成功, 服务器上有1封邮件"_s});
    dialog.accept();
    QCOMPARE(QFileInfo(RecvAccount::SettingsPath()).permissions() & 0x0077, 0);
    QCOMPARE(RecvAccount::Read().caFile, server->caFile);
    QCOMPARE(RecvAccount::Read().security, RecvAccount::Security::StartTls);
    QCOMPARE(RecvAccount::Read().pass, server->password);

    // Opened from its command by anyone but admin: the settings stay shut.
    PluginArgs args{};
    args.size = sizeof(PluginArgs);
    args.version = PluginArgsVersion;
    args.parameter = "";
    args.connection = &db;
    args.prompt = &prompt;
    args.userName = "lee";
    args.privilege = "";
    std::unique_ptr<QWidget> opened(listMailRecv(&args));
    auto* staffView = qobject_cast<CRecvListView*>(opened.get());
    QVERIFY(staffView);
    prompt.Reset();
    staffView->OnCommand(CRecvListView::kSettings);
    QCOMPARE(prompt.Messages(), QStringList{u"只有管理员可以修改收信设置"_s});
}

QTEST_MAIN(tst_MailUiRecv)
#include "tst_mailui_recv.moc"
