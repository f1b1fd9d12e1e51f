#include "business/CustomerTraceView.h"

#include "base/IniFile.h"
#include "framework/CommandIds.h"
#include "framework/ListToolbar.h"

CCustomerTraceView::CCustomerTraceView(DbConnection& connection, Prompt& prompt, QWidget* parent)
    : CTraceListBase(connection, prompt, TraceKind::Record, QString(),
                     QStringLiteral("CCustomerTraceView"), parent) {
    setObjectName(QStringLiteral("CCustomerTraceView"));
    CreateParts({{QStringLiteral("KeyId"), QStringLiteral("编号")},
                 {QStringLiteral("Contact"), QStringLiteral("联系人")},
                 {QStringLiteral("Title"), QStringLiteral("标题")},
                 {QStringLiteral("FDTime"), QStringLiteral("时间")}},
                QStringLiteral(" order by KeyId desc "));
    toolbar_->AddButton(QStringLiteral("添加"), Command::Add, 50);
    toolbar_->AddButton(QStringLiteral("编辑"), Command::Edit, 50);
    toolbar_->AddButton(QStringLiteral("删除"), Command::Delete, 50);
}

bool CCustomerTraceView::OnCommand(int id) {
    if (id != Command::Add)
        return CTraceListBase::OnCommand(id);
    // Without a customer there is nobody to write a record for.
    if (customerKey_ > 0) {
        IniFile bag;
        AddRow(bag);
    }
    return true;
}

void CCustomerTraceView::SetCustomer(int customerKey) {
    customerKey_ = customerKey;
    ListCustomerRows(customerKey);
}
