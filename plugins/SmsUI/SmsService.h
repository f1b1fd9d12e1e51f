#pragma once

#include "CampaignRuns.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class DbConnection;
class Prompt;
class SmsGateway;

// The module's one place where campaigns run (CampaignRuns), shared by every
// view it opens and by the timed sends. It also holds the timer of the timed tasks: once started
// (by the frame after each login, or by the first view) it checks every CheckInterval for timed
// tasks whose time has come and sends them.
//
// A timed task whose time passed while the program was not running is not
// sent on its own: the first check after the service starts asks the user,
// task by task; a "no" leaves it 已停止, to be sent from its list by hand.
class SmsService final : public CampaignRuns {
    Q_OBJECT

public:
    static SmsService& Instance();

    // The connection and prompt of the login; the connection lives for the
    // program's run. The first call starts the timed sends.
    void Attach(DbConnection& connection, Prompt& prompt);
    bool IsAttached() const { return connection_ != nullptr; }

    // Starts (or resumes) the task. False after showing why: no gateway
    // library, no account, the task taken already, or the database's text. Numbers left 发送中 by
    // an earlier run are not part of it (they stay as they are). A task already 发送中 is left
    // alone (another desk may be sending it) unless `force`.
    bool Start(int task, bool force = false);

    // The timed tasks: those due now are started; those already due when the
    // service started are asked about first. Public for the tests.
    void CheckTimedTasks();
    void SetCheckInterval(int milliseconds);

    // What the service was started at; timed tasks due before it were missed.
    QDateTime StartedAt() const { return startedAt_; }

    // For tests: forget the runs and the start, as a new program would.
    void ResetForTest();

private:
    SmsService();
    ~SmsService() override;
    bool LoadGateway();

    DbConnection* connection_ = nullptr;
    Prompt* prompt_ = nullptr;
    std::unique_ptr<SmsGateway> gateway_;
    QTimer timer_;
    QDateTime startedAt_;
    // True while a check asks the user: the timer keeps running under the
    // question and must not ask again.
    bool checking_ = false;
};
