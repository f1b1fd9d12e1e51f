#pragma once

#include "SmsAccount.h"
#include "SmsTaskStore.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <thread>
#include <vector>

class DbConnection;
class SmsGateway;

// Sends the waiting numbers of one task in the background.
//
// Worker threads do only the gateway calls (SMSAPI.so, one session per
// message, several messages under way at once). Everything that touches the
// database runs on the user-interface thread through the shared connection,
// driven by a timer: numbers are claimed in small batches and marked 发送中
// (committed) before a worker may take them, and the outcomes are written back
// in batches. So a crash leaves at most the claimed batch as 发送中, and those
// rows are never sent again without the user saying so.
//
// Stop() takes effect at once: no further message is started, numbers claimed
// but not started go back to 待发, and the messages under way finish within
// the gateway's time limit; Finished follows when the last one is written.
class SmsSender final : public QObject {
    Q_OBJECT

public:
    // `gateway` must be loaded and outlive the sender.
    SmsSender(DbConnection& connection, SmsGateway& gateway, SmsAccount account, int task,
              QObject* parent = nullptr);
    ~SmsSender() override;

    int Task() const { return task_; }
    // Marks the task 发送中 and starts; false with LastError() when the
    // database refused or the task is 发送中 already (see TakeTask) and
    // `force` is not set.
    bool Start(bool force = false);
    void Stop();
    bool IsStopping() const;
    bool IsRunning() const { return running_; }

    // This run's figures so far.
    int SentNow() const { return sentNow_; }
    int FailedNow() const { return failedNow_; }
    const QString& LastError() const { return lastError_; }

    // How often the timer turns; tests and the benchmark leave it.
    static constexpr int kTickMs = 40;
    // The most numbers claimed at once (and so left 发送中 by a crash).
    static constexpr int kMaxClaim = 200;

signals:
    // After each tick that changed something.
    void Progress(int task);
    // The run ended: all sent (`completed`), stopped, or failed (LastError).
    void Finished(int task, bool completed);

private:
    struct Shared;
    void Tick();
    void Finish(bool completed);
    void Work();

    DbConnection& connection_;
    SmsGateway& gateway_;
    SmsAccount account_;
    int task_;
    SmsTaskStore store_;
    std::shared_ptr<Shared> shared_;
    std::vector<std::thread> workers_;
    QTimer timer_;
    bool running_ = false;
    bool exhausted_ = false;
    int lastWritten_ = 0;
    int sentNow_ = 0;
    int failedNow_ = 0;
    QString lastError_;
};
