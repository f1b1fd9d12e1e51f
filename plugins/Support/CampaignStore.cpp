#include "CampaignStore.h"

#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/DbTransaction.h"
#include "db/SqlLiteral.h"

#include <QDateTime>
#include <QMap>

namespace {

using SqlLiteral::Long;
using SqlLiteral::Text;

// Rows of one multi-row insert: long enough to make a file of 100,000 rows a
// few hundred statements, short enough for any statement size limit.
constexpr int kInsertRows = 500;

QString Now() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

} // namespace

QString KeyList(const std::vector<int>& keys) {
    QStringList texts;
    texts.reserve(qsizetype(keys.size()));
    for (const int key : keys)
        texts << QString::number(key);
    return QStringLiteral("KeyId in (") + texts.join(QLatin1Char(',')) + QLatin1Char(')');
}

bool CampaignStore::Fail(const QString& sql, const QString& error) {
    lastError_ = sql.isEmpty() ? error : sql + QStringLiteral("\r\n") + error;
    return false;
}

bool CampaignStore::Run(const QString& sql) {
    if (connection_.Execute(sql))
        return true;
    return Fail(sql, connection_.GetLastError());
}

bool CampaignStore::CreateTask(const QList<QPair<QString, QString>>& values, int& key) {
    const QString sql = QStringLiteral("select * from %1 where 1=0").arg(tables_.task);
    DbRecordset record(connection_);
    if (!record.Open(sql) || !record.AddNew())
        return Fail(sql, record.GetLastError());
    for (const auto& [column, value] : values)
        record.SetString(column, value);
    record.SetString(QStringLiteral("Created"), Now());
    if (!record.Update())
        return Fail(QStringLiteral("insert into ") + tables_.task, record.GetLastError());
    key = record.GetLong(QStringLiteral("KeyId"));
    return key > 0 || Fail(QString(), QStringLiteral("新任务没有编号"));
}

bool CampaignStore::ChangeItems(int task, const std::function<bool()>& work) {
    DbTransaction transaction(connection_);
    if (!transaction.IsActive())
        return Fail(QString(), transaction.GetLastError());
    if (!work() || !RefreshTaskCounts(task))
        return false;
    return transaction.Commit() || Fail(QString(), transaction.GetLastError());
}

bool CampaignStore::InsertItems(int task, const QStringList& columns,
                                const std::vector<QStringList>& rows) {
    return ChangeItems(task, [&] {
        const QString head = QStringLiteral("insert into %1 (TaskId, %2) values ")
                                 .arg(tables_.item, columns.join(QStringLiteral(", ")));
        QStringList values;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            QStringList literals{Long(task)};
            for (const QString& value : rows[i])
                literals << Text(value);
            values << QLatin1Char('(') + literals.join(QLatin1Char(',')) + QLatin1Char(')');
            if ((values.size() >= kInsertRows || i + 1 == rows.size()) &&
                !Run(head + values.join(QLatin1Char(','))))
                return false;
            if (values.size() >= kInsertRows)
                values.clear();
        }
        return true;
    });
}

bool CampaignStore::Claim(int task, int count, std::vector<CampaignItem>& items) {
    items.clear();
    DbTransaction transaction(connection_);
    if (!transaction.IsActive())
        return Fail(QString(), transaction.GetLastError());
    const QString sql = QStringLiteral("select KeyId, %1 from %2 where TaskId=%3 and State=%4 "
                                       "order by KeyId limit %5")
                            .arg(tables_.payload.join(QStringLiteral(", ")), tables_.item,
                                 Long(task), Text(CampaignItemState::Pending()), Long(count));
    {
        DbRecordset record(connection_);
        if (!record.Open(sql))
            return Fail(sql, record.GetLastError());
        const int columns = int(tables_.payload.size());
        for (; !record.IsEOF(); record.MoveNext()) {
            CampaignItem item{record.GetLong(QStringLiteral("KeyId")), {}};
            for (int i = 1; i <= columns; ++i)
                item.values << record.GetString(i);
            items.push_back(std::move(item));
        }
    }
    if (items.empty())
        return true;
    std::vector<int> keys;
    keys.reserve(items.size());
    for (const CampaignItem& item : items)
        keys.push_back(item.key);
    // Written and committed before the sender sees any of them: after a
    // crash these rows say "may have gone out", never "not sent yet".
    if (!Run(QStringLiteral("update %1 set State=%2 where ")
                 .arg(tables_.item, Text(CampaignItemState::Sending())) +
             KeyList(keys)))
        return false;
    if (!transaction.Commit()) {
        items.clear();
        return Fail(QString(), transaction.GetLastError());
    }
    return true;
}

bool CampaignStore::Release(const std::vector<int>& keys) {
    if (keys.empty())
        return true;
    return Run(QStringLiteral("update %1 set State=%2 where ")
                   .arg(tables_.item, Text(CampaignItemState::Pending())) +
               KeyList(keys));
}

