#include "framework/CustomizeDefineDlg.h"

#include "db/CustomFieldChange.h"
#include "db/CustomFields.h"
#include "db/DbConnection.h"
#include "framework/GridSettings.h"
#include "framework/StatementProgress.h"
#include "ui/GridCell.h"
#include "ui/GridCellCombo.h"
#include "ui/GridCtrl.h"
#include "ui/Prompt.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

namespace {

const QString kSettingsKey = QStringLiteral("CCustomizeDefineDlg");
const QString kChecked = QStringLiteral("√");

// The definition column a grid column stores into, or empty.
QString StoredColumn(int col) {
    switch (col) {
    case CCustomizeDefineDlg::CaptionCol:
        return QStringLiteral("Caption");
    case CCustomizeDefineDlg::DefaultCol:
        return QStringLiteral("DefaultValue");
    case CCustomizeDefineDlg::ChoicesCol:
        return QStringLiteral("ForeignKey");
    case CCustomizeDefineDlg::HintCol:
        return QStringLiteral("Description");
    default:
        return {};
    }
}

// Runs a column change under the progress window. On SQLite a change that
// rewrites the table (removing, retyping) takes as long as copying it; the
// connection calls back while it works, which keeps the window painted and
// lets 停止 interrupt it (the transaction then undoes everything).
bool RunChange(Prompt& prompt, DbConnection& connection, const QString& text, QString& error,
               const std::function<bool(QString&)>& change) {
    bool stopped = false;
    const bool done = RunWithStatementProgress(
        prompt, connection, text, [&] { return change(error); }, &stopped);
    if (!done && stopped)
        error = QStringLiteral("已停止, 表和自定义信息都没有改动。");
    return done;
}

// 添加自定义字段: the new column's name and caption.
class CAddFieldDlg final : public QDialog {
public:
    CAddFieldDlg(const QString& proposed, QWidget* parent) : QDialog(parent) {
        setWindowTitle(QStringLiteral("添加自定义字段"));
        setObjectName(QStringLiteral("CAddFieldDlg"));
        name_ = new QLineEdit(proposed, this);
        name_->setObjectName(QStringLiteral("FieldName"));
        caption_ = new QLineEdit(this);
        caption_->setObjectName(QStringLiteral("Caption"));
        auto* form = new QFormLayout;
        form->addRow(QStringLiteral("字段名(英)"), name_);
        form->addRow(QStringLiteral("字段名"), caption_);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
        buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(form);
        layout->addWidget(buttons);
    }
    QString Name() const { return name_->text().trimmed(); }
    QString Caption() const { return caption_->text().trimmed(); }

private:
    QLineEdit* name_;
    QLineEdit* caption_;
};

} // namespace

