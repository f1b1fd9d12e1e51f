#include "CampaignRuns.h"

#include "CampaignSender.h"

#include "ui/Prompt.h"

#include <QCoreApplication>

#include <vector>

CampaignRuns::CampaignRuns() {
    if (QCoreApplication::instance())
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
                [this] { StopAll(); });
}

CampaignRuns::~CampaignRuns() = default;

bool CampaignRuns::Launch(std::unique_ptr<CampaignSender> sender, bool force, Prompt& prompt) {
    const int task = sender->Task();
    CampaignSender* raw = sender.get();
    connect(raw, &CampaignSender::Progress, this, &CampaignRuns::Progress);
    connect(raw, &CampaignSender::Finished, this, [this, raw, &prompt](int key, bool completed) {
        const QString error = raw->LastError();
        // Deleted once this signal has returned to the sender's own code.
        auto found = senders_.find(key);
        if (found != senders_.end()) {
            found->second.release()->deleteLater();
            senders_.erase(found);
        }
        emit Finished(key, completed);
        if (!error.isEmpty())
            prompt.Message(error);
    });
    senders_.emplace(task, std::move(sender));
    if (!raw->Start(force)) {
        const QString error = raw->LastError();
        senders_.erase(task);
        prompt.Message(error);
        return false;
    }
    return true;
}

void CampaignRuns::Stop(int task) {
    if (CampaignSender* sender = Running(task))
        sender->Stop();
}

CampaignSender* CampaignRuns::Running(int task) const {
    const auto found = senders_.find(task);
    return found == senders_.end() ? nullptr : found->second.get();
}

void CampaignRuns::StopAll() {
    std::vector<int> tasks;
    for (const auto& entry : senders_)
        tasks.push_back(entry.first);
    for (const int task : tasks) {
        if (CampaignSender* sender = Running(task)) {
            sender->Stop();
            // Waits for the messages under way and writes their outcome.
            while (Running(task) && sender->IsRunning())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
    }
}

void CampaignRuns::Forget() {
    senders_.clear();
}
