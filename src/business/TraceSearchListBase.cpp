#include "business/TraceSearchListBase.h"

#include "business/TraceSearchDlg.h"
#include "framework/CommandIds.h"
#include "framework/ListToolbar.h"

bool CTraceSearchListBase::OnCommand(int id) {
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

void CTraceSearchListBase::Search(const TraceCriteria& criteria) {
    SetConditions(criteria.Conditions(TraceStatements::TimeColumn(kind_)));
    Reload();
}

void CTraceSearchListBase::AddSearchButtons(const QList<QPair<QString, int>>& own) {
    toolbar_->AddButton(QStringLiteral("查找"), Command::Find, 50);
    toolbar_->AddButton(QStringLiteral("编辑"), Command::Edit, 50);
    for (const auto& [caption, command] : own)
        toolbar_->AddButton(caption, command, 50);
    toolbar_->AddButton(QStringLiteral("客户资料"), Command::CustomerInfo, 80);
    toolbar_->AddButton(QStringLiteral("删除"), Command::Delete, 50);
    toolbar_->AddButton(QStringLiteral("上页"), Command::PrevPage, 50);
    toolbar_->AddButton(QStringLiteral("下页"), Command::NextPage, 50);
}
