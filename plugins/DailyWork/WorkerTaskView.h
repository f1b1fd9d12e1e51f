#pragma once

#include "ModuleContext.h"
#include "TeamScope.h"

#include "framework/RecordListView.h"

class QComboBox;
class QLabel;
class QPlainTextEdit;
struct WorkerTaskRow;

// 交办任务: the tasks users give each other. The list shows the tasks the
// user received, the ones they gave, or (for a holder of 管理中心 and admin)
// the team's, open ones by default; overdue tasks are coloured and counted.
// The assigner gives (新建), changes while still new, gives again after a
// refusal and deletes; the assignee accepts, refuses with a reason or
// finishes; both sides and managers comment. The selected task's content and
// comments show below the list, oldest comment first.
class CWorkerTaskView final : public CRecordListView {
    Q_OBJECT

public:
    enum Scope { Received = 0, Given = 1, Team = 2 };

    explicit CWorkerTaskView(const ModuleContext& context, QWidget* parent = nullptr);

    Q_INVOKABLE bool OnCommand(int id) override;

    QComboBox* ScopeBox() const { return scope_; }
    // "未完成" first, then "全部" and each state.
    QComboBox* StateBox() const { return state_; }
    QLabel* Summary() const { return summary_; }
    QPlainTextEdit* Details() const { return details_; }

    // A new search with the boxes' choice, from the first page.
    void Search();

protected:
    bool RunForm(IniFile& bag) override;
    void AfterLoad() override;
    bool DeleteRowRecord(int row, QString& error) override;

private:
    // The task of the top selected row, read afresh; false after saying why.
    bool SelectedTask(WorkerTaskRow& task);
    void Give();
    void Change(bool reassign);
    void Delete();
    void MoveState(int command);
    void AddNote();
    void UpdateSummary();
    void ShowDetails();

    ModuleContext context_;
    TeamScope team_;
    bool reassign_ = false;
    QComboBox* scope_ = nullptr;
    QComboBox* state_ = nullptr;
    QLabel* summary_ = nullptr;
    QPlainTextEdit* details_ = nullptr;
};
