#include "LoopbackPeer.h"
#include "ScriptedPrompt.h"
#include "TempProgramFolder.h"
#include "TestDatabases.h"

#include "MessageTemplate.h"
#include "MobileNumber.h"
#include "SmsAccountView.h"
#include "SmsItemList.h"
#include "SmsSender.h"
#include "SmsService.h"
#include "SmsTaskDlg.h"
#include "SmsTaskStore.h"
#include "SmsTaskView.h"

#include "db/DbConnection.h"
#include "framework/CommandIds.h"
#include "framework/ImportCSVDlg.h"
#include "net/Gbk.h"
#include "ui/GridCtrl.h"

#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPlainTextEdit>
#include <QtTest>

#include <mutex>

using namespace Qt::StringLiterals;

namespace {

const QString kPass = u"pw-S3cret!"_s;

// A gateway on 127.0.0.1 that answers "OK" (or "ERR" for refused numbers)
// and counts the requests per number, each after `delayMs`.
class CountingGateway {
public:
    CountingGateway() : peer_([this](PeerConnection& c) { Serve(c); }) {}

    QString Server() const {
        return u"http://127.0.0.1:%1/send?m={mobile}&t={content}"_s.arg(peer_.Port());
    }
    int Count(const QString& mobile) {
        std::lock_guard<std::mutex> lock(mutex_);
        return counts_.value(mobile);
    }
    int Total() {
        std::lock_guard<std::mutex> lock(mutex_);
        int total = 0;
        for (const int n : counts_)
            total += n;
        return total;
    }
    int MostForOneNumber() {
        std::lock_guard<std::mutex> lock(mutex_);
        int most = 0;
        for (const int n : counts_)
            most = std::max(most, n);
        return most;
    }
    QString Text(const QString& mobile) {
        std::lock_guard<std::mutex> lock(mutex_);
        return texts_.value(mobile);
    }
    std::atomic<int> delayMs{0};
    QString refused;

private:
    void Serve(PeerConnection& c) {
        const QByteArray line = c.ReadLine();
        c.ReadUntil("\r\n\r\n");
        const QUrlQuery query(QUrl(QString::fromLatin1(line.split(' ').value(1))).query());
        const QString mobile = query.queryItemValue(u"m"_s, QUrl::FullyDecoded);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            counts_[mobile] += 1;
            texts_[mobile] = query.queryItemValue(u"t"_s, QUrl::FullyDecoded);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs.load()));
        const QByteArray body = mobile == refused ? "ERR balance" : "OK";
        c.Write("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                QByteArray::number(body.size()) + "\r\n\r\n" + body);
    }

    std::mutex mutex_;
    QMap<QString, int> counts_;
    QMap<QString, QString> texts_;
    LoopbackPeer peer_;
};

QString Column(DbConnection& db, const QString& sql) {
    QString joined;
    db.JoinColumnValues(sql, joined);
    return joined;
}

// Customers in two classes with the same number spelled three ways, a
// contact sharing it, a landline and an empty number.
const QString kCustomers =
    u"insert into CustomerData (KeyId,CustomerName,Contact,Handler,Mobile,City,ClassPath) values "
    "(1,'甲公司','张三','lee','138-0013-8000','上海','客户/华东/'),"
    "(2,'乙公司','李四','lee','+86 138 0013 8000','上海','客户/华东/'),"
    "(3,'丙公司','王五','kim','13900139000','杭州','客户/华东/浙江/'),"
    "(4,'丁{联系人}','赵六','lee','010-12345678','北京','客户/华东/'),"
    "(5,'戊公司','钱七','lee','','北京','客户/华东/'),"
    "(6,'己公司','孙八','lee','13700137000','广州','客户/华南/');"
    "insert into ContactData (CustomerId,CustomerName,Name,Mobile) values "
    "(1,'甲公司','周九','13800138000'),(3,'丙公司','吴十','15000150000'),"
    "(6,'己公司','郑一','1500015000');"_s;

} // namespace

