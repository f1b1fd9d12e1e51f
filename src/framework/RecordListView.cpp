#include "framework/RecordListView.h"

#include "base/IniFile.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/SqlLiteral.h"
#include "framework/CommandIds.h"
#include "framework/CustomerDetail.h"
#include "framework/ExportTarget.h"
#include "framework/GridRowPatch.h"
#include "framework/ListGridBinding.h"
#include "framework/ListToolbar.h"
#include "framework/QueryExport.h"
#include "framework/SelectedRows.h"
#include "ui/GridCtrl.h"
#include "ui/Prompt.h"

#include <QMainWindow>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {

const QString kBag = QStringLiteral(".");
constexpr int kNoteMilliseconds = 5000;

QString Enclosed(const QString& condition) {
    if (condition.trimmed().isEmpty())
        return QString();
    return QStringLiteral("(") + condition + QStringLiteral(")");
}

} // namespace

CRecordListView::CRecordListView(DbConnection& connection, Prompt& prompt, const QString& table,
                                 const QString& filter, const QString& settingsKey, QWidget* parent)
    : QWidget(parent), connection_(connection), prompt_(prompt), table_(table),
      baseCondition_(Enclosed(filter)), settingsKey_(settingsKey) {}

CRecordListView::~CRecordListView() = default;

QueryBinder& CRecordListView::Binder() const {
    return binding_->Binder();
}

void CRecordListView::CreateParts(const QList<QPair<QString, QString>>& columns,
                                  const QString& orderClause, int gridControlId) {
    toolbar_ = new CListToolbar([this](int id) { OnCommand(id); }, this);
    grid_ = new CGridCtrl(0, 0, 0, 0, this);
    grid_->setObjectName(settingsKey_ + QStringLiteral("Grid"));
    binding_ = std::make_unique<ListGridBinding>(*grid_, settingsKey_);
    QueryBinder& binder = binding_->Binder();
    binder.SetTable(table_);
    for (const auto& [field, caption] : columns)
        binder.AddColumn(field, caption);
    binder.SetOrderClause(orderClause);
    binding_->Setup(gridControlId);

    connect(grid_, &CGridCtrl::DoubleClick, this, [this](int row, int) {
        if (row >= grid_->GetFixedRowCount())
            OnCommand(Command::Edit);
    });

    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
    layout_->addWidget(toolbar_);
    layout_->addWidget(grid_, 1);
}

void CRecordListView::PlaceGrid(QWidget* holder, QWidget* below) {
    // The grid left the layout when the holder took it as a child.
    layout_->removeWidget(grid_);
    layout_->insertWidget(1, holder, 1);
    if (below)
        layout_->addWidget(below);
}

void CRecordListView::SetConditions(const QStringList& extra) {
    QueryBinder& binder = Binder();
    binder.ClearConditions();
    if (!baseCondition_.isEmpty())
        binder.AddCondition(baseCondition_);
    for (const QString& condition : extra)
        binder.AddCondition(condition);
    binder.SetPageIndex(0);
}

void CRecordListView::ListCustomerRows(int customerKey) {
    SetConditions(
        {QStringLiteral("(CustomerId=") + SqlLiteral::Long(customerKey) + QStringLiteral(")")});
    Reload();
}

int CRecordListView::Reload() {
    int result = 0;
    {
        WaitCursor wait(prompt_);
        result = Binder().Load(&connection_);
    }
    if (!Binder().GetLastError().isEmpty())
        prompt_.Message(Binder().GetSelectText() + QStringLiteral("\r\n") +
                        Binder().GetLastError());
    binding_->FitColumnsOnce();
    AfterLoad();
    return result;
}

