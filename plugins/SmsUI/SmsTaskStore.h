#pragma once

#include "CampaignStore.h"
#include "RecipientFilter.h"

#include <QString>

#include <vector>

class DbConnection;

// The names the tables keep for kinds, as the lists show them.
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

namespace SmsTaskState = CampaignTaskState;
namespace SmsItemState = CampaignItemState;
using SmsRecipientFilter = RecipientFilter;
using SmsTaskCounts = CampaignCounts;

// One row to add from a file.
struct SmsNewItem {
    QString mobile; // as the file has it
    QString text;
    QString name;
};

// The text-message campaigns: SmsTask and SmsTaskItem, whose rows the sender
// reads as (Mobile, Text).
class SmsTaskStore final : public CampaignStore {
public:
    explicit SmsTaskStore(DbConnection& connection) : CampaignStore(connection, Tables()) {}

    static CampaignTables Tables();

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
    // Rows from a file, deduplicated by normalized number, inserted in batches.
    bool AddItems(int task, const std::vector<SmsNewItem>& items);

    using CampaignStore::TaskState;
    bool TaskState(int task, QString& state, QString& kind, QString* sendAt = nullptr);
};
