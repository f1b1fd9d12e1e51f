#include "customer/CustomerView.h"

#include "base/IniFile.h"
#include "customer/CustomerDlg.h"
#include "customer/CustomerStatements.h"
#include "db/DbConnection.h"
#include "framework/ClassPickerDlg.h"
#include "framework/CommandIds.h"
#include "framework/GridRowPatch.h"
#include "framework/ListGridBinding.h"
#include "framework/ListToolbar.h"
#include "framework/SelectedRows.h"
#include "ui/GridCtrl.h"
#include "ui/Prompt.h"

#include <QCursor>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {

const QString kBag = QStringLiteral(".");
constexpr int kNoteMilliseconds = 5000;

} // namespace

CCustomerView::CCustomerView(DbConnection& connection, Prompt& prompt, const CustomerViewArgs& args,
                             const QString& settingsKey, QWidget* parent)
    : QWidget(parent), connection_(connection), prompt_(prompt), userName_(args.userName),
      baseCondition_(CustomerStatements::Enclosed(args.filter)), admin_(args.admin), args_(args),
      settingsKey_(settingsKey) {}

CCustomerView::~CCustomerView() = default;

QueryBinder& CCustomerView::Binder() const {
    return binding_->Binder();
}

void CCustomerView::CreateParts(const QString& gridName) {
    toolbar_ = new CListToolbar([this](int id) { OnCommand(id); }, this);
    grid_ = new CGridCtrl(0, 0, 0, 0, this);
    grid_->setObjectName(gridName);
    binding_ = std::make_unique<ListGridBinding>(*grid_, settingsKey_);

    if (args_.detailPane)
        pane_ = args_.detailPane(connection_, prompt_, args_, this);
    detailPane_ = pane_ ? pane_ : new QWidget(this);
    detailPane_->setObjectName(QStringLiteral("CustomerDetailTabs"));

    connect(grid_, &CGridCtrl::DoubleClick, this, [this](int row, int) {
        if (row >= grid_->GetFixedRowCount())
            OnCommand(Command::Edit);
    });
    connect(grid_, &CGridCtrl::SelectionChanged, this, [this](int, int) { UpdateShownCustomer(); });
    connect(grid_, &CGridCtrl::RightClick, this, [this](int, int) {
        if (QMenu* menu = findChild<QMenu*>(QStringLiteral("Menu137")))
            menu->popup(QCursor::pos());
    });
}

void CCustomerView::BindColumns(const QList<QPair<QString, QString>>& columns) {
    QueryBinder& binder = binding_->Binder();
    binder.SetTable(QStringLiteral("CustomerData"));
    for (const auto& [field, caption] : columns)
        binder.AddColumn(field, caption);
    binder.SetOrderClause(QStringLiteral(" order by LastTime desc "));
    binding_->Setup(Command::GridControl);
}

void CCustomerView::SetConditions(const QStringList& extra) {
    QueryBinder& binder = Binder();
    binder.ClearConditions();
    if (!baseCondition_.isEmpty())
        binder.AddCondition(baseCondition_);
    for (const QString& condition : extra)
        binder.AddCondition(condition);
    binder.SetPageIndex(0);
}

int CCustomerView::Reload() {
    int result = 0;
    {
        WaitCursor wait(prompt_);
        result = Binder().Load(&connection_);
        binding_->FitColumnsOnce();
    }
    if (!Binder().GetLastError().isEmpty())
        prompt_.Message(Binder().GetLastError() + QStringLiteral("\r\n") +
                        Binder().GetSelectText());
    UpdateShownCustomer();
    return result;
}

bool CCustomerView::OnCommand(int id) {
    switch (id) {
    case Command::Edit:
        EditCustomer();
        return true;
    case Command::Statistics:
        ShowTotal();
        return true;
    case Command::Reload:
        Reload();
        return true;
    case Command::AccountNotice:
        Note(QStringLiteral("帐户通知: 该功能尚未提供"));
        return true;
    default:
        return false;
    }
}

void CCustomerView::UpdateShownCustomer() {
    shownCustomer_ = SelectedRows::KeyOfRow(*grid_, SelectedRows::TopRow(*grid_));
    if (pane_)
        pane_->ShowCustomer(shownCustomer_);
}

void CCustomerView::EditCustomer() {
    if (!SelectedRows::HasSelection(*grid_)) {
        prompt_.Message(QStringLiteral("请选择要修改的信息!"));
        return;
    }
    const int row = SelectedRows::TopRow(*grid_);
    const int key = SelectedRows::KeyOfRow(*grid_, row);
    if (key < 1) {
        prompt_.Message(QStringLiteral("请选择要修改的信息!"));
        return;
    }
    IniFile bag;
    bag.SetInt(kBag, QStringLiteral("KeyId"), key);
    CustomerFormArgs args;
    args.userName = userName_;
    if (!RunCustomerForm(prompt_, connection_, this, args, bag))
        return;
    GridRowPatch::PatchRow(Binder(), *grid_, row, bag);
}

void CCustomerView::AddCustomer(int classKey, const QString& classPath) {
    CustomerFormArgs args;
    args.classKey = classKey;
    args.classPath = classPath;
    args.userName = userName_;
    // A customer added in the supplier (or reseller) views is one, so that it
    // shows in the view it was added from.
    if (const QString category = CustomerStatements::CategoryOfFilter(baseCondition_);
        !category.isEmpty())
        args.category = category;
    IniFile bag;
    if (!RunCustomerForm(prompt_, connection_, this, args, bag))
        return;
    GridRowPatch::InsertRow(Binder(), *grid_, bag);
}

void CCustomerView::MoveToClass(const QString& nothingSelectedText) {
    if (!SelectedRows::HasSelection(*grid_)) {
        prompt_.Message(nothingSelectedText);
        return;
    }
    int classKey = 0;
    QString classPath;
    if (!PickClass(prompt_, connection_, this, QStringLiteral("CustomerClass"), QString(), classKey,
                   classPath))
        return;
    const QList<int> rows = SelectedRows::BottomUp(*grid_);
    SelectedRows::RunRows(connection_, prompt_, rows, [&](int row, QString& error) {
        int key = 0;
        if (!SelectedRows::ParseKey(grid_->GetItemText(row, 0).trimmed(), key)) {
            error = QStringLiteral("编号无效: ") + grid_->GetItemText(row, 0);
            return false;
        }
        if (connection_.Execute(CustomerStatements::MoveStatement(classKey, classPath, key)) != 1) {
            error = connection_.GetLastError();
            return false;
        }
        Binder().SetCellText(row, QStringLiteral("ClassPath"), classPath);
        return true;
    });
    Reload();
}

void CCustomerView::ShowTotal() {
    QString message;
    {
        WaitCursor wait(prompt_);
        CustomerStatements::RunTotal(connection_, Binder().BuildWhere(), message);
    }
    prompt_.Message(message);
}

void CCustomerView::Note(const QString& text) {
    lastNote_ = text;
    if (auto* frame = qobject_cast<QMainWindow*>(window()))
        frame->statusBar()->showMessage(text, kNoteMilliseconds);
}
