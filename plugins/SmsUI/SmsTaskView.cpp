#include "SmsTaskView.h"

#include "SmsExcelFile.h"
#include "SmsItemList.h"
#include "SmsService.h"
#include "SmsTaskDlg.h"
#include "SmsTaskStore.h"

#include "db/FieldInfoList.h"
#include "db/SqlLiteral.h"
#include "framework/ImportCSVDlg.h"
#include "framework/StatementProgress.h"
#include "ui/Prompt.h"

#include <QDateTime>
#include <QFileInfo>

namespace {

QString TaskCondition(const ModuleContext& context, const QString& kind) {
    QString condition = QStringLiteral("Kind=") + SqlLiteral::Text(kind);
    if (!context.IsAdmin())
        condition += QStringLiteral(" and Creator=") + SqlLiteral::Text(context.userName);
    return condition;
}

CCampaignTaskView::Parts ViewParts(const ModuleContext& context, const QString& kind) {
    QList<QPair<QString, QString>> columns = {{QStringLiteral("KeyId"), QStringLiteral("编号")},
                                              {QStringLiteral("Title"), QStringLiteral("标题")},
                                              {QStringLiteral("State"), QStringLiteral("状态")}};
    if (kind == SmsKind::Timed())
        columns.append({QStringLiteral("SendAt"), QStringLiteral("发送时间")});
    columns += {{QStringLiteral("Total"), QStringLiteral("号码数")},
                {QStringLiteral("Sent"), QStringLiteral("已发")},
                {QStringLiteral("Failed"), QStringLiteral("失败")},
                {QStringLiteral("Skipped"), QStringLiteral("跳过")},
                {QStringLiteral("Recipients"), QStringLiteral("发送对象")},
                {QStringLiteral("Body"), QStringLiteral("短信内容")},
                {QStringLiteral("Creator"), QStringLiteral("创建人")},
                {QStringLiteral("Created"), QStringLiteral("创建时间")}};
    SmsService::Instance().Attach(*context.connection, *context.prompt);
    return {SmsTaskStore::Tables(),
            TaskCondition(context, kind),
            kind == SmsKind::Timed() ? QStringLiteral("ListSmsTimerTask")
                                     : QStringLiteral("ListSmsTask"),
            columns,
            NewSmsItemList(*context.connection, *context.prompt),
            QStringLiteral("号码")};
}

} // namespace

CSmsTaskView::CSmsTaskView(const ModuleContext& context, const QString& kind, QWidget* parent)
    : CCampaignTaskView(*context.connection, *context.prompt, SmsService::Instance(),
                        ViewParts(context, kind), parent),
      context_(context), kind_(kind) {
    setObjectName(QStringLiteral("SmsTaskView"));
}

int CSmsTaskView::MakeTask() {
    return kind_ == SmsKind::Excel() ? NewExcelTask() : NewCustomerTask();
}

int CSmsTaskView::NewCustomerTask() {
    SmsTaskForm form;
    form.kind = kind_;
    // A large send reaches customers and contacts alike.
    form.filter.contacts = kind_ == SmsKind::Super();
    if (!RunSmsTaskForm(prompt_, connection_, this, form))
        return 0;
    form.filter.restrictToHandler = context_.IsAdmin() ? QString() : context_.userName;
    SmsTaskStore store(connection_);
    const QString state =
        kind_ == SmsKind::Timed() ? SmsTaskState::Waiting() : SmsTaskState::Ready();
    // The task only becomes waiting once its numbers are there: a timed
    // task is made "未发送" first, so the timer never sends half a list.
    const SmsTaskStore::NewTask first{kind_,
                                      form.title,
                                      form.body,
                                      form.filter.Describe(),
                                      form.sendAt,
                                      SmsTaskState::Ready(),
                                      context_.userName};
    int key = 0;
    bool stopped = false;
    const bool ok = RunWithStatementProgress(
        prompt_, connection_, QStringLiteral("正在取出发送号码..."),
        [&] {
            return store.CreateTask(first, key) &&
                   store.AddFilteredItems(key, form.filter, form.body) &&
                   (state == first.state || store.SetTaskState(key, state));
        },
        &stopped);
    return ok ? key : Abandon(store, key, stopped);
}

