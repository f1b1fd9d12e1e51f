#include "business/TrackPlanView.h"

#include "base/IniFile.h"
#include "business/TraceDlg.h"
#include "db/DbConnection.h"
#include "db/QueryBinder.h"
#include "framework/CommandIds.h"
#include "framework/GridRowPatch.h"
#include "framework/ListToolbar.h"
#include "ui/Prompt.h"

CTrackPlanView::CTrackPlanView(DbConnection& connection, Prompt& prompt, const QString& filter,
                               QWidget* parent)
    : CTraceListBase(connection, prompt, TraceKind::Plan, filter, QStringLiteral("CTrackPlanView"),
                     parent) {
    setObjectName(QStringLiteral("CTrackPlanView"));
    CreateParts({{QStringLiteral("KeyId"), QStringLiteral("编号")},
                 {QStringLiteral("Contact"), QStringLiteral("联系人")},
                 {QStringLiteral("Title"), QStringLiteral("标题")},
                 {QStringLiteral("PlanTime"), QStringLiteral("时间")}},
                QStringLiteral(" order by PlanTime, KeyId "));
    toolbar_->AddButton(QStringLiteral("添加"), Command::Add, 50);
    toolbar_->AddButton(QStringLiteral("编辑"), Command::Edit, 50);
    toolbar_->AddButton(QStringLiteral("删除"), Command::Delete, 50);
}

bool CTrackPlanView::OnCommand(int id) {
    if (id == Command::Add) {
        AddPlan();
        return true;
    }
    return CTraceListBase::OnCommand(id);
}

void CTrackPlanView::SetCustomer(int customerKey) {
    customerKey_ = customerKey;
    ListCustomerRows(customerKey);
}

void CTrackPlanView::AddPlan() {
    if (customerKey_ < 1)
        return;
    IniFile bag;
    AddRow(bag);
}
