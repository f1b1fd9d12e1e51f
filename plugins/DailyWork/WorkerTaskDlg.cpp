#include "WorkerTaskDlg.h"

#include "WorkerTaskStore.h"

#include "base/IniFile.h"
#include "db/DbRecordset.h"
#include "db/SqlLiteral.h"
#include "framework/FormRecord.h"
#include "framework/RowValues.h"
#include "framework/SelectedRows.h"
#include "ui/Prompt.h"

#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kBag = QStringLiteral(".");
const QString kTable = QStringLiteral("WorkerTask");
const QString kDateFormat = QStringLiteral("yyyy-MM-dd");

} // namespace

CWorkerTaskDlg::CWorkerTaskDlg(Prompt& prompt, DbConnection& connection, const QString& userName,
                               bool reassign, IniFile& bag, QWidget* parent)
    : CRecordFormDlg(prompt, connection, parent), bag_(bag), userName_(userName),
      reassign_(reassign) {
    setObjectName(QStringLiteral("CWorkerTaskDlg"));
    editMode_ = bag_.Find(kBag, QStringLiteral("KeyId")).has_value();
    setWindowTitle(reassign_ ? QStringLiteral("重新交办") : QStringLiteral("交办任务"));

    title_ = new QLineEdit(this);
    title_->setObjectName(QStringLiteral("Title"));
    content_ = new QPlainTextEdit(this);
    content_->setObjectName(QStringLiteral("Content"));
    assignee_ = new QComboBox(this);
    assignee_->setObjectName(QStringLiteral("Assignee"));
    dueDate_ = new QDateEdit(QDate::currentDate(), this);
    dueDate_->setObjectName(QStringLiteral("DueDate"));
    dueDate_->setDisplayFormat(kDateFormat);
    dueDate_->setCalendarPopup(true);
    priority_ = new QComboBox(this);
    priority_->setObjectName(QStringLiteral("Priority"));
    for (int priority = 1; priority <= 3; ++priority)
        priority_->addItem(TaskState::PriorityName(priority), priority);
    priority_->setCurrentIndex(1);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("标题"), title_);
    form->addRow(QStringLiteral("接收人"), assignee_);
    form->addRow(QStringLiteral("完成期限"), dueDate_);
    form->addRow(QStringLiteral("优先级"), priority_);
    form->addRow(QStringLiteral("内容"), content_);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { OnOK(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form, 1);
    layout->addWidget(buttons);

    LoadStaff();
    if (editMode_) {
        if (!SelectedRows::ParseKey(bag_.GetString(kBag, QStringLiteral("KeyId")).trimmed(), key_))
            key_ = 0;
        LoadRecord();
    }
    title_->setFocus();
}

void CWorkerTaskDlg::LoadStaff() {
    // The first entry names nobody, so a choice is always made on purpose.
    assignee_->addItem(QString(), QString());
    const QString sql = QStringLiteral("select UserName, FullName from UserData where Dimission=0 "
                                       "and UserName<>") +
                        SqlLiteral::Text(userName_) + QStringLiteral(" order by UserName");
    DbRecordset rs(connection_);
    if (!rs.Open(sql)) {
        prompt_.Message(sql + QStringLiteral("\r\n") + rs.GetLastError());
        return;
    }
    for (; !rs.IsEOF(); rs.MoveNext()) {
        const QString name = rs.GetString(QStringLiteral("UserName"));
        const QString fullName = rs.GetString(QStringLiteral("FullName")).trimmed();
        assignee_->addItem(fullName.isEmpty() || fullName == name
                               ? name
                               : name + QStringLiteral(" (") + fullName + QStringLiteral(")"),
                           name);
    }
}

bool CWorkerTaskDlg::SelectAssignee(const QString& userName) {
    const int index = assignee_->findData(userName);
    if (index < 1)
        return false;
    assignee_->setCurrentIndex(index);
    return true;
}

