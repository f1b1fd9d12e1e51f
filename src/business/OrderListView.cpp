#include "business/OrderListView.h"

#include "base/IniFile.h"
#include "business/OrderDlg.h"
#include "business/OrderSearchDlg.h"
#include "customer/CustomerDlg.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/SqlLiteral.h"
#include "framework/CommandIds.h"
#include "framework/GridRowPatch.h"
#include "framework/ListGridBinding.h"
#include "framework/ListToolbar.h"
#include "framework/SelectedRows.h"
#include "ui/GridCtrl.h"
#include "ui/Prompt.h"

#include <QMainWindow>
#include <QStatusBar>
#include <QVBoxLayout>

#include <utility>

namespace {

const QString kBag = QStringLiteral(".");
constexpr int kNoteMilliseconds = 5000;

OrderDeliveryNotice& DeliveryNotice() {
    static OrderDeliveryNotice notice;
    return notice;
}

OrderListExtraColumns& ExtraColumns() {
    static OrderListExtraColumns columns;
    return columns;
}

} // namespace

void SetOrderDeliveryNotice(OrderDeliveryNotice notice) {
    DeliveryNotice() = std::move(notice);
}

void SetOrderListExtraColumns(OrderListExtraColumns columns) {
    ExtraColumns() = std::move(columns);
}

QString COrderListView::HandlerCondition(const QString& userName) {
    return QStringLiteral("(Handler=") + SqlLiteral::Text(userName) + QStringLiteral(")");
}

QString COrderListView::TotalStatement(const QString& where) {
    return QStringLiteral("select sum(FDTotal) as asSum from OrderData") + where;
}

