#include "DimissionListView.h"

#include "HandOverDlg.h"
#include "StaffAccounts.h"
#include "StaffCommands.h"

#include "db/QueryBinder.h"
#include "framework/CommandIds.h"
#include "framework/ListToolbar.h"
#include "framework/SelectedRows.h"
#include "ui/GridCtrl.h"
#include "ui/Prompt.h"

CDimissionListView::CDimissionListView(DbConnection& connection, Prompt& prompt, QWidget* parent)
    : CRecordListView(connection, prompt, QStringLiteral("UserData"), QStringLiteral("Dimission=1"),
                      QStringLiteral("CDimissionListView"), parent) {
    setObjectName(QStringLiteral("CDimissionListView"));
    CreateParts({{QStringLiteral("KeyId"), QStringLiteral("编号")},
                 {QStringLiteral("UserName"), QStringLiteral("用户名")},
                 {QStringLiteral("FullName"), QStringLiteral("姓名")},
                 {QStringLiteral("Department"), QStringLiteral("部门")},
                 {QStringLiteral("Position"), QStringLiteral("职务")},
                 {QStringLiteral("Mobile"), QStringLiteral("手机")},
                 {QStringLiteral("JoinDate"), QStringLiteral("入职日期")},
                 {QStringLiteral("DimissionDate"), QStringLiteral("离职日期")}},
                QStringLiteral(" order by DimissionDate desc, KeyId desc "));
    toolbar_->AddButton(QStringLiteral("恢复在职"), StaffCommand::TakeBack, 70);
    toolbar_->AddButton(QStringLiteral("移交客户"), StaffCommand::HandOver, 70);
    toolbar_->AddButton(QStringLiteral("删除"), Command::Delete, 50);
    toolbar_->AddButton(QStringLiteral("上页"), Command::PrevPage, 50);
    toolbar_->AddButton(QStringLiteral("下页"), Command::NextPage, 50);
    SetConditions({});
    Reload();
}

bool CDimissionListView::OnCommand(int id) {
    switch (id) {
    case StaffCommand::TakeBack:
        TakeBack();
        return true;
    case StaffCommand::HandOver:
        HandOver();
        return true;
    case Command::Delete:
        DeleteSelectedRows();
        return true;
    // A double click shows nothing: a leaver's details are changed after
    // taking them back.
    case Command::Edit:
        return true;
    default:
        return CRecordListView::OnCommand(id);
    }
}

void CDimissionListView::TakeBack() {
    QList<int> keys;
    for (int row : SelectedRows::BottomUp(*grid_))
        keys << SelectedRows::KeyOfRow(*grid_, row);
    if (keys.isEmpty()) {
        prompt_.Message(QStringLiteral("请选择要恢复在职的人员!"));
        return;
    }
    if (!prompt_.Confirm(QStringLiteral("确定要将选择的人员恢复为在职职员吗?")))
        return;
    StaffAccounts accounts(connection_);
    if (!accounts.SetLeft(keys, false, QString())) {
        prompt_.Message(accounts.LastError());
        return;
    }
    Reload();
}

void CDimissionListView::HandOver() {
    const int row = SelectedRows::TopRow(*grid_);
    if (SelectedRows::KeyOfRow(*grid_, row) < 1) {
        prompt_.Message(QStringLiteral("请选择要移交客户的离职人员!"));
        return;
    }
    const QString from = grid_->GetItemText(row, Binder().FindColumn(QStringLiteral("UserName")));
    StaffAccounts accounts(connection_);
    QStringList users;
    if (!accounts.WorkingUsers(users)) {
        prompt_.Message(accounts.LastError());
        return;
    }
    CHandOverDlg dialog(from, users, this);
    if (prompt_.RunModal(dialog) != QDialog::Accepted)
        return;
    const QString to = dialog.Chosen();
    int moved = 0;
    bool done = false;
    {
        WaitCursor wait(prompt_);
        done = accounts.HandOverCustomers(from, to, moved);
    }
    if (!done) {
        prompt_.Message(accounts.LastError());
        return;
    }
    prompt_.Message(QStringLiteral("已将%1的%2个客户移交给%3").arg(from).arg(moved).arg(to));
}