class tst_SmsUi : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void numbersAndTemplates();
    void itemsFromFilters_data() { TestDatabase::AddEngineRows(); }
    void itemsFromFilters();
    void sendStopAndResume_data() { TestDatabase::AddEngineRows(); }
    void sendStopAndResume();
    void uncertainNumbersWaitForTheUser_data() { TestDatabase::AddEngineRows(); }
    void uncertainNumbersWaitForTheUser();
    void newTaskThroughTheForm_data() { TestDatabase::AddEngineRows(); }
    void newTaskThroughTheForm();
    void timedTasks_data() { TestDatabase::AddEngineRows(); }
    void timedTasks();
    void excelFileInGbk_data() { TestDatabase::AddEngineRows(); }
    void excelFileInGbk();
    void accountFileIsPrivate();

private:
    void Configure(const CountingGateway& gateway, int parallel = 2);
    int MakeTask(DbConnection& db, const QString& kind, int numbers, const QString& state,
                 const QString& sendAt = QString());

    std::unique_ptr<TempProgramFolder> folder_;
};

void tst_SmsUi::initTestCase() {
    for (const char* name : {"http_proxy", "HTTP_PROXY", "no_proxy", "NO_PROXY"})
        qunsetenv(name);
    // One folder for the whole run: the gateway library, once loaded from
    // it, reads its settings there.
    folder_ = std::make_unique<TempProgramFolder>(false);
    QVERIFY(QFile::copy(qEnvironmentVariable("TORVEL_APP_DIR") + u"/SMSAPI.so"_s,
                        folder_->File(u"SMSAPI.so"_s)));
}

void tst_SmsUi::cleanup() {
    SmsService::Instance().ResetForTest();
}

void tst_SmsUi::Configure(const CountingGateway& gateway, int parallel) {
    QVERIFY(folder_->Write(u"data/smsgate.ini"_s,
                           "[.]\r\nServerURL=" + gateway.Server().toUtf8() +
                               "\r\nUserName=user\r\nUserPass=" + kPass.toUtf8() +
                               "\r\nMethod=GET\r\nSuccessRule=text:OK\r\nParallel=" +
                               QByteArray::number(parallel) + "\r\n"));
}

int tst_SmsUi::MakeTask(DbConnection& db, const QString& kind, int numbers, const QString& state,
                        const QString& sendAt) {
    SmsTaskStore store(db);
    int key = 0;
    if (!store.CreateTask({kind, u"测试"_s, u"你好"_s, QString(), sendAt, state, u"admin"_s}, key))
        return 0;
    std::vector<SmsNewItem> items;
    for (int i = 0; i < numbers; ++i)
        items.push_back({u"1390000%1"_s.arg(i, 4, 10, QLatin1Char('0')), u"第%1条"_s.arg(i), {}});
    return store.AddItems(key, items) ? key : 0;
}

// The number rule and the template filling, in C++ and (below) in SQL.
void tst_SmsUi::numbersAndTemplates() {
    QCOMPARE(MobileNumber::Normalize(u"+86 138-0013 8000"_s), u"13800138000"_s);
    QCOMPARE(MobileNumber::Normalize(u"0086 13800138000"_s), u"13800138000"_s);
    QVERIFY(MobileNumber::IsMobile(u"13800138000"_s));
    for (const QString& bad :
         {u"1380013800"_s, u"23800138000"_s, u"1380013800x"_s, u"01012345678"_s})
        QVERIFY2(!MobileNumber::IsMobile(bad), qPrintable(bad));

    const QMap<QString, QString> values{{u"客户名称"_s, u"{联系人}公司"_s},
                                        {u"联系人"_s, u"张三"_s}};
    // One pass: a value holding a placeholder stays as written; unknown
    // names and lone braces stay.
    QCOMPARE(MessageTemplate::Fill(u"{联系人}您好, {客户名称}的{x}{"_s, values),
             u"张三您好, {联系人}公司的{x}{"_s);
    QCOMPARE(MessageTemplate::FillSql(u"a'{联系人}b"_s, {{u"联系人"_s, u"d.Contact"_s}}),
             u"('a''' || coalesce(d.Contact,'') || 'b')"_s);
}

