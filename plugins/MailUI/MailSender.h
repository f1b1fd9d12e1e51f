#pragma once

#include "CampaignSender.h"
#include "MailSendSettings.h"

#include "framework/MailNotice.h"
#include "net/MailMessage.h"

#include <QList>

class DbConnection;

// Sends the waiting addresses of one mass e-mail task in the background
// through the SMTP client, one connection per message, as many under way at
// once as the settings say and no more per minute than their limit.
//
// A message the server refuses (address unknown, 5xx) marks its row 失败
// with the server's reply. No connection or no login (server down, wrong
// password) leaves the row 待发; a few of those in a row stop the run with
// the reason, the remaining rows staying 待发. A connection that breaks
// after the message was handed over leaves the row 发送中: it may have
// arrived, and only the user decides whether to send it again.
class MailSender final : public CampaignSender {
    Q_OBJECT

public:
    // After this many messages in a row that could not connect, the run stops.
    static constexpr int kStopAfterNoConnection = 3;

    MailSender(DbConnection& connection, const MailSettings& account,
               const MailSendSettings& settings, const QList<MailAttachment>& attachments, int task,
               QObject* parent = nullptr);

    // One message of a task: `values` as the sender reads them (address,
    // name, subject, body). On the calling thread; used by the workers.
    static CampaignResult SendOne(const MailSettings& account, int timeoutSeconds,
                                  const QList<MailAttachment>& attachments,
                                  const QStringList& values);
};
