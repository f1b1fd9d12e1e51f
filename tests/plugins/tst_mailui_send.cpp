#include "ScriptedPrompt.h"
#include "SmtpTestServer.h"
#include "TempProgramFolder.h"
#include "TestDatabases.h"

#include "CampaignItemList.h"
#include "CampaignSender.h"
#include "MailSendSettings.h"
#include "MailSendSettingsDlg.h"
#include "MailService.h"
#include "MailTaskDlg.h"
#include "MailTaskStore.h"
#include "MailTaskView.h"
#include "RecipientFilterBox.h"

#include "base/ProgramFolder.h"
#include "db/DbConnection.h"
#include "framework/CommandIds.h"
#include "framework/ImportCSVDlg.h"
#include "framework/MailNotice.h"
#include "ui/GridCtrl.h"

#include <QComboBox>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSet>
#include <QSpinBox>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString kPassword = u"密码 1"_s;

QString Column(DbConnection& db, const QString& sql) {
    QString joined;
    db.JoinColumnValues(sql, joined);
    return joined;
}

// Customers of two classes: one address typed twice in different case and
// blanks, an address that cannot be used, an empty one, and contacts.
const QString kCustomers =
    u"insert into CustomerData (KeyId,CustomerName,Contact,Handler,Email,ClassPath) values "
    "(1,'甲公司','张三','lee',' Zhang@Client.TEST ','客户/华东/'),"
    "(2,'乙公司','李四','lee','zhang@client.test','客户/华东/'),"
    "(3,'丙公司','王五','kim','wang@client.test','客户/华东/浙江/'),"
    "(4,'丁公司','赵六','lee','赵六 at home','客户/华东/'),"
    "(5,'戊公司','钱七','lee','','客户/华东/'),"
    "(6,'己公司','孙八','lee','sun@client.test','客户/华南/');"
    "insert into ContactData (CustomerId,CustomerName,Name,Email) values "
    "(1,'甲公司','周九','zhou@client.test'),(6,'己公司','郑一','zheng@client.test');"_s;

// A loopback port nothing listens on: bound once, then closed.
int ClosedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(fd);
    return ntohs(address.sin_port);
}

} // namespace

class tst_MailUiSend : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void classTaskThroughTheForm_data() { TestDatabase::AddEngineRows(); }
    void classTaskThroughTheForm();
    void stopAndResumeWithoutDuplicates_data() { TestDatabase::AddEngineRows(); }
    void stopAndResumeWithoutDuplicates();
    void uncertainRowsAndRefusals_data() { TestDatabase::AddEngineRows(); }
    void uncertainRowsAndRefusals();
    void rateLimitAndServerDown_data() { TestDatabase::AddEngineRows(); }
    void rateLimitAndServerDown();
    void csvListThroughTheForm_data() { TestDatabase::AddEngineRows(); }
    void csvListThroughTheForm();

private:
    void Configure(int port, int connections, int perMinute = 0);
    int MakeTask(DbConnection& db, const QStringList& addresses, const QString& state);
    // Every envelope recipient the server kept, one entry per message.
    static QStringList Delivered(const SmtpTestServer& server);

    std::unique_ptr<TempProgramFolder> folder_;
};

void tst_MailUiSend::initTestCase() {
    folder_ = std::make_unique<TempProgramFolder>(false);
    QVERIFY(folder_->IsValid());
}

void tst_MailUiSend::cleanup() {
    MailService::Instance().ResetForTest();
}

void tst_MailUiSend::Configure(int port, int connections, int perMinute) {
    MailSettings account;
    account.from = u"sales@shop.test"_s;
    account.server = u"127.0.0.1"_s;
    account.port = port;
    account.security = u"none"_s;
    account.userName = u"notice"_s;
    account.userPass = kPassword;
    account.plainAuth = true;
    QVERIFY(account.Save(ProgramPath(u"email.ini"_s)));
    MailSendSettings settings;
    settings.connections = connections;
    settings.perMinute = perMinute;
    settings.timeoutSeconds = 10;
    QVERIFY(settings.Save());
}

