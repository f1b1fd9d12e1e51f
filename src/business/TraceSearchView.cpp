#include "business/TraceSearchView.h"

#include "business/TraceRowColours.h"
#include "db/QueryBinder.h"

CTraceSearchView::CTraceSearchView(DbConnection& connection, Prompt& prompt, const QString& filter,
                                   QWidget* parent)
    : CTraceSearchListBase(connection, prompt, TraceKind::Record, filter,
                           QStringLiteral("CTraceSearchView"), parent) {
    setObjectName(QStringLiteral("CTraceSearchView"));
    CreateParts({{QStringLiteral("KeyId"), QStringLiteral("编号")},
                 {QStringLiteral("CustomerName"), QStringLiteral("客户名称")},
                 {QStringLiteral("Contact"), QStringLiteral("联系人")},
                 {QStringLiteral("Handler"), QStringLiteral("经理人")},
                 {QStringLiteral("Title"), QStringLiteral("标题")},
                 {QStringLiteral("FDTime"), QStringLiteral("时间")}},
                QStringLiteral(" order by KeyId desc "));
    AddSearchButtons({});

    SetConditions({});
    Reload();
}

void CTraceSearchView::AfterLoad() {
    TraceRowColours::ColourRecords(*grid_, Binder().FindColumn(QStringLiteral("FDTime")),
                                   QDate::currentDate());
}
