#include "customer/CustomerContactView.h"

#include "base/IniFile.h"
#include "db/SqlLiteral.h"
#include "framework/CommandIds.h"
#include "framework/ListToolbar.h"

CCustomerContactView::CCustomerContactView(DbConnection& connection, Prompt& prompt,
                                           QWidget* parent)
    : CContactListBase(connection, prompt, QStringLiteral("CCustomerContactView"), parent) {
    setObjectName(QStringLiteral("CCustomerContactView"));
    CreateParts(Columns(false), QStringLiteral(" order by KeyId desc"));
    toolbar_->AddButton(QStringLiteral("添加"), Command::Add, 50);
    toolbar_->AddButton(QStringLiteral("编辑"), Command::Edit, 50);
    toolbar_->AddButton(QStringLiteral("删除"), Command::Delete, 50);
    toolbar_->AddButton(QStringLiteral("QQ联系"), Command::QqLink, 60);
    toolbar_->AddButton(QStringLiteral("在线沟通"), Command::OnlineLink, 70);
    toolbar_->AddButton(QStringLiteral("发送短信"), Command::SendSms, 70);
    toolbar_->AddButton(QStringLiteral("发送邮件"), Command::MailLink, 70);
}

bool CCustomerContactView::OnCommand(int id) {
    if (id == Command::Add) {
        if (customerKey_ > 0) {
            IniFile bag;
            AddRow(bag);
        }
        return true;
    }
    return CContactListBase::OnCommand(id);
}

void CCustomerContactView::SetCustomer(int customerKey) {
    customerKey_ = customerKey;
    // No customer lists nothing, also contacts that were filed under none.
    SetConditions({customerKey > 0 ? QStringLiteral("(CustomerId=") +
                                         SqlLiteral::Long(customerKey) + QStringLiteral(")")
                                   : QStringLiteral("(1=0)")});
    Reload();
}

int CCustomerContactView::CustomerOfRow(int) const {
    return customerKey_;
}