CCustomizeDefineDlg::CCustomizeDefineDlg(Prompt& prompt, DbConnection& connection,
                                         const QString& table, QWidget* parent)
    : QDialog(parent), prompt_(prompt), connection_(connection), table_(table) {
    setWindowTitle(QStringLiteral("自定义信息"));
    setObjectName(QStringLiteral("CCustomizeDefineDlg"));

    auto* add = new QPushButton(QStringLiteral("添加"), this);
    add->setProperty("controlId", 6002);
    add->setFixedWidth(60);
    add->setAutoDefault(false);
    auto* remove = new QPushButton(QStringLiteral("删除"), this);
    remove->setProperty("controlId", 6003);
    remove->setFixedWidth(60);
    remove->setAutoDefault(false);
    connect(add, &QPushButton::clicked, this, [this] { OnAdd(); });
    connect(remove, &QPushButton::clicked, this, [this] { OnDelete(); });
    auto* band = new QHBoxLayout;
    band->addWidget(add);
    band->addWidget(remove);
    band->addStretch(1);

    grid_ = new CGridCtrl(1, ColumnCount, 1, 2, this);
    grid_->SetControlId(6001);
    grid_->setMinimumSize(500, 200);
    grid_->SetEditable(true);
    grid_->SetListMode(true);
    grid_->SetFixedBkColor(CGridCtrl::ColorFromRef(11584734));
    GridSettings::ApplyColors(*grid_);
    const QStringList headings = {QStringLiteral("编号"),     QStringLiteral("字段名(英)"),
                                  QStringLiteral("字段名"),   QStringLiteral("数据类型"),
                                  QStringLiteral("允许空"),   QStringLiteral("缺省值"),
                                  QStringLiteral("外键约束"), QStringLiteral("输入提示")};
    for (int col = 0; col < ColumnCount; ++col) {
        grid_->SetItemText(0, col, headings[col]);
        grid_->SetColumnWidth(col, 90);
    }
    GridSettings::RestoreColumnWidths(*grid_, kSettingsKey);
    connect(grid_, &CGridCtrl::EndLabelEdit, this, [this](int row, int col) {
        if (!StoreCell(row, col))
            grid_->RefuseEdit();
    });
    connect(grid_, &CGridCtrl::Click, this, [this](int row, int col) {
        if (col == NullableCol && row >= grid_->GetFixedRowCount())
            ToggleNullable(row);
    });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("关闭"));
    connect(buttons, &QDialogButtonBox::rejected, this, [this] {
        GridSettings::SaveColumnWidths(*grid_, kSettingsKey);
        reject();
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->addLayout(band);
    layout->addWidget(grid_, 1);
    layout->addWidget(buttons);

    Load();
    // Key and column name are kept for the code, not shown.
    grid_->SetColumnWidth(KeyCol, 0);
    grid_->SetColumnWidth(NameCol, 0);
}

bool CCustomizeDefineDlg::Load() {
    grid_->DeleteNonFixedRows();
    QList<CustomField> fields;
    QString error;
    if (!LoadCustomFields(connection_, table_, fields, error)) {
        prompt_.Message(error);
        return false;
    }
    for (const CustomField& f : std::as_const(fields))
        AddGridRow(f.key, f.fieldName, f.caption, f.dataType, f.nullable, f.defaultValue,
                   f.foreignKey, f.description);
    grid_->Refresh();
    return true;
}

void CCustomizeDefineDlg::AddGridRow(int key, const QString& name, const QString& caption, int type,
                                     bool nullable, const QString& defaultValue,
                                     const QString& choices, const QString& hint) {
    const int row = grid_->InsertRow(QString::number(key));
    grid_->SetItemText(row, NameCol, name);
    grid_->SetItemText(row, CaptionCol, caption);
    grid_->SetCellType<CGridCellCombo>(row, TypeCol);
    if (auto* combo = dynamic_cast<CGridCellCombo*>(grid_->GetCell(row, TypeCol)))
        combo->SetOptions(
            {QStringLiteral("文字"), QStringLiteral("整数"), QStringLiteral("浮点数")});
    grid_->SetItemText(row, TypeCol, CustomFieldChange::TypeName(type));
    // The stored type: choosing the same one again must not rebuild the table.
    grid_->SetItemData(row, TypeCol, CustomFieldChange::StoredType(type));
    grid_->SetItemText(row, NullableCol, nullable ? kChecked : QString());
    grid_->SetItemState(row, NullableCol,
                        grid_->GetItemState(row, NullableCol) | CGridCell::GVIS_READONLY);
    grid_->SetItemText(row, DefaultCol, defaultValue);
    grid_->SetItemText(row, ChoicesCol, choices);
    grid_->SetItemText(row, HintCol, hint);
}

int CCustomizeDefineDlg::KeyOf(int row) const {
    return grid_->GetItemText(row, KeyCol).toInt();
}

void CCustomizeDefineDlg::OnAdd() {
    QList<CustomField> fields;
    QString error;
    if (!LoadCustomFields(connection_, table_, fields, error)) {
        prompt_.Message(error);
        return;
    }
    const QString proposed = CustomFieldChange::NextFieldName(fields);
    if (proposed.isEmpty() || fields.size() >= CustomFieldChange::kMaxFields) {
        prompt_.Message(QStringLiteral("自定义字段信息不能超过64个"));
        return;
    }
    CAddFieldDlg ask(proposed, this);
    if (prompt_.RunModal(ask) != QDialog::Accepted)
        return;
    int key = 0;
    const bool added = RunChange(
        prompt_, connection_, QStringLiteral("正在给表 %1 添加字段 %2 ...").arg(table_, ask.Name()),
        error, [&](QString& why) {
            return CustomFieldChange::Add(connection_, table_, ask.Name(), ask.Caption(), key, why);
        });
    if (!added) {
        prompt_.Message(error);
        return;
    }
    columnsChanged_ = true;
    AddGridRow(key, ask.Name(), ask.Caption(), 200, true, QString(), QString(), QString());
    grid_->Refresh();
}

void CCustomizeDefineDlg::OnDelete() {
    const int first = grid_->GetFixedRowCount();
    QList<int> rows;
    for (int row = first; row < grid_->GetRowCount(); ++row) {
        for (int col = 0; col < ColumnCount; ++col) {
            if (grid_->IsCellSelected(row, col)) {
                rows << row;
                break;
            }
        }
    }
    if (rows.isEmpty()) {
        prompt_.Message(QStringLiteral("请选择要删除的信息"));
        return;
    }
    QStringList names;
    for (int row : std::as_const(rows)) {
        const QString caption = grid_->GetItemText(row, CaptionCol);
        const QString name = grid_->GetItemText(row, NameCol);
        names << (caption.isEmpty() ? name : caption + QStringLiteral("(") + name + u')');
    }
    if (prompt_.Ask(
            QStringLiteral("确定要删除自定义字段 %1 吗?\r\n这些列中已保存的数据将一起删除。")
                .arg(names.join(QStringLiteral("、"))),
            Prompt::Buttons::OkCancel) != Prompt::Answer::Ok)
        return;

    // Bottom up, so the rows above keep their places as rows go.
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    for (int row : std::as_const(rows)) {
        CustomField field;
        field.key = KeyOf(row);
        field.table = table_;
        field.fieldName = grid_->GetItemText(row, NameCol);
        QString error;
        const bool removed = RunChange(
            prompt_, connection_,
            QStringLiteral("正在从表 %1 删除字段 %2 ...").arg(table_, field.fieldName), error,
            [&](QString& why) { return CustomFieldChange::Remove(connection_, field, why); });
        if (removed) {
            columnsChanged_ = true;
            grid_->DeleteRow(row);
            continue;
        }
        // A column that could not be removed keeps its row: it is still there.
        if (!prompt_.Confirm(error + QStringLiteral("\r\n\r\n是否继续?")))
            break;
    }
    grid_->Refresh();
}

bool CCustomizeDefineDlg::StoreCell(int row, int col) {
    const int key = KeyOf(row);
    const QString text = grid_->GetItemText(row, col);
    QString error;
    if (col == TypeCol) {
        CustomField field;
        field.key = key;
        field.table = table_;
        field.fieldName = grid_->GetItemText(row, NameCol);
        const int type = CustomFieldChange::TypeOfName(text);
        if (type == grid_->GetItemData(row, TypeCol)) {
            grid_->SetItemText(row, col, CustomFieldChange::TypeName(type));
            return true;
        }
        const bool retyped = RunChange(
            prompt_, connection_,
            QStringLiteral("正在修改表 %1 中字段 %2 的类型 ...").arg(table_, field.fieldName),
            error,
            [&](QString& why) { return CustomFieldChange::Retype(connection_, field, type, why); });
        if (!retyped) {
            prompt_.Message(error);
            return false;
        }
        columnsChanged_ = true;
        // The cell shows the name of what is stored.
        grid_->SetItemText(row, col, CustomFieldChange::TypeName(type));
        grid_->SetItemData(row, TypeCol, type);
        return true;
    }
    const QString column = StoredColumn(col);
    if (column.isEmpty())
        return false; // key, name and 允许空 are not typed in
    if (!CustomFieldChange::SetText(connection_, key, column, text, error)) {
        prompt_.Message(error);
        return false;
    }
    return true;
}

void CCustomizeDefineDlg::ToggleNullable(int row) {
    const bool nullable = grid_->GetItemText(row, NullableCol) != kChecked;
    QString error;
    if (!CustomFieldChange::SetNullable(connection_, KeyOf(row), nullable, error)) {
        prompt_.Message(error);
        return;
    }
    grid_->SetItemText(row, NullableCol, nullable ? kChecked : QString());
    grid_->RedrawCell(row, NullableCol);
}

bool RunCustomizeDefine(Prompt& prompt, DbConnection& connection, const QString& table,
                        QWidget* parent) {
    CCustomizeDefineDlg dialog(prompt, connection, table, parent);
    prompt.RunModal(dialog);
    return dialog.ColumnsChanged();
}