// A class, a search and the contacts become task numbers in one statement:
// one row per number whatever its spelling, texts filled per customer,
// landlines skipped and counted, a non-admin limited to their customers.
void tst_SmsUi::itemsFromFilters() {
    TORVEL_TEST_CONNECTION(database);
    QVERIFY2(database.RunScript(kCustomers), qPrintable(database.Why()));
    SmsTaskStore store(db);

    int key = 0;
    QVERIFY2(store.CreateTask({SmsKind::Mass(), u"华东"_s, QString(), QString(), QString(),
                               SmsTaskState::Ready(), u"admin"_s},
                              key),
             qPrintable(store.LastError()));
    SmsRecipientFilter filter;
    filter.classPath = u"客户/华东/"_s;
    QVERIFY2(store.AddFilteredItems(key, filter, u"{客户名称}{联系人}: 您好"_s),
             qPrintable(store.LastError()));
    QCOMPARE(Column(db, u"select Mobile || '=' || State || '=' || Text from SmsTaskItem where "
                        "TaskId=%1 order by Mobile"_s.arg(key)),
             u"01012345678=跳过=丁{联系人}赵六: 您好;13800138000=待发=甲公司张三: 您好;"
             "13900139000=待发=丙公司王五: 您好"_s);
    QCOMPARE(
        Column(db,
               u"select Total || '/' || Skipped || '/' || Sent from SmsTask where KeyId=%1"_s.arg(
                   key)),
        u"3/1/0"_s);

    // A large send: customers and contacts of every class, one row each.
    int all = 0;
    QVERIFY(store.CreateTask({SmsKind::Super(), u"全部"_s, QString(), QString(), QString(),
                              SmsTaskState::Ready(), u"admin"_s},
                             all));
    SmsRecipientFilter everyone;
    everyone.contacts = true;
    QVERIFY2(store.AddFilteredItems(all, everyone, u"{联系人}"_s), qPrintable(store.LastError()));
    QCOMPARE(Column(db, u"select Total || '/' || Skipped from SmsTask where KeyId=%1"_s.arg(all)),
             u"6/2"_s);
    QCOMPARE(Column(db, u"select Mobile from SmsTaskItem where TaskId=%1 and State='跳过' "
                        "order by Mobile"_s.arg(all)),
             u"01012345678;1500015000"_s);
    QCOMPARE(
        Column(db,
               u"select Text from SmsTaskItem where TaskId=%1 and Mobile='15000150000'"_s.arg(all)),
        u"吴十"_s);

    // Handler lee's customers only, searched by city.
    int mine = 0;
    QVERIFY(store.CreateTask({SmsKind::Mass(), u"上海"_s, QString(), QString(), QString(),
                              SmsTaskState::Ready(), u"lee"_s},
                             mine));
    SmsRecipientFilter own;
    own.restrictToHandler = u"lee"_s;
    own.contacts = true;
    own.name = u"公司"_s;
    QVERIFY(store.AddFilteredItems(mine, own, u"x"_s));
    QCOMPARE(
        Column(db, u"select Mobile from SmsTaskItem where TaskId=%1 order by Mobile"_s.arg(mine)),
        u"13700137000;13800138000;1500015000"_s);
}

