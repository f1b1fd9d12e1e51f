#pragma once

#include "RecvAccount.h"
#include "RecvStore.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

#include <memory>
#include <thread>

class DbConnection;

// One 收取 (or the server side of a 删除) in the background.
//
// A worker thread does only the network and file work: it lists the
// mailbox, fetches each message not yet stored, and writes it atomically as
// mailrecv/<mailbox folder>/<key>.eml. Every database write happens on the
// user-interface thread through the shared connection, driven by a timer:
// the fetched messages are stored in batches (what arrived within a second),
// one transaction each, and a row is only written once its file is in place. When the settings say
// to delete on the server, the worker deletes only messages whose rows are committed (stored by
// this run or before), after the last batch is in.
//
// Stop() ends the transfer under way within a second; what was stored stays.
class RecvRun final : public QObject {
    Q_OBJECT

public:
    enum class Mode {
        Fetch,     // fetch new messages (and delete stored ones if set)
        DeleteOnly // only delete the given stored keys on the server
    };

    RecvRun(DbConnection& connection, RecvAccount account, QObject* parent = nullptr);
    ~RecvRun() override;

    // `serverDeletes`: the keys to delete in DeleteOnly mode. False with
    // LastError() when it cannot start.
    bool Start(Mode mode = Mode::Fetch, const QStringList& serverDeletes = {});
    void Stop();
    bool IsRunning() const { return running_; }

    // This run's figures.
    int Total() const;
    int Stored() const { return stored_; }
    int DeletedOnServer() const { return deletedOnServer_; }
    bool WasStopped() const { return stopped_; }
    const QString& LastError() const { return lastError_; }
    const RecvAccount& Account() const { return account_; }

    static constexpr int kTickMs = 100;
    static constexpr int kStoreMs = 1000;
    static constexpr int kBatchRows = 100;

signals:
    // After a tick that saw more messages fetched or learned the total.
    void Progress(int fetched, int total);
    // The run ended; LastError() is empty when all went well.
    void Finished();

private:
    struct Shared;
    void Work(Mode mode, QSet<QString> known, QSet<QString> deletes);
    void Tick();
    void Finish();

    DbConnection& connection_;
    RecvAccount account_;
    QString accountKey_;
    RecvStore store_;
    std::shared_ptr<Shared> shared_;
    std::thread worker_;
    QTimer timer_;
    bool running_ = false;
    bool stopped_ = false;
    int stored_ = 0;
    int deletedOnServer_ = 0;
    int lastTotal_ = -1;
    int lastFetched_ = 0;
    QElapsedTimer lastStore_;
    QString lastError_;
};
