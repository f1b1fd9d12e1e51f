#include "MailTaskView.h"

#include "CampaignItemList.h"
#include "CsvRecipientFile.h"
#include "MailSendSettingsDlg.h"
#include "MailService.h"
#include "MailTaskDlg.h"
#include "MailTaskStore.h"

#include "db/FieldInfoList.h"
#include "db/SqlLiteral.h"
#include "framework/ImportCSVDlg.h"
#include "framework/ListToolbar.h"
#include "framework/MailSettingsDlg.h"
#include "framework/StatementProgress.h"
#include "ui/Prompt.h"

#include <QFileInfo>

namespace {

QString AddressCaption() {
    return QStringLiteral("邮件地址");
}
QString NameCaption() {
    return QStringLiteral("姓名");
}

CCampaignTaskView::Parts ViewParts(const ModuleContext& context) {
    MailService::Instance().Attach(*context.connection, *context.prompt);
    QString condition;
    if (!context.IsAdmin())
        condition = QStringLiteral("Creator=") + SqlLiteral::Text(context.userName);
    auto* items =
        new CCampaignItemList(*context.connection, *context.prompt, MailTaskStore::Tables(),
                              {{QStringLiteral("KeyId"), QStringLiteral("编号")},
                               {QStringLiteral("Address"), QStringLiteral("邮件地址")},
                               {QStringLiteral("Name"), QStringLiteral("姓名")},
                               {QStringLiteral("State"), QStringLiteral("状态")},
                               {QStringLiteral("Reply"), QStringLiteral("说明")},
                               {QStringLiteral("SentTime"), QStringLiteral("时间")},
                               {QStringLiteral("Subject"), QStringLiteral("邮件主题")}},
                              QStringLiteral("ListMailTaskItem"), QStringLiteral("地址"));
    return {MailTaskStore::Tables(),
            condition,
            QStringLiteral("ListMailTask"),
            {{QStringLiteral("KeyId"), QStringLiteral("编号")},
             {QStringLiteral("Title"), QStringLiteral("标题")},
             {QStringLiteral("State"), QStringLiteral("状态")},
             {QStringLiteral("Total"), QStringLiteral("地址数")},
             {QStringLiteral("Sent"), QStringLiteral("已发")},
             {QStringLiteral("Failed"), QStringLiteral("失败")},
             {QStringLiteral("Skipped"), QStringLiteral("跳过")},
             {QStringLiteral("Subject"), QStringLiteral("邮件主题")},
             {QStringLiteral("Recipients"), QStringLiteral("发送对象")},
             {QStringLiteral("Attachments"), QStringLiteral("附件")},
             {QStringLiteral("Creator"), QStringLiteral("创建人")},
             {QStringLiteral("Created"), QStringLiteral("创建时间")}},
            items,
            QStringLiteral("地址")};
}

} // namespace

CMailTaskView::CMailTaskView(const ModuleContext& context, QWidget* parent)
    : CCampaignTaskView(*context.connection, *context.prompt, MailService::Instance(),
                        ViewParts(context), parent),
      context_(context) {
    setObjectName(QStringLiteral("MailTaskView"));
    toolbar_->AddButton(QStringLiteral("发送设置"), kSettings, 70);
    toolbar_->AddButton(QStringLiteral("邮件帐号"), kAccount, 70);
}

bool CMailTaskView::OnCommand(int id) {
    switch (id) {
    case kSettings: {
        CMailSendSettingsDlg dialog(prompt_, this);
        prompt_.RunModal(dialog);
        return true;
    }
    case kAccount:
        RunMailSettings(prompt_, this);
        return true;
    default:
        return CCampaignTaskView::OnCommand(id);
    }
}

bool CMailTaskView::ReadListFile(const MailTaskForm& form, std::vector<MailNewItem>& items) {
    QStringList header;
    TextEncoding encoding = TextEncoding::Gbk;
    QString error;
    if (!CsvRecipientFile::ReadHeader(form.filePath, header, encoding, error)) {
        prompt_.Message(error);
        return false;
    }
    FieldInfoList targets;
    targets.Add(QStringLiteral("Address"), AddressCaption());
    targets.Add(QStringLiteral("Name"), NameCaption());
    CImportCSVDlg mapping(prompt_, form.filePath, targets, encoding, QStringLiteral("CMailListDlg"),
                          this);
    if (prompt_.RunModal(mapping) != QDialog::Accepted)
        return false;
    CsvRecipientFile file(AddressCaption(), NameCaption());
    file.SetMapping(mapping.Mapping());
    if (file.keyColumn < 0) {
        prompt_.Message(QStringLiteral("请指定邮件地址所在的列"));
        return false;
    }
    std::vector<CsvRecipient> lines;
    {
        WaitCursor wait(prompt_);
        if (!file.Read(form.filePath, mapping.Encoding(), {form.subject, form.body}, lines,
                       error)) {
            prompt_.Message(error);
            return false;
        }
    }
    items.reserve(lines.size());
    for (CsvRecipient& line : lines)
        items.push_back({std::move(line.key), std::move(line.name), std::move(line.texts[0]),
                         std::move(line.texts[1])});
    return true;
}

int CMailTaskView::MakeTask() {
    MailTaskForm form;
    if (!RunMailTaskForm(prompt_, connection_, this, form))
        return 0;
    std::vector<MailNewItem> rows;
    if (form.fromFile && !ReadListFile(form, rows))
        return 0;
    form.filter.restrictToHandler = context_.IsAdmin() ? QString() : context_.userName;
    MailTaskStore store(connection_);
    const MailTaskStore::NewTask task{form.title,
                                      form.subject,
                                      form.body,
                                      form.attachments,
                                      form.fromFile ? QStringLiteral("文件: ") +
                                                          QFileInfo(form.filePath).fileName()
                                                    : form.filter.Describe(),
                                      context_.userName};
    int key = 0;
    bool stopped = false;
    const bool ok = RunWithStatementProgress(
        prompt_, connection_, QStringLiteral("正在取出收件人..."),
        [&] {
            return store.CreateTask(task, key) &&
                   (form.fromFile
                        ? store.AddItems(key, rows)
                        : store.AddFilteredItems(key, form.filter, form.subject, form.body));
        },
        &stopped);
    return ok ? key : AbandonNewTask(store, key, stopped, StoppedText());
}

QString CMailTaskView::MadeText(const CampaignCounts& counts) const {
    return QStringLiteral("任务已建立: 共%1个地址, 其中%2个不是可用的邮件地址, 已跳过。")
        .arg(counts.total)
        .arg(counts.skipped);
}

bool CMailTaskView::StartRun(int task, bool force) {
    return MailService::Instance().Start(task, force);
}
