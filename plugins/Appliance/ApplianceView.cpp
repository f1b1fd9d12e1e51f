#include "ApplianceView.h"

#include "ApplianceMoveDlg.h"

#include "base/IniFile.h"
#include "db/DbConnection.h"
#include "db/QueryBinder.h"
#include "db/SqlLiteral.h"
#include "framework/CommandIds.h"
#include "framework/DataRecordDlg.h"
#include "framework/GridRowPatch.h"
#include "framework/ListDefinition.h"
#include "framework/ListGridBinding.h"
#include "framework/ListToolbar.h"
#include "framework/SelectedRows.h"
#include "ui/ColorRef.h"
#include "ui/GridCtrl.h"
#include "ui/Prompt.h"

#include <QSplitter>

namespace {

const QString kBag = QStringLiteral(".");
constexpr int kMovesControl = 8002;
constexpr int kAdoInteger = 3;
constexpr int kAdoText = 202;

// The item form: every column but the stock, which only movements change.
ListDefinition ItemDefinition() {
    IniFile doc;
    doc.SetString(ListDefinition::kMain, QStringLiteral("Name"), QStringLiteral("List_Appliance"));
    doc.SetString(ListDefinition::kMain, QStringLiteral("TableName"), QStringLiteral("Appliance"));
    doc.SetString(ListDefinition::kMain, QStringLiteral("PrimaryKey"), QStringLiteral("KeyId"));
    doc.SetInt(ListDefinition::kMain, QStringLiteral("AutoIncrement"), 1);
    struct Column {
        const char16_t* name;
        const char16_t* caption;
        int type;
        bool notNull;
    };
    static const Column columns[] = {{u"KeyId", u"编号", kAdoInteger, false},
                                     {u"Name", u"名称", kAdoText, true},
                                     {u"Size", u"规格", kAdoText, false},
                                     {u"Unit", u"单位", kAdoText, false},
                                     {u"MinStock", u"最低库存", kAdoInteger, false},
                                     {u"Remarks", u"备注", kAdoText, false}};
    int n = 0;
    for (const Column& column : columns) {
        const QString section = QStringLiteral("Field") + QString::number(++n);
        doc.SetString(section, QStringLiteral("Name"), QString::fromUtf16(column.name));
        doc.SetString(section, QStringLiteral("Caption"), QString::fromUtf16(column.caption));
        doc.SetInt(section, QStringLiteral("DataType"), column.type);
        doc.SetInt(section, QStringLiteral("NotNull"), column.notNull ? 1 : 0);
    }
    return ListDefinition(doc);
}

} // namespace

ApplianceView::ApplianceView(DbConnection& connection, Prompt& prompt, const QString& userName,
                             bool admin, QWidget* parent)
    : CRecordListView(connection, prompt, QStringLiteral("Appliance"), QString(),
                      QStringLiteral("ApplianceView"), parent),
      userName_(userName), admin_(admin) {
    setObjectName(QStringLiteral("ApplianceView"));
    CreateParts({{QStringLiteral("KeyId"), QStringLiteral("编号")},
                 {QStringLiteral("Name"), QStringLiteral("名称")},
                 {QStringLiteral("Size"), QStringLiteral("规格")},
                 {QStringLiteral("Unit"), QStringLiteral("单位")},
                 {QStringLiteral("Stock"), QStringLiteral("库存")},
                 {QStringLiteral("MinStock"), QStringLiteral("最低库存")},
                 {QStringLiteral("Remarks"), QStringLiteral("备注")}},
                QStringLiteral(" order by Name, KeyId "));
    if (admin_) {
        toolbar_->AddButton(QStringLiteral("添加"), Command::Add, 50);
        toolbar_->AddButton(QStringLiteral("编辑"), Command::Edit, 50);
        toolbar_->AddButton(QStringLiteral("删除"), Command::Delete, 50);
    }
    toolbar_->AddButton(QStringLiteral("入库"), kReceive, 50);
    toolbar_->AddButton(QStringLiteral("领用"), kIssue, 50);
    toolbar_->AddButton(QStringLiteral("上一页"), Command::PrevPage, 60);
    toolbar_->AddButton(QStringLiteral("下一页"), Command::NextPage, 60);

    movesGrid_ = new CGridCtrl(0, 0, 0, 0, this);
    movesGrid_->setObjectName(QStringLiteral("ApplianceMovesGrid"));
    moves_ = std::make_unique<ListGridBinding>(*movesGrid_, QStringLiteral("ApplianceMoves"));
    QueryBinder& binder = moves_->Binder();
    binder.SetTable(QStringLiteral("ApplianceMove"));
    binder.AddColumn(QStringLiteral("KeyId"), QStringLiteral("编号"));
    binder.AddColumn(QStringLiteral("MoveTime"), QStringLiteral("日期"));
    binder.AddColumn(QStringLiteral("Kind"), QStringLiteral("类别"));
    binder.AddColumn(QStringLiteral("Quantity"), QStringLiteral("数量"));
    binder.AddColumn(QStringLiteral("Person"), QStringLiteral("领用人"));
    binder.AddColumn(QStringLiteral("Handler"), QStringLiteral("经手人"));
    binder.AddColumn(QStringLiteral("Remarks"), QStringLiteral("备注"));
    binder.SetOrderClause(QStringLiteral(" order by MoveTime desc, KeyId desc "));
    moves_->Setup(kMovesControl);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(grid_);
    splitter->addWidget(movesGrid_);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    PlaceGrid(splitter, nullptr);
    connect(grid_, &CGridCtrl::SelectionChanged, this, [this](int, int) { ShowMoves(); });

    SetConditions({});
    Reload();
}

