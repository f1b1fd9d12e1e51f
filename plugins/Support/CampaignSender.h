#pragma once

#include "CampaignStore.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <thread>
#include <vector>

class DbConnection;

// Sends the waiting rows of one campaign task in the background.
//
// Worker threads do only the network (the send function, one message each,
// several under way at once). Everything that touches the database runs on
// the user-interface thread through the shared connection, driven by a
// timer: rows are claimed in small batches and marked 发送中 (committed)
// before a worker may take them, and the outcomes are written back in
// batches. So a crash leaves at most the claimed batch as 发送中, and those
// rows are never sent again without the user saying so.
//
// Stop() takes effect at once: no further message is started, rows claimed
// but not started go back to 待发, and the messages under way finish within
// the network's time limit; Finished follows when the last one is written.
class CampaignSender : public QObject {
    Q_OBJECT

public:
    // Called on a worker thread, several at once: must touch nothing shared.
    using SendFunction = std::function<CampaignResult(const CampaignItem& item)>;

    struct Options {
        int workers = 4;
        // Messages started per minute over all workers; 0 for no limit.
        int perMinute = 0;
        // After this many NotSent outcomes in a row (the server cannot be
        // reached) the run stops with `notSentText` (%1 this number, %2 the
        // last reply); 0 never stops.
        int stopAfterNotSent = 0;
        QString notSentText;
    };

    CampaignSender(DbConnection& connection, CampaignTables tables, int task, Options options,
                   SendFunction send, QObject* parent = nullptr);
    ~CampaignSender() override;

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

    // How often the timer turns.
    static constexpr int kTickMs = 40;
    // The most rows claimed at once (and so left 发送中 by a crash).
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
    void JoinWorkers();

    int task_;
    Options options_;
    SendFunction send_;
    CampaignStore store_;
    std::shared_ptr<Shared> shared_;
    std::vector<std::thread> workers_;
    QTimer timer_;
    bool running_ = false;
    bool exhausted_ = false;
    int lastWritten_ = 0;
    int notSentInRow_ = 0;
    int sentNow_ = 0;
    int failedNow_ = 0;
    QString lastError_;
};
