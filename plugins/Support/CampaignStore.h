#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class DbConnection;

// The states a campaign task (a mass text message or a mass e-mail) and its
// rows go through, as the lists show them.
namespace CampaignTaskState {
inline QString Ready() {
    return QStringLiteral("未发送");
}
inline QString Waiting() {
    return QStringLiteral("等待");
} // a timed task before its time
inline QString Sending() {
    return QStringLiteral("发送中");
}
inline QString Stopped() {
    return QStringLiteral("已停止");
}
inline QString Done() {
    return QStringLiteral("已完成");
}
inline QString Cancelled() {
    return QStringLiteral("已取消");
}
} // namespace CampaignTaskState

namespace CampaignItemState {
inline QString Pending() {
    return QStringLiteral("待发");
}
// Written before the message is handed over: a row still in this state
// after the program ended may or may not have gone out.
inline QString Sending() {
    return QStringLiteral("发送中");
}
inline QString Sent() {
    return QStringLiteral("已发");
}
inline QString Failed() {
    return QStringLiteral("失败");
}
inline QString Skipped() {
    return QStringLiteral("跳过");
}
} // namespace CampaignItemState

// The two tables of one kind of campaign: the tasks (KeyId, State, Total,
// Sent, Failed, Skipped, Created, ...) and their rows (KeyId, TaskId, State,
// Reply, SentTime, ...); `payload` names the row columns a send needs.
struct CampaignTables {
    QString task;
    QString item;
    QStringList payload;
};

// One row as the sender handles it: the payload columns in their order.
struct CampaignItem {
    int key = 0;
    QStringList values;
};

// What became of one row's send.
enum class CampaignOutcome {
    Sent,
    Failed,   // refused for this row: 失败 with the reply
    NotSent,  // certainly not handed over (no connection): back to 待发
    Uncertain // may have gone out: stays 发送中 for the user to decide
};

struct CampaignResult {
    int key = 0;
    CampaignOutcome outcome = CampaignOutcome::Failed;
    QString reply;
};

struct CampaignCounts {
    int total = 0;
    int pending = 0;
    int sending = 0;
    int sent = 0;
    int failed = 0;
    int skipped = 0;
};

// The statements every campaign runs on its two tables, on the shared
// connection: the row-state machine (claim before the send, outcome after),
// the counts kept on the task, and the user's changes. Each public function
// is one transaction (a savepoint inside a larger one) and returns false
// with LastError() (the statement and the database's text) on failure.
class CampaignStore {
public:
    CampaignStore(DbConnection& connection, CampaignTables tables)
        : connection_(connection), tables_(std::move(tables)) {}

    // Inserts a task row with these column values and Created; its key comes
    // back from the insert.
    bool CreateTask(const QList<QPair<QString, QString>>& values, int& key);
    // Rows of `columns` (TaskId comes first by itself) in multi-row inserts,
    // then the task's counts.
    bool InsertItems(int task, const QStringList& columns, const std::vector<QStringList>& rows);
    // `work` in one transaction with the task's counts refreshed after it.
    bool ChangeItems(int task, const std::function<bool()>& work);

    // Takes up to `count` waiting rows of the task in key order and marks
    // them 发送中 in the same transaction, before any of them is sent.
    bool Claim(int task, int count, std::vector<CampaignItem>& items);
    // Rows claimed but never handed over go back to 待发.
    bool Release(const std::vector<int>& keys);
    // The outcome of sent rows, and the task's counts, in one transaction.
    bool WriteResults(int task, const std::vector<CampaignResult>& results);

    // Chosen rows of a task (failed, or left 发送中 by an ended run) back to
    // 待发 to be sent again, or to 跳过.
    bool SetItemsState(int task, const std::vector<int>& keys, const QString& state);

    bool SetTaskState(int task, const QString& state);
    // Marks the task 发送中 unless it already is (another desk sending it, or
    // a run that ended with the program); `force` takes it anyway. False
    // with LastError() when it was not taken.
    bool TakeTask(int task, bool force);
    bool TaskState(int task, QString& state);
    // Columns of the task row, in the order asked.
    bool TaskValues(int task, const QStringList& columns, QStringList& values);
    bool Counts(int task, CampaignCounts& counts);
    // The counts kept on the task row, recomputed from its rows.
    bool RefreshTaskCounts(int task);

    // Deletes the tasks and their rows.
    bool DeleteTasks(const std::vector<int>& keys);

    const QString& LastError() const { return lastError_; }
    const CampaignTables& Tables() const { return tables_; }
    static QString TakenText() { return QStringLiteral("任务已在发送中"); }

protected:
    bool Run(const QString& sql);
    bool Fail(const QString& sql, const QString& error);

    DbConnection& connection_;

private:
    CampaignTables tables_;
    QString lastError_;
};

// "KeyId in (1,2,3)" for a list of keys.
QString KeyList(const std::vector<int>& keys);
