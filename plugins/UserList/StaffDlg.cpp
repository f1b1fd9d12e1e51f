#include "StaffDlg.h"

#include "StaffAccounts.h"

#include "base/IniFile.h"
#include "base/PasswordHash.h"
#include "db/DbRecordset.h"
#include "db/SqlLiteral.h"
#include "framework/FormRecord.h"
#include "framework/PrivilegeNames.h"
#include "framework/RowValues.h"
#include "framework/SelectedRows.h"
#include "ui/Prompt.h"

#include <QDate>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QString kBag = QStringLiteral(".");
const QString kTable = QStringLiteral("UserData");
const QString kPrivilege = QStringLiteral("Privilege");

// The text boxes in the order of the form (column, caption).
const QList<QPair<QString, QString>>& Boxes() {
    static const QList<QPair<QString, QString>> boxes = {
        {QStringLiteral("UserName"), QStringLiteral("用户名")},
        {QStringLiteral("FullName"), QStringLiteral("姓名")},
        {QStringLiteral("Department"), QStringLiteral("部门")},
        {QStringLiteral("Position"), QStringLiteral("职务")},
        {QStringLiteral("Phone"), QStringLiteral("电话")},
        {QStringLiteral("Mobile"), QStringLiteral("手机")},
        {QStringLiteral("Email"), QStringLiteral("电子邮件")},
        {QStringLiteral("QQ"), QStringLiteral("QQ")},
        {QStringLiteral("JoinDate"), QStringLiteral("入职日期")},
        {QStringLiteral("Remarks"), QStringLiteral("备注")}};
    return boxes;
}

// The names of a privilege text; the separator has always been free.
QStringList SplitPrivileges(const QString& text) {
    static const QRegularExpression separators(QStringLiteral("[,;，；、\\s]+"));
    return text.split(separators, Qt::SkipEmptyParts);
}

} // namespace