bool CRecordListView::OnCommand(int id) {
    switch (id) {
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

bool CRecordListView::RunForm(IniFile&) {
    return false;
}

void CRecordListView::EditTopRow(const QString& noSelection) {
    const int row = SelectedRows::TopRow(*grid_);
    const int key = SelectedRows::KeyOfRow(*grid_, row);
    if (key < 1) {
        prompt_.Message(noSelection);
        return;
    }
    IniFile bag;
    bag.SetInt(kBag, QStringLiteral("KeyId"), key);
    if (!RunForm(bag))
        return;
    GridRowPatch::PatchRow(Binder(), *grid_, row, bag);
    AfterLoad();
}

void CRecordListView::AddRow(IniFile& bag) {
    if (!RunForm(bag))
        return;
    GridRowPatch::InsertRow(Binder(), *grid_, bag);
    AfterLoad();
}

void CRecordListView::DeleteSelectedRows() {
    DeleteSelectedRows(QStringLiteral("确定要删除选择的信息吗?"));
}

void CRecordListView::DeleteSelectedRows(const QString& question) {
    if (!SelectedRows::HasSelection(*grid_)) {
        prompt_.Message(QStringLiteral("请选择要删除的信息"));
        return;
    }
    if (prompt_.Ask(question, Prompt::Buttons::OkCancel) != Prompt::Answer::Ok)
        return;
    const QList<int> rows = SelectedRows::BottomUp(*grid_);
    QList<int> deleted;
    SelectedRows::BatchResult result;
    {
        WaitCursor wait(prompt_);
        result = SelectedRows::RunRows(connection_, prompt_, rows, [&](int row, QString& error) {
            if (!DeleteRowRecord(row, error))
                return false;
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
    AfterLoad();
}

bool CRecordListView::DeleteRowRecord(int row, QString& error) {
    QString condition;
    if (!RowKeyCondition(row, condition, error))
        return false;
    if (connection_.Execute(QStringLiteral("delete from ") + table_ + QStringLiteral(" where ") +
                            condition) != 1) {
        error = connection_.GetLastError();
        return false;
    }
    return true;
}

bool CRecordListView::RowKeyCondition(int row, QString& condition, QString& error) const {
    int key = 0;
    if (!SelectedRows::ParseKey(grid_->GetItemText(row, 0).trimmed(), key)) {
        error = QStringLiteral("编号无效: ") + grid_->GetItemText(row, 0);
        return false;
    }
    condition = QStringLiteral("KeyId=") + SqlLiteral::Long(key);
    return true;
}

void CRecordListView::ShowCustomerOfRow(const QString& noSelection, const QString& missing) {
    const int key = SelectedRows::KeyOfRow(*grid_, SelectedRows::TopRow(*grid_));
    if (key < 1) {
        prompt_.Message(noSelection);
        return;
    }
    const QString sql = QStringLiteral("select CustomerId from ") + table_ +
                        QStringLiteral(" where KeyId=") + SqlLiteral::Long(key);
    int customer = 0;
    {
        DbRecordset rs(connection_);
        if (!rs.Open(sql)) {
            prompt_.Message(sql + QStringLiteral("\r\n") + rs.GetLastError());
            return;
        }
        if (!rs.IsEOF())
            customer = rs.GetLong(QStringLiteral("CustomerId"));
    }
    if (customer < 1) {
        prompt_.Message(missing);
        return;
    }
    OpenCustomerDetail(customer, this);
}

void CRecordListView::ShowSum(const QString& sql, const QString& label) {
    double total = 0;
    {
        WaitCursor wait(prompt_);
        DbRecordset rs(connection_);
        if (!rs.Open(sql)) {
            const QString error = rs.GetLastError();
            rs.Close();
            prompt_.Message(sql + QStringLiteral("\r\n") + error);
            return;
        }
        if (!rs.IsEOF())
            total = rs.GetDouble(rs.GetFieldName(0));
    }
    prompt_.Message(label + QString::number(total, 'f', 2));
}

void CRecordListView::ExportCsv() {
    const QString path = ExportTarget::Choose(
        prompt_, connection_, QStringLiteral("导出"),
        QStringLiteral("CSV文本文件 (*.csv *.CSV);;所有文件 (*)"), QStringLiteral("csv"));
    if (path.isEmpty())
        return;
    const QString sql = Binder().BuildSelect();
    ReportExport(QueryExport(connection_, prompt_).WriteCsv(sql, path), path, sql);
}

void CRecordListView::ReportExport(const QueryExport::Result& result, const QString& path,
                                   const QString& sql, const QString& noRows) {
    switch (result.outcome) {
    case QueryExport::Outcome::Written:
        prompt_.Message(QStringLiteral("共导出 ") + QString::number(result.lines) +
                        QStringLiteral(" 条记录\r\n") + path);
        break;
    case QueryExport::Outcome::Stopped:
        Note(QStringLiteral("导出已停止, 没有写入文件"));
        break;
    case QueryExport::Outcome::QueryFailed:
        prompt_.Message(result.error + QStringLiteral("\r\n") + sql);
        break;
    case QueryExport::Outcome::NoRows:
        prompt_.Message(noRows.isEmpty() ? result.error : noRows);
        break;
    case QueryExport::Outcome::FileFailed:
        prompt_.Message(result.error);
        break;
    }
}

void CRecordListView::Note(const QString& text) {
    lastNote_ = text;
    if (auto* frame = qobject_cast<QMainWindow*>(window()))
        frame->statusBar()->showMessage(text, kNoteMilliseconds);
}
