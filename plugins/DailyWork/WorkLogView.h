#pragma once

#include "ModuleContext.h"
#include "TeamScope.h"
#include "WorkLogDlg.h"

#include "framework/RecordListView.h"

#include <QDate>

class QCheckBox;
class QComboBox;
class QDateEdit;

// 工作日志 and 工作计划: the WorkLog rows of one kind, by day. The day picker
// starts at today and ◀ ▶ step a day; ticking 至 lists a range of days
// instead. Everyone writes, changes and deletes their own entries; a holder
// of 管理中心 and admin pick a person of their team, or 全部, and read the
// others' entries without changing them. 导出 writes the listed range to
// CSV.
class CWorkLogView final : public CRecordListView {
    Q_OBJECT

public:
    CWorkLogView(const ModuleContext& context, WorkLogKind kind, QWidget* parent = nullptr);

    Q_INVOKABLE bool OnCommand(int id) override;

    // Whose entries: the user alone, or (for managers) 全部 and the team.
    QComboBox* PersonBox() const { return person_; }
    QDateEdit* DayEdit() const { return day_; }
    QCheckBox* RangeCheck() const { return range_; }
    QDateEdit* RangeEndEdit() const { return rangeEnd_; }
    WorkLogKind Kind() const { return kind_; }

    // A new search with the strip's choice, from the first page.
    void Search();

protected:
    bool RunForm(IniFile& bag) override;

private:
    void LoadPeople();
    void Add();
    void Delete();
    QString KindText() const { return WorkLogKindText(kind_); }

    ModuleContext context_;
    WorkLogKind kind_;
    TeamScope team_;
    QDate formDay_;
    QComboBox* person_ = nullptr;
    QDateEdit* day_ = nullptr;
    QCheckBox* range_ = nullptr;
    QDateEdit* rangeEnd_ = nullptr;
};