int CSmsTaskView::Abandon(SmsTaskStore& store, int key, bool stopped) {
    return AbandonNewTask(store, key, stopped, QStringLiteral("已停止, 没有建立短信任务。"));
}

int CSmsTaskView::NewExcelTask() {
    const QString path =
        prompt_.OpenFileName(QStringLiteral("打开"), QString(),
                             QStringLiteral("CSV文本文件 (*.csv *.CSV);;所有文件 (*)"));
    if (path.isEmpty())
        return 0;
    QStringList header;
    TextEncoding encoding = TextEncoding::Gbk;
    QString error;
    if (!CsvRecipientFile::ReadHeader(path, header, encoding, error)) {
        prompt_.Message(error);
        return 0;
    }
    FieldInfoList targets;
    targets.Add(QStringLiteral("Mobile"), SmsExcelFile::MobileCaption());
    targets.Add(QStringLiteral("Text"), SmsExcelFile::TextCaption());
    targets.Add(QStringLiteral("Name"), SmsExcelFile::NameCaption());
    CImportCSVDlg mapping(prompt_, path, targets, encoding, QStringLiteral("CSmsExcelDlg"), this);
    if (prompt_.RunModal(mapping) != QDialog::Accepted)
        return 0;
    SmsExcelFile file;
    file.SetMapping(mapping.Mapping());
    if (file.keyColumn < 0) {
        prompt_.Message(QStringLiteral("请指定手机号码所在的列"));
        return 0;
    }
    encoding = mapping.Encoding();
    SmsTaskForm form;
    form.kind = kind_;
    form.fileColumns = header;
    form.textMapped = file.textColumn >= 0;
    if (!RunSmsTaskForm(prompt_, connection_, this, form))
        return 0;
    std::vector<SmsNewItem> items;
    SmsTaskStore store(connection_);
    {
        WaitCursor wait(prompt_);
        if (!file.Read(path, encoding, form.body, items, error)) {
            prompt_.Message(error);
            return 0;
        }
    }
    const QString name = QFileInfo(path).fileName();
    int key = 0;
    bool stopped = false;
    const bool ok = RunWithStatementProgress(
        prompt_, connection_, QStringLiteral("正在写入发送号码..."),
        [&] {
            return store.CreateTask({kind_, form.title, form.body, QStringLiteral("文件: ") + name,
                                     QString(), SmsTaskState::Ready(), context_.userName},
                                    key) &&
                   store.AddItems(key, items);
        },
        &stopped);
    return ok ? key : Abandon(store, key, stopped);
}

QString CSmsTaskView::MadeText(const CampaignCounts& counts) const {
    return QStringLiteral("任务已建立: 共%1个号码, 其中%2个不是手机号码, 已跳过。")
        .arg(counts.total)
        .arg(counts.skipped);
}

void CSmsTaskView::OfferToSend(int task) {
    if (kind_ != SmsKind::Timed()) {
        CCampaignTaskView::OfferToSend(task);
        return;
    }
    // The program sends it at its time (or asks at the next start if it is
    // not running then).
    CampaignCounts counts;
    SmsTaskStore store(connection_);
    if (!store.Counts(task, counts)) {
        prompt_.Message(store.LastError());
        return;
    }
    prompt_.Message(MadeText(counts) + QStringLiteral("\r\n到发送时间后自动发送。"));
}

bool CSmsTaskView::ConfirmSend(int task, const QString& state) {
    if (state != SmsTaskState::Waiting())
        return true;
    QString current;
    QString kind;
    QString sendAt;
    SmsTaskStore store(connection_);
    if (!store.TaskState(task, current, kind, &sendAt)) {
        prompt_.Message(store.LastError());
        return false;
    }
    return sendAt <= QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) ||
           prompt_.Ask(QStringLiteral("这个定时短信的发送时间是%1, 现在就发送吗?").arg(sendAt)) ==
               Prompt::Answer::Yes;
}

bool CSmsTaskView::StartRun(int task, bool force) {
    return SmsService::Instance().Start(task, force);
}
