#include "customer/ContactDlg.h"

#include "base/IniFile.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/InsertBuilder.h"
#include "db/SqlLiteral.h"
#include "db/UpdateBuilder.h"
#include "framework/FormRecord.h"
#include "framework/RowValues.h"
#include "framework/SelectedRows.h"
#include "ui/Prompt.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kBag = QStringLiteral(".");
const QString kTable = QStringLiteral("ContactData");
const QString kMethodColumn = QStringLiteral("NetCodeClass");

// The text boxes in the order of the form (column, caption).
const QList<QPair<QString, QString>>& Boxes() {
    static const QList<QPair<QString, QString>> boxes = {
        {QStringLiteral("KeyId"), QStringLiteral("编号")},
        {QStringLiteral("Name"), QStringLiteral("联系人")},
        {QStringLiteral("CustomerName"), QStringLiteral("客户名称")},
        {QStringLiteral("Mobile"), QStringLiteral("手机")},
        {QStringLiteral("Phone"), QStringLiteral("电话")},
        {QStringLiteral("Email"), QStringLiteral("电子邮件")},
        {QStringLiteral("ICQ"), QStringLiteral("QQ")},
        {QStringLiteral("NetCode"), QStringLiteral("在线沟通号码")}};
    return boxes;
}

// The columns a save writes, besides CustomerId (KeyId is the database's).
QStringList SavedTextColumns() {
    QStringList columns;
    for (const auto& box : Boxes()) {
        if (box.first != u"KeyId")
            columns << box.first;
    }
    return columns << kMethodColumn;
}

} // namespace

QStringList CContactDlg::Methods() {
    return {QStringLiteral("MSN"), QStringLiteral("淘宝旺旺"), QStringLiteral("贸易通")};
}

CContactDlg::CContactDlg(Prompt& prompt, DbConnection& connection, int customerKey, IniFile& bag,
                         QWidget* parent)
    : CRecordFormDlg(prompt, connection, parent), customerKey_(customerKey), bag_(bag) {
    setWindowTitle(QStringLiteral("联系人资料"));
    setObjectName(QStringLiteral("CContactDlg"));
    auto* form = new QFormLayout;
    for (const auto& [column, caption] : Boxes()) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(column);
        edits_ << edit;
        form->addRow(caption, edit);
        if (column == u"ICQ") {
            method_ = new QComboBox(this);
            method_->setObjectName(kMethodColumn);
            method_->setEditable(true);
            method_->addItems(Methods());
            method_->setCurrentIndex(-1);
            method_->setInsertPolicy(QComboBox::NoInsert);
            form->addRow(QStringLiteral("在线沟通方式"), method_);
        }
    }
    QLineEdit* key = Field(QStringLiteral("KeyId"));
    key->setReadOnly(true);
    key->setFocusPolicy(Qt::NoFocus);
    Field(QStringLiteral("CustomerName"))
        ->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 30);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { OnOK(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form, 1);
    layout->addWidget(buttons);

    if (const auto bagKey = bag_.Find(kBag, QStringLiteral("KeyId"))) {
        editMode_ = true;
        if (!SelectedRows::ParseKey(bagKey->trimmed(), key_))
            key_ = 0;
        LoadRecord();
    } else {
        LoadCustomer();
    }
    Field(QStringLiteral("Name"))->setFocus();
}

QLineEdit* CContactDlg::Field(const QString& column) const {
    for (QLineEdit* edit : edits_) {
        if (edit->objectName().compare(column, Qt::CaseInsensitive) == 0)
            return edit;
    }
    return nullptr;
}

QString CContactDlg::ColumnText(const QString& column) const {
    return column == kMethodColumn ? method_->currentText() : Field(column)->text();
}

void CContactDlg::LoadRecord() {
    loaded_ = false;
    DbRecordset rs(connection_);
    if (!FormRecord::Open(rs, prompt_, kTable, key_))
        return;
    Field(QStringLiteral("KeyId"))->setText(SqlLiteral::Long(key_));
    customerKey_ = rs.GetLong(QStringLiteral("CustomerId"));
    for (QLineEdit* edit : std::as_const(edits_)) {
        if (edit->objectName() != u"KeyId")
            edit->setText(rs.GetString(edit->objectName()));
    }
    method_->setCurrentText(rs.GetString(kMethodColumn));
    loaded_ = true;
}

void CContactDlg::LoadCustomer() {
    const QString sql =
        QStringLiteral("select * from CustomerData where KeyId=") + SqlLiteral::Long(customerKey_);
    DbRecordset rs(connection_);
    if (!rs.Open(sql)) {
        prompt_.Message(sql + QStringLiteral("\r\n") + rs.GetLastError());
        return;
    }
    if (!rs.IsEOF())
        Field(QStringLiteral("CustomerName"))
            ->setText(rs.GetString(QStringLiteral("CustomerName")));
}

bool CContactDlg::Save() {
    if (!(editMode_ ? Update() : Insert()))
        return false;
    bag_.SetInt(kBag, QStringLiteral("KeyId"), key_);
    for (const QString& column : SavedTextColumns())
        bag_.SetString(kBag, column, ColumnText(column));
    if (!editMode_)
        bag_.SetInt(kBag, QStringLiteral("CustomerId"), customerKey_);
    Field(QStringLiteral("KeyId"))->setText(SqlLiteral::Long(key_));
    return true;
}

RowValues CContactDlg::Values() const {
    RowValues values;
    for (const QString& column : SavedTextColumns())
        values.SetText(column, ColumnText(column));
    return values;
}

bool CContactDlg::Insert() {
    RowValues values;
    values.SetLong(QStringLiteral("CustomerId"), customerKey_);
    values.Append(Values());
    return FormRecord::Insert(connection_, prompt_, kTable, values, key_);
}

bool CContactDlg::Update() {
    return FormRecord::Update(connection_, prompt_, kTable, Values(), key_);
}

bool RunContactForm(Prompt& prompt, DbConnection& connection, QWidget* parent, int customerKey,
                    IniFile& bag) {
    CContactDlg dialog(prompt, connection, customerKey, bag, parent);
    return prompt.RunModal(dialog) == QDialog::Accepted;
}
