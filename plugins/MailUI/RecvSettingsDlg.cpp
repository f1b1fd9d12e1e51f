#include "RecvSettingsDlg.h"

#include "RecvMailbox.h"

#include "ui/Prompt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <thread>

CRecvSettingsDlg::CRecvSettingsDlg(Prompt& prompt, QWidget* parent)
    : QDialog(parent), prompt_(prompt) {
    setObjectName(QStringLiteral("RecvSettingsDlg"));
    setWindowTitle(QStringLiteral("收信设置"));
    const RecvAccount account = RecvAccount::Read();
    protocol_ = new QComboBox(this);
    protocol_->addItems({QStringLiteral("IMAP"), QStringLiteral("POP3")});
    protocol_->setCurrentIndex(account.protocol == RecvAccount::Protocol::Pop3 ? 1 : 0);
    security_ = new QComboBox(this);
    security_->addItems({QStringLiteral("SSL/TLS (IMAP 993, POP3 995)"),
                         QStringLiteral("STARTTLS (IMAP 143, POP3 110)")});
    security_->setCurrentIndex(account.security == RecvAccount::Security::StartTls ? 1 : 0);
    server_ = new QLineEdit(account.server, this);
    port_ = new QSpinBox(this);
    port_->setRange(0, 65535);
    port_->setSpecialValueText(QStringLiteral("默认"));
    port_->setValue(account.port);
    user_ = new QLineEdit(account.user, this);
    password_ = new QLineEdit(account.pass, this);
    password_->setEchoMode(QLineEdit::Password);
    folder_ = new QLineEdit(account.folder, this);
    caFile_ = new QLineEdit(account.caFile, this);
    caFile_->setPlaceholderText(QStringLiteral("使用系统证书"));
    auto* browse = new QPushButton(QStringLiteral("浏览..."), this);
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString path =
            prompt_.OpenFileName(QStringLiteral("CA证书文件"), caFile_->text(),
                                 QStringLiteral("证书文件 (*.pem *.crt *.cer);;所有文件 (*)"));
        if (!path.isEmpty())
            caFile_->setText(path);
    });
    auto* caRow = new QHBoxLayout;
    caRow->addWidget(caFile_, 1);
    caRow->addWidget(browse);
    delete_ = new QCheckBox(QStringLiteral("删除服务器上的邮件"), this);
    delete_->setChecked(account.deleteOnServer);
    limit_ = new QSpinBox(this);
    limit_->setRange(1, RecvAccount::kMaxLimit);
    limit_->setValue(account.limit);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("协议"), protocol_);
    form->addRow(QStringLiteral("加密方式"), security_);
    form->addRow(QStringLiteral("收信服务器"), server_);
    form->addRow(QStringLiteral("端口"), port_);
    form->addRow(QStringLiteral("邮箱帐号"), user_);
    form->addRow(QStringLiteral("密码"), password_);
    form->addRow(QStringLiteral("IMAP文件夹"), folder_);
    form->addRow(QStringLiteral("CA证书文件"), caRow);
    form->addRow(QStringLiteral("每次最多收取"), limit_);
    form->addRow(QString(), delete_);

    test_ = new QPushButton(QStringLiteral("测试连接"), this);
    connect(test_, &QPushButton::clicked, this, [this] { TestConnection(); });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    buttons->addButton(test_, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CRecvSettingsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    server_->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 30);
}

CRecvSettingsDlg::~CRecvSettingsDlg() = default;

RecvAccount CRecvSettingsDlg::Account() const {
    RecvAccount account;
    account.protocol =
        protocol_->currentIndex() == 1 ? RecvAccount::Protocol::Pop3 : RecvAccount::Protocol::Imap;
    account.security = security_->currentIndex() == 1 ? RecvAccount::Security::StartTls
                                                      : RecvAccount::Security::Tls;
    account.server = server_->text().trimmed();
    account.port = port_->value();
    account.user = user_->text().trimmed();
    account.pass = password_->text();
    const QString folder = folder_->text().trimmed();
    account.folder = folder.isEmpty() ? QStringLiteral("INBOX") : folder;
    account.caFile = caFile_->text().trimmed();
    account.deleteOnServer = delete_->isChecked();
    account.limit = limit_->value();
    return account;
}

void CRecvSettingsDlg::accept() {
    const RecvAccount account = Account();
    if (!account.Save()) {
        prompt_.Message(QStringLiteral("收信设置未能保存到data\\mailrecv.ini"));
        return;
    }
    QDialog::accept();
}

bool CRecvSettingsDlg::TestConnection() {
    if (testing_)
        return false;
    const RecvAccount account = Account();
    const QString problem = account.Problem();
    if (!problem.isEmpty()) {
        prompt_.Message(problem);
        return false;
    }
    RecvMailbox::GlobalInit();
    testing_ = true;
    test_->setEnabled(false);
    QPointer<CRecvSettingsDlg> self(this);
    // Detached: the dialog may be closed before the server answers; the
    // answer is then dropped.
    std::thread([self, account] {
        RecvMailbox box(account);
        std::vector<RecvServerItem> items;
        const bool ok = box.List(items);
        const QString error = box.LastError();
        const int count = int(items.size());
        box.Close();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, ok, error, count] {
                if (!self)
                    return;
                self->testing_ = false;
                self->test_->setEnabled(true);
                if (ok)
                    self->prompt_.Message(
                        QStringLiteral("连接成功, 服务器上有%1封邮件").arg(count));
                else
                    self->prompt_.Message(QStringLiteral("连接失败: ") + error);
            },
            Qt::QueuedConnection);
    }).detach();
    return true;
}
