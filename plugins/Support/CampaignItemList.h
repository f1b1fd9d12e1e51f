#pragma once

#include "CampaignStore.h"

#include "framework/RecordListView.h"

// The rows of one campaign task with their state, the server's answer and
// the time: the lower pane of a campaign list. A row left 发送中 by a run that
// is no longer going (the program ended during its send) is shown as
// uncertain; 重发 and 跳过 let the user decide about it and about failures.
// `noun` names a row in the messages (号码, 地址).
class CCampaignItemList final : public CRecordListView {
    Q_OBJECT

public:
    enum : int { kResend = 7103, kSkip = 7104 };

    CCampaignItemList(DbConnection& connection, Prompt& prompt, CampaignTables tables,
                      const QList<QPair<QString, QString>>& columns, const QString& settingsKey,
                      QString noun, QWidget* parent = nullptr);

    Q_INVOKABLE bool OnCommand(int id) override;

    // Lists the task's rows from the first page; `running` says whether a
    // run is sending them now (its 发送中 rows are then certain).
    void SetTask(int task, bool running);
    void SetRunning(bool running) { running_ = running; }
    int Task() const { return task_; }

    static QString UncertainText() { return QStringLiteral("发送中(不确定)"); }

signals:
    // Rows were set back to 待发 or to 跳过: the task's counts changed.
    void ItemsChanged(int task);

protected:
    void AfterLoad() override;

private:
    void ChangeSelected(const QString& state);

    CampaignTables tables_;
    QString noun_;
    int stateColumn_ = 0;
    int task_ = 0;
    bool running_ = false;
};
