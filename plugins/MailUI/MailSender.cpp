#include "MailSender.h"

#include "MailTaskStore.h"

#include "net/SmtpConnection.h"

namespace {

CampaignSender::Options SenderOptions(const MailSendSettings& settings) {
    CampaignSender::Options options;
    options.workers = settings.connections;
    options.perMinute = settings.perMinute;
    options.stopAfterNotSent = MailSender::kStopAfterNoConnection;
    options.notSentText =
        QStringLiteral("连续%1次无法连接邮件服务器, 已停止发送, 其余邮件仍为待发。\r\n%2");
    return options;
}

// The server's reply without the line ends it came with.
QString ReplyText(const SmtpConnection& smtp) {
    return smtp.LastResponse().trimmed().replace(QStringLiteral("\r\n"), QStringLiteral(" "));
}

} // namespace

MailSender::MailSender(DbConnection& connection, const MailSettings& account,
                       const MailSendSettings& settings, const QList<MailAttachment>& attachments,
                       int task, QObject* parent)
    : CampaignSender(
          connection, MailTaskStore::Tables(), task, SenderOptions(settings),
          [account, timeout = settings.timeoutSeconds, attachments](const CampaignItem& item) {
              return SendOne(account, timeout, attachments, item.values);
          },
          parent) {}

CampaignResult MailSender::SendOne(const MailSettings& account, int timeoutSeconds,
                                   const QList<MailAttachment>& attachments,
                                   const QStringList& values) {
    CampaignResult result;
    MailMessage message;
    message.SetCharset(QStringLiteral("utf-8"));
    if (!message.SetFrom({QString(), account.from}) ||
        message.AddRecipient({values.value(1), values.value(0)}) < 0) {
        result.reply = message.LastError();
        return result;
    }
    message.SetReplyTo({QString(), account.from});
    message.SetSubject(values.value(2));
    message.SetBody(values.value(3));
    for (const MailAttachment& attachment : attachments)
        message.AddAttachment(attachment);

    SmtpConnection smtp;
    SmtpConnection::Timeouts timeouts;
    const int ms = timeoutSeconds * 1000;
    timeouts.greeting = timeouts.command = timeouts.dataStart = timeouts.dataBlock = ms;
    timeouts.dataEnd = ms * 2;
    smtp.SetTimeouts(timeouts);
    smtp.Socket().SetCaFile(account.caFile);
    smtp.SetAllowPlainAuth(account.plainAuth);
    // Until the message is handed over nothing can have arrived: a failure
    // here leaves the row waiting.
    if (!smtp.Connect(account.server, account.port,
                      SmtpConnection::SecurityFromText(account.security, account.port)) ||
        (!account.userName.isEmpty() && !smtp.Auth(account.userName, account.userPass))) {
        result.outcome = CampaignOutcome::NotSent;
        result.reply = ReplyText(smtp);
        smtp.Disconnect();
        return result;
    }
    if (smtp.SendMessage(message)) {
        result.outcome = CampaignOutcome::Sent;
        return result;
    }
    result.reply = ReplyText(smtp);
    // A refusal is the server's answer: the message is not delivered. Any
    // other failure (a timeout, a broken connection) may have come after
    // the server took it.
    result.outcome = smtp.LastError() == SmtpConnection::kRefusedError ? CampaignOutcome::Failed
                                                                       : CampaignOutcome::Uncertain;
    return result;
}
