#pragma once

#include "framework/RecordFormDlg.h"

#include <QString>

class IniFile;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QPlainTextEdit;

// 交办任务: a task the logged-in user gives a colleague. Without a KeyId in
// the bag (section ".") a new task is given (state 新建, the user as its
// assigner); with one the task is changed while it is still 新建, or, with
// `reassign`, given again after it was refused. The assignee is picked from
// the working staff, never typed; the due date may not lie in the past
// (an unchanged date of an edited task is kept).
class CWorkerTaskDlg final : public CRecordFormDlg {
    Q_OBJECT

public:
    CWorkerTaskDlg(Prompt& prompt, DbConnection& connection, const QString& userName, bool reassign,
                   IniFile& bag, QWidget* parent = nullptr);

    QLineEdit* TitleEdit() const { return title_; }
    QPlainTextEdit* ContentEdit() const { return content_; }
    QComboBox* AssigneeBox() const { return assignee_; }
    QDateEdit* DueDateEdit() const { return dueDate_; }
    QComboBox* PriorityBox() const { return priority_; }
    // Picks a member of staff by login name; false when they are not offered.
    bool SelectAssignee(const QString& userName);

protected:
    bool CheckInput() override;
    bool Save() override;

private:
    void LoadStaff();
    void LoadRecord();

    IniFile& bag_;
    QString userName_;
    bool reassign_;
    int key_ = 0;
    QString storedDueDate_;

    QLineEdit* title_;
    QPlainTextEdit* content_;
    QComboBox* assignee_;
    QDateEdit* dueDate_;
    QComboBox* priority_;
};

// Runs the form through the prompt; true when a task was written.
bool RunWorkerTaskForm(Prompt& prompt, DbConnection& connection, QWidget* parent,
                       const QString& userName, bool reassign, IniFile& bag);
