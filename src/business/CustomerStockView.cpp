#include "business/CustomerStockView.h"

#include "base/IniFile.h"
#include "business/StockChanceDlg.h"
#include "db/SqlLiteral.h"
#include "framework/CommandIds.h"
#include "framework/ListToolbar.h"

CCustomerStockView::CCustomerStockView(DbConnection& connection, Prompt& prompt, QWidget* parent)
    : CRecordListView(connection, prompt, QStringLiteral("StockChance"), QString(),
                      QStringLiteral("CCustomerStockView"), parent) {
    setObjectName(QStringLiteral("CCustomerStockView"));
    CreateParts({{QStringLiteral("KeyId"), QStringLiteral("编号")},
                 {QStringLiteral("Name"), QStringLiteral("产品名称")},
                 {QStringLiteral("Price"), QStringLiteral("单价")}},
                QStringLiteral(" order by KeyId desc "));
    toolbar_->AddButton(QStringLiteral("添加"), Command::Add, 50);
    toolbar_->AddButton(QStringLiteral("编辑"), Command::Edit, 50);
    toolbar_->AddButton(QStringLiteral("删除"), Command::Delete, 50);
}

void CCustomerStockView::SetCustomer(int key) {
    customer_ = key > 0 ? key : 0;
    // No supplier is an empty list, not the opportunities filed without one.
    SetConditions({customer_ > 0 ? QStringLiteral("CustomerId=") + SqlLiteral::Long(customer_)
                                 : QStringLiteral("1=0")});
    Reload();
}

bool CCustomerStockView::OnCommand(int id) {
    switch (id) {
    case Command::Add: {
        if (customer_ < 1)
            return true;
        IniFile bag;
        bag.SetInt(QStringLiteral("."), QStringLiteral("CustomerId"), customer_);
        AddRow(bag);
        return true;
    }
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

bool CCustomerStockView::RunForm(IniFile& bag) {
    return RunStockChanceForm(prompt_, connection_, this, bag);
}
