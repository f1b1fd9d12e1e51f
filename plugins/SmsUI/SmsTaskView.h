#pragma once

#include "CampaignTaskView.h"
#include "ModuleContext.h"

class SmsTaskStore;

// The list of one kind of text-message campaign (群发, 定时, Excel, 超级)
// with the numbers of the chosen task below it and a progress strip.
//
// 新建 builds a task and its numbers (from the customers and contacts a
// filter picks, or from a CSV file through the import mapping dialog), 发送
// starts or resumes it in the background (SmsService). A user other than
// admin sees the tasks they made and reaches the customers they handle.
class CSmsTaskView final : public CCampaignTaskView {
    Q_OBJECT

public:
    CSmsTaskView(const ModuleContext& context, const QString& kind, QWidget* parent = nullptr);

    const QString& Kind() const { return kind_; }

protected:
    int MakeTask() override;
    bool StartRun(int task, bool force) override;
    bool ConfirmSend(int task, const QString& state) override;
    void OfferToSend(int task) override;
    QString MadeText(const CampaignCounts& counts) const override;

private:
    int NewCustomerTask();
    int NewExcelTask();
    int Abandon(SmsTaskStore& store, int key, bool stopped);

    ModuleContext context_;
    QString kind_;
};
