#pragma once

#include <QString>
#include <QStringList>

#include <vector>

class DbConnection;

// The names the tables keep for kinds and states, as the lists show them.
namespace SmsKind {
inline QString Mass() {
    return QStringLiteral("群发");
}
inline QString Timed() {
    return QStringLiteral("定时");
}
inline QString Excel() {
    return QStringLiteral("Excel");
}
inline QString Super() {
    return QStringLiteral("超级");
}
} // namespace SmsKind

namespace SmsTaskState {
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
} // namespace SmsTaskState

namespace SmsItemState {
inline QString Pending() {
    return QStringLiteral("待发");
}
// Written before the number is handed to the gateway: a row still in this
// state after the program ended may or may not have gone out.
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
} // namespace SmsItemState

// Which customers and contacts a campaign reaches. Every text is typed by the
// user and reaches SQL only as a literal.
struct SmsRecipientFilter {
    bool customers = true; // the customers' own Mobile
    bool contacts = false; // the mobiles of their contacts
    QString classPath;     // a class of the tree and everything below it
    QString name;          // customer name contains
    QString province;
    QString city;
    QString handler; // exactly this handler
    // A user other than admin reaches only the customers they handle.
    QString restrictToHandler;

    // The conditions on CustomerData (alias d), each in parentheses.
    QStringList Conditions() const;
    // A line for the task's list saying what was chosen.
    QString Describe() const;
};

// One number of a task as the sender handles it.
struct SmsItem {
    int key = 0;
    QString mobile;
    QString text;
};

// What happened to one number.
struct SmsItemResult {
    int key = 0;
    bool sent = false;
    QString reply; // the gateway's error text for a failure
};

// One row to add from a file.
struct SmsNewItem {
    QString mobile; // as the file has it
    QString text;
    QString name;
};

struct SmsTaskCounts {
    int total = 0;
    int pending = 0;
    int sending = 0;
    int sent = 0;
    int failed = 0;
    int skipped = 0;
};

// The statements of the campaign tables SmsTask and SmsTaskItem, on the
// shared connection. Every function is one transaction and returns false
// with LastError() (the statement and the database's text) on failure.
class SmsTaskStore final {
public:
    explicit SmsTaskStore(DbConnection& connection) : connection_(connection) {}

    struct NewTask {
        QString kind;
        QString title;
        QString body;
        QString recipients;
        QString sendAt; // "yyyy-MM-dd hh:mm:ss" for a timed task
        QString state;
        QString creator;
    };
    // Inserts the task; its key comes back from the insert.
    bool CreateTask(const NewTask& task, int& key);

    // The numbers of the filter's customers and contacts as rows of the task,
    // in one INSERT ... SELECT: one row per distinct normalized number (the
    // first customer's text), numbers that are no mobile numbers as 跳过.
    bool AddFilteredItems(int task, const SmsRecipientFilter& filter, const QString& body);
    // Rows from a file, deduplicated by normalized number against each other
    // and the task's rows, inserted in batches.
    bool AddItems(int task, const std::vector<SmsNewItem>& items);

    // Takes up to `count` waiting numbers of the task in key order and marks
    // them 发送中 in the same transaction, before any of them is sent.
    bool Claim(int task, int count, std::vector<SmsItem>& items);
    // Numbers claimed but never handed to the gateway go back to 待发.
    bool Release(const std::vector<int>& keys);
    // The outcome of sent numbers, and the task's counts, in one transaction.
    bool WriteResults(int task, const std::vector<SmsItemResult>& results);

    // Chosen rows of a task (failed, or left 发送中 by an ended run) back to
    // 待发 to be sent again, or to 跳过.
    bool SetItemsState(int task, const std::vector<int>& keys, const QString& state);

    bool SetTaskState(int task, const QString& state);
    // Marks the task 发送中 unless it already is (another desk sending it, or
    // a run that ended with the program); `force` takes it anyway. False
    // with LastError() when it was not taken.
    bool TakeTask(int task, bool force);
    bool Counts(int task, SmsTaskCounts& counts);
    // The counts kept on the task row, recomputed from its numbers.
    bool RefreshTaskCounts(int task);
    bool TaskState(int task, QString& state, QString& kind, QString* sendAt = nullptr);

    // Deletes the tasks and their numbers.
    bool DeleteTasks(const std::vector<int>& keys);

    const QString& LastError() const { return lastError_; }
    static QString TakenText() { return QStringLiteral("任务已在发送中"); }

private:
    bool Run(const QString& sql);
    bool Fail(const QString& sql, const QString& error);

    DbConnection& connection_;
    QString lastError_;
};

// "KeyId in (1,2,3)" for a list of keys.
QString KeyList(const std::vector<int>& keys);