// The background send: states per number, a refusal kept with its text, a
// stop that starts nothing more, and a resume that sends each number once.
void tst_SmsUi::sendStopAndResume() {
    TORVEL_TEST_CONNECTION(database);
    CountingGateway gateway;
    gateway.delayMs = 30;
    gateway.refused = u"13900000003"_s;
    Configure(gateway);
    ScriptedPrompt prompt;
    SmsService& service = SmsService::Instance();
    service.Attach(db, prompt);
    const int task = MakeTask(db, SmsKind::Mass(), 40, SmsTaskState::Ready());
    QVERIFY(task > 0);

    ModuleContext context{&db, &prompt, u"admin"_s, QString()};
    CSmsTaskView view(context, SmsKind::Mass());
    QVERIFY(view.SendTask(task));
    QVERIFY(service.Running(task));
    QCOMPARE(Column(db, u"select State from SmsTask where KeyId=%1"_s.arg(task)), u"发送中"_s);
    QTRY_VERIFY_WITH_TIMEOUT(gateway.Total() >= 6, 10000);
    view.OnCommand(CSmsTaskView::kStop);
    const int atStop = gateway.Total();
    QTRY_VERIFY_WITH_TIMEOUT(!service.Running(task), 10000);
    // At most the two messages under way went out after the stop.
    QVERIFY2(gateway.Total() <= atStop + 2, qPrintable(QString::number(gateway.Total())));
    QCOMPARE(Column(db, u"select State from SmsTask where KeyId=%1"_s.arg(task)), u"已停止"_s);
    QCOMPARE(
        Column(db,
               u"select count(*) from SmsTaskItem where TaskId=%1 and State='发送中'"_s.arg(task)),
        u"0"_s);
    QCOMPARE(Column(db, u"select count(*) from SmsTaskItem where TaskId=%1 and State in "
                        "('已发','失败')"_s.arg(task)),
             QString::number(gateway.Total()));
    QVERIFY(view.ProgressLabel()->text().contains(u"待发"_s));

    QVERIFY(view.SendTask(task));
    QTRY_VERIFY_WITH_TIMEOUT(!service.Running(task), 20000);
    QCOMPARE(gateway.Total(), 40);
    QCOMPARE(gateway.MostForOneNumber(), 1);
    QCOMPARE(gateway.Text(u"13900000007"_s), u"第7条"_s);
    QCOMPARE(
        Column(db, u"select State || '/' || Total || '/' || Sent || '/' || Failed from SmsTask "
                   "where KeyId=%1"_s.arg(task)),
        u"已完成/40/39/1"_s);
    QVERIFY(Column(db, u"select Reply from SmsTaskItem where Mobile='13900000003'"_s)
                .contains(u"ERR balance"_s));
    // The numbers' pane shows the task with the states of its numbers.
    QCOMPARE(view.Items()->Task(), task);
    QCOMPARE(view.Items()->Grid()->GetItemText(1, 3), u"已发"_s);
    QCOMPARE(prompt.Messages(), QStringList());
}

// A number left 发送中 (the program ended during its send) is never sent
// again by itself: it is shown as uncertain, and only the user's 重发 after
// the question sends it.
void tst_SmsUi::uncertainNumbersWaitForTheUser() {
    TORVEL_TEST_CONNECTION(database);
    CountingGateway gateway;
    Configure(gateway);
    ScriptedPrompt prompt;
    SmsService& service = SmsService::Instance();
    service.Attach(db, prompt);
    const int task = MakeTask(db, SmsKind::Mass(), 5, SmsTaskState::Sending());
    QCOMPARE(db.Execute(u"update SmsTaskItem set State='发送中' where Mobile='13900000002'"_s), 1);

    ModuleContext context{&db, &prompt, u"admin"_s, QString()};
    CSmsTaskView view(context, SmsKind::Mass());
    view.ShowTask(task);
    QCOMPARE(view.Items()->Grid()->GetItemText(3, 3), CSmsItemList::UncertainText());
    QVERIFY(view.ProgressLabel()->text().contains(u"不确定1"_s));
    // The task itself still says 发送中: the user confirms no other desk is
    // sending it.
    QVERIFY(!view.SendTask(task));
    QVERIFY(!service.Running(task));
    prompt.Reset();
    prompt.QueueAnswer(Prompt::Answer::Yes);
    QVERIFY(view.SendTask(task));
    QCOMPARE(
        prompt.Messages(),
        QStringList({u"有1个号码在上次发送时中断, 无法确定是否已经发出, 这次不会发送它们。\r\n"
                     "请在号码列表中查看, 选择重发或跳过。"_s,
                     u"任务的状态是发送中: 可能正在另一台电脑上发送, 或上次发送时程序中断。\r\n"
                     "确定没有其他电脑在发送它, 继续发送吗?"_s}));
    QTRY_VERIFY_WITH_TIMEOUT(!service.Running(task), 10000);
    QCOMPARE(gateway.Total(), 4);
    QCOMPARE(gateway.Count(u"13900000002"_s), 0);
    QCOMPARE(Column(db, u"select State from SmsTask where KeyId=%1"_s.arg(task)), u"已停止"_s);

    // 重发: asked first; "no" changes nothing, "yes" makes it waiting again.
    CGridCtrl& grid = *view.Items()->Grid();
    QCOMPARE(grid.GetItemText(3, 3), CSmsItemList::UncertainText());
    grid.SetSelectedRange(3, 0, 3, grid.GetColumnCount() - 1);
    view.Items()->OnCommand(CSmsItemList::kResend);
    QCOMPARE(prompt.LastMessage(), u"所选号码中有1个在上次发送时中断, 无法确定是否已经发出。\r\n"
                                   "仍然重发吗?"_s);
    QCOMPARE(Column(db, u"select State from SmsTaskItem where Mobile='13900000002'"_s),
             u"发送中"_s);
    prompt.QueueAnswer(Prompt::Answer::Yes);
    grid.SetSelectedRange(3, 0, 3, grid.GetColumnCount() - 1);
    view.Items()->OnCommand(CSmsItemList::kResend);
    QCOMPARE(Column(db, u"select State from SmsTaskItem where Mobile='13900000002'"_s), u"待发"_s);
    QVERIFY(view.SendTask(task));
    QTRY_VERIFY_WITH_TIMEOUT(!service.Running(task), 10000);
    QCOMPARE(gateway.Count(u"13900000002"_s), 1);
    QCOMPARE(gateway.MostForOneNumber(), 1);
    QCOMPARE(Column(db, u"select State from SmsTask where KeyId=%1"_s.arg(task)), u"已完成"_s);
}

