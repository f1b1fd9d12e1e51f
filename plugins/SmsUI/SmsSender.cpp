#include "SmsSender.h"

#include "net/SmsGateway.h"

#include <QString>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>

// What the workers and the timer share, under one lock.
struct SmsSender::Shared {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<SmsItem> queue; // claimed, not started
    std::vector<SmsItemResult> results;
    int underWay = 0;
    bool stop = false;
};

SmsSender::SmsSender(DbConnection& connection, SmsGateway& gateway, SmsAccount account, int task,
                     QObject* parent)
    : QObject(parent), connection_(connection), gateway_(gateway), account_(std::move(account)),
      task_(task), store_(connection), shared_(std::make_shared<Shared>()) {
    timer_.setInterval(kTickMs);
    connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
}

SmsSender::~SmsSender() {
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->stop = true;
    }
    shared_->wake.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
}

bool SmsSender::Start(bool force) {
    if (running_)
        return true;
    if (!store_.TakeTask(task_, force)) {
        lastError_ = store_.LastError();
        return false;
    }
    running_ = true;
    const int count = std::clamp(account_.parallel, 1, SmsAccount::kMaxParallel);
    for (int i = 0; i < count; ++i)
        workers_.emplace_back([this] { Work(); });
    timer_.start();
    Tick();
    return true;
}

void SmsSender::Stop() {
    if (!running_)
        return;
    std::vector<int> unstarted;
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->stop = true;
        for (const SmsItem& item : shared_->queue)
            unstarted.push_back(item.key);
        shared_->queue.clear();
    }
    shared_->wake.notify_all();
    // Claimed but never handed to the gateway: these are certainly not sent.
    // The next tick writes what is under way and ends the run.
    if (!store_.Release(unstarted))
        lastError_ = store_.LastError();
}

bool SmsSender::IsStopping() const {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    return shared_->stop;
}

void SmsSender::Work() {
    Shared& shared = *shared_;
    for (;;) {
        SmsItem item;
        {
            std::unique_lock<std::mutex> lock(shared.mutex);
            shared.wake.wait(lock, [&shared] { return shared.stop || !shared.queue.empty(); });
            if (shared.stop)
                return;
            item = std::move(shared.queue.front());
            shared.queue.pop_front();
            ++shared.underWay;
        }
        QString error;
        const SmsGateway::Outcome outcome = gateway_.SendOne(
            account_.server, account_.user, account_.pass, item.mobile, item.text, error);
        SmsItemResult result{item.key, outcome == SmsGateway::Outcome::Sent, QString()};
        if (outcome == SmsGateway::Outcome::NotOpened)
            result.reply = QStringLiteral("无法打开短信接口");
        else if (!result.sent)
            result.reply = error;
        std::lock_guard<std::mutex> lock(shared.mutex);
        shared.results.push_back(std::move(result));
        --shared.underWay;
    }
}

void SmsSender::Tick() {
    if (!running_)
        return;
    std::vector<SmsItemResult> results;
    int queued = 0;
    int underWay = 0;
    bool stopping = false;
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        results.swap(shared_->results);
        queued = int(shared_->queue.size());
        underWay = shared_->underWay;
        stopping = shared_->stop;
    }
    bool changed = !results.empty();
    if (!results.empty()) {
        if (!store_.WriteResults(task_, results)) {
            // The outcomes stay unwritten: those rows remain 发送中, which is
            // what they are as far as anyone can tell. Nothing more is sent.
            lastError_ = store_.LastError();
            Stop();
            stopping = true;
        }
        for (const SmsItemResult& result : results)
            (result.sent ? sentNow_ : failedNow_) += 1;
    }
    const int written = int(results.size());
    if (!stopping && !exhausted_) {
        const int workers = int(workers_.size());
        // Enough for the next two ticks at the pace of the last one, never
        // more than kMaxClaim rows at risk.
        const int want = std::clamp(std::max(written, lastWritten_) * 2, workers * 2, kMaxClaim);
        if (queued < want / 2) {
            std::vector<SmsItem> items;
            if (!store_.Claim(task_, want - queued, items)) {
                lastError_ = store_.LastError();
                Stop();
                stopping = true;
            } else if (items.empty()) {
                exhausted_ = true;
            } else {
                {
                    std::lock_guard<std::mutex> lock(shared_->mutex);
                    for (SmsItem& item : items)
                        shared_->queue.push_back(std::move(item));
                    queued = int(shared_->queue.size());
                }
                shared_->wake.notify_all();
                changed = true;
            }
        }
    }
    lastWritten_ = written;
    if (changed)
        emit Progress(task_);
    if ((stopping || exhausted_) && queued == 0 && underWay == 0) {
        // Every result taken above was written; nothing is under way.
        bool late = false;
        {
            std::lock_guard<std::mutex> lock(shared_->mutex);
            late = !shared_->results.empty();
        }
        if (!late)
            Finish(!stopping);
    }
}

void SmsSender::Finish(bool completed) {
    if (!running_)
        return;
    timer_.stop();
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->stop = true;
    }
    shared_->wake.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
    workers_.clear();
    running_ = false;
    SmsTaskCounts counts;
    const bool allDone =
        completed && store_.Counts(task_, counts) && counts.pending == 0 && counts.sending == 0;
    if (!store_.SetTaskState(task_, allDone ? SmsTaskState::Done() : SmsTaskState::Stopped()) ||
        !store_.RefreshTaskCounts(task_))
        lastError_ = store_.LastError();
    emit Finished(task_, allDone);
}
