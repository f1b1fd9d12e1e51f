#include "business/StockChanceListView.h"

#include "base/IniFile.h"
#include "business/StockChanceDlg.h"
#include "business/StockChanceSearchDlg.h"
#include "customer/CustomerDlg.h"
#include "db/DbConnection.h"
#include "db/QueryBinder.h"
#include "db/SqlLiteral.h"
#include "framework/ClassFilter.h"
#include "framework/ClassMaintenance.h"
#include "framework/ClassPickerDlg.h"
#include "framework/ClassTreeCtrl.h"
#include "framework/CommandIds.h"
#include "framework/ListToolbar.h"
#include "framework/SelectedRows.h"
#include "ui/ColorRef.h"
#include "ui/GridCtrl.h"
#include "ui/Prompt.h"

#include <QCheckBox>
#include <QCursor>
#include <QLabel>
#include <QMenu>
#include <QSplitter>

namespace {

const QString kClassColumn = QStringLiteral("StockClass");
const QString kOrder = QStringLiteral(" order by KeyId desc");
constexpr quint32 kStripColour = 9457929;

} // namespace

CStockChanceListView::CStockChanceListView(DbConnection& connection, Prompt& prompt,
                                           QWidget* parent)
    : CRecordListView(connection, prompt, QStringLiteral("StockChance"), QString(),
                      QStringLiteral("CStockChanceListView"), parent) {
    setObjectName(QStringLiteral("CStockChanceListView"));
    CreateParts({{QStringLiteral("KeyId"), QStringLiteral("编号")},
                 {QStringLiteral("Name"), QStringLiteral("产品名称")},
                 {QStringLiteral("Price"), QStringLiteral("价格")},
                 {QStringLiteral("CustomerName"), QStringLiteral("供应商名称")}},
                kOrder);

    tree_ = new ClassTreeCtrl(connection_, prompt_, this);
    tree_->setObjectName(QStringLiteral("StockClassTree"));
    tree_->setProperty("controlId", Command::TreeControl);
    tree_->SetTable(QStringLiteral("StockClass"), QStringLiteral("采购项目分类"));
    classes_ = std::make_unique<ClassMaintenance>(
        *tree_, connection_, prompt_,
        ClassMembers{QStringLiteral("StockChance"), kClassColumn, QStringLiteral("ClassPath"),
                     QStringLiteral("目录非空，请先删除或移走其中的采购机会")},
        this);

    const auto run = [this](int id) { OnCommand(id); };
    QMenu* classMenu = MakeCommandMenu(this, QStringLiteral("Menu140"),
                                       {{QStringLiteral("添加分类"), Command::AddClass},
                                        {QStringLiteral("变更分类名称"), Command::RenameClass},
                                        {QStringLiteral("删除分类"), Command::DeleteClass}},
                                       run);
    QMenu* rowMenu = MakeCommandMenu(this, QStringLiteral("Menu138"),
                                     {{QStringLiteral("查询(&Q)"), Command::Find},
                                      {QStringLiteral("添加供应商"), Command::AddProvider},
                                      {QStringLiteral("查看供应商资料"), Command::CustomerInfo},
                                      {QStringLiteral("帐户通知"), Command::AccountNotice},
                                      {QStringLiteral("统计总额"), Command::Statistics},
                                      {QStringLiteral("变更分类"), Command::ChangeClass}},
                                     run);
    toolbar_->AddMenuButton(QStringLiteral("管理分类"), 80, classMenu);
    toolbar_->AddButton(QStringLiteral("查看供应商"), Command::CustomerInfo, 100);
    toolbar_->AddButton(QStringLiteral("编辑"), Command::Edit, 50);
    toolbar_->AddButton(QStringLiteral("查找"), Command::Find, 50);
    toolbar_->AddButton(QStringLiteral("删除"), Command::Delete, 50);
    toolbar_->AddButton(QStringLiteral("上页"), Command::PrevPage, 50);
    toolbar_->AddButton(QStringLiteral("下页"), Command::NextPage, 50);
    connect(grid_, &CGridCtrl::RightClick, this,
            [rowMenu](int, int) { rowMenu->popup(QCursor::pos()); });

    auto* panes = new QSplitter(Qt::Horizontal, this);
    panes->addWidget(tree_);
    panes->addWidget(grid_);
    panes->setStretchFactor(1, 1);
    panes->setSizes({150, 600});
    auto* strip = new QLabel(this);
    strip->setObjectName(QStringLiteral("StatusStrip"));
    strip->setFixedHeight(24);
    strip->setAutoFillBackground(true);
    QPalette colours = strip->palette();
    colours.setColor(QPalette::Window, ColorRef::ToColor(kStripColour));
    colours.setColor(QPalette::WindowText, Qt::white);
    strip->setPalette(colours);
    PlaceGrid(panes, strip);

    connect(tree_, &ClassTreeCtrl::NodeSelected, this, &CStockChanceListView::FilterByNode);
    tree_->LoadAndSelectFirst();
}