COrderListView::COrderListView(DbConnection& connection, Prompt& prompt, const OrderListArgs& args,
                               QWidget* parent)
    : QWidget(parent), connection_(connection), prompt_(prompt), userName_(args.userName),
      admin_(args.admin) {
    setObjectName(QStringLiteral("OrderListView"));
    toolbar_ = new CListToolbar([this](int id) { OnCommand(id); }, this);
    toolbar_->AddButton(QStringLiteral("查找"), Command::Find, 60);
    toolbar_->AddButton(QStringLiteral("编辑"), Command::Edit, 60);
    toolbar_->AddButton(QStringLiteral("客户资料"), Command::CustomerInfo, 80);
    toolbar_->AddButton(QStringLiteral("删除"), Command::Delete, 60);
    toolbar_->AddButton(QStringLiteral("统计"), Command::Statistics, 60);
    toolbar_->AddButton(QStringLiteral("上页"), Command::PrevPage, 60);
    toolbar_->AddButton(QStringLiteral("下页"), Command::NextPage, 60);
    toolbar_->AddButton(QStringLiteral("发货通知"), kDeliveryNotice, 80);
    toolbar_->AddButton(QStringLiteral("自定义"), kCustomColumns, 70);

    grid_ = new CGridCtrl(0, 0, 0, 0, this);
    grid_->setObjectName(QStringLiteral("OrderListGrid"));
    binding_ = std::make_unique<ListGridBinding>(*grid_, QStringLiteral("ListOrder"));
    QueryBinder& binder = binding_->Binder();
    binder.SetTable(QStringLiteral("OrderData"));
    const QList<QPair<QString, QString>> columns = {
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
    for (const auto& [field, caption] : columns)
        binder.AddColumn(field, caption);
    if (ExtraColumns()) {
        for (const auto& [field, caption] : ExtraColumns()(connection_))
            binder.AddColumn(field, caption);
    }
    binder.SetOrderClause(QStringLiteral(" order by KeyId desc "));
    binding_->Setup(kGridControl);

    connect(grid_, &CGridCtrl::DoubleClick, this, [this](int row, int) {
        if (row >= grid_->GetFixedRowCount())
            OnCommand(Command::Edit);
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolbar_);
    layout->addWidget(grid_, 1);

    SetConditions({});
    Reload();
}

COrderListView::~COrderListView() = default;

QueryBinder& COrderListView::Binder() const {
    return binding_->Binder();
}

void COrderListView::SetConditions(const QStringList& extra) {
    QueryBinder& binder = Binder();
    binder.ClearConditions();
    if (!admin_)
        binder.AddCondition(HandlerCondition(userName_));
    for (const QString& condition : extra)
        binder.AddCondition(condition);
    binder.SetPageIndex(0);
}

int COrderListView::Reload() {
    int result = 0;
    {
        WaitCursor wait(prompt_);
        result = Binder().Load(&connection_);
    }
    if (!Binder().GetLastError().isEmpty())
        prompt_.Message(Binder().GetSelectText() + QStringLiteral("\r\n") +
                        Binder().GetLastError());
    return result;
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
        EditOrder();
        return true;
    case Command::CustomerInfo:
        ShowCustomer();
        return true;
    case Command::Delete:
        DeleteOrders();
        return true;
    case Command::Statistics:
        ShowTotal();
        return true;
    case Command::PrevPage:
        if (Binder().GetPageIndex() > 0) {
            Binder().SetPageIndex(Binder().GetPageIndex() - 1);
            Reload();
        }
        return true;
    case Command::NextPage:
        Binder().SetPageIndex(Binder().GetPageIndex() + 1);
        Reload();
        return true;
    case kDeliveryNotice:
        SendDeliveryNotice();
        return true;
    case kCustomColumns:
        if (!admin_)
            prompt_.Message(QStringLiteral("权限不足"));
        else
            Note(QStringLiteral("自定义: 该功能尚未提供"));
        return true;
    default:
        return false;
    }
}

void COrderListView::EditOrder() {
    const int row = SelectedRows::TopRow(*grid_);
    const int key = SelectedRows::KeyOfRow(*grid_, row);
    if (key < 1) {
        prompt_.Message(QStringLiteral("请选择要编辑的信息!"));
        return;
    }
    IniFile bag;
    bag.SetInt(kBag, QStringLiteral("KeyId"), key);
    if (!RunOrderForm(prompt_, connection_, this, OrderFormArgs(), bag))
        return;
    GridRowPatch::PatchRow(Binder(), *grid_, row, bag);
}

void COrderListView::ShowCustomer() {
    const int key = SelectedRows::KeyOfRow(*grid_, SelectedRows::TopRow(*grid_));
    if (key < 1) {
        prompt_.Message(QStringLiteral("请选择要查看的客户!"));
        return;
    }
    const QString sql =
        QStringLiteral("select CustomerId from OrderData where KeyId=") + SqlLiteral::Long(key);
    int customer = 0;
    {
        DbRecordset rs(connection_);
        if (!rs.Open(sql)) {
            prompt_.Message(sql + QStringLiteral("\r\n") + rs.GetLastError());
            return;
        }
        if (!rs.IsEOF())
            customer = rs.GetLong(QStringLiteral("CustomerId"));
    }
    if (customer < 1) {
        prompt_.Message(QStringLiteral("资料不存在"));
        return;
    }
    // The customer's record in its form; the detail tabs take its place when
    // they arrive.
    IniFile bag;
    bag.SetInt(kBag, QStringLiteral("KeyId"), customer);
    CustomerFormArgs args;
    args.userName = userName_;
    RunCustomerForm(prompt_, connection_, this, args, bag);
}

void COrderListView::DeleteOrders() {
    if (!SelectedRows::HasSelection(*grid_)) {
        prompt_.Message(QStringLiteral("请选择要删除的信息"));
        return;
    }
    if (prompt_.Ask(QStringLiteral("确定要删除选择的信息吗?"), Prompt::Buttons::OkCancel) !=
        Prompt::Answer::Ok)
        return;
    const QList<int> rows = SelectedRows::BottomUp(*grid_);
    QList<int> deleted;
    SelectedRows::BatchResult result;
    {
        WaitCursor wait(prompt_);
        result = SelectedRows::RunRows(connection_, prompt_, rows, [&](int row, QString& error) {
            int key = 0;
            if (!SelectedRows::ParseKey(grid_->GetItemText(row, 0).trimmed(), key)) {
                error = QStringLiteral("编号无效: ") + grid_->GetItemText(row, 0);
                return false;
            }
            if (connection_.Execute(QStringLiteral("delete from OrderData where KeyId=") +
                                    SqlLiteral::Long(key)) != 1) {
                error = connection_.GetLastError();
                return false;
            }
            deleted.append(row);
            return true;
        });
    }
    if (!result.committed)
        return;
    // Bottom-up, so the rows above keep their indexes while going.
    for (const int row : std::as_const(deleted))
        grid_->DeleteRow(row);
    grid_->ResetSelectedRange();
    grid_->Refresh();
}

void COrderListView::ShowTotal() {
    const QString sql = TotalStatement(Binder().BuildWhere());
    double total = 0;
    {
        WaitCursor wait(prompt_);
        DbRecordset rs(connection_);
        if (!rs.Open(sql)) {
            const QString error = rs.GetLastError();
            rs.Close();
            prompt_.Message(sql + QStringLiteral("\r\n") + error);
            return;
        }
        // No order at all sums to null: a total of nothing.
        if (!rs.IsEOF())
            total = rs.GetDouble(QStringLiteral("asSum"));
    }
    prompt_.Message(QString::asprintf("合计总额: %0.2f", total));
}

void COrderListView::SendDeliveryNotice() {
    if (!DeliveryNotice()) {
        Note(QStringLiteral("发货通知: 该功能尚未提供"));
        return;
    }
    const int key = SelectedRows::KeyOfRow(*grid_, SelectedRows::TopRow(*grid_));
    if (key < 1) {
        prompt_.Message(QStringLiteral("请选择要发送通知的订单!"));
        return;
    }
    DeliveryNotice()(prompt_, connection_, key, this);
}

void COrderListView::Note(const QString& text) {
    lastNote_ = text;
    if (auto* frame = qobject_cast<QMainWindow*>(window()))
        frame->statusBar()->showMessage(text, kNoteMilliseconds);
}
