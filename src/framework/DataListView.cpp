#include "framework/DataListView.h"

#include "base/ProgramFolder.h"
#include "db/AdoType.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/QueryBinder.h"
#include "db/SqlLiteral.h"
#include "framework/CommandIds.h"
#include "framework/CriteriaDlg.h"
#include "framework/CsvImport.h"
#include "framework/DataRecordDlg.h"
#include "framework/GridRowPatch.h"
#include "framework/ListToolbar.h"
#include "framework/SelectedRows.h"
#include "ui/GridCtrl.h"
#include "ui/Picture.h"
#include "ui/Prompt.h"

#include <QBitmap>
#include <QMap>
#include <QPushButton>

namespace {

const QString kBag = QStringLiteral(".");
constexpr int kGridControl = 10001;
constexpr int kButtonWidth = 50;
constexpr int kPictureButtonWidth = 72;

// The definition's fields as the grid's columns (name, header).
QList<QPair<QString, QString>> ListedColumns(const ListDefinition& definition) {
    QList<QPair<QString, QString>> columns;
    for (const ListDefinition::Field& field : definition.Fields()) {
        if (field.list)
            columns.append({field.name, field.caption});
    }
    return columns;
}

// A toolbar picture with white as the transparent colour.
QPixmap ToolbarPicture(const QString& file) {
    QPixmap picture = LoadPicture(ProgramPath(QStringLiteral("images/") + file));
    if (!picture.isNull())
        picture.setMask(picture.createMaskFromColor(Qt::white));
    return picture;
}

} // namespace

CDataListView_* CDataListView_::Open(DbConnection& connection, Prompt& prompt, const QString& table,
                                     const QString& caption, QWidget* parent) {
    ListDefinition definition;
    if (!definition.OpenForList(connection, table, caption)) {
        prompt.Message(definition.LastError());
        return nullptr;
    }
    if (!definition.Notice().isEmpty())
        prompt.Message(definition.Notice());
    return new CDataListView_(connection, prompt, definition, parent);
}

CDataListView_::CDataListView_(DbConnection& connection, Prompt& prompt,
                               const ListDefinition& definition, QWidget* parent)
    : CRecordListView(connection, prompt, definition.TableName(), definition.Filter(),
                      definition.Name(), parent),
      definition_(definition) {
    setObjectName(QStringLiteral("CDataListView_") + definition_.TableName());
    const QList<QPair<QString, QString>> columns = ListedColumns(definition_);
    // Pages need a stable order: without one of its own the list is ordered
    // by its key (PostgreSQL returns an unordered table in no fixed order, so
    // pages would overlap).
    QString order;
    if (!definition_.OrderBy().isEmpty())
        order = QStringLiteral(" ") + definition_.OrderBy();
    else if (const auto key = definition_.KeyField())
        order = QStringLiteral(" order by ") + key->name;
    CreateParts(columns, order, kGridControl);
    if (definition_.TableName().isEmpty()) {
        prompt_.Message(QStringLiteral("未定义[.]TableName"));
        toolbar_->hide();
        return;
    }
    if (columns.isEmpty()) {
        prompt_.Message(QStringLiteral("未定义需要显示的数据项目[Fieldxx]Name"));
        toolbar_->hide();
        return;
    }
    usable_ = true;
    BuildToolbar();
    SetConditions({});
    Reload();
}

void CDataListView_::BuildToolbar() {
    if (!definition_.ShowToolBar()) {
        toolbar_->hide();
        return;
    }
    for (const ListDefinition::Action& action : definition_.Actions()) {
        const QPixmap picture = ToolbarPicture(action.image);
        QPushButton* button = toolbar_->AddButton(
            action.caption, action.command, picture.isNull() ? kButtonWidth : kPictureButtonWidth);
        if (!picture.isNull()) {
            button->setIcon(QIcon(picture));
            button->setIconSize(QSize(16, 16));
        }
    }
}

bool CDataListView_::OnCommand(int id) {
    if (!usable_)
        return false;
    switch (id) {
    case Command::DataAdd:
    case Command::Add: {
        IniFile bag;
        AddRow(bag);
        return true;
    }
    case Command::DataEdit:
    case Command::Edit:
        EditRow();
        return true;
    case Command::DataDelete:
    case Command::Delete:
        if (KeyColumn() < 0)
            prompt_.Message(QStringLiteral("列表中没有主键字段 ") + definition_.PrimaryKey() +
                            QStringLiteral(", 不能删除"));
        else
            DeleteSelectedRows();
        return true;
    case Command::DataSearch:
    case Command::Find:
        RunSearchDialog();
        return true;
    case Command::DataExport:
        Export();
        return true;
    case Command::DataImport:
        Import();
        return true;
    case Command::DataCount:
    case Command::Statistics:
        Count();
        return true;
    case Command::DataPrevPage:
        return CRecordListView::OnCommand(Command::PrevPage);
    case Command::DataNextPage:
        return CRecordListView::OnCommand(Command::NextPage);
    default:
        return CRecordListView::OnCommand(id);
    }
}

int CDataListView_::KeyColumn() const {
    return Binder().FindColumn(definition_.PrimaryKey());
}

bool CDataListView_::RowKeyCondition(int row, QString& condition, QString& error) const {
    const std::optional<ListDefinition::Field> key = definition_.KeyField();
    const int column = KeyColumn();
    const QString text = column < 0 ? QString() : grid_->GetItemText(row, column).trimmed();
    QString literal;
    if (!key || text.isEmpty() || !ListDefinition::Literal(key->dataType, text, literal)) {
        error = QStringLiteral("编号无效: ") + text;
        return false;
    }
    condition = key->name + QStringLiteral("=") + literal;
    return true;
}

