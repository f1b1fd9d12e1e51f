#include "MailSendSettingsDlg.h"

#include "MailSendSettings.h"

#include "ui/Prompt.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

CMailSendSettingsDlg::CMailSendSettingsDlg(Prompt& prompt, QWidget* parent)
    : QDialog(parent), prompt_(prompt) {
    setWindowTitle(QStringLiteral("发送设置"));
    setObjectName(QStringLiteral("CMailSendSettingsDlg"));
    const MailSendSettings settings = MailSendSettings::Read();
    perMinute_ = new QSpinBox(this);
    perMinute_->setRange(0, MailSendSettings::kMaxPerMinute);
    perMinute_->setSpecialValueText(QStringLiteral("不限"));
    perMinute_->setValue(settings.perMinute);
    connections_ = new QSpinBox(this);
    connections_->setRange(1, MailSendSettings::kMaxConnections);
    connections_->setValue(settings.connections);
    timeout_ = new QSpinBox(this);
    timeout_->setRange(5, 600);
    timeout_->setSuffix(QStringLiteral(" 秒"));
    timeout_->setValue(settings.timeoutSeconds);

    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("每分钟最多发送(0为不限)"), perMinute_);
    form->addRow(QStringLiteral("同时发送的邮件数"), connections_);
    form->addRow(QStringLiteral("服务器应答超时"), timeout_);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { OnOK(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

bool CMailSendSettingsDlg::OnOK() {
    MailSendSettings settings;
    settings.perMinute = perMinute_->value();
    settings.connections = connections_->value();
    settings.timeoutSeconds = timeout_->value();
    if (!settings.Save()) {
        prompt_.Message(QStringLiteral("无法保存设置文件%1").arg(MailSendSettings::SettingsPath()));
        return false;
    }
    accept();
    return true;
}
