#pragma once

#include "CampaignTaskView.h"
#include "ModuleContext.h"

#include <vector>

struct MailNewItem;
struct MailTaskForm;

// 群发电子邮件: the mass e-mail tasks with the addresses of the chosen task
// below and a progress strip. 新建 builds a task and its addresses (from
// the customers and contacts a filter picks, or from a CSV list through the
// import mapping dialog); 发送 starts or resumes it in the background
// (MailService); 发送设置 and 邮件帐号 edit data/mailtask.ini and email.ini.
// A user other than admin sees the tasks they made and reaches the
// customers they handle.
class CMailTaskView final : public CCampaignTaskView {
    Q_OBJECT

public:
    enum : int { kSettings = 7105, kAccount = 7106 };

    explicit CMailTaskView(const ModuleContext& context, QWidget* parent = nullptr);

    Q_INVOKABLE bool OnCommand(int id) override;

    static QString StoppedText() { return QStringLiteral("已停止, 没有建立邮件任务。"); }

protected:
    int MakeTask() override;
    bool StartRun(int task, bool force) override;
    QString MadeText(const CampaignCounts& counts) const override;

private:
    // The list file's rows through the mapping dialog; false when none.
    bool ReadListFile(const MailTaskForm& form, std::vector<MailNewItem>& items);

    ModuleContext context_;
};