bool CampaignStore::WriteResults(int task, const std::vector<CampaignResult>& results) {
    if (results.empty())
        return true;
    std::vector<int> sent;
    // Rows of the other outcomes, by state and reply text: one update each.
    QMap<QPair<QString, QString>, std::vector<int>> others;
    int failures = 0;
    for (const CampaignResult& result : results) {
        switch (result.outcome) {
        case CampaignOutcome::Sent:
            sent.push_back(result.key);
            break;
        case CampaignOutcome::Failed:
            ++failures;
            others[{CampaignItemState::Failed(), result.reply}].push_back(result.key);
            break;
        case CampaignOutcome::NotSent:
            others[{CampaignItemState::Pending(), result.reply}].push_back(result.key);
            break;
        case CampaignOutcome::Uncertain:
            others[{CampaignItemState::Sending(), result.reply}].push_back(result.key);
            break;
        }
    }
    const QString now = Text(Now());
    DbTransaction transaction(connection_);
    if (!transaction.IsActive())
        return Fail(QString(), transaction.GetLastError());
    if (!sent.empty() && !Run(QStringLiteral("update %1 set State=%2, SentTime=%3, Reply='' where ")
                                  .arg(tables_.item, Text(CampaignItemState::Sent()), now) +
                              KeyList(sent)))
        return false;
    for (auto it = others.cbegin(); it != others.cend(); ++it) {
        if (!Run(QStringLiteral("update %1 set State=%2, SentTime=%3, Reply=%4 where ")
                     .arg(tables_.item, Text(it.key().first), now, Text(it.key().second)) +
                 KeyList(it.value())))
            return false;
    }
    if (!Run(QStringLiteral("update %1 set Sent=Sent+%2, Failed=Failed+%3 where KeyId=%4")
                 .arg(tables_.task, Long(int(sent.size())), Long(failures), Long(task))))
        return false;
    return transaction.Commit() || Fail(QString(), transaction.GetLastError());
}

bool CampaignStore::SetItemsState(int task, const std::vector<int>& keys, const QString& state) {
    if (keys.empty())
        return true;
    return ChangeItems(task, [&] {
        // Only rows of this task that are not sent: a sent row is never sent
        // again, and a row can be skipped only before it goes out.
        const QString other = state == CampaignItemState::Pending() ? CampaignItemState::Skipped()
                                                                    : CampaignItemState::Pending();
        return Run(QStringLiteral("update %1 set State=%2, Reply='' where TaskId=%3 and State in "
                                  "(%4,%5,%6) and ")
                       .arg(tables_.item, Text(state), Long(task),
                            Text(CampaignItemState::Failed()), Text(CampaignItemState::Sending()),
                            Text(other)) +
                   KeyList(keys));
    });
}

bool CampaignStore::SetTaskState(int task, const QString& state) {
    return Run(QStringLiteral("update %1 set State=%2 where KeyId=%3")
                   .arg(tables_.task, Text(state), Long(task)));
}

bool CampaignStore::TakeTask(int task, bool force) {
    QString sql = QStringLiteral("update %1 set State=%2 where KeyId=%3")
                      .arg(tables_.task, Text(CampaignTaskState::Sending()), Long(task));
    if (!force)
        sql += QStringLiteral(" and State<>") + Text(CampaignTaskState::Sending());
    long affected = 0;
    if (!connection_.Execute(sql, &affected))
        return Fail(sql, connection_.GetLastError());
    return affected == 1 || Fail(QString(), TakenText());
}

bool CampaignStore::TaskState(int task, QString& state) {
    QStringList values;
    if (!TaskValues(task, {QStringLiteral("State")}, values))
        return false;
    state = values.first();
    return true;
}

bool CampaignStore::TaskValues(int task, const QStringList& columns, QStringList& values) {
    values.clear();
    const QString sql = QStringLiteral("select %1 from %2 where KeyId=%3")
                            .arg(columns.join(QStringLiteral(", ")), tables_.task, Long(task));
    DbRecordset record(connection_);
    if (!record.Open(sql))
        return Fail(sql, record.GetLastError());
    if (record.IsEOF())
        return Fail(QString(), QStringLiteral("指定的数据不存在!"));
    for (int i = 0; i < columns.size(); ++i)
        values << record.GetString(i);
    return true;
}

bool CampaignStore::Counts(int task, CampaignCounts& counts) {
    counts = CampaignCounts();
    const QString sql =
        QStringLiteral("select State, count(*) as n from %1 where TaskId=%2 group by State")
            .arg(tables_.item, Long(task));
    DbRecordset record(connection_);
    if (!record.Open(sql))
        return Fail(sql, record.GetLastError());
    for (; !record.IsEOF(); record.MoveNext()) {
        const QString state = record.GetString(0);
        const int n = record.GetLong(QStringLiteral("n"));
        counts.total += n;
        if (state == CampaignItemState::Pending())
            counts.pending = n;
        else if (state == CampaignItemState::Sending())
            counts.sending = n;
        else if (state == CampaignItemState::Sent())
            counts.sent = n;
        else if (state == CampaignItemState::Failed())
            counts.failed = n;
        else if (state == CampaignItemState::Skipped())
            counts.skipped = n;
    }
    return true;
}

bool CampaignStore::RefreshTaskCounts(int task) {
    const auto count = [this, task](const QString& state) {
        return QStringLiteral("(select count(*) from %1 where TaskId=%2 and State=%3)")
            .arg(tables_.item, Long(task), Text(state));
    };
    return Run(QStringLiteral("update %1 set Total=(select count(*) from %2 where TaskId=%3), "
                              "Sent=%4, Failed=%5, Skipped=%6 where KeyId=%3")
                   .arg(tables_.task, tables_.item, Long(task), count(CampaignItemState::Sent()),
                        count(CampaignItemState::Failed()), count(CampaignItemState::Skipped())));
}

bool CampaignStore::DeleteTasks(const std::vector<int>& keys) {
    if (keys.empty())
        return true;
    const QString list = KeyList(keys);
    QString items = list;
    items.replace(0, 5, QStringLiteral("TaskId"));
    DbTransaction transaction(connection_);
    if (!transaction.IsActive())
        return Fail(QString(), transaction.GetLastError());
    if (!Run(QStringLiteral("delete from %1 where ").arg(tables_.item) + items) ||
        !Run(QStringLiteral("delete from %1 where ").arg(tables_.task) + list))
        return false;
    return transaction.Commit() || Fail(QString(), transaction.GetLastError());
}
