#pragma once

#include "framework/RecordListView.h"

// The numbers of one task with their state, the gateway's answer and the
// time: the lower pane of a campaign list. A number left 发送中 by a run that
// is no longer going (the program ended during its send) is shown as
// uncertain; 重发 and 跳过 let the user decide about it and about failures.
class CSmsItemList final : public CRecordListView {
    Q_OBJECT

public:
    enum : int { kResend = 7103, kSkip = 7104 };

    CSmsItemList(DbConnection& connection, Prompt& prompt, QWidget* parent = nullptr);

    Q_INVOKABLE bool OnCommand(int id) override;

    // Lists the task's numbers from the first page; `running` says whether a
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

    int task_ = 0;
    bool running_ = false;
};
