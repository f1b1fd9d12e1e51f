#include "CampaignSender.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

using Clock = std::chrono::steady_clock;

// What the workers and the timer share, under one lock.
struct CampaignSender::Shared {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<CampaignItem> queue; // claimed, not started
    std::vector<CampaignResult> results;
    int underWay = 0;
    bool stop = false;
    // The rate limit: the earliest time the next message may start.
    Clock::time_point nextStart = Clock::now();
};

CampaignSender::CampaignSender(DbConnection& connection, CampaignTables tables, int task,
                               Options options, SendFunction send, QObject* parent)
    : QObject(parent), task_(task), options_(std::move(options)), send_(std::move(send)),
      store_(connection, std::move(tables)), shared_(std::make_shared<Shared>()) {
    timer_.setInterval(kTickMs);
    connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
}

CampaignSender::~CampaignSender() {
    JoinWorkers();
}

void CampaignSender::JoinWorkers() {
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->stop = true;
    }
    shared_->wake.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
    workers_.clear();
}

bool CampaignSender::Start(bool force) {
    if (running_)
        return true;
    if (!store_.TakeTask(task_, force)) {
        lastError_ = store_.LastError();
        return false;
    }
    running_ = true;
    for (int i = 0; i < std::max(1, options_.workers); ++i)
        workers_.emplace_back([this] { Work(); });
    timer_.start();
    Tick();
    return true;
}

void CampaignSender::Stop() {
    if (!running_)
        return;
    std::vector<int> unstarted;
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->stop = true;
        for (const CampaignItem& item : shared_->queue)
            unstarted.push_back(item.key);
        shared_->queue.clear();
    }
    shared_->wake.notify_all();
    // Claimed but never handed over: these are certainly not sent. The next
    // tick writes what is under way and ends the run.
    if (!store_.Release(unstarted))
        lastError_ = store_.LastError();
}

bool CampaignSender::IsStopping() const {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    return shared_->stop;
}

void CampaignSender::Work() {
    Shared& shared = *shared_;
    const auto spacing = options_.perMinute > 0
                             ? std::chrono::microseconds(60'000'000 / options_.perMinute)
                             : std::chrono::microseconds(0);
    for (;;) {
        CampaignItem item;
        {
            std::unique_lock<std::mutex> lock(shared.mutex);
            shared.wake.wait(lock, [&shared] { return shared.stop || !shared.queue.empty(); });
            if (shared.stop)
                return;
            if (spacing.count() > 0) {
                // The row stays queued while this worker waits for its turn,
                // so a stop meanwhile releases it as never started.
                const Clock::time_point start = std::max(Clock::now(), shared.nextStart);
                shared.nextStart = start + spacing;
                if (shared.wake.wait_until(lock, start, [&shared] { return shared.stop; }))
                    return;
                if (shared.queue.empty())
                    continue;
            }
            item = std::move(shared.queue.front());
            shared.queue.pop_front();
            ++shared.underWay;
        }
        CampaignResult result = send_(item);
        result.key = item.key;
        std::lock_guard<std::mutex> lock(shared.mutex);
        shared.results.push_back(std::move(result));
        --shared.underWay;
    }
}

void CampaignSender::Tick() {
    if (!running_)
        return;
    std::vector<CampaignResult> results;
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
    QString notSentReply;
    for (const CampaignResult& result : results) {
        if (result.outcome == CampaignOutcome::NotSent) {
            ++notSentInRow_;
            notSentReply = result.reply;
        } else {
            notSentInRow_ = 0;
        }
        if (result.outcome == CampaignOutcome::Sent)
            ++sentNow_;
        else if (result.outcome == CampaignOutcome::Failed)
            ++failedNow_;
    }
    if (!results.empty() && !store_.WriteResults(task_, results)) {
        // The outcomes stay unwritten: those rows remain 发送中, which is
        // what they are as far as anyone can tell. Nothing more is sent.
        lastError_ = store_.LastError();
        Stop();
        stopping = true;
    }
    if (!stopping && options_.stopAfterNotSent > 0 && notSentInRow_ >= options_.stopAfterNotSent) {
        lastError_ =
            options_.notSentText.arg(options_.stopAfterNotSent).arg(notSentReply.trimmed());
        Stop();
        stopping = true;
        queued = 0;
    }
    const int written = int(results.size());
    if (!stopping && !exhausted_) {
        const int workers = int(workers_.size());
        // Enough for the next two ticks at the pace of the last one, never
        // more than kMaxClaim rows at risk; under a rate limit only what the
        // workers start next, so few rows wait as 发送中 for their turn.
        int want = std::clamp(std::max(written, lastWritten_) * 2, workers * 2, kMaxClaim);
        if (options_.perMinute > 0)
            want = workers;
        if (queued < std::max(1, want / 2)) {
            std::vector<CampaignItem> items;
            if (!store_.Claim(task_, want - queued, items)) {
                lastError_ = store_.LastError();
                Stop();
                stopping = true;
            } else if (items.empty()) {
                exhausted_ = true;
            } else {
                {
                    std::lock_guard<std::mutex> lock(shared_->mutex);
                    for (CampaignItem& item : items)
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
            late = !shared_->results.empty() || shared_->underWay > 0;
        }
        if (!late)
            Finish(!stopping);
    }
}

void CampaignSender::Finish(bool completed) {
    if (!running_)
        return;
    timer_.stop();
    JoinWorkers();
    running_ = false;
    CampaignCounts counts;
    const bool allDone =
        completed && store_.Counts(task_, counts) && counts.pending == 0 && counts.sending == 0;
    if (!store_.SetTaskState(task_,
                             allDone ? CampaignTaskState::Done() : CampaignTaskState::Stopped()) ||
        !store_.RefreshTaskCounts(task_))
        lastError_ = store_.LastError();
    emit Finished(task_, allDone);
}
