#pragma once

#include "framework/RecordListView.h"

#include <QColor>

// 写请假条: the user's own leave requests, latest start first, each with its
// state and, once a manager has answered, who answered, when and what. 新建
// writes a request for approval in 管理中心; 撤回 takes back one that still
// waits.
class CHolidayView final : public CRecordListView {
    Q_OBJECT

public:
    static constexpr int kWithdraw = 6221; // 撤回

    CHolidayView(DbConnection& connection, Prompt& prompt, const QString& userName,
                 QWidget* parent = nullptr);

    Q_INVOKABLE bool OnCommand(int id) override;

    // The colour of a state's text: green for 批准, red for 驳回, else none.
    static QColor StateColour(const QString& state);

protected:
    void AfterLoad() override;
    bool RunForm(IniFile& bag) override;

private:
    void Withdraw();

    QString userName_;
};
