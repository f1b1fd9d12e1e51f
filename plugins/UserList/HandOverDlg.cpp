#include "HandOverDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CHandOverDlg::CHandOverDlg(const QString& from, const QStringList& users, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("移交客户"));
    setObjectName(QStringLiteral("CHandOverDlg"));
    users_ = new QComboBox(this);
    users_->setObjectName(QStringLiteral("UserName"));
    users_->addItems(users);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("离职人员"), new QLabel(from, this));
    form->addRow(QStringLiteral("移交给"), users_);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    ok->setEnabled(!users.isEmpty());
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

QString CHandOverDlg::Chosen() const {
    return users_->currentText();
}
