#include "business/TraceSearchView.h"

#include "business/TraceRowColours.h"
#include "business/TraceSearchDlg.h"
#include "db/QueryBinder.h"
#include "framework/CommandIds.h"
#include "framework/ListToolbar.h"

CTraceSearchView::CTraceSearchView(DbConnection& connection, Prompt& prompt, const QString& filter,
                                   QWidget* parent)
    : CTraceListBase(connection, prompt, TraceKind::Record, filter,
                     QStringLiteral("CTraceSearchView"), parent) {
    setObjectName(QStringLiteral("CTraceSearchView"));
    CreateParts({{QStringLiteral("KeyId"), QStringLiteral("编号")},
                 {QStringLiteral("CustomerName"), QStringLiteral("客户名称")},
                 {QStringLiteral("Contact"), QStringLiteral("联系人")},
                 {QStringLiteral("Handler"), QStringLiteral("经理人")},
                 {QStringLiteral("Title"), QStringLiteral("标题")},
                 {QStringLiteral("FDTime"), QStringLiteral("时间")}},
                QStringLiteral(" order by KeyId desc "));
    toolbar_->AddButton(QStringLiteral("查找"), Command::Find, 50);
    toolbar_->AddButton(QStringLiteral("编辑"), Command::Edit, 50);
    toolbar_->AddButton(QStringLiteral("客户资料"), Command::CustomerInfo, 80);
    toolbar_->AddButton(QStringLiteral("删除"), Command::Delete, 50);
    toolbar_->AddButton(QStringLiteral("上页"), Command::PrevPage, 50);
    toolbar_->AddButton(QStringLiteral("下页"), Command::NextPage, 50);

    SetConditions({});
    Reload();
}

bool CTraceSearchView::OnCommand(int id) {
    switch (id) {
    case Command::Find: {
        TraceCriteria criteria;
        if (AskTraceCriteria(prompt_, this, criteria))
            Search(criteria);
        return true;
    }
    case Command::CustomerInfo:
        ShowCustomer();
        return true;
    default:
        return CTraceListBase::OnCommand(id);
    }
}

void CTraceSearchView::Search(const TraceCriteria& criteria) {
    SetConditions(criteria.Conditions(QStringLiteral("FDTime")));
    Reload();
}

void CTraceSearchView::ColourRows() {
    TraceRowColours::ColourRecords(*grid_, Binder().FindColumn(QStringLiteral("FDTime")),
                                   QDate::currentDate());
}
