#include "framework/DataRecordDlg.h"

#include "db/AdoType.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "framework/FormRecord.h"
#include "framework/RowValues.h"
#include "ui/FormButtons.h"
#include "ui/Prompt.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include <limits>

namespace {

const QString kMissing = QStringLiteral("指定的数据不存在!");

} // namespace

CDataRecordDlg::CDataRecordDlg(Prompt& prompt, DbConnection& connection, ListDefinition& definition,
                               QWidget* parent)
    : QDialog(parent), prompt_(prompt), connection_(connection), definition_(definition) {
    setWindowTitle(QStringLiteral("编辑"));
    setObjectName(QStringLiteral("CDataRecordDlg"));
    auto* form = new QFormLayout;
    const QString keyName = definition_.PrimaryKey();
    QString keyText;
    for (const ListDefinition::Field& field : definition_.Fields()) {
        auto* edit = new QLineEdit(definition_.Value(field.section), this);
        edit->setObjectName(QString::number(6001 + field.number));
        edit->setMinimumWidth(200);
        form->addRow(field.caption, edit);
        if (field.name.compare(keyName, Qt::CaseInsensitive) == 0 && !KeyEntry())
            keyText = edit->text().trimmed();
        entries_.append({field, edit});
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form, 1);
    layout->addWidget(MakeFormButtons(this, [this] { OnOK(); }));

    editMode_ = !keyText.isEmpty();
    if (const Entry* key = KeyEntry()) {
        // An edited row keeps its key; a row the database numbers has none
        // to type.
        key->edit->setReadOnly(editMode_);
        if (!editMode_ && definition_.AutoIncrement())
            key->edit->setEnabled(false);
    }
    if (editMode_)
        LoadRecord();
}

const CDataRecordDlg::Entry* CDataRecordDlg::KeyEntry() const {
    const QString keyName = definition_.PrimaryKey();
    for (const Entry& entry : entries_) {
        if (entry.field.name.compare(keyName, Qt::CaseInsensitive) == 0)
            return &entry;
    }
    return nullptr;
}

QLineEdit* CDataRecordDlg::Box(const QString& name) const {
    for (const Entry& entry : entries_) {
        if (entry.field.name.compare(name, Qt::CaseInsensitive) == 0)
            return entry.edit;
    }
    return nullptr;
}

void CDataRecordDlg::LoadRecord() {
    loaded_ = false;
    const Entry* key = KeyEntry();
    if (!ListDefinition::Literal(key->field.dataType, key->edit->text().trimmed(), keyLiteral_)) {
        prompt_.Message(kMissing);
        return;
    }
    const QString sql = QStringLiteral("select * from ") + definition_.TableName() +
                        QStringLiteral(" where ") + key->field.name + QStringLiteral("=") +
                        keyLiteral_;
    DbRecordset rs(connection_);
    if (!rs.Open(sql)) {
        prompt_.Message(rs.GetLastError() + QStringLiteral("\r\n") + sql);
        return;
    }
    if (rs.IsEOF()) {
        prompt_.Message(kMissing);
        return;
    }
    for (const Entry& entry : std::as_const(entries_))
        entry.edit->setText(rs.GetString(entry.field.name));
    loaded_ = true;
}

bool CDataRecordDlg::CollectValues(RowValues& values, bool withKey) {
    const Entry* key = KeyEntry();
    for (const Entry& entry : std::as_const(entries_)) {
        if (&entry == key && !withKey)
            continue;
        const ListDefinition::Field& field = entry.field;
        const QString text = entry.edit->text();
        if (ListDefinition::IsQuoted(field.dataType)) {
            values.SetText(field.name, text);
            continue;
        }
        // An empty number box stores 0; anything else must be one number.
        const QString number = text.trimmed();
        bool ok = true;
        if (AdoType::IsFloating(field.dataType)) {
            const double value = number.isEmpty() ? 0.0 : number.toDouble(&ok);
            if (ok)
                values.SetDouble(field.name, value);
        } else {
            const qlonglong value = number.isEmpty() ? 0 : number.toLongLong(&ok);
            ok = ok && value >= std::numeric_limits<qint32>::min() &&
                 value <= std::numeric_limits<qint32>::max();
            if (ok)
                values.SetLong(field.name, qint32(value));
        }
        if (!ok) {
            prompt_.Message(field.caption + QStringLiteral("必须是数字"));
            entry.edit->setFocus();
            return false;
        }
    }
    return true;
}

bool CDataRecordDlg::OnOK() {
    if (editMode_ && !loaded_) {
        // The row was never shown; saving the form would write over it blind.
        prompt_.Message(kMissing);
        return false;
    }
    for (const Entry& entry : std::as_const(entries_)) {
        if (entry.field.notNull && entry.edit->text().isEmpty()) {
            prompt_.Message(entry.field.caption + QStringLiteral("不能为空"));
            entry.edit->setFocus();
            return false;
        }
    }
    const Entry* key = KeyEntry();
    // A new row carries a typed key only when the database does not number
    // rows and the user gave one; otherwise the database's key is read back.
    const bool typedKey =
        key && !editMode_ && !definition_.AutoIncrement() && !key->edit->text().trimmed().isEmpty();
    RowValues values;
    if (!CollectValues(values, typedKey))
        return false;
    if (!(editMode_ ? Update(values) : Insert(values)))
        return false;

    for (const Entry& entry : std::as_const(entries_))
        definition_.SetValue(entry.field.section, entry.edit->text());
    accept();
    return true;
}

bool CDataRecordDlg::Insert(const RowValues& values) {
    // The stored row reads back what the database made of it, the key it
    // assigned included.
    return FormRecord::Insert(connection_, prompt_, definition_.TableName(), values,
                              [this](DbRecordset& rs) {
                                  for (const Entry& entry : std::as_const(entries_))
                                      entry.edit->setText(rs.GetString(entry.field.name));
                              });
}

bool CDataRecordDlg::Update(const RowValues& values) {
    return FormRecord::Update(connection_, prompt_, definition_.TableName(), values,
                              KeyEntry()->field.name + QStringLiteral("=") + keyLiteral_);
}

bool RunDataRecordForm(Prompt& prompt, DbConnection& connection, ListDefinition& definition,
                       QWidget* parent) {
    CDataRecordDlg dialog(prompt, connection, definition, parent);
    return prompt.RunModal(dialog) == QDialog::Accepted;
}
