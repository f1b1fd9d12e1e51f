#include "business/PurchaseListView.h"

#include "business/PurchaseDlg.h"
#include "business/PurchaseSearchDlg.h"
#include "db/QueryBinder.h"
#include "framework/CommandIds.h"
#include "framework/ListToolbar.h"
#include "ui/Prompt.h"

QString CPurchaseListView::TotalStatement(const QString& where) {
    return QStringLiteral("select sum(FDTotal) as asSumup from PurchaseData") + where;
}

CPurchaseListView::CPurchaseListView(DbConnection& connection, Prompt& prompt, QWidget* parent)
    : CRecordListView(connection, prompt, QStringLiteral("PurchaseData"), QString(),
                      QStringLiteral("CPurchaseListView"), parent) {
    setObjectName(QStringLiteral("CPurchaseListView"));
    CreateParts({{QStringLiteral("KeyId"), QStringLiteral("编号")},
                 {QStringLiteral("CustomerName"), QStringLiteral("客户名称")},
                 {QStringLiteral("CustomerId"), QStringLiteral("客户编号")},
                 {QStringLiteral("StockName"), QStringLiteral("产品名称")},
                 {QStringLiteral("SerialCode"), QStringLiteral("规格型号")},
                 {QStringLiteral("Price"), QStringLiteral("单价")},
                 {QStringLiteral("Quantity"), QStringLiteral("数量")},
                 {QStringLiteral("Carriage"), QStringLiteral("运费")},
                 {QStringLiteral("FDTotal"), QStringLiteral("金额")},
                 {QStringLiteral("FDTime"), QStringLiteral("时间")},
                 {QStringLiteral("Comment"), QStringLiteral("备注")}},
                QStringLiteral(" order by KeyId desc "), kGridControl);
    toolbar_->AddButton(QStringLiteral("查找"), Command::Find, 60);
    toolbar_->AddButton(QStringLiteral("编辑"), Command::Edit, 60);
    toolbar_->AddButton(QStringLiteral("客户资料"), Command::CustomerInfo, 80);
    toolbar_->AddButton(QStringLiteral("上页"), Command::PrevPage, 60);
    toolbar_->AddButton(QStringLiteral("下页"), Command::NextPage, 60);
    toolbar_->AddButton(QStringLiteral("统计"), Command::Statistics, 60);

    SetConditions({});
    Reload();
}

void CPurchaseListView::Search(const PurchaseCriteria& criteria) {
    SetConditions(criteria.Conditions());
    Reload();
}

bool CPurchaseListView::OnCommand(int id) {
    switch (id) {
    case Command::Find: {
        PurchaseCriteria criteria;
        if (AskPurchaseCriteria(prompt_, this, criteria))
            Search(criteria);
        return true;
    }
    case Command::Edit:
        EditTopRow(QStringLiteral("请选择要编辑的订单!"));
        return true;
    case Command::CustomerInfo:
        ShowCustomerOfRow(QStringLiteral("请选择要查看的客户!"), QStringLiteral("资料不存在"));
        return true;
    case Command::Statistics:
        ShowTotal();
        return true;
    default:
        return CRecordListView::OnCommand(id);
    }
}

bool CPurchaseListView::RunForm(IniFile& bag) {
    // An edited purchase keeps its supplier; the form reads it from the row.
    return RunPurchaseForm(prompt_, connection_, this, 0, bag);
}

void CPurchaseListView::ShowTotal() {
    ShowSum(TotalStatement(Binder().BuildWhere()), QStringLiteral("累计总额 "));
}