ApplianceView::~ApplianceView() = default;

QColor ApplianceView::LowStock() {
    return ColorRef::ToColor(0xD0D0FF);
}

QColor ApplianceView::RowColour(int stock, int minStock) {
    return stock < minStock ? LowStock() : QColor();
}

bool ApplianceView::OnCommand(int id) {
    switch (id) {
    case Command::Add:
        if (MayEditItems()) {
            IniFile bag;
            AddRow(bag);
            ShowMoves();
        }
        return true;
    case Command::Edit:
        if (MayEditItems())
            EditTopRow(QStringLiteral("请选择要编辑的办公用品"));
        return true;
    case Command::Delete:
        if (MayEditItems())
            DeleteItems();
        return true;
    case kReceive:
        Move(ApplianceStock::Kind::Receive);
        return true;
    case kIssue:
        Move(ApplianceStock::Kind::Issue);
        return true;
    default:
        return CRecordListView::OnCommand(id);
    }
}

bool ApplianceView::MayEditItems() {
    if (admin_)
        return true;
    prompt_.Message(QStringLiteral("权限不足"));
    return false;
}

void ApplianceView::AfterLoad() {
    const int stockColumn = Binder().FindColumn(QStringLiteral("Stock"));
    const int minColumn = Binder().FindColumn(QStringLiteral("MinStock"));
    const int first = qMax(1, grid_->GetFixedColumnCount());
    for (int row = grid_->GetFixedRowCount(); row < grid_->GetRowCount(); ++row) {
        const QColor colour = RowColour(grid_->GetItemText(row, stockColumn).toInt(),
                                        grid_->GetItemText(row, minColumn).toInt());
        for (int column = first; column < grid_->GetColumnCount(); ++column)
            grid_->SetItemBkColour(row, column, colour);
    }
    grid_->Refresh();
    ShowMoves();
}

void ApplianceView::ShowMoves() {
    QueryBinder& binder = moves_->Binder();
    const int key = SelectedRows::KeyOfRow(*grid_, SelectedRows::TopRow(*grid_));
    binder.ClearConditions();
    // Key 0 (no selection) lists nothing.
    binder.AddCondition(QStringLiteral("(ApplianceId=") + SqlLiteral::Long(key) +
                        QStringLiteral(")"));
    binder.SetPageIndex(0);
    binder.Load(&connection_);
    if (!binder.GetLastError().isEmpty())
        prompt_.Message(binder.GetSelectText() + QStringLiteral("\r\n") + binder.GetLastError());
    moves_->FitColumnsOnce();
}

bool ApplianceView::RunForm(IniFile& bag) {
    ListDefinition definition = ItemDefinition();
    const std::optional<QString> key = bag.Find(kBag, QStringLiteral("KeyId"));
    if (key)
        definition.SetValue(QStringLiteral("Field1"), *key);
    if (!RunDataRecordForm(prompt_, connection_, definition, this))
        return false;
    for (const ListDefinition::Field& field : definition.Fields())
        bag.SetString(kBag, field.name, definition.Value(field.section));
    // A new item starts with nothing in stock.
    if (!key)
        bag.SetInt(kBag, QStringLiteral("Stock"), 0);
    return true;
}

void ApplianceView::Move(ApplianceStock::Kind kind) {
    const int row = SelectedRows::TopRow(*grid_);
    const int key = SelectedRows::KeyOfRow(*grid_, row);
    if (key < 1) {
        prompt_.Message(QStringLiteral("请选择办公用品"));
        return;
    }
    ApplianceMoveDlg dialog(
        prompt_, connection_, kind, key, Binder().GetCellText(row, QStringLiteral("Name")),
        Binder().GetCellText(row, QStringLiteral("Stock")).toInt(), userName_, this);
    if (prompt_.RunModal(dialog) != QDialog::Accepted)
        return;
    IniFile bag;
    bag.SetInt(kBag, QStringLiteral("Stock"), dialog.Stock());
    GridRowPatch::PatchRow(Binder(), *grid_, row, bag);
    AfterLoad();
}

void ApplianceView::DeleteItems() {
    QList<int> keys;
    for (const int row : SelectedRows::BottomUp(*grid_))
        keys.append(SelectedRows::KeyOfRow(*grid_, row));
    QString error;
    const int moves = ApplianceStock::MovementCount(connection_, keys, error);
    if (moves < 0) {
        prompt_.Message(error);
        return;
    }
    if (moves == 0) {
        DeleteSelectedRows();
        return;
    }
    DeleteSelectedRows(QStringLiteral("选择的办公用品共有 ") + QString::number(moves) +
                       QStringLiteral(" 条入库/领用记录, 将一并删除。\r\n确定要删除吗?"));
}

bool ApplianceView::DeleteRowRecord(int row, QString& error) {
    const int key = SelectedRows::KeyOfRow(*grid_, row);
    if (key < 1) {
        error = QStringLiteral("编号无效: ") + grid_->GetItemText(row, 0);
        return false;
    }
    return ApplianceStock::DeleteItem(connection_, key, error);
}
