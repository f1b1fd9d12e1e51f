#include "business/OrderListView.h"

#include "base/IniFile.h"
#include "business/OrderDlg.h"
#include "business/OrderNotice.h"
#include "business/OrderSearchDlg.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/QueryBinder.h"
#include "db/SqlLiteral.h"
#include "framework/CommandIds.h"
#include "framework/CustomizeDefineDlg.h"
#include "framework/ListToolbar.h"
#include "framework/SelectedRows.h"
#include "ui/GridCtrl.h"
#include "ui/Prompt.h"

#include <utility>

namespace {

OrderListExtraColumns& ExtraColumns() {
    static OrderListExtraColumns columns;
    return columns;
}

} // namespace

void SetOrderListExtraColumns(OrderListExtraColumns columns) {
    ExtraColumns() = std::move(columns);
}

QString COrderListView::HandlerCondition(const QString& userName) {
    return QStringLiteral("Handler=") + SqlLiteral::Text(userName);
}

QString COrderListView::TotalStatement(const QString& where) {
    return QStringLiteral("select sum(FDTotal) as asSum from OrderData") + where;
}

COrderListView::COrderListView(DbConnection& connection, Prompt& prompt, const OrderListArgs& args,
                               QWidget* parent)
    : CRecordListView(connection, prompt, QStringLiteral("OrderData"),
                      args.admin ? QString() : HandlerCondition(args.userName),
                      QStringLiteral("ListOrder"), parent),
      admin_(args.admin) {
    setObjectName(QStringLiteral("OrderListView"));
    QList<QPair<QString, QString>> columns = {
        {QStringLiteral("KeyId"), QStringLiteral("编号")},
        {QStringLiteral("CustomerName"), QStringLiteral("客户名称")},
        {QStringLiteral("ProductName"), QStringLiteral("产品名称")},
        {QStringLiteral("SerialCode"), QStringLiteral("序列号")},
        {QStringLiteral("Handler"), QStringLiteral("经理人")},
        {QStringLiteral("Price"), QStringLiteral("单价")},
        {QStringLiteral("Quantity"), QStringLiteral("数量")},
        {QStringLiteral("Carriage"), QStringLiteral("运费")},
        {QStringLiteral("FDTotal"), QStringLiteral("金额")},
        {QStringLiteral("Bank"), QStringLiteral("付款方式")},
        {QStringLiteral("FDTime"), QStringLiteral("时间")},
        {QStringLiteral("Comment"), QStringLiteral("备注")}};
    if (ExtraColumns())
        columns += ExtraColumns()(connection_);
    CreateParts(columns, QStringLiteral(" order by KeyId desc "), kGridControl);
    toolbar_->AddButton(QStringLiteral("查找"), Command::Find, 60);
    toolbar_->AddButton(QStringLiteral("编辑"), Command::Edit, 60);
    toolbar_->AddButton(QStringLiteral("客户资料"), Command::CustomerInfo, 80);
    toolbar_->AddButton(QStringLiteral("删除"), Command::Delete, 60);
    toolbar_->AddButton(QStringLiteral("统计"), Command::Statistics, 60);
    toolbar_->AddButton(QStringLiteral("上页"), Command::PrevPage, 60);
    toolbar_->AddButton(QStringLiteral("下页"), Command::NextPage, 60);
    toolbar_->AddButton(QStringLiteral("发货通知"), kDeliveryNotice, 80);
    toolbar_->AddButton(QStringLiteral("自定义"), kCustomColumns, 70);

    SetConditions({});
    Reload();
}

void COrderListView::Search(const OrderCriteria& criteria) {
    SetConditions(criteria.Conditions());
    Reload();
}

bool COrderListView::OnCommand(int id) {
    switch (id) {
    case Command::Find: {
        OrderCriteria criteria;
        if (AskOrderCriteria(prompt_, this, criteria))
            Search(criteria);
        return true;
    }
    case Command::Edit:
        EditTopRow(QStringLiteral("请选择要编辑的信息!"));
        return true;
    case Command::CustomerInfo:
        ShowCustomerOfRow(QStringLiteral("请选择要查看的客户!"), QStringLiteral("资料不存在"));
        return true;
    case Command::Delete:
        DeleteSelectedRows();
        return true;
    case Command::Statistics:
        ShowTotal();
        return true;
    case kDeliveryNotice:
        SendDeliveryNotice();
        return true;
    case kCustomColumns:
        if (!admin_)
            prompt_.Message(QStringLiteral("权限不足"));
        else if (RunCustomizeDefine(prompt_, connection_, Table(), this))
            // The grid's columns are fixed when the list opens.
            Note(QStringLiteral("自定义字段已修改, 重新打开订单管理即可看到新的列"));
        return true;
    default:
        return CRecordListView::OnCommand(id);
    }
}

bool COrderListView::RunForm(IniFile& bag) {
    return RunOrderForm(prompt_, connection_, this, OrderFormArgs(), bag);
}

void COrderListView::ShowTotal() {
    ShowSum(TotalStatement(Binder().BuildWhere()), QStringLiteral("合计总额: "));
}

void COrderListView::SendDeliveryNotice() {
    const int key = SelectedRows::KeyOfRow(*grid_, SelectedRows::TopRow(*grid_));
    if (key < 1) {
        prompt_.Message(QStringLiteral("请选择要发送通知的订单!"));
        return;
    }
    SendOrderNotice(prompt_, connection_, MailNotice::Kind::Delivery, key);
}
