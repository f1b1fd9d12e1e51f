#include "SmsAccountView.h"

#include "SmsAccount.h"

#include "base/ProgramFolder.h"
#include "net/SmsGateway.h"
#include "ui/Prompt.h"

#include <QCoreApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <memory>
#include <thread>

CSmsAccountView::CSmsAccountView(Prompt& prompt, QWidget* parent)
    : QWidget(parent), prompt_(prompt) {
    setObjectName(QStringLiteral("SmsAccountView"));
    const SmsAccount account = SmsAccount::Read();
    server_ = new QLineEdit(account.server, this);
    server_->setPlaceholderText(QStringLiteral("http://或https://开头的网关地址"));
    user_ = new QLineEdit(account.user, this);
    password_ = new QLineEdit(account.pass, this);
    password_->setEchoMode(QLineEdit::Password);
    signature_ = new QLineEdit(account.signature, this);
    signature_->setPlaceholderText(QStringLiteral("例如【某某公司】, 没有签名的短信自动加在前面"));
    parallel_ = new QSpinBox(this);
    parallel_->setRange(1, SmsAccount::kMaxParallel);
    parallel_->setValue(account.parallel);
    testMobile_ = new QLineEdit(this);
    testText_ = new QPlainTextEdit(QStringLiteral("这是一条测试短信。"), this);
    testText_->setTabChangesFocus(true);
    testText_->setMaximumHeight(fontMetrics().lineSpacing() * 4);

    auto* accountBox = new QGroupBox(QStringLiteral("短信帐号"), this);
    auto* form = new QFormLayout(accountBox);
    form->addRow(QStringLiteral("服务器地址"), server_);
    form->addRow(QStringLiteral("短信账号"), user_);
    form->addRow(QStringLiteral("验证密码"), password_);
    form->addRow(QStringLiteral("短信签名"), signature_);
    form->addRow(QStringLiteral("同时发送条数"), parallel_);
    auto* save = new QPushButton(QStringLiteral("保存"), accountBox);
    form->addRow(QString(), save);
    connect(save, &QPushButton::clicked, this, [this] {
        if (Save())
            prompt_.Message(QStringLiteral("短信帐号已保存"));
    });

    auto* testBox = new QGroupBox(QStringLiteral("测试发送"), this);
    auto* testForm = new QFormLayout(testBox);
    testForm->addRow(QStringLiteral("目标号码"), testMobile_);
    testForm->addRow(QStringLiteral("短信内容"), testText_);
    testButton_ = new QPushButton(QStringLiteral("测试发送"), testBox);
    testForm->addRow(QString(), testButton_);
    connect(testButton_, &QPushButton::clicked, this, [this] { TestSend(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(accountBox);
    layout->addWidget(testBox);
    layout->addStretch(1);
    server_->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 36);
}

CSmsAccountView::~CSmsAccountView() = default;

bool CSmsAccountView::Save() {
    SmsAccount account;
    account.server = server_->text().trimmed();
    account.user = user_->text().trimmed();
    account.pass = password_->text();
    account.signature = signature_->text().trimmed();
    account.parallel = parallel_->value();
    if (account.Save())
        return true;
    prompt_.Message(QStringLiteral("短信帐号未能保存到data\\smsgate.ini"));
    return false;
}

bool CSmsAccountView::TestSend() {
    if (testing_)
        return false;
    if (user_->text().trimmed().isEmpty()) {
        prompt_.Message(QStringLiteral("请输入用户名"));
        return false;
    }
    if (testMobile_->text().trimmed().isEmpty()) {
        prompt_.Message(QStringLiteral("请输入目标号码"));
        return false;
    }
    auto gateway = std::make_shared<SmsGateway>(ModulePath(SmsGateway::LibraryName()));
    if (!gateway->Load()) {
        prompt_.Message(QStringLiteral("无法打开短信接口"));
        return false;
    }
    testing_ = true;
    testButton_->setEnabled(false);
    const QString server = server_->text().trimmed();
    const QString user = user_->text().trimmed();
    const QString pass = password_->text();
    const QString mobile = testMobile_->text().trimmed();
    const QString text = testText_->toPlainText();
    QPointer<CSmsAccountView> self(this);
    // Detached: the view may be closed before the gateway answers; the
    // answer is then dropped.
    std::thread([self, gateway, server, user, pass, mobile, text] {
        QString error;
        const SmsGateway::Outcome outcome =
            gateway->SendOne(server, user, pass, mobile, text, error);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, outcome, error] {
                if (!self)
                    return;
                self->testing_ = false;
                self->testButton_->setEnabled(true);
                if (outcome == SmsGateway::Outcome::Sent)
                    self->prompt_.Message(QStringLiteral("测试短信发送成功"));
                else if (outcome == SmsGateway::Outcome::NotOpened)
                    self->prompt_.Message(QStringLiteral("无法打开短信接口"));
                else
                    self->prompt_.Message(QStringLiteral("测试短信发送失败: ") + error);
            },
            Qt::QueuedConnection);
    }).detach();
    return true;
}