// 新建 as a user other than admin: the form's checks, the filter reaching only
// the user's own customers, 现在发送 answered yes, then 删除 of the task with
// its numbers.
void tst_SmsUi::newTaskThroughTheForm() {
    TORVEL_TEST_CONNECTION(database);
    QVERIFY2(database.RunScript(kCustomers), qPrintable(database.Why()));
    CountingGateway gateway;
    Configure(gateway);
    ScriptedPrompt prompt;
    prompt.QueueModal([&prompt](QDialog& dialog) {
        auto& form = dynamic_cast<CSmsTaskDlg&>(dialog);
        if (form.OnOK() || prompt.LastMessage() != u"请输入任务标题"_s)
            return int(QDialog::Rejected);
        form.TitleEdit()->setText(u"上海客户"_s);
        form.BodyEdit()->setPlainText(u"{联系人}您好"_s);
        form.SourceBox()->setCurrentIndex(2);
        form.CityEdit()->setText(u"上海"_s);
        return form.OnOK() ? form.result() : int(QDialog::Rejected);
    });
    prompt.QueueAnswer(Prompt::Answer::Yes);
    ModuleContext context{&db, &prompt, u"kim"_s, QString()};
    CSmsTaskView view(context, SmsKind::Mass());
    QVERIFY(view.OnCommand(Command::Add));
    const int task = view.Items()->Task();
    QCOMPARE(prompt.LastMessage(), u"任务已建立: 共0个号码, 其中0个不是手机号码, 已跳过。"_s);
    // The numbers are taken under a progress window with 停止.
    QCOMPARE(prompt.progressTexts, QStringList{u"正在取出发送号码..."_s});
    QCOMPARE(prompt.progressDepth, 0);
    QCOMPARE(
        Column(db, u"select Creator || '/' || Recipients from SmsTask where KeyId=%1"_s.arg(task)),
        u"kim/客户和联系人; 城市: 上海"_s);

    // admin reaches lee's customers in 上海 and their contacts.
    prompt.Reset();
    prompt.QueueModal([](QDialog& dialog) {
        auto& form = dynamic_cast<CSmsTaskDlg&>(dialog);
        form.TitleEdit()->setText(u"上海客户"_s);
        form.BodyEdit()->setPlainText(u"{联系人}您好"_s);
        form.SourceBox()->setCurrentIndex(2);
        form.CityEdit()->setText(u"上海"_s);
        return form.OnOK() ? form.result() : int(QDialog::Rejected);
    });
    prompt.QueueAnswer(Prompt::Answer::Yes);
    ModuleContext admin{&db, &prompt, u"admin"_s, QString()};
    CSmsTaskView adminView(admin, SmsKind::Mass());
    QVERIFY(adminView.OnCommand(Command::Add));
    QCOMPARE(
        prompt.Messages(),
        QStringList({u"任务已建立: 共1个号码, 其中0个不是手机号码, 已跳过。\r\n现在发送吗?"_s}));
    const int sent = adminView.Items()->Task();
    QTRY_VERIFY_WITH_TIMEOUT(!SmsService::Instance().Running(sent), 10000);
    QCOMPARE(gateway.Total(), 1);
    QCOMPARE(gateway.Text(u"13800138000"_s), u"张三您好"_s);
    // kim's list does not show admin's task.
    view.OnCommand(Command::Reload);
    QCOMPARE(view.Grid()->GetRowCount(), 2);
    QCOMPARE(adminView.Grid()->GetRowCount(), 3);

    CGridCtrl& grid = *adminView.Grid();
    grid.SetSelectedRange(1, 0, grid.GetRowCount() - 1, grid.GetColumnCount() - 1);
    prompt.QueueAnswer(Prompt::Answer::Yes);
    QVERIFY(adminView.OnCommand(Command::Delete));
    QCOMPARE(prompt.LastMessage(), u"确定要删除所选的2个任务及其号码吗?"_s);
    QCOMPARE(Column(db, u"select count(*) from SmsTask"_s), u"0"_s);
    QCOMPARE(Column(db, u"select count(*) from SmsTaskItem"_s), u"0"_s);

    // A timed task's time must lie ahead.
    SmsTaskForm form;
    form.kind = SmsKind::Timed();
    CSmsTaskDlg timed(prompt, db, form);
    timed.TitleEdit()->setText(u"t"_s);
    timed.BodyEdit()->setPlainText(u"b"_s);
    timed.SendAtEdit()->setText(u"2001-01-01 08:00:00"_s);
    QVERIFY(!timed.OnOK());
    QCOMPARE(prompt.LastMessage(), u"发送时间已过, 请重新填写"_s);
}