CStockChanceListView::~CStockChanceListView() = default;

void CStockChanceListView::FilterByNode(QTreeWidgetItem* node) {
    if (!node)
        return;
    const QString condition = ClassFilter::NodeCondition(*tree_, node, kClassColumn);
    // A few classes hold a few hundred rows: found by class and sorted, they
    // are a page at once. PostgreSQL reads a page through a cursor and plans
    // it for its first rows, so it would rather walk the key order and test
    // every row against the classes (a fifth of the table before a class of
    // ten classes fills a page); a sort key no index gives keeps it off that.
    Binder().SetOrderClause(
        ClassFilter::WalksListOrder(condition) ? kOrder : QStringLiteral(" order by KeyId+0 desc"));
    SetConditions({condition});
    Reload();
}

void CStockChanceListView::Search(const StockChanceCriteria& criteria) {
    Binder().SetOrderClause(kOrder);
    SetConditions(criteria.Conditions());
    Reload();
}

bool CStockChanceListView::OnCommand(int id) {
    if (classes_->OnCommand(id))
        return true;
    switch (id) {
    case Command::Edit:
        EditTopRow(QStringLiteral("请选择要修改的信息!"));
        return true;
    case Command::CustomerInfo:
        ShowCustomerOfRow(QStringLiteral("请选择要修改的信息!"),
                          QStringLiteral("供应商资料已经不存在"));
        return true;
    case Command::Find: {
        StockChanceCriteria criteria;
        if (AskStockChanceCriteria(prompt_, this, criteria))
            Search(criteria);
        return true;
    }
    case Command::Delete:
        DeleteSelectedRows();
        // The page shows the table again, rows of other desks included.
        Reload();
        return true;
    case Command::ChangeClass:
        MoveToClass();
        return true;
    case Command::AddProvider:
        AddProvider();
        return true;
    case Command::AccountNotice:
    case Command::Statistics:
        return true; // offered by the shared menu, nothing to do for opportunities
    default:
        return CRecordListView::OnCommand(id);
    }
}

bool CStockChanceListView::RunForm(IniFile& bag) {
    return RunStockChanceForm(prompt_, connection_, this, bag);
}

void CStockChanceListView::MoveToClass() {
    if (!SelectedRows::HasSelection(*grid_)) {
        prompt_.Message(QStringLiteral("请选择要变更的站点"));
        return;
    }
    int classKey = 0;
    QString classPath;
    if (!PickClass(prompt_, connection_, this, QStringLiteral("StockClass"),
                   QStringLiteral("采购项目"), classKey, classPath))
        return;
    const QString set = QStringLiteral("update StockChance set StockClass=") +
                        SqlLiteral::Long(classKey) + QStringLiteral(",ClassPath=") +
                        SqlLiteral::Text(classPath) + QStringLiteral(" where KeyId=");
    {
        WaitCursor wait(prompt_);
        SelectedRows::RunRows(
            connection_, prompt_, SelectedRows::BottomUp(*grid_), [&](int row, QString& error) {
                int key = 0;
                if (!SelectedRows::ParseKey(grid_->GetItemText(row, 0).trimmed(), key)) {
                    error = QStringLiteral("编号无效: ") + grid_->GetItemText(row, 0);
                    return false;
                }
                if (connection_.Execute(set + SqlLiteral::Long(key)) != 1) {
                    error = connection_.GetLastError();
                    return false;
                }
                return true;
            });
    }
    Reload();
}

void CStockChanceListView::AddProvider() {
    // A supplier is a customer row marked as one; the box starts ticked so
    // that the new row shows in 供应商管理 at once.
    CustomerFormArgs args;
    args.category = QStringLiteral("供应商");
    IniFile bag;
    CCustomerDlg form(prompt_, connection_, args, bag, this);
    form.ProviderBox()->setChecked(true);
    if (prompt_.RunModal(form) == QDialog::Accepted)
        Note(QStringLiteral("已添加供应商: ") +
             bag.GetString(QStringLiteral("."), QStringLiteral("CustomerName")));
}
