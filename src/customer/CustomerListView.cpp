#include "customer/CustomerListView.h"

#include "customer/CustomerDlg.h"
#include "customer/CustomerSearchDlg.h"
#include "customer/CustomerStatements.h"
#include "db/DbConnection.h"
#include "framework/ClassFilter.h"
#include "framework/ClassMaintenance.h"
#include "framework/ClassTreeCtrl.h"
#include "framework/CommandIds.h"
#include "framework/ListToolbar.h"
#include "framework/SelectedRows.h"
#include "ui/GridCtrl.h"
#include "ui/Prompt.h"

#include <QLabel>
#include <QMenu>
#include <QSplitter>
#include <QVBoxLayout>

CCustomerListView::CCustomerListView(DbConnection& connection, Prompt& prompt,
                                     const CustomerViewArgs& args, QWidget* parent)
    : CCustomerView(connection, prompt, args, QStringLiteral("CCustomerListView"), parent) {
    setObjectName(QStringLiteral("CCustomerListView"));
    CreateParts(QStringLiteral("CustomerListGrid"));

    tree_ = new ClassTreeCtrl(connection_, prompt_, this);
    tree_->setObjectName(QStringLiteral("CustomerClassTree"));
    tree_->setProperty("controlId", Command::TreeControl);
    tree_->SetTable(QStringLiteral("CustomerClass"), QStringLiteral("客户分类"));
    classes_ = std::make_unique<ClassMaintenance>(
        *tree_, connection_, prompt_,
        ClassMembers{QStringLiteral("CustomerData"), QStringLiteral("CustomerClass"),
                     QStringLiteral("ClassPath"), QStringLiteral("目录非空，请先删除客户资料")},
        this);

    const auto run = [this](int id) { OnCommand(id); };
    QMenu* classMenu = MakeCommandMenu(this, QStringLiteral("Menu136"),
                                       {{QStringLiteral("添加分类"), Command::AddClass},
                                        {QStringLiteral("变更分类名称"), Command::RenameClass},
                                        {QStringLiteral("删除分类"), Command::DeleteClass}},
                                       run);
    MakeCommandMenu(this, QStringLiteral("Menu137"),
                    {{QStringLiteral("查询(&Q)"), Command::Find},
                     {QStringLiteral("帐户通知"), Command::AccountNotice},
                     {QStringLiteral("统计总额"), Command::Statistics},
                     {QStringLiteral("变更分类"), Command::ChangeClass}},
                    run);
    toolbar_->AddMenuButton(QStringLiteral("管理分类"), 80, classMenu);
    toolbar_->AddButton(QStringLiteral("添加"), Command::Add, 60);
    toolbar_->AddButton(QStringLiteral("编辑"), Command::Edit, 60);
    toolbar_->AddButton(QStringLiteral("删除"), Command::Delete, 60);
    toolbar_->AddButton(QStringLiteral("查找"), Command::Find, 60);
    toolbar_->AddButton(QStringLiteral("变更分类"), Command::ChangeClass, 80);
    toolbar_->AddButton(QStringLiteral("统计"), Command::Statistics, 60);

    BindColumns({{QStringLiteral("KEYID"), QStringLiteral("编号")},
                 {QStringLiteral("CustomerName"), QStringLiteral("客户名称")},
                 {QStringLiteral("Contact"), QStringLiteral("联系人")},
                 {QStringLiteral("Handler"), QStringLiteral("经理人")},
                 {QStringLiteral("Phone"), QStringLiteral("电话")},
                 {QStringLiteral("Mobile"), QStringLiteral("手机号码")},
                 {QStringLiteral("Fax"), QStringLiteral("传真")},
                 {QStringLiteral("FDLevel"), QStringLiteral("等级")}});

    auto* upper = new QSplitter(Qt::Horizontal, this);
    upper->addWidget(tree_);
    upper->addWidget(grid_);
    upper->setStretchFactor(1, 1);
    upper->setSizes({150, 600});
    auto* panes = new QSplitter(Qt::Vertical, this);
    panes->addWidget(upper);
    panes->addWidget(detailPane_);
    panes->setStretchFactor(0, 1);
    panes->setSizes({300, 200});
    auto* strip = new QLabel(this);
    strip->setObjectName(QStringLiteral("StatusStrip"));
    strip->setFixedHeight(24);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolbar_);
    layout->addWidget(panes, 1);
    layout->addWidget(strip);

    connect(tree_, &ClassTreeCtrl::NodeSelected, this, &CCustomerListView::FilterByNode);
    tree_->LoadAndSelectFirst();
}

CCustomerListView::~CCustomerListView() = default;

QStringList CCustomerListView::NodeConditions(QTreeWidgetItem* node) const {
    return {ClassFilter::NodeCondition(*tree_, node, QStringLiteral("CustomerClass"))};
}

void CCustomerListView::FilterByNode(QTreeWidgetItem* node) {
    if (!node)
        return;
    SetConditions(NodeConditions(node));
    Reload();
}

bool CCustomerListView::OnCommand(int id) {
    if (classes_->OnCommand(id))
        return true;
    switch (id) {
    case Command::Add:
        AddInClass();
        return true;
    case Command::Delete:
        DeleteSelected();
        return true;
    case Command::Find:
        SearchInClass();
        return true;
    case Command::ChangeClass:
        MoveToClass(QStringLiteral("请选择要变更的站点"));
        return true;
    default:
        return CCustomerView::OnCommand(id);
    }
}

void CCustomerListView::AddInClass() {
    QTreeWidgetItem* node = tree_->SelectedNode();
    if (ClassTreeCtrl::KeyOf(node) < 1) {
        prompt_.Message(QStringLiteral("请选择分类!"));
        return;
    }
    AddCustomer(ClassTreeCtrl::KeyOf(node), tree_->PathOf(node));
}

void CCustomerListView::DeleteSelected() {
    if (!SelectedRows::HasSelection(*grid_)) {
        prompt_.Message(QStringLiteral("请选择要删除的信息"));
        return;
    }
    if (prompt_.Ask(QStringLiteral("确定要删除选择的信息吗?"), Prompt::Buttons::OkCancel) !=
        Prompt::Answer::Ok)
        return;
    SelectedRows::RunRows(
        connection_, prompt_, SelectedRows::BottomUp(*grid_), [this](int row, QString& error) {
            int key = 0;
            if (!SelectedRows::ParseKey(grid_->GetItemText(row, 0).trimmed(), key)) {
                error = QStringLiteral("编号无效: ") + grid_->GetItemText(row, 0);
                return false;
            }
            if (connection_.Execute(CustomerStatements::DeleteStatement(key)) != 1) {
                error = connection_.GetLastError();
                return false;
            }
            return true;
        });
    Reload();
}

void CCustomerListView::SearchInClass() {
    // The search narrows the chosen class; the base condition always stays,
    // so no search reaches rows of another kind.
    CustomerCriteria criteria;
    if (!AskCustomerCriteria(prompt_, this, criteria))
        return;
    QStringList conditions;
    if (QTreeWidgetItem* node = tree_->SelectedNode())
        conditions = NodeConditions(node);
    conditions += criteria.Conditions();
    SetConditions(conditions);
    Reload();
}
