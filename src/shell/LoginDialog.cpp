#include "shell/LoginDialog.h"

#include "base/IniFile.h"
#include "base/PasswordHash.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/SqlLiteral.h"
#include "shell/Privilege.h"
#include "ui/Prompt.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString kBag = QStringLiteral(".");
const QString kUserName = QStringLiteral("UserName");
const QString kUserPass = QStringLiteral("UserPass");
const QString kSavePass = QStringLiteral("SavePass");
const QString kPrivilege = QStringLiteral("Privilege");
} // namespace

LoginDialog::LoginDialog(DbConnection& connection, Prompt& prompt, QWidget* parent)
    : QDialog(parent), connection_(connection), prompt_(prompt), userEdit_(new QLineEdit(this)),
      passEdit_(new QLineEdit(this)),
      saveBox_(new QCheckBox(QStringLiteral("保存我的密码"), this)) {
    setWindowTitle(QStringLiteral("登录系统"));
    setObjectName(QStringLiteral("LoginDialog"));

    userEdit_->setObjectName(QStringLiteral("UserName"));
    passEdit_->setObjectName(QStringLiteral("Password"));
    passEdit_->setEchoMode(QLineEdit::Password);
    saveBox_->setObjectName(QStringLiteral("SavePass"));
    userEdit_->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 20);

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("用户名"), userEdit_);
    fields->addRow(QStringLiteral("密码"), passEdit_);
    fields->addRow(QString(), saveBox_);

    auto* hint = new QLabel(HintText(), this);
    hint->setObjectName(QStringLiteral("Hint"));
    hint->setEnabled(false);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { OnOK(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(hint);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    LoadAccount();
    if (!userEdit_->text().isEmpty())
        passEdit_->setFocus();
}

QString LoginDialog::HintText() {
    return QStringLiteral("初始帐号: admin  密码: admin");
}

void LoginDialog::LoadAccount() {
    IniFile account;
    account.Load(AccountFilePath());
    userEdit_->setText(account.GetString(kBag, kUserName));
    passEdit_->setText(account.GetString(kBag, kUserPass));
    saveBox_->setChecked(account.GetInt(kBag, kSavePass) != 0);
}

bool LoginDialog::OnOK() {
    // The name goes into SQL text and becomes the frame's user name; quotes are
    // simply dropped rather than escaped.
    QString name = userEdit_->text();
    name.remove(QLatin1Char('\''));
    const QString password = passEdit_->text();

    const QString sql =
        QStringLiteral("Select * from UserData where UserName='") + name + QLatin1Char('\'');
    DbRecordset users(connection_);
    if (!users.Open(sql)) {
        prompt_.Message(users.GetLastError() + QStringLiteral("\r\n") + sql);
        return false;
    }
    // Someone who has left keeps their row (their customers, orders and
    // plans still name them) but no longer has an account.
    if (users.IsEOF() || users.GetLong(QStringLiteral("Dimission")) != 0) {
        prompt_.Message(QStringLiteral("无效的用户名"));
        return false;
    }
    const QString stored = users.GetString(kUserPass);
    if (!PasswordHash::Verify(stored, password)) {
        prompt_.Message(QStringLiteral("密码错误"));
        return false;
    }
    const QString privilege = users.GetString(kPrivilege);
    const QString key = users.GetString(QStringLiteral("KeyId"));
    users.Close();
    if (!PasswordHash::IsHash(stored))
        HashStoredPassword(key, password);

    userName_ = name;
    privilege_ = privilege;
    SaveAccount(password, privilege);
    accept();
    return true;
}

void LoginDialog::SaveAccount(const QString& password, const QString& privilege) const {
    // Reloaded so that keys this dialog does not own survive.
    IniFile account;
    account.Load(AccountFilePath());
    account.SetString(kBag, kUserName, userName_);
    // The password stays in the file only while the box asks for it.
    const bool save = saveBox_->isChecked();
    account.SetString(kBag, kUserPass, save ? password : QString());
    account.SetInt(kBag, kSavePass, save ? 1 : 0);
    account.SetString(kBag, kPrivilege, privilege);
    // The folder is made at start-up, but may have gone since.
    QDir().mkpath(QFileInfo(AccountFilePath()).absolutePath());
    account.Save(AccountFilePath(), IniFile::Access::OwnerOnly);
}

void LoginDialog::HashStoredPassword(const QString& key, const QString& password) const {
    // A row of an older database keeps the password as typed; it becomes a
    // hash on its first login. Should the write fail (a read-only database),
    // the login still stands and the next one tries again.
    const QString hash = PasswordHash::Make(password);
    if (hash.isEmpty() || key.isEmpty())
        return;
    connection_.Execute(QStringLiteral("update UserData set UserPass=") + SqlLiteral::Text(hash) +
                        QStringLiteral(" where KeyId=") + QString::number(key.toLongLong()));
}