int tst_MailUiSend::MakeTask(DbConnection& db, const QStringList& addresses, const QString& state) {
    MailTaskStore store(db);
    int key = 0;
    if (!store.CreateTask({u"测试"_s, u"主题"_s, u"内容"_s, {}, QString(), u"admin"_s}, key))
        return 0;
    std::vector<MailNewItem> items;
    for (const QString& address : addresses)
        items.push_back({address, QString(), u"致%1"_s.arg(address), u"您好"_s});
    if (!store.AddItems(key, items) || !store.SetTaskState(key, state))
        return 0;
    return key;
}

QStringList tst_MailUiSend::Delivered(const SmtpTestServer& server) {
    QStringList recipients;
    for (int i = 0; i < server.Count(); ++i) {
        for (const QJsonValue& to : server.Info(i).value(u"rcpt_tos"_s).toArray())
            recipients << to.toString();
    }
    recipients.sort();
    return recipients;
}

// 新建 to a customer class through the form: the attachment is checked at
// 确定, addresses are trimmed, lower-cased and taken once, an unusable one
// is skipped and counted, and each message arrives with its own subject and
// body and the attachment intact. The password reaches no log.
void tst_MailUiSend::classTaskThroughTheForm() {
    TORVEL_TEST_CONNECTION(database);
    QVERIFY2(database.RunScript(kCustomers), qPrintable(database.Why()));
    SmtpTestServer server(u"plain-auth"_s);
    QVERIFY(server.IsValid());
    Configure(server.Port(), 2);

    // Bytes of every value, a line holding only a dot among them.
    QByteArray bytes("line\r\n.\r\nafter the dot\r\n");
    for (int i = 0; i < 3000; ++i)
        bytes.append(char(i % 256));
    const QString attachment = folder_->File(u"报价单.bin"_s);
    const QString missing = folder_->File(u"没有.bin"_s);
    QVERIFY(folder_->Write(u"报价单.bin"_s, bytes));

    ScriptedPrompt prompt;
    prompt.QueueFileName(attachment);
    prompt.QueueModal([&](QDialog& dialog) {
        auto& form = dynamic_cast<CMailTaskDlg&>(dialog);
        form.TitleEdit()->setText(u"报价"_s);
        form.SubjectEdit()->setText(u"{客户名称}的报价单"_s);
        form.BodyEdit()->setPlainText(u"{联系人}您好:\n附件是本月报价。"_s);
        form.AttachmentList()->addItem(missing);
        if (form.OnOK() || prompt.LastMessage() != u"附件不存在或无法读取: "_s + missing)
            return int(QDialog::Rejected);
        form.AttachmentList()->clear();
        form.AddAttachment();
        form.Recipients()->SourceBox()->setCurrentIndex(2);
        form.Recipients()->ClassEdit()->setText(u"客户/华东/"_s);
        return form.OnOK() ? form.result() : int(QDialog::Rejected);
    });
    prompt.QueueAnswer(Prompt::Answer::Yes);
    ModuleContext context{&db, &prompt, u"admin"_s, QString()};
    CMailTaskView view(context);
    QVERIFY(view.OnCommand(Command::Add));
    const int task = view.Items()->Task();
    QVERIFY(task > 0);
    QCOMPARE(prompt.LastMessage(),
             u"任务已建立: 共4个地址, 其中1个不是可用的邮件地址, 已跳过。\r\n现在发送吗?"_s);
    QTRY_VERIFY_WITH_TIMEOUT(!MailService::Instance().Running(task), 20000);
    QCOMPARE(Column(db, u"select State || '/' || Total || '/' || Sent || '/' || Failed || '/' || "
                        "Skipped from MailTask where KeyId=%1"_s.arg(task)),
             u"已完成/4/3/0/1"_s);
    QCOMPARE(Column(db, u"select Address || '=' || State || '=' || Name from MailTaskItem where "
                        "TaskId=%1 order by Address"_s.arg(task)),
             u"wang@client.test=已发=王五;zhang@client.test=已发=张三;"
             "zhou@client.test=已发=周九;赵六 at home=跳过=赵六"_s);

    QCOMPARE(server.Count(), 3);
    const QString sha =
        QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
    QMap<QString, QJsonObject> byAddress;
    for (int i = 0; i < 3; ++i) {
        const QJsonObject info = server.Info(i);
        byAddress.insert(info.value(u"rcpt_tos"_s).toArray().first().toString(), info);
        QCOMPARE(info.value(u"login"_s).toString(), u"notice"_s);
        QCOMPARE(info.value(u"mail_from"_s).toString(), u"sales@shop.test"_s);
        const QJsonArray files = info.value(u"attachments"_s).toArray();
        QCOMPARE(files.size(), 1);
        QCOMPARE(files.first().toObject().value(u"name"_s).toString(), u"报价单.bin"_s);
        QCOMPARE(files.first().toObject().value(u"sha256"_s).toString(), sha);
    }
    QCOMPARE(byAddress.keys(),
             QStringList({u"wang@client.test"_s, u"zhang@client.test"_s, u"zhou@client.test"_s}));
    QCOMPARE(byAddress[u"zhou@client.test"_s].value(u"subject"_s).toString(), u"甲公司的报价单"_s);
    QVERIFY(
        byAddress[u"zhou@client.test"_s].value(u"body"_s).toString().startsWith(u"周九您好:"_s));
    QCOMPARE(byAddress[u"wang@client.test"_s].value(u"subject"_s).toString(), u"丙公司的报价单"_s);
    QVERIFY(byAddress[u"zhang@client.test"_s].value(u"to"_s).toString().contains(u"张三"_s));
    QVERIFY(!folder_->Read(u"trace.log"_s).contains(kPassword.toUtf8()));
}

