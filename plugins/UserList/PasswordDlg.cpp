#include "PasswordDlg.h"

#include "StaffAccounts.h"

#include "ui/Prompt.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CPasswordDlg::CPasswordDlg(Prompt& prompt, DbConnection& connection, int key,
                           const QString& userName, bool askOld, QWidget* parent)
    : QDialog(parent), prompt_(prompt), connection_(connection), key_(key) {
    setWindowTitle(QStringLiteral("修改密码 - ") + userName);
    setObjectName(QStringLiteral("CPasswordDlg"));
    auto* form = new QFormLayout;
    if (askOld) {
        old_ = AddBox(QStringLiteral("OldPassword"));
        form->addRow(QStringLiteral("原密码"), old_);
    }
    new_ = AddBox(QStringLiteral("NewPassword"));
    form->addRow(QStringLiteral("新密码"), new_);
    again_ = AddBox(QStringLiteral("AgainPassword"));
    form->addRow(QStringLiteral("确认新密码"), again_);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { OnOK(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

QLineEdit* CPasswordDlg::AddBox(const QString& name) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    edit->setEchoMode(QLineEdit::Password);
    return edit;
}

bool CPasswordDlg::OnOK() {
    StaffAccounts accounts(connection_);
    if (old_) {
        bool matches = false;
        if (!accounts.CheckPassword(key_, old_->text(), matches)) {
            prompt_.Message(accounts.LastError());
            return false;
        }
        if (!matches) {
            prompt_.Message(QStringLiteral("原密码错误!"));
            return false;
        }
    }
    if (new_->text() != again_->text()) {
        prompt_.Message(QStringLiteral("两次输入的新密码不一致!"));
        return false;
    }
    if (!accounts.SetPassword(key_, new_->text())) {
        prompt_.Message(accounts.LastError());
        return false;
    }
    prompt_.Message(QStringLiteral("密码已修改"));
    accept();
    return true;
}

bool RunPasswordForm(Prompt& prompt, DbConnection& connection, QWidget* parent, int key,
                     const QString& userName, bool askOld) {
    CPasswordDlg dialog(prompt, connection, key, userName, askOld, parent);
    return prompt.RunModal(dialog) == QDialog::Accepted;
}
