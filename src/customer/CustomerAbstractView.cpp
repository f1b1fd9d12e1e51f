#include "customer/CustomerAbstractView.h"

#include "customer/CustomerSms.h"
#include "customer/InstantLinks.h"
#include "db/DbRecordset.h"
#include "db/SqlLiteral.h"
#include "framework/CommandIds.h"
#include "framework/ListToolbar.h"
#include "ui/GridCell.h"
#include "ui/GridCtrl.h"
#include "ui/Prompt.h"

#include <QVBoxLayout>

namespace {

constexpr int kLabelWidth = 80;
constexpr int kCommentHeight = 200;

} // namespace

QStringList CCustomerAbstractView::Labels() {
    return {QStringLiteral("客户名称"), QStringLiteral("联系人"),   QStringLiteral("电话"),
            QStringLiteral("电子邮件"), QStringLiteral("网站主页"), QStringLiteral("通讯地址"),
            QStringLiteral("省份"),     QStringLiteral("客户分类"), QStringLiteral("经理人"),
            QStringLiteral("备注")};
}

CCustomerAbstractView::CCustomerAbstractView(DbConnection& connection, Prompt& prompt,
                                             QWidget* parent)
    : QWidget(parent), connection_(connection), prompt_(prompt) {
    setObjectName(QStringLiteral("CCustomerAbstractView"));
    toolbar_ = new CListToolbar([this](int id) { OnCommand(id); }, this);
    toolbar_->AddButton(QStringLiteral("发送邮件"), Command::MailLink, 70);
    toolbar_->AddButton(QStringLiteral("访问网站"), Command::VisitSite, 70);
    toolbar_->AddButton(QStringLiteral("发送短信"), Command::SendSms, 70);

    grid_ = new CGridCtrl(0, 2, 0, 1, this);
    grid_->setObjectName(QStringLiteral("CustomerAbstractGrid"));
    grid_->SetEditable(false);
    grid_->SetColumnWidth(0, kLabelWidth);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolbar_);
    layout->addWidget(grid_, 1);
}

bool CCustomerAbstractView::OnCommand(int id) {
    switch (id) {
    case Command::MailLink:
        SendMail();
        return true;
    case Command::VisitSite:
        VisitSite();
        return true;
    case Command::SendSms:
        SendSms();
        return true;
    default:
        return false;
    }
}

void CCustomerAbstractView::SetCustomer(int customerKey) {
    customerKey_ = customerKey;
    grid_->DeleteNonFixedRows();
    DbRecordset record(connection_);
    if (ReadCustomer(record))
        FillRows(record);
    grid_->Refresh();
}

bool CCustomerAbstractView::ReadCustomer(DbRecordset& record) {
    const QString sql =
        QStringLiteral("select * from CustomerData where KeyId=") + SqlLiteral::Long(customerKey_);
    if (!record.Open(sql)) {
        prompt_.Message(sql + QStringLiteral("\r\n") + record.GetLastError());
        return false;
    }
    return !record.IsEOF();
}

void CCustomerAbstractView::FillRows(DbRecordset& record) {
    // A null column reads as an empty text, so a missing value shows nothing.
    const auto field = [&record](const char16_t* name) {
        return record.GetString(QString::fromUtf16(name));
    };
    const QStringList values = {
        field(u"CustomerName") + QStringLiteral("    编号:") + field(u"KeyId"),
        field(u"Contact") + QStringLiteral("   注册时间:") + field(u"RegTime"),
        field(u"Phone") + QStringLiteral("   传真:") + field(u"Fax") + QStringLiteral("   手机:") +
            field(u"Mobile"),
        field(u"Email"),
        field(u"Homepage"),
        field(u"Address") + QStringLiteral("    邮政编码:") + field(u"ZIPCode"),
        field(u"Province") + QStringLiteral("    城市:") + field(u"City"),
        field(u"ClassPath") + QStringLiteral("    级别:") + field(u"FDLevel"),
        field(u"Handler") + QStringLiteral("    来源:") + field(u"FDSource"),
        field(u"Comment")};
    const QStringList labels = Labels();
    for (int i = 0; i < labels.size(); ++i) {
        const int row = grid_->InsertRow(labels.at(i));
        grid_->SetItemText(row, 1, values.at(i));
    }
    const int comment = grid_->GetRowCount() - 1;
    grid_->SetRowHeight(comment, kCommentHeight);
    grid_->SetItemFormat(comment, 1, CGridCell::DT_WORDBREAK);
}

void CCustomerAbstractView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The value column takes the width the labels leave.
    grid_->SetColumnWidth(1, qMax(kLabelWidth, grid_->viewport()->width() - kLabelWidth - 1));
}

void CCustomerAbstractView::SendMail() {
    DbRecordset record(connection_);
    if (ReadCustomer(record))
        InstantLinks::Open(prompt_,
                           InstantLinks::Mail(record.GetString(QStringLiteral("Email")),
                                              record.GetString(QStringLiteral("CustomerName"))));
}

void CCustomerAbstractView::VisitSite() {
    DbRecordset record(connection_);
    if (ReadCustomer(record))
        InstantLinks::Open(prompt_,
                           InstantLinks::HomePage(record.GetString(QStringLiteral("Homepage"))));
}

void CCustomerAbstractView::SendSms() {
    if (customerKey_ > 0)
        SendCustomerSms(prompt_, connection_, this, customerKey_);
}
