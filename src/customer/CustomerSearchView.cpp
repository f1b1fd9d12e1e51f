#include "customer/CustomerSearchView.h"

#include "customer/AddressListExport.h"
#include "customer/CustomerImport.h"
#include "customer/CustomerSearchDlg.h"
#include "customer/CustomerStatements.h"
#include "db/QueryBinder.h"
#include "framework/CommandIds.h"
#include "framework/ListToolbar.h"
#include "framework/SelectedRows.h"
#include "ui/GridCtrl.h"
#include "ui/Prompt.h"

#include <QMenu>
#include <QSplitter>
#include <QVBoxLayout>

CCustomerSearchView::CCustomerSearchView(DbConnection& connection, Prompt& prompt,
                                         const CustomerViewArgs& args, QWidget* parent)
    : CCustomerView(connection, prompt, args, QStringLiteral("ListCustomer"), parent) {
    setObjectName(QStringLiteral("CCustomerSearchView"));
    CreateParts(QStringLiteral("CustomerSearchGrid"));

    const auto run = [this](int id) { OnCommand(id); };
    QMenu* exportMenu = MakeCommandMenu(this, QStringLiteral("Menu142"),
                                        {{QStringLiteral("导出邮件地址"), Command::ExportEmail},
                                         {QStringLiteral("导出手机号码"), Command::ExportMobile},
                                         {QStringLiteral("导出传真号码"), Command::ExportFax}},
                                        run);
    MakeCommandMenu(this, QStringLiteral("Menu137"),
                    {{QStringLiteral("查询(&Q)"), Command::Find},
                     {QStringLiteral("帐户通知"), Command::AccountNotice},
                     {QStringLiteral("统计总额"), Command::Statistics},
                     {QStringLiteral("变更分类"), Command::ChangeClass}},
                    run);
    toolbar_->AddButton(QStringLiteral("添加"), Command::Add, 60);
    toolbar_->AddButton(QStringLiteral("编辑"), Command::Edit, 60);
    toolbar_->AddButton(QStringLiteral("删除"), Command::Delete, 60);
    toolbar_->AddButton(QStringLiteral("查找"), Command::Find, 60);
    toolbar_->AddButton(QStringLiteral("上页"), Command::PrevPage, 50);
    toolbar_->AddButton(QStringLiteral("下页"), Command::NextPage, 50);
    toolbar_->AddButton(QStringLiteral("导入"), Command::ImportCustomers, 60);
    toolbar_->AddMenuButton(QStringLiteral("导出"), 60, exportMenu);
    toolbar_->AddButton(QStringLiteral("变更分类"), Command::ChangeClass, 80);

    BindColumns({{QStringLiteral("KeyId"), QStringLiteral("编号")},
                 {QStringLiteral("CustomerName"), QStringLiteral("客户名称")},
                 {QStringLiteral("Handler"), QStringLiteral("经理人")},
                 {QStringLiteral("Contact"), QStringLiteral("联系人")},
                 {QStringLiteral("Mobile"), QStringLiteral("手机号码")},
                 {QStringLiteral("Email"), QStringLiteral("电子邮件")},
                 {QStringLiteral("Phone"), QStringLiteral("电话")},
                 {QStringLiteral("Fax"), QStringLiteral("传真")},
                 {QStringLiteral("Comment"), QStringLiteral("备注")},
                 {QStringLiteral("LastTime"), QStringLiteral("时间")}});

    auto* panes = new QSplitter(Qt::Vertical, this);
    panes->addWidget(grid_);
    panes->addWidget(detailPane_);
    panes->setStretchFactor(0, 1);
    panes->setSizes({300, 200});
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolbar_);
    layout->addWidget(panes, 1);

    SetConditions({});
    Reload();
}

bool CCustomerSearchView::OnCommand(int id) {
    switch (id) {
    case Command::Add:
        AddCustomer(0, QStringLiteral("未分类/"));
        return true;
    case Command::Delete:
        DeleteTopCustomer();
        return true;
    case Command::Find: {
        CustomerCriteria criteria;
        if (AskCustomerCriteria(prompt_, this, criteria))
            Search(criteria);
        return true;
    }
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
    case Command::ChangeClass:
        MoveToClass(QStringLiteral("请选择要变更的客户"));
        return true;
    case Command::ImportCustomers:
        // The new customers carry the newest LastTime, so they head the
        // reloaded first page.
        if (ImportCustomers(prompt_, connection_, this).imported > 0)
            Reload();
        return true;
    case Command::ExportEmail:
        Export(QStringLiteral("导出邮件地址"));
        return true;
    case Command::ExportMobile:
        Export(QStringLiteral("导出手机号码"));
        return true;
    case Command::ExportFax:
        Export(QStringLiteral("导出传真号码"));
        return true;
    default:
        return CCustomerView::OnCommand(id);
    }
}

void CCustomerSearchView::Search(const CustomerCriteria& criteria) {
    SetConditions(criteria.Conditions());
    Reload();
}

void CCustomerSearchView::Export(const QString& what) {
    // The address lists are the administrator's alone (checked first).
    const AddressListExport::Kind kind =
        what == QStringLiteral("导出邮件地址")   ? AddressListExport::Kind::Email
        : what == QStringLiteral("导出手机号码") ? AddressListExport::Kind::Mobile
                                                 : AddressListExport::Kind::Fax;
    // The rows the view selects: its base and search conditions, all pages.
    AddressListExport::Run(prompt_, connection_, kind, admin_, Binder().GetTable(),
                           Binder().BuildWhere(), Binder().GetOrderClause());
}

void CCustomerSearchView::DeleteTopCustomer() {
    if (!SelectedRows::HasSelection(*grid_)) {
        prompt_.Message(QStringLiteral("请选择要删除的信息!"));
        return;
    }
    const int row = SelectedRows::TopRow(*grid_);
    int key = 0;
    if (!SelectedRows::ParseKey(grid_->GetItemText(row, 0).trimmed(), key)) {
        prompt_.Message(QStringLiteral("请选择要删除的信息!"));
        return;
    }
    if (prompt_.Ask(QStringLiteral("所有与此客户相关的联系人，沟通记录，销售记录，采购记录等都将被"
                                   "删除!\r\n\r\n确定要删除此客户资料吗?"),
                    Prompt::Buttons::OkCancel, QStringLiteral("警告"),
                    Prompt::Icon::Question) != Prompt::Answer::Ok)
        return;
    QString error;
    bool deleted = false;
    {
        WaitCursor wait(prompt_);
        deleted = CustomerStatements::DeleteWithRelatedRows(connection_, key, error);
    }
    if (!deleted) {
        prompt_.Message(error);
        return;
    }
    grid_->DeleteRow(row);
    // The row that took its place, or the new last row, is the selection.
    const int next = qMin(row, grid_->GetRowCount() - 1);
    grid_->ResetSelectedRange();
    if (next >= grid_->GetFixedRowCount()) {
        grid_->SetSelectedRange(next, grid_->GetFixedColumnCount(), next,
                                grid_->GetColumnCount() - 1);
        grid_->SetFocusCell(next, 1);
    }
    grid_->Refresh();
    UpdateShownCustomer();
}
