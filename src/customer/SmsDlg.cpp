#include "customer/SmsDlg.h"

#include "base/IniFile.h"
#include "base/ProgramFolder.h"
#include "net/SmsGateway.h"
#include "net/TraceLog.h"
#include "ui/Prompt.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <thread>

namespace {

const QString kSection = QStringLiteral(".");

QString SettingsPath() {
    return ProgramPath(QStringLiteral("data/smsgate.ini"));
}

// Runs `work` on a thread of its own while this thread's events go on, and
// returns its result once it has finished.
template <typename Work> auto RunAside(Work work) {
    decltype(work()) result{};
    QEventLoop loop;
    std::thread worker([&] {
        result = work();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    return result;
}

} // namespace

CSmsDlg::CSmsDlg(Prompt& prompt, const QString& mobile, QWidget* parent)
    : QDialog(parent), prompt_(prompt) {
    setWindowTitle(QStringLiteral("发送短信"));
    setObjectName(QStringLiteral("CSmsDlg"));
    account_ = new QLineEdit(this);
    password_ = new QLineEdit(this);
    password_->setEchoMode(QLineEdit::Password);
    mobile_ = new QLineEdit(this);
    content_ = new QPlainTextEdit(this);
    content_->setTabChangesFocus(true);
    content_->setMinimumHeight(fontMetrics().lineSpacing() * 6);
    counter_ = new QLabel(this);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("短信账号"), account_);
    form->addRow(QStringLiteral("验证密码"), password_);
    form->addRow(QStringLiteral("目标号码"), mobile_);
    form->addRow(QStringLiteral("短信内容"), content_);
    form->addRow(QString(), counter_);
    account_->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 28);

    buttons_ = new QDialogButtonBox(this);
    QPushButton* ok = buttons_->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    buttons_->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons_, &QDialogButtonBox::accepted, this, [this] { OnOK(); });
    connect(buttons_, &QDialogButtonBox::rejected, this, &CSmsDlg::reject);
    connect(content_, &QPlainTextEdit::textChanged, this, [this] { UpdateCounter(); });
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form, 1);
    layout->addWidget(buttons_);

    IniFile ini;
    ini.Load(SettingsPath());
    account_->setText(ini.GetString(kSection, QStringLiteral("UserName")));
    password_->setText(ini.GetString(kSection, QStringLiteral("UserPass")));
    mobile_->setText(mobile);
    server_ = ini.GetString(kSection, QStringLiteral("ServerURL"));
    UpdateCounter();
    if (server_.trimmed().isEmpty()) {
        // Said once; the dialog stays usable, and the library is told the
        // empty address and says so in its own words.
        prompt_.Message(QStringLiteral("短信服务器地址未定义\r\ndata\\smsgate.ini[.\\ServerURL]"));
    }
}

int CSmsDlg::CountCharacters(const QString& text) {
    return int(text.toUcs4().size());
}

void CSmsDlg::UpdateCounter() {
    counter_->setText(
        QStringLiteral("字数: %1 / 60").arg(CountCharacters(content_->toPlainText())));
}

void CSmsDlg::SetBusy(bool busy) {
    busy_ = busy;
    for (QWidget* widget :
         std::initializer_list<QWidget*>{account_, password_, mobile_, content_, buttons_}) {
        widget->setEnabled(!busy);
    }
}

void CSmsDlg::reject() {
    // The library cannot be interrupted; its Timeout ends the wait.
    if (!busy_) {
        QDialog::reject();
    }
}

bool CSmsDlg::OnOK() {
    if (busy_) {
        return false;
    }
    const QString account = account_->text();
    if (account.isEmpty()) {
        prompt_.Message(QStringLiteral("请输入用户名"));
        return false;
    }
    // Number and text go out exactly as typed: no trimming, no check of the
    // number's form, no splitting of a long text.
    const QString pass = password_->text();
    const QString mobile = mobile_->text();
    const QString content = content_->toPlainText();

    SmsGateway gateway(ModulePath(SmsGateway::LibraryName()));
    if (!gateway.Load()) {
        TraceLog::Instance().Write(TraceLog::ThreadLine("SMSAPI: " + gateway.LoadError().toUtf8()));
        prompt_.Message(QStringLiteral("无法打开短信接口"));
        return false;
    }
    QString error;
    SmsGateway::Outcome outcome;
    {
        WaitCursor wait(prompt_);
        SetBusy(true);
        outcome = RunAside(
            [&] { return gateway.SendOne(server_, account, pass, mobile, content, error); });
        SetBusy(false);
    }
    if (outcome == SmsGateway::Outcome::NotOpened) {
        prompt_.Message(QStringLiteral("无法打开短信接口"));
        return false;
    }
    if (outcome == SmsGateway::Outcome::Refused) {
        prompt_.Message(error);
        return false;
    }
    prompt_.Message(QStringLiteral("短信发送成功"));
    sentText_ = content;
    if (!SaveAccount(account, pass)) {
        prompt_.Message(QStringLiteral("短信账号未能保存到data\\smsgate.ini"));
    }
    accept();
    return true;
}

bool CSmsDlg::SaveAccount(const QString& account, const QString& pass) {
    // Read again: the other keys are kept as the file has them now.
    const QString path = SettingsPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    IniFile ini;
    ini.Load(path);
    ini.SetString(kSection, QStringLiteral("UserName"), account);
    ini.SetString(kSection, QStringLiteral("UserPass"), pass);
    return ini.Save(path, IniFile::Access::OwnerOnly);
}

bool RunSmsDialog(Prompt& prompt, QWidget* parent, const QString& mobile, QString& sentText) {
    CSmsDlg dialog(prompt, mobile, parent);
    if (prompt.RunModal(dialog) != QDialog::Accepted) {
        return false;
    }
    sentText = dialog.SentText();
    return true;
}
