#include "business/CustomerDetailDlg.h"

#include "ui/Prompt.h"

#include <QVBoxLayout>

CCustomerDetailDlg::CCustomerDetailDlg(DbConnection& connection, Prompt& prompt,
                                       const CustomerTabArgs& args, int customerKey,
                                       QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("CCustomerDetailDlg"));
    setWindowTitle(QStringLiteral("客户资料"));
    resize(750, 520);
    tabView_ = new CCustomerTabView(connection, prompt, args, this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tabView_);
    tabView_->SetCustomer(customerKey);
}

void ShowCustomerDetail(Prompt& prompt, DbConnection& connection, const CustomerTabArgs& args,
                        int customerKey, QWidget* parent) {
    CCustomerDetailDlg dialog(connection, prompt, args, customerKey, parent);
    prompt.RunModal(dialog);
}