bool CDataListView_::RunForm(IniFile& bag) {
    ListDefinition copy = definition_;
    copy.ClearValues();
    if (const auto key = bag.Find(kBag, definition_.PrimaryKey()); key && definition_.KeyField())
        copy.SetValue(definition_.KeyField()->section, *key);
    if (!RunDataRecordForm(prompt_, connection_, copy, this))
        return false;
    // The grid takes the saved texts by column name.
    for (const ListDefinition::Field& field : copy.Fields())
        bag.SetString(kBag, field.name, copy.Value(field.section));
    return true;
}

void CDataListView_::EditRow() {
    const int row = SelectedRows::TopRow(*grid_);
    const int column = KeyColumn();
    if (row < grid_->GetFixedRowCount()) {
        prompt_.Message(QStringLiteral("请选择要编辑的信息!"));
        return;
    }
    if (column < 0) {
        prompt_.Message(QStringLiteral("列表中没有主键字段 ") + definition_.PrimaryKey() +
                        QStringLiteral(", 不能编辑"));
        return;
    }
    const QString key = grid_->GetItemText(row, column).trimmed();
    if (key.isEmpty()) {
        prompt_.Message(QStringLiteral("请选择要编辑的信息!"));
        return;
    }
    IniFile bag;
    bag.SetString(kBag, definition_.PrimaryKey(), key);
    if (!RunForm(bag))
        return;
    GridRowPatch::PatchRow(Binder(), *grid_, row, bag);
}

bool CDataListView_::SearchCondition(const ListDefinition::Field& field, const QString& text,
                                     QString& condition) {
    condition.clear();
    if (text.isEmpty())
        return true;
    const QString type = field.searchType.trimmed().toLower();
    if (type == QStringLiteral("like") || type == QStringLiteral("startlike")) {
        const QString pattern = (type == QStringLiteral("like") ? QStringLiteral("%") : QString()) +
                                text + QStringLiteral("%");
        condition = QStringLiteral("(") + field.name + QStringLiteral(" like ") +
                    SqlLiteral::Text(pattern) + QStringLiteral(")");
        return true;
    }
    // A field without a comparison of its own compares for equality.
    const QString op = type.isEmpty() ? QStringLiteral("=") : type;
    QString literal;
    if (!ListDefinition::Literal(field.dataType, text, literal))
        return false;
    condition = QStringLiteral("(") + field.name + QStringLiteral(" ") + op + QStringLiteral(" ") +
                literal + QStringLiteral(")");
    return true;
}

bool CDataListView_::Search(const QMap<QString, QString>& texts) {
    QStringList conditions;
    for (const ListDefinition::Field& field : definition_.Fields()) {
        if (!field.search)
            continue;
        QString condition;
        if (!SearchCondition(field, texts.value(field.name), condition)) {
            prompt_.Message(field.caption + QStringLiteral("必须是一个数字"));
            return false;
        }
        if (!condition.isEmpty())
            conditions.append(condition);
    }
    SetConditions(conditions);
    Reload();
    return true;
}

void CDataListView_::RunSearchDialog() {
    QList<CriteriaField> boxes;
    QList<ListDefinition::Field> fields;
    for (const ListDefinition::Field& field : definition_.Fields()) {
        if (field.search) {
            boxes.append(CriteriaField(field.name, field.caption));
            fields.append(field);
        }
    }
    if (boxes.isEmpty()) {
        prompt_.Message(QStringLiteral("未定义查询项目[Fieldxx]Search"));
        return;
    }
    // The texts of the last search are offered again, per table.
    CCriteriaDlg dialog(QStringLiteral("查询"),
                        QStringLiteral("data/search_") + definition_.TableName() +
                            QStringLiteral(".ini"),
                        boxes, this);
    while (prompt_.RunModal(dialog) == QDialog::Accepted) {
        QMap<QString, QString> texts;
        for (const ListDefinition::Field& field : std::as_const(fields))
            texts.insert(field.name, dialog.Value(field.name));
        if (Search(texts))
            return;
    }
}

int CDataListView_::Count() {
    const QString sql = QStringLiteral("select count(*) as asCount from ") +
                        definition_.TableName() + Binder().BuildWhere();
    int count = -1;
    {
        WaitCursor wait(prompt_);
        DbRecordset rs(connection_);
        if (rs.Open(sql) && !rs.IsEOF())
            count = rs.GetLong(QStringLiteral("asCount"));
        else {
            const QString error = rs.GetLastError();
            rs.Close();
            prompt_.Message(sql + QStringLiteral("\r\n") + error);
            return -1;
        }
    }
    prompt_.Message(QStringLiteral("记录个数: ") + QString::number(count));
    return count;
}

void CDataListView_::Export() {
    ExportCsv();
}

void CDataListView_::Import() {
    CsvImportArgs args;
    args.connection = &connection_;
    args.table = definition_.TableName();
    const std::optional<ListDefinition::Field> key = definition_.KeyField();
    for (const ListDefinition::Field& field : definition_.Fields()) {
        // A key the database numbers is not the file's to give.
        if (definition_.AutoIncrement() && key && field.section == key->section)
            continue;
        args.targets.Add(field.name, field.caption, QString(), field.dataType);
    }
    args.parent = this;
    const CsvImportResult result = ImportCsvFile(prompt_, args);
    if (result.imported > 0)
        Reload();
}
