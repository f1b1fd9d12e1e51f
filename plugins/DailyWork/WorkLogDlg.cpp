#include "WorkLogDlg.h"

#include "WorkerTaskStore.h"

#include "base/IniFile.h"
#include "db/DbRecordset.h"
#include "db/SqlLiteral.h"
#include "framework/FormRecord.h"
#include "framework/RowValues.h"
#include "framework/SelectedRows.h"
#include "ui/Prompt.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kBag = QStringLiteral(".");
const QString kTable = QStringLiteral("WorkLog");
const QString kDateFormat = QStringLiteral("yyyy-MM-dd");

} // namespace

QString WorkLogKindText(WorkLogKind kind) {
    return kind == WorkLogKind::Log ? QStringLiteral("日志") : QStringLiteral("计划");
}

CWorkLogDlg::CWorkLogDlg(Prompt& prompt, DbConnection& connection, WorkLogKind kind,
                         const QString& userName, const QDate& day, IniFile& bag, QWidget* parent)
    : CRecordFormDlg(prompt, connection, parent), kind_(kind), userName_(userName), bag_(bag) {
    setObjectName(QStringLiteral("CWorkLogDlg"));
    setWindowTitle(kind_ == WorkLogKind::Log ? QStringLiteral("工作日志")
                                             : QStringLiteral("工作计划"));
    editMode_ = bag_.Find(kBag, QStringLiteral("KeyId")).has_value();

    date_ = new QDateEdit(day.isValid() ? day : QDate::currentDate(), this);
    date_->setObjectName(QStringLiteral("WorkDate"));
    date_->setDisplayFormat(kDateFormat);
    date_->setCalendarPopup(true);
    title_ = new QLineEdit(this);
    title_->setObjectName(QStringLiteral("Title"));
    content_ = new QPlainTextEdit(this);
    content_->setObjectName(QStringLiteral("Content"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("日期"), date_);
    form->addRow(QStringLiteral("标题"), title_);
    form->addRow(QStringLiteral("内容"), content_);

    if (editMode_) {
        if (!SelectedRows::ParseKey(bag_.GetString(kBag, QStringLiteral("KeyId")).trimmed(), key_))
            key_ = 0;
        LoadRecord();
    }
    date_->setReadOnly(readOnly_);
    title_->setReadOnly(readOnly_);
    content_->setReadOnly(readOnly_);

    auto* buttons = new QDialogButtonBox(this);
    if (!readOnly_) {
        buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole)->setDefault(true);
        connect(buttons, &QDialogButtonBox::accepted, this, [this] { OnOK(); });
    }
    buttons->addButton(readOnly_ ? QStringLiteral("关闭") : QStringLiteral("取消"),
                       QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form, 1);
    layout->addWidget(buttons);
    title_->setFocus();
}

void CWorkLogDlg::LoadRecord() {
    loaded_ = false;
    DbRecordset rs(connection_);
    if (!FormRecord::Open(rs, prompt_, kTable, key_))
        return;
    const QDate date = QDate::fromString(rs.GetString(QStringLiteral("WorkDate")), kDateFormat);
    if (date.isValid())
        date_->setDate(date);
    title_->setText(rs.GetString(QStringLiteral("Title")));
    content_->setPlainText(rs.GetString(QStringLiteral("Content")));
    // Names compare as the database compares them.
    readOnly_ =
        rs.GetString(QStringLiteral("UserName")).compare(userName_, Qt::CaseInsensitive) != 0;
    loaded_ = true;
}

bool CWorkLogDlg::CheckInput() {
    if (readOnly_) {
        prompt_.Message(QStringLiteral("只能修改自己的") + WorkLogKindText(kind_) +
                        QStringLiteral("!"));
        return false;
    }
    if (title_->text().trimmed().isEmpty()) {
        prompt_.Message(QStringLiteral("请输入标题!"));
        title_->setFocus();
        return false;
    }
    if (kind_ == WorkLogKind::Log && date_->date() > QDate::currentDate()) {
        prompt_.Message(QStringLiteral("不能为以后的日期写工作日志!"));
        date_->setFocus();
        return false;
    }
    return true;
}

bool CWorkLogDlg::Save() {
    const QString day = date_->date().toString(kDateFormat);
    const QString written = WorkerTaskStore::Now();
    RowValues values;
    values.SetText(QStringLiteral("WorkDate"), day);
    values.SetText(QStringLiteral("Title"), title_->text().trimmed());
    values.SetText(QStringLiteral("Content"), content_->toPlainText());
    values.SetText(QStringLiteral("Written"), written);
    if (editMode_) {
        // Only the writer's own row matches, whatever the form was given.
        if (!FormRecord::Update(connection_, prompt_, kTable, values,
                                QStringLiteral("KeyId=") + SqlLiteral::Long(key_) +
                                    QStringLiteral(" and UserName=") + SqlLiteral::Text(userName_)))
            return false;
    } else {
        RowValues owner;
        owner.SetText(QStringLiteral("Kind"), WorkLogKindText(kind_));
        owner.SetText(QStringLiteral("UserName"), userName_);
        owner.Append(values);
        if (!FormRecord::Insert(connection_, prompt_, kTable, owner, key_))
            return false;
    }
    bag_.SetInt(kBag, QStringLiteral("KeyId"), key_);
    bag_.SetString(kBag, QStringLiteral("UserName"), userName_);
    bag_.SetString(kBag, QStringLiteral("WorkDate"), day);
    bag_.SetString(kBag, QStringLiteral("Title"), title_->text().trimmed());
    bag_.SetString(kBag, QStringLiteral("Content"), content_->toPlainText());
    bag_.SetString(kBag, QStringLiteral("Written"), written);
    return true;
}

bool RunWorkLogForm(Prompt& prompt, DbConnection& connection, QWidget* parent, WorkLogKind kind,
                    const QString& userName, const QDate& day, IniFile& bag) {
    CWorkLogDlg dialog(prompt, connection, kind, userName, day, bag, parent);
    return prompt.RunModal(dialog) == QDialog::Accepted;
}
