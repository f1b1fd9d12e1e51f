#include "business/TraceListBase.h"

#include "base/IniFile.h"
#include "business/TraceDlg.h"
#include "customer/CustomerDlg.h"
#include "customer/CustomerStatements.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "framework/CommandIds.h"
#include "framework/GridRowPatch.h"
#include "framework/ListGridBinding.h"
#include "framework/ListToolbar.h"
#include "framework/SelectedRows.h"
#include "ui/GridCtrl.h"
#include "ui/Prompt.h"

#include <QMainWindow>
#include <QStatusBar>
#include <QVBoxLayout>

#include <utility>

namespace {

const QString kBag = QStringLiteral(".");
constexpr int kNoteMilliseconds = 5000;

CustomerDetailOpener& DetailOpener() {
    static CustomerDetailOpener opener;
    return opener;
}

} // namespace

void SetCustomerDetailOpener(CustomerDetailOpener opener) {
    DetailOpener() = std::move(opener);
}

CTraceListBase::CTraceListBase(DbConnection& connection, Prompt& prompt, TraceKind kind,
                               const QString& filter, const QString& settingsKey, QWidget* parent)
    : QWidget(parent), connection_(connection), prompt_(prompt), kind_(kind),
      baseCondition_(CustomerStatements::Enclosed(filter)), settingsKey_(settingsKey) {}

CTraceListBase::~CTraceListBase() = default;

QueryBinder& CTraceListBase::Binder() const {
    return binding_->Binder();
}

void CTraceListBase::CreateParts(const QList<QPair<QString, QString>>& columns,
                                 const QString& orderClause) {
    toolbar_ = new CListToolbar([this](int id) { OnCommand(id); }, this);
    grid_ = new CGridCtrl(0, 0, 0, 0, this);
    grid_->setObjectName(settingsKey_ + QStringLiteral("Grid"));
    binding_ = std::make_unique<ListGridBinding>(*grid_, settingsKey_);
    QueryBinder& binder = binding_->Binder();
    binder.SetTable(TraceStatements::Table(kind_));
    for (const auto& [field, caption] : columns)
        binder.AddColumn(field, caption);
    binder.SetOrderClause(orderClause);
    binding_->Setup(Command::GridControl);

    connect(grid_, &CGridCtrl::DoubleClick, this, [this](int row, int) {
        if (row >= grid_->GetFixedRowCount())
            OnCommand(Command::Edit);
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolbar_);
    layout->addWidget(grid_, 1);
}

void CTraceListBase::SetConditions(const QStringList& extra) {
    QueryBinder& binder = Binder();
    binder.ClearConditions();
    if (!baseCondition_.isEmpty())
        binder.AddCondition(baseCondition_);
    for (const QString& condition : extra)
        binder.AddCondition(condition);
    binder.SetPageIndex(0);
}

int CTraceListBase::Reload() {
    int result = 0;
    {
        WaitCursor wait(prompt_);
        result = Binder().Load(&connection_);
    }
    if (!Binder().GetLastError().isEmpty())
        prompt_.Message(Binder().GetLastError() + QStringLiteral("\r\n") +
                        Binder().GetSelectText());
    ColourRows();
    return result;
}

bool CTraceListBase::OnCommand(int id) {
    switch (id) {
    case Command::Edit:
        EditRow();
        return true;
    case Command::Delete:
        DeleteRows();
        return true;
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
    default:
        return false;
    }
}

void CTraceListBase::EditRow() {
    const int row = SelectedRows::TopRow(*grid_);
    const int key = SelectedRows::KeyOfRow(*grid_, row);
    if (key < 1) {
        prompt_.Message(QStringLiteral("请选择要编辑的信息!"));
        return;
    }
    IniFile bag;
    bag.SetInt(kBag, QStringLiteral("KeyId"), key);
    if (!RunTraceForm(prompt_, connection_, this, kind_, 0, bag))
        return;
    GridRowPatch::PatchRow(Binder(), *grid_, row, bag);
    ColourRows();
}

void CTraceListBase::DeleteRows() {
    if (!SelectedRows::HasSelection(*grid_)) {
        prompt_.Message(QStringLiteral("请选择要删除的信息"));
        return;
    }
    if (prompt_.Ask(QStringLiteral("确定要删除选择的信息吗?"), Prompt::Buttons::OkCancel) !=
        Prompt::Answer::Ok)
        return;
    const QList<int> rows = SelectedRows::BottomUp(*grid_);
    QList<int> deleted;
    SelectedRows::BatchResult result;
    {
        WaitCursor wait(prompt_);
        result = SelectedRows::RunRows(connection_, prompt_, rows, [&](int row, QString& error) {
            int key = 0;
            if (!SelectedRows::ParseKey(grid_->GetItemText(row, 0).trimmed(), key)) {
                error = QStringLiteral("编号无效: ") + grid_->GetItemText(row, 0);
                return false;
            }
            if (connection_.Execute(TraceStatements::DeleteByKey(kind_, key)) != 1) {
                error = connection_.GetLastError();
                return false;
            }
            deleted.append(row);
            return true;
        });
    }
    // Rows leave the grid only once their deletion is committed; `deleted`
    // runs bottom-up, so the rows above keep their indexes.
    if (!result.committed)
        return;
    for (const int row : std::as_const(deleted))
        grid_->DeleteRow(row);
    grid_->ResetSelectedRange();
    grid_->Refresh();
    ColourRows();
}

void CTraceListBase::ShowCustomer() {
    const int row = SelectedRows::TopRow(*grid_);
    const int key = SelectedRows::KeyOfRow(*grid_, row);
    if (key < 1) {
        prompt_.Message(QStringLiteral("请选择要查看的客户!"));
        return;
    }
    const QString sql = TraceStatements::CustomerOfRow(kind_, key);
    int customer = 0;
    {
        DbRecordset rs(connection_);
        if (!rs.Open(sql)) {
            prompt_.Message(sql + QStringLiteral("\r\n") + rs.GetLastError());
            return;
        }
        if (rs.IsEOF()) {
            prompt_.Message(QStringLiteral("资料不存在"));
            return;
        }
        customer = rs.GetLong(QStringLiteral("CustomerId"));
    }
    if (DetailOpener()) {
        DetailOpener()(customer, this);
        return;
    }
    IniFile bag;
    bag.SetInt(kBag, QStringLiteral("KeyId"), customer);
    RunCustomerForm(prompt_, connection_, this, CustomerFormArgs(), bag);
}

void CTraceListBase::Note(const QString& text) {
    lastNote_ = text;
    if (auto* frame = qobject_cast<QMainWindow*>(window()))
        frame->statusBar()->showMessage(text, kNoteMilliseconds);
}
