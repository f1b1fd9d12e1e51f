#include "HolidayView.h"

#include "HolidayDlg.h"
#include "LeaveRequests.h"

#include "base/IniFile.h"
#include "db/QueryBinder.h"
#include "db/SqlLiteral.h"
#include "framework/CommandIds.h"
#include "framework/ListToolbar.h"
#include "framework/SelectedRows.h"
#include "ui/GridCtrl.h"
#include "ui/Prompt.h"

CHolidayView::CHolidayView(DbConnection& connection, Prompt& prompt, const QString& userName,
                           QWidget* parent)
    : CRecordListView(connection, prompt, QStringLiteral("Holiday"),
                      QStringLiteral("UserName=") + SqlLiteral::Text(userName),
                      QStringLiteral("HolidayView"), parent),
      userName_(userName) {
    setObjectName(QStringLiteral("HolidayView"));
    CreateParts({{QStringLiteral("KeyId"), QStringLiteral("编号")},
                 {QStringLiteral("Kind"), QStringLiteral("类别")},
                 {QStringLiteral("FromDate"), QStringLiteral("开始时间")},
                 {QStringLiteral("ToDate"), QStringLiteral("结束时间")},
                 {QStringLiteral("Reason"), QStringLiteral("事由")},
                 {QStringLiteral("Applied"), QStringLiteral("申请时间")},
                 {QStringLiteral("State"), QStringLiteral("状态")},
                 {QStringLiteral("Approver"), QStringLiteral("审批人")},
                 {QStringLiteral("AnswerTime"), QStringLiteral("审批时间")},
                 {QStringLiteral("Answer"), QStringLiteral("审批意见")}},
                QStringLiteral(" order by FromDate desc, KeyId desc "));
    toolbar_->AddButton(QStringLiteral("新建"), Command::Add, 50);
    toolbar_->AddButton(QStringLiteral("撤回"), kWithdraw, 50);
    toolbar_->AddButton(QStringLiteral("刷新"), Command::Reload, 50);
    toolbar_->AddButton(QStringLiteral("上一页"), Command::PrevPage, 60);
    toolbar_->AddButton(QStringLiteral("下一页"), Command::NextPage, 60);
    SetConditions({});
    Reload();
}

bool CHolidayView::OnCommand(int id) {
    switch (id) {
    case Command::Add: {
        IniFile bag;
        AddRow(bag);
        return true;
    }
    case kWithdraw:
        Withdraw();
        return true;
    case Command::Reload:
        Reload();
        return true;
    default:
        return CRecordListView::OnCommand(id);
    }
}

QColor CHolidayView::StateColour(const QString& state) {
    if (state == LeaveRequests::kApproved)
        return QColor(0x00, 0x80, 0x00);
    if (state == LeaveRequests::kRejected)
        return QColor(0xC0, 0x00, 0x00);
    return QColor();
}

void CHolidayView::AfterLoad() {
    // The answer is what the applicant looks for: its state stands out.
    const int state = Binder().FindColumn(QStringLiteral("State"));
    for (int row = grid_->GetFixedRowCount(); row < grid_->GetRowCount(); ++row)
        grid_->SetItemFgColour(row, state, StateColour(grid_->GetItemText(row, state)));
    grid_->Refresh();
}

bool CHolidayView::RunForm(IniFile& bag) {
    // Requests are only written new; an answered one is history.
    if (bag.Find(QStringLiteral("."), QStringLiteral("KeyId")))
        return false;
    return RunHolidayForm(prompt_, connection_, userName_, bag, this);
}

void CHolidayView::Withdraw() {
    const int row = SelectedRows::TopRow(*grid_);
    const int key = SelectedRows::KeyOfRow(*grid_, row);
    if (key < 1) {
        prompt_.Message(QStringLiteral("请选择要撤回的请假条"));
        return;
    }
    if (Binder().GetCellText(row, QStringLiteral("State")) != LeaveRequests::kPending) {
        prompt_.Message(QStringLiteral("只有待批的请假条才能撤回"));
        return;
    }
    if (!prompt_.Confirm(QStringLiteral("确定要撤回选择的请假条吗?")))
        return;
    QString error;
    switch (LeaveRequests::Withdraw(connection_, key, userName_, error)) {
    case LeaveRequests::Outcome::Done:
        grid_->DeleteRow(row);
        grid_->ResetSelectedRange();
        grid_->Refresh();
        return;
    case LeaveRequests::Outcome::NotPending:
        prompt_.Message(QStringLiteral("该请假条已经审批, 不能撤回"));
        Reload();
        return;
    case LeaveRequests::Outcome::Failed:
        prompt_.Message(error);
        return;
    }
}
