#pragma once

#include "ManagerAgenda.h"
#include "TeamScope.h"

#include <QWidget>

class CListToolbar;
class DbConnection;
class Prompt;
class QGroupBox;
class QLabel;
class QTableWidget;
struct ModuleContext;

// 管理中心: what needs the manager today, for their team, each part captioned
// with its count: 待批请假 (answered here with 批准 or 驳回 and a text),
// 逾期任务, 今日计划 and 昨日日志 with who wrote none. 刷新 reads it all again.
// A manager answers the requests of their team but not their own; admin
// answers every request.
class CManagerCenterView final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kApprove = 6231; // 批准
    static constexpr int kReject = 6232;  // 驳回

    CManagerCenterView(DbConnection& connection, Prompt& prompt, const ModuleContext& context,
                       QWidget* parent = nullptr);

    // 刷新 (Command::Reload), 批准 and 驳回; true when handled.
    Q_INVOKABLE bool OnCommand(int id);

    CListToolbar* Toolbar() const { return toolbar_; }
    QGroupBox* Box(ManagerAgenda::PartId id) const { return boxes_[id]; }
    QTableWidget* Table(ManagerAgenda::PartId id) const { return tables_[id]; }
    // "未写日志: …" under 昨日日志.
    QLabel* MissingLogs() const { return missing_; }

    // Reads every part again.
    void Refresh();

private:
    void Decide(bool approve);

    DbConnection& connection_;
    Prompt& prompt_;
    QString userName_;
    bool admin_;
    TeamScope scope_;
    ManagerAgenda agenda_;
    CListToolbar* toolbar_ = nullptr;
    QGroupBox* boxes_[ManagerAgenda::PartCount] = {};
    QTableWidget* tables_[ManagerAgenda::PartCount] = {};
    QLabel* missing_ = nullptr;
};
