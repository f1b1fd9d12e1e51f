#include "StaffListView.h"

#include "PasswordDlg.h"
#include "StaffAccounts.h"
#include "StaffCommands.h"
#include "StaffDlg.h"

#include "base/IniFile.h"
#include "db/QueryBinder.h"
#include "framework/CommandIds.h"
#include "framework/ListToolbar.h"
#include "framework/SelectedRows.h"
#include "ui/GridCtrl.h"
#include "ui/Prompt.h"

#include <QDate>

CStaffListView::CStaffListView(const ModuleContext& context, QWidget* parent)
    : CRecordListView(*context.connection, *context.prompt, QStringLiteral("UserData"),
                      QStringLiteral("Dimission=0"), QStringLiteral("CStaffListView"), parent),
      context_(context) {
    setObjectName(QStringLiteral("CStaffListView"));
    CreateParts({{QStringLiteral("KeyId"), QStringLiteral("编号")},
                 {QStringLiteral("UserName"), QStringLiteral("用户名")},
                 {QStringLiteral("FullName"), QStringLiteral("姓名")},
                 {QStringLiteral("Department"), QStringLiteral("部门")},
                 {QStringLiteral("Position"), QStringLiteral("职务")},
                 {QStringLiteral("Phone"), QStringLiteral("电话")},
                 {QStringLiteral("Mobile"), QStringLiteral("手机")},
                 {QStringLiteral("Email"), QStringLiteral("电子邮件")},
                 {QStringLiteral("JoinDate"), QStringLiteral("入职日期")}},
                QStringLiteral(" order by KeyId "));
    if (context_.IsAdmin()) {
        toolbar_->AddButton(QStringLiteral("添加"), Command::Add, 50);
        toolbar_->AddButton(QStringLiteral("编辑"), Command::Edit, 50);
        toolbar_->AddButton(QStringLiteral("删除"), Command::Delete, 50);
        toolbar_->AddButton(QStringLiteral("修改密码"), StaffCommand::ChangePassword, 70);
        toolbar_->AddButton(QStringLiteral("离职"), StaffCommand::Leave, 50);
    } else {
        toolbar_->AddButton(QStringLiteral("查看"), Command::Edit, 50);
        toolbar_->AddButton(QStringLiteral("修改密码"), StaffCommand::ChangePassword, 70);
    }
    toolbar_->AddButton(QStringLiteral("上页"), Command::PrevPage, 50);
    toolbar_->AddButton(QStringLiteral("下页"), Command::NextPage, 50);
    SetConditions({});
    Reload();
}

bool CStaffListView::OnCommand(int id) {
    switch (id) {
    case Command::Add:
        if (AdminOnly()) {
            IniFile bag;
            AddRow(bag);
        }
        return true;
    case Command::Edit:
        EditTopRow(QStringLiteral("请选择要编辑的职员!"));
        return true;
    case Command::Delete:
        if (AdminOnly())
            Remove();
        return true;
    case StaffCommand::Leave:
        if (AdminOnly())
            Leave();
        return true;
    case StaffCommand::ChangePassword:
        ChangePassword();
        return true;
    default:
        return CRecordListView::OnCommand(id);
    }
}

bool CStaffListView::RunForm(IniFile& bag) {
    return RunStaffForm(prompt_, connection_, this, !context_.IsAdmin(), bag);
}

bool CStaffListView::AdminOnly() {
    if (context_.IsAdmin())
        return true;
    prompt_.Message(QStringLiteral("权限不足"));
    return false;
}

QStringList CStaffListView::SelectedNames(const QString& noSelection) const {
    QStringList names;
    const int column = Binder().FindColumn(QStringLiteral("UserName"));
    for (int row : SelectedRows::BottomUp(*grid_))
        names << grid_->GetItemText(row, column);
    if (names.isEmpty())
        prompt_.Message(noSelection);
    return names;
}

bool CStaffListView::MayRemove(const QStringList& names, const QString& refusal) const {
    for (const QString& name : names) {
        if (StaffAccounts::IsAdminName(name)) {
            prompt_.Message(QStringLiteral("admin是系统管理员, ") + refusal);
            return false;
        }
        // Compared as the database compares names: "LI" is li's own row.
        if (name.compare(context_.userName, Qt::CaseInsensitive) == 0) {
            prompt_.Message(QStringLiteral("不能对自己的帐号进行此操作!"));
            return false;
        }
    }
    return true;
}

void CStaffListView::Remove() {
    const QStringList names = SelectedNames(QStringLiteral("请选择要删除的信息"));
    if (names.isEmpty() || !MayRemove(names, QStringLiteral("不能删除!")))
        return;
    DeleteSelectedRows();
}

void CStaffListView::Leave() {
    const QStringList names = SelectedNames(QStringLiteral("请选择要离职的职员!"));
    if (names.isEmpty() || !MayRemove(names, QStringLiteral("不能离职!")))
        return;
    if (!prompt_.Confirm(QStringLiteral("确定要将选择的职员调入离职档案吗?\r\n") +
                         names.join(QLatin1Char(','))))
        return;
    QList<int> keys;
    for (int row : SelectedRows::BottomUp(*grid_))
        keys << SelectedRows::KeyOfRow(*grid_, row);
    StaffAccounts accounts(connection_);
    if (!accounts.SetLeft(keys, true, QDate::currentDate().toString(Qt::ISODate))) {
        prompt_.Message(accounts.LastError());
        return;
    }
    Reload();
    Note(QStringLiteral("已调入离职档案: ") + names.join(QLatin1Char(',')));
}

void CStaffListView::ChangePassword() {
    StaffAccounts accounts(connection_);
    int ownKey = 0;
    if (!accounts.KeyOfUser(context_.userName, ownKey)) {
        prompt_.Message(accounts.LastError());
        return;
    }
    // Admin sets the password of the selected colleague without knowing the
    // old one; everyone else, and admin for their own, changes their own.
    const int row = SelectedRows::TopRow(*grid_);
    const int selected = SelectedRows::KeyOfRow(*grid_, row);
    if (context_.IsAdmin() && selected > 0 && selected != ownKey) {
        const QString name =
            grid_->GetItemText(row, Binder().FindColumn(QStringLiteral("UserName")));
        RunPasswordForm(prompt_, connection_, this, selected, name, false);
        return;
    }
    if (ownKey == 0) {
        prompt_.Message(QStringLiteral("无效的用户名"));
        return;
    }
    RunPasswordForm(prompt_, connection_, this, ownKey, context_.userName, true);
}
