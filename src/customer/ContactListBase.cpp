#include "customer/ContactListBase.h"

#include "customer/ContactDlg.h"
#include "customer/CustomerSms.h"
#include "customer/InstantLinks.h"
#include "db/QueryBinder.h"
#include "framework/CommandIds.h"
#include "framework/SelectedRows.h"
#include "ui/GridCtrl.h"

CContactListBase::CContactListBase(DbConnection& connection, Prompt& prompt,
                                   const QString& settingsKey, QWidget* parent)
    : CRecordListView(connection, prompt, QStringLiteral("ContactData"), QString(), settingsKey,
                      parent) {}

QList<QPair<QString, QString>> CContactListBase::Columns(bool withCustomer) {
    QList<QPair<QString, QString>> columns = {{QStringLiteral("KeyId"), QStringLiteral("编号")},
                                              {QStringLiteral("Name"), QStringLiteral("联系人")}};
    if (withCustomer)
        columns += {{QStringLiteral("CustomerId"), QStringLiteral("客户编号")},
                    {QStringLiteral("CustomerName"), QStringLiteral("客户名称")}};
    // The search finds contacts by either number, so both are shown.
    columns += {{QStringLiteral("Phone"), QStringLiteral("电话")},
                {QStringLiteral("Mobile"), QStringLiteral("手机")},
                {QStringLiteral("ICQ"), QStringLiteral("QQ")},
                {QStringLiteral("Email"), QStringLiteral("电子邮件")},
                {QStringLiteral("NetCodeClass"), QStringLiteral("在线联系方式")},
                {QStringLiteral("NetCode"), QStringLiteral("在线联系帐号")}};
    return columns;
}

bool CContactListBase::OnCommand(int id) {
    switch (id) {
    case Command::Edit:
        EditTopRow(QStringLiteral("请选择要编辑的联系人!"));
        return true;
    case Command::Delete:
        DeleteSelectedRows();
        return true;
    case Command::QqLink:
        OpenQq();
        return true;
    case Command::OnlineLink:
        OpenMessenger();
        return true;
    case Command::MailLink:
        OpenMail();
        return true;
    case Command::SendSms:
        SendSms();
        return true;
    default:
        return CRecordListView::OnCommand(id);
    }
}

bool CContactListBase::RunForm(IniFile& bag) {
    return RunContactForm(prompt_, connection_, this, customerKey_, bag);
}

bool CContactListBase::TopRowText(const QString& column, QString& text) const {
    const int row = SelectedRows::TopRow(*grid_);
    if (row < grid_->GetFixedRowCount())
        return false;
    text = grid_->GetItemText(row, Binder().FindColumn(column));
    return true;
}

void CContactListBase::OpenQq() {
    QString number, name;
    if (TopRowText(QStringLiteral("ICQ"), number) && TopRowText(QStringLiteral("Name"), name))
        InstantLinks::Open(prompt_, LinkTemplates::FromProgramFolder().Qq(number, name));
}

void CContactListBase::OpenMessenger() {
    QString method, account, name;
    if (TopRowText(QStringLiteral("NetCodeClass"), method) &&
        TopRowText(QStringLiteral("NetCode"), account) && TopRowText(QStringLiteral("Name"), name))
        InstantLinks::Open(prompt_,
                           LinkTemplates::FromProgramFolder().Messenger(method, account, name));
}

void CContactListBase::OpenMail() {
    QString email, name;
    if (TopRowText(QStringLiteral("Email"), email) && TopRowText(QStringLiteral("Name"), name))
        InstantLinks::Open(prompt_, InstantLinks::Mail(email, name));
}

void CContactListBase::SendSms() {
    SmsContact contact;
    if (TopRowText(QStringLiteral("Name"), contact.name) &&
        TopRowText(QStringLiteral("Mobile"), contact.mobile))
        SendCustomerSms(prompt_, connection_, this, CustomerOfRow(SelectedRows::TopRow(*grid_)),
                        &contact);
}
