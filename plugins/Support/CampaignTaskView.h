#pragma once

#include "CampaignStore.h"

#include "framework/RecordListView.h"

#include <QElapsedTimer>

class CCampaignItemList;
class CampaignRuns;
class QLabel;
class QProgressBar;
class QPushButton;

// The list of a kind of campaign task with the rows of the chosen task below
// it and a progress strip (counts, bar, 停止) under both.
//
// 新建 asks the derived view to build a task and its rows (MakeTask), 发送
// starts or resumes the chosen task in the background (StartRun, through the
// module's CampaignRuns), 停止 stops it within a tick; the window stays
// usable all the while. `noun` names one row in the messages (号码, 地址).
class CCampaignTaskView : public CRecordListView {
    Q_OBJECT

public:
    enum : int { kSend = 7101, kStop = 7102 };

    struct Parts {
        CampaignTables tables;
        QString baseCondition;
        QString settingsKey;
        QList<QPair<QString, QString>> columns;
        CCampaignItemList* items = nullptr; // taken over
        QString noun;
    };

    CCampaignTaskView(DbConnection& connection, Prompt& prompt, CampaignRuns& runs, Parts parts,
                      QWidget* parent = nullptr);
    ~CCampaignTaskView() override;

    Q_INVOKABLE bool OnCommand(int id) override;

    CCampaignItemList* Items() const { return items_; }
    QProgressBar* ProgressBar() const { return progress_; }
    QLabel* ProgressLabel() const { return progressText_; }

    // The task of the top selected row, else the one whose rows are shown.
    int CurrentTask() const;
    // Selects the row of `task` and shows its rows.
    void ShowTask(int task);
    // Starts or resumes `task` after the checks 发送 makes.
    bool SendTask(int task);

protected:
    // Builds a new task with its rows; its key, or 0 when none was made.
    virtual int MakeTask() = 0;
    // Starts the run of `task` through the module's runs; false after
    // showing why.
    virtual bool StartRun(int task, bool force) = 0;
    // A last word before a task in `state` is sent; false leaves it.
    virtual bool ConfirmSend(int task, const QString& state);
    // After a new task was made: says what was made (MadeText) and offers
    // to send it now.
    virtual void OfferToSend(int task);
    virtual QString MadeText(const CampaignCounts& counts) const = 0;
    // A new task whose rows could not all be written: says why (`stopped`
    // says the user stopped it, shown as `stoppedText`) and removes what was
    // made. Always 0.
    int AbandonNewTask(CampaignStore& store, int key, bool stopped, const QString& stoppedText);

    CampaignStore Store() const { return CampaignStore(connection_, tables_); }
    CampaignRuns& runs_;

private:
    void NewTask();
    void DeleteTasks();
    void OnProgress(int task);
    void OnFinished(int task, bool completed);
    void UpdateStrip(int task);

    CampaignTables tables_;
    QString noun_;
    CCampaignItemList* items_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* progressText_ = nullptr;
    QPushButton* stopButton_ = nullptr;
    QElapsedTimer lastRefresh_;
};
