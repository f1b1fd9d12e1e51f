#include "business/TraceListBase.h"

#include "business/TraceDlg.h"
#include "framework/CommandIds.h"

CTraceListBase::CTraceListBase(DbConnection& connection, Prompt& prompt, TraceKind kind,
                               const QString& filter, const QString& settingsKey, QWidget* parent)
    : CRecordListView(connection, prompt, TraceStatements::Table(kind), filter, settingsKey,
                      parent),
      kind_(kind) {}

bool CTraceListBase::OnCommand(int id) {
    switch (id) {
    case Command::Edit:
        EditTopRow(QStringLiteral("请选择要编辑的信息!"));
        return true;
    case Command::Delete:
        DeleteSelectedRows();
        return true;
    default:
        return CRecordListView::OnCommand(id);
    }
}

bool CTraceListBase::RunForm(IniFile& bag) {
    return RunTraceForm(prompt_, connection_, this, kind_, customerKey_, bag);
}

void CTraceListBase::ShowCustomer() {
    ShowCustomerOfRow(QStringLiteral("请选择要查看的客户!"), QStringLiteral("资料不存在"));
}
