#pragma once

#include "ModuleContext.h"
#include "RecvAccount.h"

#include "framework/RecordListView.h"

#include <QElapsedTimer>
#include <QStringList>

#include <memory>

class RecvRun;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

// 接收邮件: the messages fetched from the account of data/mailrecv.ini, newest
// first, unread ones bold, each with its sender's customer or contact when
// the address is known. 收取 fetches in the background (RecvRun) with
// progress and 停止 below the list; 阅读 (or a double click) shows a message;
// 删除 removes the local copies, and the server's too when the settings say
// so; 显示客户 opens the sender's customer; 设置 (administrator only) edits
// the account.
class CRecvListView final : public CRecordListView {
    Q_OBJECT

public:
    enum : int { kFetch = 7201, kStop = 7202, kSettings = 7203, kSearch = 7204 };

    explicit CRecvListView(const ModuleContext& context, QWidget* parent = nullptr);
    ~CRecvListView() override;

    Q_INVOKABLE bool OnCommand(int id) override;

    QLineEdit* SearchEdit() const { return search_; }
    QLabel* ProgressLabel() const { return progressText_; }
    QProgressBar* ProgressBar() const { return progress_; }
    bool IsRunning() const;

    // Starts 收取; false (after saying why) when it cannot start.
    bool Fetch();
    // Opens the top selected message.
    void ReadTopRow();

protected:
    void AfterLoad() override;
    bool DeleteRowRecord(int row, QString& error) override;

private:
    void DeleteMessages();
    bool StartRun(const RecvAccount& account, bool deleteOnly, const QStringList& keys);
    void OnProgress(int fetched, int total);
    void OnFinished();
    void Search();
    void EditSettings();

    ModuleContext context_;
    QLineEdit* search_ = nullptr;
    QLabel* progressText_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* stopButton_ = nullptr;
    std::unique_ptr<RecvRun> run_;
    QElapsedTimer lastReload_;
    int shownStored_ = 0;
    static constexpr int kReloadMs = 1000;
    bool deleteRun_ = false;
    // 删除: the rows marked inside the transaction, by key: file and server key.
    QList<std::pair<int, QPair<QString, QString>>> marked_;
};