// A timed task due while the program runs is sent without a word; one whose
// time passed before the program started is sent only after the user agrees.
void tst_SmsUi::timedTasks() {
    TORVEL_TEST_CONNECTION(database);
    CountingGateway gateway;
    Configure(gateway);
    ScriptedPrompt prompt;
    const QString format = u"yyyy-MM-dd hh:mm:ss"_s;
    const QString past = QDateTime::currentDateTime().addSecs(-3600).toString(format);
    const int declined = MakeTask(db, SmsKind::Timed(), 2, SmsTaskState::Waiting(), past);
    const int agreed = MakeTask(db, SmsKind::Timed(), 3, SmsTaskState::Waiting(), past);
    const int later = MakeTask(db, SmsKind::Timed(), 1, SmsTaskState::Waiting(),
                               QDateTime::currentDateTime().addSecs(1).toString(format));
    QVERIFY(declined > 0 && agreed > 0 && later > 0);

    SmsService& service = SmsService::Instance();
    prompt.QueueAnswer(Prompt::Answer::No);
    prompt.QueueAnswer(Prompt::Answer::Yes);
    service.Attach(db, prompt);
    service.CheckTimedTasks();
    QCOMPARE(prompt.Messages(),
             QStringList(
                 {u"定时短信“测试”原定于%1发送, 当时程序没有运行。\r\n现在发送吗?"_s.arg(past),
                  u"定时短信“测试”原定于%1发送, 当时程序没有运行。\r\n现在发送吗?"_s.arg(past)}));
    QCOMPARE(Column(db, u"select State from SmsTask where KeyId=%1"_s.arg(declined)), u"已停止"_s);
    QTRY_VERIFY_WITH_TIMEOUT(!service.Running(agreed), 10000);
    QCOMPARE(Column(db, u"select State from SmsTask where KeyId=%1"_s.arg(agreed)), u"已完成"_s);
    QCOMPARE(gateway.Total(), 3);

    // The service's own timer finds the later one when its time comes.
    service.SetCheckInterval(100);
    QTRY_COMPARE_WITH_TIMEOUT(Column(db, u"select State from SmsTask where KeyId=%1"_s.arg(later)),
                              u"已完成"_s, 10000);
    QCOMPARE(gateway.Total(), 4);
    QCOMPARE(prompt.Messages().size(), 2);
}

