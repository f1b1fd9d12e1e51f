#include "customer/ContactSearchView.h"

#include "customer/ContactSearchDlg.h"
#include "customer/CustomerStatements.h"
#include "db/QueryBinder.h"
#include "framework/CommandIds.h"
#include "framework/ListToolbar.h"
#include "framework/SelectedRows.h"
#include "ui/GridCtrl.h"
#include "ui/Prompt.h"

#include <QCursor>
#include <QMenu>

CContactSearchView::CContactSearchView(DbConnection& connection, Prompt& prompt, QWidget* parent)
    : CContactListBase(connection, prompt, QStringLiteral("CContactSearchView"), parent) {
    setObjectName(QStringLiteral("CContactSearchView"));
    CreateParts(Columns(true), QStringLiteral(" order by KeyId desc"));
    toolbar_->AddButton(QStringLiteral("查找"), Command::Find, 50);
    toolbar_->AddButton(QStringLiteral("编辑"), Command::Edit, 50);
    toolbar_->AddButton(QStringLiteral("删除"), Command::Delete, 50);
    toolbar_->AddButton(QStringLiteral("客户资料"), Command::CustomerInfo, 70);
    toolbar_->AddButton(QStringLiteral("QQ联系"), Command::QqLink, 60);
    toolbar_->AddButton(QStringLiteral("在线沟通"), Command::OnlineLink, 70);
    toolbar_->AddButton(QStringLiteral("发送邮件"), Command::MailLink, 70);
    toolbar_->AddButton(QStringLiteral("发送短信"), Command::SendSms, 70);
    toolbar_->AddButton(QStringLiteral("上页"), Command::PrevPage, 50);
    toolbar_->AddButton(QStringLiteral("下页"), Command::NextPage, 50);

    QMenu* menu = MakeCommandMenu(this, QStringLiteral("Menu137"),
                                  {{QStringLiteral("查询(&Q)"), Command::Find},
                                   {QStringLiteral("统计总额"), Command::Statistics}},
                                  [this](int id) { OnCommand(id); });
    connect(grid_, &CGridCtrl::RightClick, this, [menu](int, int) { menu->popup(QCursor::pos()); });

    SetConditions({});
    Reload();
}

bool CContactSearchView::OnCommand(int id) {
    switch (id) {
    case Command::Find: {
        ContactCriteria criteria;
        if (AskContactCriteria(prompt_, this, criteria))
            Search(criteria);
        return true;
    }
    case Command::CustomerInfo:
        ShowCustomerOfRow(QStringLiteral("请选择要查看的联系人!"), QStringLiteral("资料不存在"));
        return true;
    case Command::Statistics:
        ShowTotal();
        return true;
    default:
        return CContactListBase::OnCommand(id);
    }
}

void CContactSearchView::Search(const ContactCriteria& criteria) {
    SetConditions(criteria.Conditions());
    Reload();
}

QString CContactSearchView::TotalWhere(const QString& where) {
    return QStringLiteral(" where KeyId in (select CustomerId from ContactData") + where +
           QStringLiteral(")");
}

int CContactSearchView::CustomerOfRow(int row) const {
    int key = 0;
    SelectedRows::ParseKey(
        grid_->GetItemText(row, Binder().FindColumn(QStringLiteral("CustomerId"))).trimmed(), key);
    return key;
}

void CContactSearchView::ShowTotal() {
    QString message;
    {
        WaitCursor wait(prompt_);
        CustomerStatements::RunTotal(connection_, TotalWhere(Binder().BuildWhere()), message);
    }
    prompt_.Message(message);
}
