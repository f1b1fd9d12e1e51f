#include "shell/ViewRegistry.h"

#include "business/CustomerTabView.h"
#include "business/OrderListView.h"
#include "business/PurchaseListView.h"
#include "business/StockChanceListView.h"
#include "business/TraceSearchView.h"
#include "business/TrackPlanSearchView.h"
#include "customer/ContactSearchView.h"
#include "customer/CustomerListView.h"
#include "customer/CustomerSearchView.h"
#include "framework/DataListView.h"
#include "report/ReportView.h"

namespace {

CustomerViewArgs CustomerArgs(const ViewContext& context) {
    CustomerViewArgs args{
        context.userName, context.filter, context.admin, context.holdsPrivilege, {}};
    // The pane under the customer grid shows the selected customer's tabs.
    args.detailPane = [](DbConnection& connection, Prompt& prompt, const CustomerViewArgs& viewArgs,
                         QWidget* parent) {
        return new CCustomerTabView(connection, prompt,
                                    {viewArgs.userName, viewArgs.holdsPrivilege}, parent);
    };
    return args;
}

} // namespace

// Every view class registers once by name; each command of the frame's table
// that opens the class gets it, with that command's filter and user. The
// customer views thus serve customers (32773, 32815), resellers (32802,
// 32804) and, for the administrator, suppliers (32806, 32807).
void RegisterBuiltinViews(ViewRegistry& registry) {
    registry.RegisterView(QStringLiteral("CCustomerListView"), [](const ViewContext& context) {
        return new CCustomerListView(context.connection, context.prompt, CustomerArgs(context));
    });
    registry.RegisterView(QStringLiteral("CCustomerSearchView"), [](const ViewContext& context) {
        return new CCustomerSearchView(context.connection, context.prompt, CustomerArgs(context));
    });
    registry.RegisterView(QStringLiteral("CContactSearchView"), [](const ViewContext& context) {
        return new CContactSearchView(context.connection, context.prompt);
    });
    registry.RegisterView(QStringLiteral("OrderListView"), [](const ViewContext& context) {
        return new COrderListView(context.connection, context.prompt,
                                  {context.userName, context.admin});
    });
    // 采购成本 and 采购机会管理; the frame opens them for the administrator only.
    registry.RegisterView(QStringLiteral("CPurchaseListView"), [](const ViewContext& context) {
        return new CPurchaseListView(context.connection, context.prompt);
    });
    registry.RegisterView(QStringLiteral("CStockChanceListView"), [](const ViewContext& context) {
        return new CStockChanceListView(context.connection, context.prompt);
    });
    // The record and plan lists get the frame's handler condition for every
    // user but admin.
    registry.RegisterView(QStringLiteral("CTraceSearchView"), [](const ViewContext& context) {
        return new CTraceSearchView(context.connection, context.prompt, context.filter);
    });
    registry.RegisterView(QStringLiteral("CReportView"), [](const ViewContext& context) {
        return new CReportView(context.connection, context.prompt,
                               {context.userName, context.admin});
    });
    registry.RegisterView(QStringLiteral("CTrackPlanSearchView"), [](const ViewContext& context) {
        return new CTrackPlanSearchView(context.connection, context.prompt, context.filter);
    });
    // 付款方式 and any list that a definition alone describes; null (the
    // frame keeps its view) when the table cannot be read.
    registry.RegisterView(QStringLiteral("CDataListView_"), [](const ViewContext& context) {
        return CDataListView_::Open(context.connection, context.prompt, context.definition,
                                    context.caption);
    });
}