// 停止 half-way leaves nothing 发送中 and every sent row counted; sending
// again delivers the rest, so each address reaches the server exactly once.
void tst_MailUiSend::stopAndResumeWithoutDuplicates() {
    TORVEL_TEST_CONNECTION(database);
    SmtpTestServer server(u"plain-auth"_s);
    QVERIFY(server.IsValid());
    Configure(server.Port(), 2);
    QStringList addresses;
    for (int i = 0; i < 120; ++i)
        addresses << u"user%1@client.test"_s.arg(i, 3, 10, QLatin1Char('0'));
    const int task = MakeTask(db, addresses, CampaignTaskState::Ready());
    QVERIFY(task > 0);

    ScriptedPrompt prompt;
    ModuleContext context{&db, &prompt, u"admin"_s, QString()};
    CMailTaskView view(context);
    QVERIFY(view.SendTask(task));
    QTRY_VERIFY_WITH_TIMEOUT(server.Count() >= 5, 20000);
    view.OnCommand(CCampaignTaskView::kStop);
    QTRY_VERIFY_WITH_TIMEOUT(!MailService::Instance().Running(task), 20000);
    QCOMPARE(Column(db, u"select State from MailTask where KeyId=%1"_s.arg(task)), u"已停止"_s);
    QCOMPARE(
        Column(db,
               u"select count(*) from MailTaskItem where TaskId=%1 and State='发送中'"_s.arg(task)),
        u"0"_s);
    const int atStop = server.Count();
    QVERIFY2(atStop < 120, "the stop came too late to test a resume");
    QCOMPARE(Column(db, u"select count(*) from MailTaskItem where TaskId=%1 and State='已发'"_s.arg(
                            task)),
             QString::number(atStop));
    QVERIFY(view.ProgressLabel()->text().contains(u"待发%1"_s.arg(120 - atStop)));

    QVERIFY(view.SendTask(task));
    QTRY_VERIFY_WITH_TIMEOUT(!MailService::Instance().Running(task), 30000);
    QCOMPARE(Delivered(server), addresses);
    QCOMPARE(Column(db, u"select State || '/' || Sent from MailTask where KeyId=%1"_s.arg(task)),
             u"已完成/120"_s);
    QCOMPARE(prompt.Messages(), QStringList());
}

