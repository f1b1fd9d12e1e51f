#pragma once

#include "ModuleContext.h"

#include "framework/RecordListView.h"

#include <QElapsedTimer>

class CSmsItemList;
class SmsTaskStore;
class QLabel;
class QProgressBar;
class QPushButton;

// The list of one kind of campaign (群发, 定时, Excel, 超级) with the numbers
// of the chosen task below it and a progress strip under both.
//
// 新建 builds a task and its numbers (from the customers and contacts a
// filter picks, or from a CSV file through the import mapping dialog), 发送
// starts or resumes it in the background (SmsService), 停止 stops it within a
// tick; the window stays usable all the while. A user other than admin sees
// the tasks they made and reaches the customers they handle.
class CSmsTaskView final : public CRecordListView {
    Q_OBJECT

public:
    enum : int { kSend = 7101, kStop = 7102 };

    CSmsTaskView(const ModuleContext& context, const QString& kind, QWidget* parent = nullptr);
    ~CSmsTaskView() override;

    Q_INVOKABLE bool OnCommand(int id) override;

    CSmsItemList* Items() const { return items_; }
    QProgressBar* ProgressBar() const { return progress_; }
    QLabel* ProgressLabel() const { return progressText_; }
    const QString& Kind() const { return kind_; }

    // The task of the top selected row, else the one whose numbers are shown.
    int CurrentTask() const;
    // Selects the row of `task` and shows its numbers.
    void ShowTask(int task);
    // Starts or resumes `task` after the checks 发送 makes.
    bool SendTask(int task);

private:
    void NewTask();
    bool NewCustomerTask(int& key);
    bool NewExcelTask(int& key);
    // A new task whose numbers could not all be written: says why (or that
    // the user stopped) and removes what was made. Always false.
    bool AbandonNewTask(SmsTaskStore& store, int key, bool stopped);
    void OfferToSend(int key);
    void DeleteTasks();
    void OnProgress(int task, bool force);
    void OnFinished(int task, bool completed);
    void UpdateStrip(int task);

    ModuleContext context_;
    QString kind_;
    CSmsItemList* items_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* progressText_ = nullptr;
    QPushButton* stopButton_ = nullptr;
    QElapsedTimer lastRefresh_;
};
