#include "business/TrackPlanSearchView.h"

#include "business/TraceRowColours.h"
#include "db/QueryBinder.h"
#include "framework/CommandIds.h"
#include "framework/SelectedRows.h"
#include "ui/Prompt.h"

CTrackPlanSearchView::CTrackPlanSearchView(DbConnection& connection, Prompt& prompt,
                                           const QString& filter, QWidget* parent)
    : CTraceSearchListBase(connection, prompt, TraceKind::Plan, filter,
                           QStringLiteral("CTrackPlanSearchView"), parent) {
    setObjectName(QStringLiteral("CTrackPlanSearchView"));
    CreateParts({{QStringLiteral("KeyId"), QStringLiteral("编号")},
                 {QStringLiteral("CustomerID"), QStringLiteral("客户编号")},
                 {QStringLiteral("CustomerName"), QStringLiteral("客户名称")},
                 {QStringLiteral("Title"), QStringLiteral("标题")},
                 {QStringLiteral("Contact"), QStringLiteral("联系人")},
                 {QStringLiteral("Handler"), QStringLiteral("经理人")},
                 {QStringLiteral("PlanTime"), QStringLiteral("时间")}},
                // The key breaks ties, so paging through plans of the same time
                // neither repeats nor skips one.
                QStringLiteral(" order by PlanTime, KeyId "));
    AddSearchButtons({{QStringLiteral("完成"), Command::CompletePlan}});

    SetConditions({});
    Reload();
}

bool CTrackPlanSearchView::OnCommand(int id) {
    switch (id) {
    case Command::CompletePlan:
        CompletePlan();
        return true;
    default:
        return CTraceSearchListBase::OnCommand(id);
    }
}

void CTrackPlanSearchView::AfterLoad() {
    TraceRowColours::ColourPlans(*grid_, Binder().FindColumn(QStringLiteral("PlanTime")),
                                 QDate::currentDate());
}

void CTrackPlanSearchView::CompletePlan() {
    const int key = SelectedRows::KeyOfRow(*grid_, SelectedRows::TopRow(*grid_));
    if (key < 1) {
        prompt_.Message(QStringLiteral("请选择要编辑的信息!"));
        return;
    }
    QString message;
    TraceStatements::Completion done = TraceStatements::Completion::Failed;
    {
        WaitCursor wait(prompt_);
        done = TraceStatements::CompletePlan(connection_, key, TraceStatements::Now(), message);
    }
    switch (done) {
    case TraceStatements::Completion::Failed:
        prompt_.Message(message);
        return;
    case TraceStatements::Completion::NotFound:
        // Another desk completed or deleted it: show the list as it is now.
        Note(QStringLiteral("该计划已不存在"));
        Reload();
        return;
    case TraceStatements::Completion::Done:
        Note(QStringLiteral("计划已完成，已记入沟通记录"));
        Reload();
        return;
    }
}
