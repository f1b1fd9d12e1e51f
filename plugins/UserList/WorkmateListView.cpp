#include "WorkmateListView.h"

#include "customer/InstantLinks.h"
#include "customer/SmsDlg.h"
#include "db/QueryBinder.h"
#include "db/SqlLiteral.h"
#include "framework/CommandIds.h"
#include "framework/CriteriaDlg.h"
#include "framework/ListToolbar.h"
#include "framework/SelectedRows.h"
#include "ui/GridCtrl.h"
#include "ui/Prompt.h"

namespace {

// "(a like '%t%' or b like '%t%')" for a typed text, or nothing for an
// empty one.
void AddContains(QStringList& conditions, const QStringList& columns, const QString& text) {
    const QString typed = text.trimmed();
    if (typed.isEmpty())
        return;
    const QString pattern = SqlLiteral::Text(QLatin1Char('%') + typed + QLatin1Char('%'));
    QStringList parts;
    for (const QString& column : columns)
        parts << column + QStringLiteral(" like ") + pattern;
    conditions << QLatin1Char('(') + parts.join(QStringLiteral(" or ")) + QLatin1Char(')');
}

} // namespace

CWorkmateListView::CWorkmateListView(DbConnection& connection, Prompt& prompt, QWidget* parent)
    : CRecordListView(connection, prompt, QStringLiteral("UserData"), QStringLiteral("Dimission=0"),
                      QStringLiteral("CWorkmateListView"), parent) {
    setObjectName(QStringLiteral("CWorkmateListView"));
    CreateParts({{QStringLiteral("KeyId"), QStringLiteral("编号")},
                 {QStringLiteral("FullName"), QStringLiteral("姓名")},
                 {QStringLiteral("UserName"), QStringLiteral("用户名")},
                 {QStringLiteral("Department"), QStringLiteral("部门")},
                 {QStringLiteral("Position"), QStringLiteral("职务")},
                 {QStringLiteral("Phone"), QStringLiteral("电话")},
                 {QStringLiteral("Mobile"), QStringLiteral("手机")},
                 {QStringLiteral("Email"), QStringLiteral("电子邮件")},
                 {QStringLiteral("QQ"), QStringLiteral("QQ")}},
                QStringLiteral(" order by Department, FullName, KeyId "));
    toolbar_->AddButton(QStringLiteral("查找"), Command::Find, 50);
    toolbar_->AddButton(QStringLiteral("发送邮件"), Command::MailLink, 70);
    toolbar_->AddButton(QStringLiteral("发送短信"), Command::SendSms, 70);
    toolbar_->AddButton(QStringLiteral("上页"), Command::PrevPage, 50);
    toolbar_->AddButton(QStringLiteral("下页"), Command::NextPage, 50);
    SetConditions({});
    Reload();
}

bool CWorkmateListView::OnCommand(int id) {
    switch (id) {
    case Command::Find:
        AskSearch();
        return true;
    case Command::MailLink:
        OpenMail();
        return true;
    case Command::SendSms:
        SendSms();
        return true;
    // The address book only reads: a double click changes nothing.
    case Command::Edit:
        return true;
    default:
        return CRecordListView::OnCommand(id);
    }
}

void CWorkmateListView::Search(const QString& name, const QString& department,
                               const QString& number) {
    QStringList conditions;
    AddContains(conditions, {QStringLiteral("UserName"), QStringLiteral("FullName")}, name);
    AddContains(conditions, {QStringLiteral("Department")}, department);
    AddContains(conditions, {QStringLiteral("Phone"), QStringLiteral("Mobile")}, number);
    SetConditions(conditions);
    Reload();
}

void CWorkmateListView::AskSearch() {
    CCriteriaDlg dialog(QStringLiteral("查找同事"), QStringLiteral("data/workmate_search.ini"),
                        {{QStringLiteral("Name"), QStringLiteral("姓名")},
                         {QStringLiteral("Department"), QStringLiteral("部门")},
                         {QStringLiteral("Number"), QStringLiteral("电话/手机")}},
                        this);
    if (prompt_.RunModal(dialog) != QDialog::Accepted)
        return;
    Search(dialog.Value(QStringLiteral("Name")), dialog.Value(QStringLiteral("Department")),
           dialog.Value(QStringLiteral("Number")));
}

bool CWorkmateListView::TopRowText(const QString& column, QString& text) const {
    const int row = SelectedRows::TopRow(*grid_);
    if (row < grid_->GetFixedRowCount()) {
        prompt_.Message(QStringLiteral("请选择同事!"));
        return false;
    }
    text = grid_->GetItemText(row, Binder().FindColumn(column));
    return true;
}

void CWorkmateListView::OpenMail() {
    QString email, name;
    if (!TopRowText(QStringLiteral("Email"), email) ||
        !TopRowText(QStringLiteral("FullName"), name))
        return;
    if (name.isEmpty())
        TopRowText(QStringLiteral("UserName"), name);
    InstantLinks::Open(prompt_, InstantLinks::Mail(email, name));
}

void CWorkmateListView::SendSms() {
    QString mobile;
    if (!TopRowText(QStringLiteral("Mobile"), mobile))
        return;
    QString sent;
    if (RunSmsDialog(prompt_, this, mobile, sent))
        Note(QStringLiteral("短信已发送"));
}
