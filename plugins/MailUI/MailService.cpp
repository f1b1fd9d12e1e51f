#include "MailService.h"

#include "MailSendSettings.h"
#include "MailSender.h"
#include "MailTaskStore.h"

#include "base/ProgramFolder.h"
#include "framework/MailNotice.h"
#include "ui/Prompt.h"

#include <QFile>
#include <QFileInfo>

MailService& MailService::Instance() {
    // Made once and never destroyed: its runs end with the program's
    // aboutToQuit, while the application object still exists.
    static MailService* service = new MailService;
    return *service;
}

void MailService::Attach(DbConnection& connection, Prompt& prompt) {
    connection_ = &connection;
    prompt_ = &prompt;
}

bool MailService::ReadAttachments(const QStringList& paths, QList<MailAttachment>& attachments,
                                  QString& error) {
    attachments.clear();
    for (const QString& path : paths) {
        QFile file(path);
        if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
            error = QStringLiteral("附件不存在或无法读取: %1").arg(path);
            return false;
        }
        attachments.append({QFileInfo(path).fileName(), QStringLiteral("application/octet-stream"),
                            file.readAll()});
    }
    return true;
}

bool MailService::Start(int task, bool force) {
    if (!connection_)
        return false;
    if (Running(task))
        return true;
    const MailSettings account = MailSettings::Load(ProgramPath(QStringLiteral("email.ini")));
    if (account.server.isEmpty() || account.from.isEmpty()) {
        prompt_->Message(QStringLiteral("请先在邮件帐号中设置发信服务器和发件人地址"));
        return false;
    }
    if (!MailMessage::IsUsableAddress(account.from)) {
        prompt_->Message(QStringLiteral("发件人地址无效: %1").arg(account.from));
        return false;
    }
    MailTaskStore store(*connection_);
    QStringList paths;
    if (!store.Attachments(task, paths)) {
        prompt_->Message(store.LastError());
        return false;
    }
    QList<MailAttachment> attachments;
    QString error;
    if (!ReadAttachments(paths, attachments, error)) {
        prompt_->Message(error);
        return false;
    }
    return Launch(std::make_unique<MailSender>(*connection_, account, MailSendSettings::Read(),
                                               attachments, task),
                  force, *prompt_);
}

void MailService::ResetForTest() {
    Forget();
    connection_ = nullptr;
    prompt_ = nullptr;
}