void CWorkerTaskDlg::LoadRecord() {
    loaded_ = false;
    DbRecordset rs(connection_);
    if (!FormRecord::Open(rs, prompt_, kTable, key_))
        return;
    title_->setText(rs.GetString(QStringLiteral("Title")));
    content_->setPlainText(rs.GetString(QStringLiteral("Content")));
    // A refused task goes to someone else: the refusing colleague is not
    // offered again by default.
    if (!reassign_)
        SelectAssignee(rs.GetString(QStringLiteral("Assignee")));
    storedDueDate_ = rs.GetString(QStringLiteral("DueDate"));
    const QDate due = QDate::fromString(storedDueDate_, kDateFormat);
    if (due.isValid() && !reassign_)
        dueDate_->setDate(due);
    const int priority = priority_->findData(rs.GetLong(QStringLiteral("Priority")));
    if (priority >= 0)
        priority_->setCurrentIndex(priority);
    loaded_ = true;
}

bool CWorkerTaskDlg::CheckInput() {
    if (title_->text().trimmed().isEmpty()) {
        prompt_.Message(QStringLiteral("请输入任务标题!"));
        title_->setFocus();
        return false;
    }
    if (assignee_->currentData().toString().isEmpty()) {
        prompt_.Message(QStringLiteral("请选择接收人!"));
        assignee_->setFocus();
        return false;
    }
    const QString due = dueDate_->date().toString(kDateFormat);
    const bool unchanged = editMode_ && !reassign_ && due == storedDueDate_;
    if (!unchanged && dueDate_->date() < QDate::currentDate()) {
        prompt_.Message(QStringLiteral("完成期限不能早于今天!"));
        dueDate_->setFocus();
        return false;
    }
    return true;
}

bool CWorkerTaskDlg::Save() {
    const QString assignee = assignee_->currentData().toString();
    RowValues values;
    values.SetText(QStringLiteral("Title"), title_->text().trimmed());
    values.SetText(QStringLiteral("Content"), content_->toPlainText());
    values.SetText(QStringLiteral("Assignee"), assignee);
    values.SetLong(QStringLiteral("Priority"), priority_->currentData().toInt());
    values.SetText(QStringLiteral("DueDate"), dueDate_->date().toString(kDateFormat));

    if (!editMode_) {
        values.SetText(QStringLiteral("Assigner"), userName_);
        values.SetText(QStringLiteral("State"), TaskState::New);
        values.SetText(QStringLiteral("Created"), WorkerTaskStore::Now());
        values.SetText(QStringLiteral("Finished"), QString());
        if (!FormRecord::Insert(connection_, prompt_, kTable, values, key_))
            return false;
    } else {
        QString note;
        if (reassign_) {
            values.SetText(QStringLiteral("State"), TaskState::New);
            values.SetText(QStringLiteral("Finished"), QString());
            note = QStringLiteral("重新交办给 ") + assignee;
        }
        WorkerTaskStore store(connection_);
        switch (store.UpdateWhileIn(key_, reassign_ ? TaskState::Rejected : TaskState::New,
                                    userName_, values, userName_, note)) {
        case WorkerTaskStore::Outcome::Done:
            break;
        case WorkerTaskStore::Outcome::Lost:
            // The task moved on at another desk: the form has nothing left
            // to save, and the list shows what happened.
            prompt_.Message(LostRaceMessage());
            reject();
            return false;
        case WorkerTaskStore::Outcome::Failed:
            prompt_.Message(store.LastError());
            return false;
        }
    }
    bag_.SetInt(kBag, QStringLiteral("KeyId"), key_);
    bag_.SetString(kBag, QStringLiteral("Assignee"), assignee);
    return true;
}

bool RunWorkerTaskForm(Prompt& prompt, DbConnection& connection, QWidget* parent,
                       const QString& userName, bool reassign, IniFile& bag) {
    CWorkerTaskDlg dialog(prompt, connection, userName, reassign, bag, parent);
    return prompt.RunModal(dialog) == QDialog::Accepted;
}
