#pragma once

#include "CampaignRuns.h"

#include "net/MailMessage.h"

#include <QList>
#include <QString>
#include <QStringList>

class DbConnection;
class Prompt;

// Where the module's mass e-mails run, shared by every 发送邮件 view: at
// most one run per task, kept when a view closes.
class MailService final : public CampaignRuns {
    Q_OBJECT

public:
    static MailService& Instance();

    // The connection and prompt of the login; the connection lives for the
    // program's run.
    void Attach(DbConnection& connection, Prompt& prompt);

    // Starts (or resumes) the task through the account of email.ini and the
    // settings of data/mailtask.ini. False after showing why: no account, an
    // attachment that cannot be read, the task taken already, or the
    // database's text. A task already 发送中 is left alone unless `force`.
    bool Start(int task, bool force = false);

    // The files as they are sent, read once for the whole run; false with
    // the message to show naming the first file that cannot be read.
    static bool ReadAttachments(const QStringList& paths, QList<MailAttachment>& attachments,
                                QString& error);

    // For tests: forget the runs, as a new program would.
    void ResetForTest();

private:
    MailService() = default;

    DbConnection* connection_ = nullptr;
    Prompt* prompt_ = nullptr;
};
