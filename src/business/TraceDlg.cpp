#include "business/TraceDlg.h"

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

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kBag = QStringLiteral(".");

} // namespace

CTraceDlg::CTraceDlg(Prompt& prompt, DbConnection& connection, TraceKind kind, int customerKey,
                     IniFile& bag, QWidget* parent)
    : CRecordFormDlg(prompt, connection, parent), kind_(kind), customerKey_(customerKey),
      bag_(bag) {
    setWindowTitle(TraceStatements::FormTitle(kind));
    setObjectName(kind == TraceKind::Record ? QStringLiteral("CTraceDlg")
                                            : QStringLiteral("CTrackPlanDlg"));
    auto makeEdit = [this](const QString& column) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(column);
        return edit;
    };
    keyEdit_ = makeEdit(QStringLiteral("KeyId"));
    keyEdit_->setReadOnly(true);
    keyEdit_->setFocusPolicy(Qt::NoFocus);
    customerName_ = makeEdit(QStringLiteral("CustomerName"));
    contact_ = makeEdit(QStringLiteral("Contact"));
    handler_ = makeEdit(QStringLiteral("Handler"));
    title_ = makeEdit(QStringLiteral("Title"));
    time_ = makeEdit(TraceStatements::TimeColumn(kind));
    time_->setPlaceholderText(QStringLiteral("年-月-日 时:分:秒"));
    text_ = new QPlainTextEdit(this);
    text_->setObjectName(TraceStatements::TextColumn(kind));
    text_->setTabChangesFocus(true);
    text_->setMinimumHeight(fontMetrics().lineSpacing() * 6);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("编号"), keyEdit_);
    form->addRow(QStringLiteral("客户名称"), customerName_);
    form->addRow(QStringLiteral("联系人"), contact_);
    form->addRow(QStringLiteral("经理人"), handler_);
    form->addRow(QStringLiteral("标题"), title_);
    form->addRow(TraceStatements::TimeCaption(kind), time_);
    form->addRow(QStringLiteral("备注"), text_);
    customerName_->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 30);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { OnOK(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form, 1);
    layout->addWidget(buttons);

    time_->setText(TraceStatements::Now());
    if (const auto key = bag_.Find(kBag, QStringLiteral("KeyId"))) {
        editMode_ = true;
        if (!SelectedRows::ParseKey(key->trimmed(), key_))
            key_ = 0;
        LoadRecord();
    } else {
        LoadCustomer();
    }
    title_->setFocus();
}

QLineEdit* CTraceDlg::Field(const QString& column) const {
    for (QLineEdit* edit : {keyEdit_, customerName_, contact_, handler_, title_, time_}) {
        if (edit->objectName().compare(column, Qt::CaseInsensitive) == 0)
            return edit;
    }
    return nullptr;
}

void CTraceDlg::LoadRecord() {
    loaded_ = false;
    DbRecordset rs(connection_);
    if (!FormRecord::Open(rs, prompt_, TraceStatements::Table(kind_), key_))
        return;
    keyEdit_->setText(SqlLiteral::Long(key_));
    customerKey_ = rs.GetLong(QStringLiteral("CustomerId"));
    customerName_->setText(rs.GetString(QStringLiteral("CustomerName")));
    contact_->setText(rs.GetString(QStringLiteral("Contact")));
    handler_->setText(rs.GetString(QStringLiteral("Handler")));
    title_->setText(rs.GetString(QStringLiteral("Title")));
    time_->setText(rs.GetString(TraceStatements::TimeColumn(kind_)));
    text_->setPlainText(rs.GetString(TraceStatements::TextColumn(kind_)));
    loaded_ = true;
}

void CTraceDlg::LoadCustomer() {
    const QString sql =
        QStringLiteral("select * from CustomerData where KeyId=") + SqlLiteral::Long(customerKey_);
    DbRecordset rs(connection_);
    if (!rs.Open(sql)) {
        prompt_.Message(sql + QStringLiteral("\r\n") + rs.GetLastError());
        return;
    }
    if (rs.IsEOF())
        return;
    customerName_->setText(rs.GetString(QStringLiteral("CustomerName")));
    handler_->setText(rs.GetString(QStringLiteral("Handler")));
    contact_->setText(rs.GetString(QStringLiteral("Contact")));
}

bool CTraceDlg::CheckInput() {
    // The lists colour and the plan calendar files rows by this text.
    if (!TraceStatements::IsValidTime(time_->text())) {
        prompt_.Message(TraceStatements::TimeCaption(kind_) +
                        QStringLiteral("格式不正确，请按“年-月-日 时:分:秒”输入，例如 ") +
                        TraceStatements::Now());
        time_->setFocus();
        return false;
    }
    return true;
}

bool CTraceDlg::Save() {
    if (!(editMode_ ? Update() : Insert()))
        return false;

    bag_.SetInt(kBag, QStringLiteral("KeyId"), key_);
    bag_.SetString(kBag, QStringLiteral("CustomerName"), customerName_->text());
    bag_.SetString(kBag, QStringLiteral("Contact"), contact_->text());
    bag_.SetString(kBag, QStringLiteral("Handler"), handler_->text());
    bag_.SetString(kBag, QStringLiteral("Title"), title_->text());
    bag_.SetString(kBag, TraceStatements::TimeColumn(kind_), time_->text());
    bag_.SetString(kBag, TraceStatements::TextColumn(kind_), text_->toPlainText());
    if (!editMode_)
        bag_.SetInt(kBag, QStringLiteral("CustomerId"), customerKey_);
    keyEdit_->setText(SqlLiteral::Long(key_));
    return true;
}

// The columns a save writes; an insert adds the customer's key after the
// handler, where the list of columns has always had it.
RowValues CTraceDlg::Values(bool withCustomer) const {
    RowValues values;
    values.SetText(QStringLiteral("Contact"), contact_->text());
    values.SetText(QStringLiteral("Handler"), handler_->text());
    if (withCustomer)
        values.SetLong(QStringLiteral("CustomerId"), customerKey_);
    values.SetText(QStringLiteral("CustomerName"), customerName_->text());
    values.SetText(QStringLiteral("Title"), title_->text());
    values.SetText(TraceStatements::TimeColumn(kind_), time_->text());
    values.SetText(TraceStatements::TextColumn(kind_), text_->toPlainText());
    return values;
}

bool CTraceDlg::Insert() {
    return FormRecord::Insert(connection_, prompt_, TraceStatements::Table(kind_), Values(true),
                              key_);
}

bool CTraceDlg::Update() {
    return FormRecord::Update(connection_, prompt_, TraceStatements::Table(kind_), Values(false),
                              key_);
}

bool RunTraceForm(Prompt& prompt, DbConnection& connection, QWidget* parent, TraceKind kind,
                  int customerKey, IniFile& bag) {
    CTraceDlg dialog(prompt, connection, kind, customerKey, bag, parent);
    return prompt.RunModal(dialog) == QDialog::Accepted;
}