// A row left 发送中 by a run that ended with the program is shown as
// uncertain and not sent until the user's 重发; a refused address is 失败
// with the server's reply while the others go out.
void tst_MailUiSend::uncertainRowsAndRefusals() {
    TORVEL_TEST_CONNECTION(database);
    SmtpTestServer server(u"plain-auth"_s);
    QVERIFY(server.IsValid());
    Configure(server.Port(), 2);
    const QStringList addresses{u"a@client.test"_s, u"b@client.test"_s, u"refused@client.test"_s,
                                u"c@client.test"_s};
    const int task = MakeTask(db, addresses, CampaignTaskState::Sending());
    QCOMPARE(db.Execute(u"update MailTaskItem set State='发送中' where Address='b@client.test'"_s),
             1);

    ScriptedPrompt prompt;
    ModuleContext context{&db, &prompt, u"admin"_s, QString()};
    CMailTaskView view(context);
    view.ShowTask(task);
    CGridCtrl& grid = *view.Items()->Grid();
    QCOMPARE(grid.GetItemText(2, 3), CCampaignItemList::UncertainText());
    QVERIFY(view.ProgressLabel()->text().contains(u"不确定1"_s));
    prompt.QueueAnswer(Prompt::Answer::Yes);
    QVERIFY(view.SendTask(task));
    QCOMPARE(prompt.Messages(),
             QStringList({u"有1个地址在上次发送时中断, 无法确定是否已经发出, 这次不会发送它们。\r\n"
                          "请在地址列表中查看, 选择重发或跳过。"_s,
                          u"任务的状态是发送中: 可能正在另一台电脑上发送, 或上次发送时程序中断。"
                          "\r\n确定没有其他电脑在发送它, 继续发送吗?"_s}));
    QTRY_VERIFY_WITH_TIMEOUT(!MailService::Instance().Running(task), 20000);
    QCOMPARE(Delivered(server), QStringList({u"a@client.test"_s, u"c@client.test"_s}));
    QCOMPARE(
        Column(db, u"select State from MailTaskItem where TaskId=%1 order by KeyId"_s.arg(task)),
        u"已发;发送中;失败;已发"_s);
    QVERIFY(Column(db, u"select Reply from MailTaskItem where Address='refused@client.test'"_s)
                .contains(u"550 5.1.1"_s));
    QCOMPARE(Column(db, u"select State || '/' || Sent || '/' || Failed from MailTask where "
                        "KeyId=%1"_s.arg(task)),
             u"已停止/2/1"_s);

    // 重发 of the uncertain row, confirmed, sends it once.
    QCOMPARE(grid.GetItemText(2, 3), CCampaignItemList::UncertainText());
    grid.SetSelectedRange(2, 0, 2, grid.GetColumnCount() - 1);
    prompt.QueueAnswer(Prompt::Answer::Yes);
    view.Items()->OnCommand(CCampaignItemList::kResend);
    QCOMPARE(prompt.LastMessage(), u"所选地址中有1个在上次发送时中断, 无法确定是否已经发出。\r\n"
                                   "仍然重发吗?"_s);
    QVERIFY(view.SendTask(task));
    QTRY_VERIFY_WITH_TIMEOUT(!MailService::Instance().Running(task), 20000);
    QCOMPARE(Delivered(server),
             QStringList({u"a@client.test"_s, u"b@client.test"_s, u"c@client.test"_s}));
}

