#include "business/CustomerPurchaseView.h"

#include "base/IniFile.h"
#include "business/PurchaseDlg.h"
#include "db/SqlLiteral.h"
#include "framework/CommandIds.h"
#include "framework/ListToolbar.h"

CCustomerPurchaseView::CCustomerPurchaseView(DbConnection& connection, Prompt& prompt,
                                             QWidget* parent)
    : CRecordListView(connection, prompt, QStringLiteral("PurchaseData"), QString(),
                      QStringLiteral("CCustomerPurchaseView"), parent) {
    setObjectName(QStringLiteral("CCustomerPurchaseView"));
    CreateParts({{QStringLiteral("KeyId"), QStringLiteral("编号")},
                 {QStringLiteral("StockName"), QStringLiteral("产品名称")},
                 {QStringLiteral("SerialCode"), QStringLiteral("序列号")},
                 {QStringLiteral("Price"), QStringLiteral("单价")},
                 {QStringLiteral("Quantity"), QStringLiteral("数量")},
                 {QStringLiteral("Carriage"), QStringLiteral("运费")},
                 {QStringLiteral("FDTotal"), QStringLiteral("金额")},
                 {QStringLiteral("FDTime"), QStringLiteral("时间")},
                 {QStringLiteral("Comment"), QStringLiteral("备注")}},
                QStringLiteral(" order by KeyId desc "));
    toolbar_->AddButton(QStringLiteral("添加"), Command::Add, 50);
    toolbar_->AddButton(QStringLiteral("编辑"), Command::Edit, 50);
    toolbar_->AddButton(QStringLiteral("删除"), Command::Delete, 50);
}

void CCustomerPurchaseView::SetCustomer(int customerKey) {
    customerKey_ = customerKey;
    SetConditions(
        {QStringLiteral("(CustomerId=") + SqlLiteral::Long(customerKey) + QStringLiteral(")")});
    Reload();
}

bool CCustomerPurchaseView::OnCommand(int id) {
    switch (id) {
    case Command::Add:
        if (customerKey_ > 0) {
            IniFile bag;
            AddRow(bag);
        }
        return true;
    case Command::Edit:
        EditTopRow(QStringLiteral("请选择要编辑的订单!"));
        return true;
    case Command::Delete:
        DeleteSelectedRows();
        return true;
    default:
        return CRecordListView::OnCommand(id);
    }
}

bool CCustomerPurchaseView::RunForm(IniFile& bag) {
    return RunPurchaseForm(prompt_, connection_, this, customerKey_, bag);
}