// 新建 of the Excel list: a GBK file, the mapping dialog (the mobile column
// mapped, no text column) and a template with the file's own column names.
void tst_SmsUi::excelFileInGbk() {
    TORVEL_TEST_CONNECTION(database);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"名单.csv"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(
        Gbk::Encode(u"姓名,手机号码,金额\r\n张三,138 0013 8000,12.5\r\n李四,13800138000,3\r\n"
                    "王五,010-1234567,8\r\n赵六,,9\r\n\"钱,七\",13900139000,100\r\n"_s));
    file.close();
    ScriptedPrompt prompt;
    prompt.QueueFileName(path);
    QStringList mapping;
    prompt.QueueModal([&mapping](QDialog& dialog) {
        auto& csv = dynamic_cast<CImportCSVDlg&>(dialog);
        mapping = csv.Mapping();
        return csv.OnOK() ? csv.result() : int(QDialog::Rejected);
    });
    prompt.QueueModal([](QDialog& dialog) {
        auto& form = dynamic_cast<CSmsTaskDlg&>(dialog);
        form.TitleEdit()->setText(u"催款"_s);
        form.BodyEdit()->setPlainText(u"{姓名}您好, 应付{金额}元"_s);
        return form.OnOK() ? form.result() : int(QDialog::Rejected);
    });
    ModuleContext context{&db, &prompt, u"admin"_s, QString()};
    CSmsTaskView view(context, SmsKind::Excel());
    QVERIFY(view.OnCommand(Command::Add));
    QCOMPARE(mapping, QStringList({u"姓名"_s, u"手机号码"_s, QString()}));
    QCOMPARE(prompt.LastMessage(),
             u"任务已建立: 共3个号码, 其中1个不是手机号码, 已跳过。\r\n现在发送吗?"_s);
    const int task = view.Items()->Task();
    QCOMPARE(Column(db, u"select Mobile || '=' || State || '=' || Text from SmsTaskItem where "
                        "TaskId=%1 order by KeyId"_s.arg(task)),
             u"13800138000=待发=张三您好, 应付12.5元;0101234567=跳过=王五您好, 应付8元;"
             "13900139000=待发=钱,七您好, 应付100元"_s);
    QCOMPARE(
        Column(db, u"select Name from SmsTaskItem where TaskId=%1 and Mobile='13900139000'"_s.arg(
                       task)),
        u"钱,七"_s);
    QCOMPARE(
        Column(db, u"select Kind || '/' || Recipients from SmsTask where KeyId=%1"_s.arg(task)),
        u"Excel/文件: 名单.csv"_s);
}

// The account is saved readable by its owner only; a test send goes to the
// typed number in the background and reports the gateway's answer.
void tst_SmsUi::accountFileIsPrivate() {
    CountingGateway gateway;
    Configure(gateway);
    ScriptedPrompt prompt;
    CSmsAccountView view(prompt);
    QCOMPARE(view.PasswordEdit()->text(), kPass);
    view.UserEdit()->setText(u"新账号"_s);
    QVERIFY(view.Save());
    const QFile::Permissions permissions =
        QFileInfo(folder_->File(u"data/smsgate.ini"_s)).permissions();
    QCOMPARE(permissions &
                 (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
             QFile::Permissions());
    // The gateway's own keys stay.
    QVERIFY(folder_->Read(u"data/smsgate.ini"_s).contains("SuccessRule=text:OK"));

    view.TestMobileEdit()->setText(u"13800138000"_s);
    QVERIFY(view.TestSend());
    QTRY_VERIFY_WITH_TIMEOUT(!view.IsTesting(), 10000);
    QCOMPARE(prompt.LastMessage(), u"测试短信发送成功"_s);
    QCOMPARE(gateway.Count(u"13800138000"_s), 1);
    QVERIFY(!folder_->Read(u"trace.log"_s).contains(kPass.toUtf8()));
}

QTEST_MAIN(tst_SmsUi)
#include "tst_smsui.moc"
