#include "AdviceDlg.h"

#include "OfficeDates.h"

#include "base/IniFile.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/SqlLiteral.h"
#include "db/UpdateBuilder.h"
#include "framework/FormRecord.h"
#include "framework/RowValues.h"
#include "framework/SelectedRows.h"
#include "ui/FormButtons.h"
#include "ui/Prompt.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace {

const QString kBag = QStringLiteral(".");
const QString kTable = QStringLiteral("Advice");

} // namespace

CAdviceDlg::CAdviceDlg(Prompt& prompt, DbConnection& connection, const QString& userName,
                       IniFile& bag, QWidget* parent)
    : CRecordFormDlg(prompt, connection, parent), userName_(userName), bag_(bag) {
    setObjectName(QStringLiteral("AdviceDlg"));
    title_ = new QLineEdit(this);
    title_->setObjectName(QStringLiteral("Title"));
    title_->setMaxLength(100);
    content_ = new QPlainTextEdit(this);
    content_->setObjectName(QStringLiteral("Content"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("标题"), title_);
    form->addRow(QStringLiteral("内容"), content_);

    if (const auto key = bag_.Find(kBag, QStringLiteral("KeyId"));
        key && SelectedRows::ParseKey(key->trimmed(), key_)) {
        editMode_ = true;
        loaded_ = false;
        setWindowTitle(QStringLiteral("修改建议"));
        DbRecordset rs(connection_);
        if (FormRecord::Open(rs, prompt_, kTable, key_)) {
            title_->setText(rs.GetString(QStringLiteral("Title")));
            content_->setPlainText(rs.GetString(QStringLiteral("Content")));
            loaded_ = true;
        }
    } else {
        key_ = 0;
        setWindowTitle(QStringLiteral("提建议"));
        anonymous_ = new QCheckBox(QStringLiteral("匿名提交 (不记录提出人, 谁也无法查到)"), this);
        anonymous_->setObjectName(QStringLiteral("Anonymous"));
        form->addRow(QString(), anonymous_);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form, 1);
    layout->addWidget(MakeFormButtons(this, [this] { OnOK(); }));
    resize(480, 360);
    title_->setFocus();
}

bool CAdviceDlg::CheckInput() {
    if (title_->text().trimmed().isEmpty()) {
        prompt_.Message(QStringLiteral("请输入建议的标题"));
        title_->setFocus();
        return false;
    }
    if (content_->toPlainText().trimmed().isEmpty()) {
        prompt_.Message(QStringLiteral("请输入建议的内容"));
        content_->setFocus();
        return false;
    }
    return true;
}

bool CAdviceDlg::Save() {
    if (!(editMode_ ? Update() : Insert()))
        return false;
    bag_.SetInt(kBag, QStringLiteral("KeyId"), key_);
    bag_.SetString(kBag, QStringLiteral("Title"), title_->text().trimmed());
    return true;
}

bool CAdviceDlg::Insert() {
    const bool anonymous = anonymous_->isChecked();
    // An anonymous suggestion keeps nothing of its author: not the name, and
    // not a column that could be matched with the staff list afterwards.
    const QString author = anonymous ? QString() : userName_;
    const QString written = OfficeDates::Now();
    RowValues values;
    values.SetText(QStringLiteral("Author"), author);
    values.SetLong(QStringLiteral("Anonymous"), anonymous ? 1 : 0);
    values.SetText(QStringLiteral("Title"), title_->text().trimmed());
    values.SetText(QStringLiteral("Content"), content_->toPlainText());
    values.SetText(QStringLiteral("Written"), written);
    values.SetText(QStringLiteral("Reply"), QString());
    values.SetText(QStringLiteral("Replier"), QString());
    values.SetText(QStringLiteral("ReplyTime"), QString());
    if (!FormRecord::Insert(connection_, prompt_, kTable, values, key_))
        return false;
    bag_.SetString(kBag, QStringLiteral("提出人"), anonymous ? QStringLiteral("匿名") : author);
    bag_.SetString(kBag, QStringLiteral("Written"), written);
    bag_.SetString(kBag, QStringLiteral("答复"), QStringLiteral("未答复"));
    return true;
}

bool CAdviceDlg::Update() {
    UpdateBuilder update;
    update.SetTable(kTable);
    update.SetText(QStringLiteral("Title"), title_->text().trimmed());
    update.SetText(QStringLiteral("Content"), content_->toPlainText());
    // Only the signed author, and only before a reply: a manager must not
    // find the suggestion changed under the answer given to it.
    update.AddCondition(QStringLiteral("KeyId=") + SqlLiteral::Long(key_));
    update.AddCondition(QStringLiteral("Author=") + SqlLiteral::Text(userName_));
    update.AddCondition(QStringLiteral("Anonymous=0"));
    update.AddCondition(QStringLiteral("coalesce(Reply,'')=''"));
    const QString sql = update.Build();
    long affected = 0;
    if (connection_.Execute(sql, &affected) != 1) {
        prompt_.Message(sql + QStringLiteral("\r\n") + connection_.GetLastError());
        return false;
    }
    if (affected < 1) {
        prompt_.Message(QStringLiteral("该建议已答复或已删除, 不能再修改"));
        return false;
    }
    return true;
}

bool RunAdviceForm(Prompt& prompt, DbConnection& connection, const QString& userName, IniFile& bag,
                   QWidget* parent) {
    CAdviceDlg dialog(prompt, connection, userName, bag, parent);
    return prompt.RunModal(dialog) == QDialog::Accepted;
}