CStaffDlg::CStaffDlg(Prompt& prompt, DbConnection& connection, bool readOnly, IniFile& bag,
                     QWidget* parent)
    : QDialog(parent), prompt_(prompt), connection_(connection), bag_(bag), readOnly_(readOnly) {
    setWindowTitle(QStringLiteral("职员资料"));
    setObjectName(QStringLiteral("CStaffDlg"));
    editMode_ = bag_.Find(kBag, QStringLiteral("KeyId")).has_value();

    auto* form = new QFormLayout;
    for (const auto& [column, caption] : Boxes()) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(column);
        edit->setReadOnly(readOnly_);
        edits_ << edit;
        form->addRow(caption, edit);
    }
    Field(QStringLiteral("JoinDate"))->setPlaceholderText(QStringLiteral("yyyy-MM-dd"));
    if (!editMode_ && !readOnly_) {
        password_ = new QLineEdit(this);
        password_->setObjectName(QStringLiteral("Password"));
        password_->setEchoMode(QLineEdit::Password);
        passwordAgain_ = new QLineEdit(this);
        passwordAgain_->setObjectName(QStringLiteral("PasswordAgain"));
        passwordAgain_->setEchoMode(QLineEdit::Password);
        form->addRow(QStringLiteral("密码"), password_);
        form->addRow(QStringLiteral("确认密码"), passwordAgain_);
    }
    privileges_ = new QListWidget(this);
    privileges_->setObjectName(kPrivilege);
    for (const QString& name : PrivilegeNames::KnownPrivileges()) {
        auto* item = new QListWidgetItem(name, privileges_);
        item->setFlags(readOnly_ ? Qt::ItemIsEnabled : Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    form->addRow(QStringLiteral("权限"), privileges_);

    auto* buttons = new QDialogButtonBox(this);
    if (!readOnly_) {
        QPushButton* ok = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
        ok->setDefault(true);
        connect(buttons, &QDialogButtonBox::accepted, this, [this] { OnOK(); });
    }
    buttons->addButton(readOnly_ ? QStringLiteral("关闭") : QStringLiteral("取消"),
                       QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form, 1);
    layout->addWidget(buttons);

    if (editMode_) {
        if (!SelectedRows::ParseKey(bag_.GetString(kBag, QStringLiteral("KeyId")).trimmed(), key_))
            key_ = 0;
        LoadRecord();
    }
    Field(QStringLiteral("UserName"))->setFocus();
}

QLineEdit* CStaffDlg::Field(const QString& column) const {
    for (QLineEdit* edit : edits_) {
        if (edit->objectName().compare(column, Qt::CaseInsensitive) == 0)
            return edit;
    }
    return nullptr;
}

void CStaffDlg::CheckPrivileges(const QStringList& names) {
    for (int i = 0; i < privileges_->count(); ++i) {
        QListWidgetItem* item = privileges_->item(i);
        item->setCheckState(names.contains(item->text()) ? Qt::Checked : Qt::Unchecked);
    }
}

QString CStaffDlg::PrivilegeText() const {
    QStringList names;
    for (int i = 0; i < privileges_->count(); ++i) {
        if (privileges_->item(i)->checkState() == Qt::Checked)
            names << privileges_->item(i)->text();
    }
    return (names + keptPrivileges_).join(QLatin1Char(','));
}

void CStaffDlg::LoadRecord() {
    loaded_ = false;
    DbRecordset rs(connection_);
    if (!FormRecord::Open(rs, prompt_, kTable, key_))
        return;
    for (QLineEdit* edit : std::as_const(edits_))
        edit->setText(rs.GetString(edit->objectName()));
    storedName_ = rs.GetString(QStringLiteral("UserName"));
    // A right is held when the text names it anywhere, so it is checked the
    // same way; a word that names no known right is kept, but one that only
    // contains a known right is not, or unchecking the right would not take
    // it away.
    const QString text = rs.GetString(kPrivilege);
    QStringList held;
    for (const QString& name : PrivilegeNames::KnownPrivileges()) {
        if (text.contains(name))
            held << name;
    }
    CheckPrivileges(held);
    for (const QString& word : SplitPrivileges(text)) {
        const bool namesKnown = std::any_of(
            held.cbegin(), held.cend(), [&](const QString& name) { return word.contains(name); });
        if (!namesKnown && !keptPrivileges_.contains(word))
            keptPrivileges_ << word;
    }
    loaded_ = true;
}

bool CStaffDlg::CheckInput(const QString& name) {
    if (name.isEmpty()) {
        prompt_.Message(QStringLiteral("用户名不能为空!"));
        return false;
    }
    // The login drops every quote from the typed name, so such a name could
    // never log in.
    if (name.contains(QLatin1Char('\''))) {
        prompt_.Message(QStringLiteral("用户名不能包含单引号!"));
        return false;
    }
    if (editMode_ && StaffAccounts::IsAdminName(storedName_) && name != storedName_) {
        prompt_.Message(QStringLiteral("admin是系统管理员, 用户名不能修改!"));
        return false;
    }
    // Kept as text, but sorted and compared as a date elsewhere.
    const QString joined = Field(QStringLiteral("JoinDate"))->text().trimmed();
    if (!joined.isEmpty() && !QDate::fromString(joined, Qt::ISODate).isValid()) {
        prompt_.Message(QStringLiteral("入职日期应为yyyy-MM-dd格式!"));
        return false;
    }
    StaffAccounts accounts(connection_);
    bool taken = false;
    if (!accounts.NameTaken(name, editMode_ ? key_ : 0, taken)) {
        prompt_.Message(accounts.LastError());
        return false;
    }
    if (taken) {
        prompt_.Message(QStringLiteral("用户名已存在: ") + name);
        return false;
    }
    if (!editMode_ && password_->text() != passwordAgain_->text()) {
        prompt_.Message(QStringLiteral("两次输入的密码不一致!"));
        return false;
    }
    return true;
}

RowValues CStaffDlg::Values(const QString& name) const {
    RowValues values;
    for (QLineEdit* edit : edits_) {
        const QString column = edit->objectName();
        values.SetText(column, column == u"UserName" ? name : edit->text());
    }
    values.SetText(kPrivilege, PrivilegeText());
    return values;
}

bool CStaffDlg::OnOK() {
    if (readOnly_)
        return false;
    if (editMode_ && !loaded_) {
        // The row was never shown; writing the empty form would wipe it.
        prompt_.Message(QStringLiteral("指定的数据不存在!"));
        return false;
    }
    const QString name = Field(QStringLiteral("UserName"))->text().trimmed();
    if (!CheckInput(name))
        return false;
    if (editMode_) {
        if (!FormRecord::Update(connection_, prompt_, kTable, Values(name), key_))
            return false;
    } else {
        const QString hash = PasswordHash::Make(password_->text());
        if (hash.isEmpty()) {
            prompt_.Message(QStringLiteral("无法生成密码"));
            return false;
        }
        RowValues values = Values(name);
        values.SetText(QStringLiteral("UserPass"), hash);
        values.SetLong(QStringLiteral("Dimission"), 0);
        if (!FormRecord::Insert(connection_, prompt_, kTable, values, key_))
            return false;
    }
    Field(QStringLiteral("UserName"))->setText(name);
    bag_.SetInt(kBag, QStringLiteral("KeyId"), key_);
    for (QLineEdit* edit : std::as_const(edits_))
        bag_.SetString(kBag, edit->objectName(), edit->text());
    bag_.SetString(kBag, kPrivilege, PrivilegeText());
    accept();
    return true;
}

bool RunStaffForm(Prompt& prompt, DbConnection& connection, QWidget* parent, bool readOnly,
                  IniFile& bag) {
    CStaffDlg dialog(prompt, connection, readOnly, bag, parent);
    return prompt.RunModal(dialog) == QDialog::Accepted;
}