// The rate limit spaces the starts of the messages; a server that cannot be
// reached stops the run after a few messages, the rows staying 待发.
void tst_MailUiSend::rateLimitAndServerDown() {
    TORVEL_TEST_CONNECTION(database);
    SmtpTestServer server(u"plain-auth"_s);
    QVERIFY(server.IsValid());
    Configure(server.Port(), 1);
    const int limited = MakeTask(db,
                                 {u"r1@x.test"_s, u"r2@x.test"_s, u"r3@x.test"_s, u"r4@x.test"_s,
                                  u"r5@x.test"_s, u"r6@x.test"_s},
                                 CampaignTaskState::Ready());
    ScriptedPrompt prompt;
    ModuleContext context{&db, &prompt, u"admin"_s, QString()};
    CMailTaskView view(context);
    // 发送设置: one start every 200 ms, four messages under way.
    prompt.QueueModal([](QDialog& dialog) {
        auto& settings = dynamic_cast<CMailSendSettingsDlg&>(dialog);
        settings.PerMinute()->setValue(300);
        settings.Connections()->setValue(4);
        return settings.OnOK() ? settings.result() : int(QDialog::Rejected);
    });
    view.OnCommand(CMailTaskView::kSettings);
    QCOMPARE(MailSendSettings::Read().perMinute, 300);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(view.SendTask(limited));
    QTRY_VERIFY_WITH_TIMEOUT(!MailService::Instance().Running(limited), 20000);
    // Five gaps of 200 ms between six starts, whatever the four connections
    // could do; loosely, for a busy machine.
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed >= 900, qPrintable(QString::number(elapsed)));
    QCOMPARE(server.Count(), 6);

    Configure(ClosedPort(), 1);
    const int down = MakeTask(
        db, {u"d1@x.test"_s, u"d2@x.test"_s, u"d3@x.test"_s, u"d4@x.test"_s, u"d5@x.test"_s},
        CampaignTaskState::Ready());
    QVERIFY(view.SendTask(down));
    QTRY_VERIFY_WITH_TIMEOUT(!MailService::Instance().Running(down), 20000);
    QVERIFY2(prompt.LastMessage().startsWith(
                 u"连续3次无法连接邮件服务器, 已停止发送, 其余邮件仍为待发。\r\n"_s),
             qPrintable(prompt.LastMessage()));
    QCOMPARE(Column(db, u"select State from MailTaskItem where TaskId=%1"_s.arg(down)),
             u"待发;待发;待发;待发;待发"_s);
    QCOMPARE(Column(db, u"select State from MailTask where KeyId=%1"_s.arg(down)), u"已停止"_s);
}

// Recipients from a CSV list: the mapping dialog finds the address and name
// columns by their captions, every column fills the subject and body, and an
// address is taken once however it is typed.
void tst_MailUiSend::csvListThroughTheForm() {
    TORVEL_TEST_CONNECTION(database);
    const QString path = folder_->File(u"名单.csv"_s);
    QVERIFY(
        folder_->Write(u"名单.csv"_s, u"姓名,邮件地址,金额\r\n张三,Zhang@Client.test,12.5\r\n"
                                      "李四, zhang@client.test ,3\r\n王五,没有地址,8\r\n"
                                      "赵六,,9\r\n\"钱,七\",qian@client.test,100\r\n"_s.toUtf8()));
    ScriptedPrompt prompt;
    prompt.QueueFileName(path);
    prompt.QueueModal([](QDialog& dialog) {
        auto& form = dynamic_cast<CMailTaskDlg&>(dialog);
        form.TitleEdit()->setText(u"催款"_s);
        form.SubjectEdit()->setText(u"{姓名}: 应付{金额}元"_s);
        form.BodyEdit()->setPlainText(u"{姓名}您好"_s);
        form.SourceBox()->setCurrentIndex(1);
        form.ChooseFile();
        if (form.InsertBox()->findText(u"{金额}"_s) < 0)
            return int(QDialog::Rejected);
        return form.OnOK() ? form.result() : int(QDialog::Rejected);
    });
    prompt.QueueModal([](QDialog& dialog) {
        auto& csv = dynamic_cast<CImportCSVDlg&>(dialog);
        return csv.OnOK() ? csv.result() : int(QDialog::Rejected);
    });
    prompt.QueueAnswer(Prompt::Answer::No);
    ModuleContext context{&db, &prompt, u"admin"_s, QString()};
    CMailTaskView view(context);
    QVERIFY(view.OnCommand(Command::Add));
    QCOMPARE(prompt.LastMessage(),
             u"任务已建立: 共3个地址, 其中1个不是可用的邮件地址, 已跳过。\r\n现在发送吗?"_s);
    const int task = view.Items()->Task();
    QCOMPARE(Column(db, u"select Address || '=' || State || '=' || Name || '=' || Subject || '=' "
                        "|| Body from MailTaskItem where TaskId=%1 order by KeyId"_s.arg(task)),
             u"zhang@client.test=待发=张三=张三: 应付12.5元=张三您好;"
             "没有地址=跳过=王五=王五: 应付8元=王五您好;"
             "qian@client.test=待发=钱,七=钱,七: 应付100元=钱,七您好"_s);
    QCOMPARE(Column(db, u"select Recipients from MailTask where KeyId=%1"_s.arg(task)),
             u"文件: 名单.csv"_s);
}

QTEST_MAIN(tst_MailUiSend)
#include "tst_mailui_send.moc"
