#include "business/CustomerOrderView.h"

#include "base/IniFile.h"
#include "business/OrderDlg.h"
#include "business/OrderNotice.h"
#include "framework/CommandIds.h"
#include "framework/ListToolbar.h"
#include "framework/PrivilegeNames.h"
#include "framework/SelectedRows.h"
#include "ui/Prompt.h"

#include <utility>

namespace {

const QString kOrderRight = QString::fromUtf8(PrivilegeNames::AddOrder);

} // namespace

CCustomerOrderView::CCustomerOrderView(DbConnection& connection, Prompt& prompt,
                                       PrivilegeCheck holdsPrivilege, QWidget* parent)
    : CRecordListView(connection, prompt, QStringLiteral("OrderData"), QString(),
                      QStringLiteral("CCustomerOrderView"), parent),
      holdsPrivilege_(std::move(holdsPrivilege)) {
    setObjectName(QStringLiteral("CCustomerOrderView"));
    CreateParts({{QStringLiteral("KeyId"), QStringLiteral("编号")},
                 {QStringLiteral("ProductName"), QStringLiteral("产品名称")},
                 {QStringLiteral("SerialCode"), QStringLiteral("序列号")},
                 {QStringLiteral("Price"), QStringLiteral("单价")},
                 {QStringLiteral("Quantity"), QStringLiteral("数量")},
                 {QStringLiteral("Carriage"), QStringLiteral("运费")},
                 {QStringLiteral("FDTotal"), QStringLiteral("金额")},
                 {QStringLiteral("Bank"), QStringLiteral("付款方式")},
                 {QStringLiteral("FDTime"), QStringLiteral("时间")},
                 {QStringLiteral("Comment"), QStringLiteral("备注")}},
                QStringLiteral(" order by KeyId desc "), kGridControl);
    toolbar_->AddButton(QStringLiteral("添加"), Command::Add, 50);
    toolbar_->AddButton(QStringLiteral("编辑"), Command::Edit, 50);
    toolbar_->AddButton(QStringLiteral("删除"), Command::Delete, 50);
    toolbar_->AddButton(QStringLiteral("帐号通知"), Command::AccountNotice, 70);
}

bool CCustomerOrderView::OnCommand(int id) {
    switch (id) {
    case Command::Add:
        // Without a customer there is nobody to sell to: nothing happens.
        if (customerKey_ > 0 && MayChangeOrders()) {
            IniFile bag;
            AddRow(bag);
        }
        return true;
    case Command::Edit:
        if (MayChangeOrders())
            EditTopRow(QStringLiteral("请选择要编辑的订单!"));
        return true;
    case Command::Delete:
        if (MayChangeOrders())
            DeleteSelectedRows();
        return true;
    case Command::AccountNotice:
        SendAccountNotice();
        return true;
    default:
        return CRecordListView::OnCommand(id);
    }
}

void CCustomerOrderView::SetCustomer(int customerKey) {
    customerKey_ = customerKey;
    ListCustomerRows(customerKey);
}

bool CCustomerOrderView::RunForm(IniFile& bag) {
    OrderFormArgs args;
    args.customerKey = customerKey_;
    return RunOrderForm(prompt_, connection_, this, args, bag);
}

bool CCustomerOrderView::MayChangeOrders() {
    if (Holds(holdsPrivilege_, kOrderRight))
        return true;
    prompt_.Message(QStringLiteral("权限不足"));
    return false;
}

void CCustomerOrderView::SendAccountNotice() {
    const int key = SelectedRows::KeyOfRow(*grid_, SelectedRows::TopRow(*grid_));
    if (key < 1) {
        prompt_.Message(QStringLiteral("请选择要发送通知的订单!"));
        return;
    }
    SendOrderNotice(prompt_, connection_, MailNotice::Kind::Account, key);
}
