#pragma once

#include <QObject>

#include <map>
#include <memory>

class CampaignSender;
class Prompt;

// The runs of one kind of campaign, shared by every view that shows it: at
// most one sender per task, whatever view started it, so a view that is
// closed and opened again shows the same run. A module keeps one for the
// program's life (its service).
class CampaignRuns : public QObject {
    Q_OBJECT

public:
    CampaignRuns();
    ~CampaignRuns() override;

    CampaignSender* Running(int task) const;
    void Stop(int task);
    // Stops every run and waits for the messages under way (program exit).
    void StopAll();

signals:
    void Progress(int task);
    void Finished(int task, bool completed);

protected:
    // Takes the sender and starts its task. False after showing why (the
    // task taken already, or the database's text) on `prompt`.
    bool Launch(std::unique_ptr<CampaignSender> sender, bool force, Prompt& prompt);
    // Forgets the runs, as a new program would (tests).
    void Forget();

private:
    std::map<int, std::unique_ptr<CampaignSender>> senders_;
};
