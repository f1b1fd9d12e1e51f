#include "framework/MailSettingsDlg.h"

#include "base/ProgramFolder.h"
#include "framework/MailNotice.h"
#include "ui/Prompt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

// The security choices: caption and the SMTPSecurity value stored.
struct SecurityChoice {
    const char16_t* caption;
    const char16_t* value;
};
constexpr SecurityChoice kSecurity[] = {
    {u"按端口 (465 为 SSL)", u""},
    {u"SSL/TLS", u"ssl"},
    {u"STARTTLS", u"starttls"},
    {u"不加密", u"none"},
};

} // namespace

CMailSettingsDlg::CMailSettingsDlg(Prompt& prompt, const QString& path, QWidget* parent)
    : QDialog(parent), prompt_(prompt), path_(path) {
    setWindowTitle(QStringLiteral("邮件设置"));
    const MailSettings settings = MailSettings::Load(path);

    from_ = new QLineEdit(settings.from, this);
    server_ = new QLineEdit(settings.server, this);
    port_ = new QSpinBox(this);
    port_->setRange(1, 65535);
    port_->setValue(settings.port);
    security_ = new QComboBox(this);
    for (const SecurityChoice& choice : kSecurity)
        security_->addItem(QString::fromUtf16(choice.caption), QString::fromUtf16(choice.value));
    const int current = security_->findData(settings.security.toLower());
    security_->setCurrentIndex(current < 0 ? 0 : current);
    userName_ = new QLineEdit(settings.userName, this);
    userPass_ = new QLineEdit(settings.userPass, this);
    userPass_->setEchoMode(QLineEdit::Password);
    plainAuth_ = new QCheckBox(QStringLiteral("允许在未加密的连接上登录"), this);
    plainAuth_->setChecked(settings.plainAuth);
    caFile_ = new QLineEdit(settings.caFile, this);
    caFile_->setPlaceholderText(QStringLiteral("使用系统证书"));
    from_->setMinimumWidth(260);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("发件人地址"), from_);
    form->addRow(QStringLiteral("SMTP服务器"), server_);
    form->addRow(QStringLiteral("端口"), port_);
    form->addRow(QStringLiteral("安全连接"), security_);
    form->addRow(QStringLiteral("登录用户名"), userName_);
    form->addRow(QStringLiteral("登录密码"), userPass_);
    form->addRow(QString(), plainAuth_);
    form->addRow(QStringLiteral("CA证书文件"), caFile_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { OnOK(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

bool CMailSettingsDlg::OnOK() {
    MailSettings settings;
    settings.from = from_->text().trimmed();
    settings.server = server_->text().trimmed();
    if (!settings.from.isEmpty() && !settings.from.contains(u'@')) {
        prompt_.Message(QStringLiteral("发件人地址无效: ") + settings.from);
        from_->setFocus();
        return false;
    }
    if (!settings.from.isEmpty() && settings.server.isEmpty()) {
        prompt_.Message(QStringLiteral("请输入SMTP服务器"));
        server_->setFocus();
        return false;
    }
    settings.port = port_->value();
    settings.security = security_->currentData().toString();
    settings.userName = userName_->text().trimmed();
    settings.userPass = userPass_->text();
    settings.plainAuth = plainAuth_->isChecked();
    settings.caFile = caFile_->text().trimmed();
    if (!settings.Save(path_)) {
        prompt_.Message(QStringLiteral("无法保存邮件设置: ") + path_);
        return false;
    }
    accept();
    return true;
}

void RunMailSettings(Prompt& prompt, QWidget* parent) {
    CMailSettingsDlg dialog(prompt, ProgramPath(QStringLiteral("email.ini")), parent);
    prompt.RunModal(dialog);
}
