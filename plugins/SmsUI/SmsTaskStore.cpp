#include "SmsTaskStore.h"

#include "MobileNumber.h"
#include "SmsTemplate.h"

#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/DbTransaction.h"
#include "db/SqlLiteral.h"

#include <QDateTime>
#include <QMap>
#include <QSet>

namespace {

using SqlLiteral::Long;
using SqlLiteral::Text;

// Rows of one multi-row insert: long enough to make a file of 100,000 numbers
// a few hundred statements, short enough for any statement size limit.
constexpr int kInsertRows = 500;

QString Now() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

QString NotMobileText() {
    return QStringLiteral("不是手机号码");
}

} // namespace

QString KeyList(const std::vector<int>& keys) {
    QStringList texts;
    texts.reserve(qsizetype(keys.size()));
    for (const int key : keys)
        texts << QString::number(key);
    return QStringLiteral("KeyId in (") + texts.join(QLatin1Char(',')) + QLatin1Char(')');
}

QStringList SmsRecipientFilter::Conditions() const {
    QStringList conditions{QStringLiteral("(d.IsProvider < 1)")};
    if (!classPath.isEmpty())
        conditions
            << QStringLiteral("(d.ClassPath like %1)").arg(Text(classPath + QLatin1Char('%')));
    if (!name.isEmpty())
        conditions << QStringLiteral("(d.CustomerName like %1)")
                          .arg(Text(QLatin1Char('%') + name + QLatin1Char('%')));
    if (!province.isEmpty())
        conditions << QStringLiteral("(d.Province=%1)").arg(Text(province));
    if (!city.isEmpty())
        conditions << QStringLiteral("(d.City=%1)").arg(Text(city));
    if (!handler.isEmpty())
        conditions << QStringLiteral("(d.Handler=%1)").arg(Text(handler));
    if (!restrictToHandler.isEmpty())
        conditions << QStringLiteral("(d.Handler=%1)").arg(Text(restrictToHandler));
    return conditions;
}

QString SmsRecipientFilter::Describe() const {
    QStringList parts;
    if (customers && contacts)
        parts << QStringLiteral("客户和联系人");
    else
        parts << (contacts ? QStringLiteral("联系人") : QStringLiteral("客户"));
    if (!classPath.isEmpty())
        parts << QStringLiteral("分类: ") + classPath;
    if (!name.isEmpty())
        parts << QStringLiteral("名称含: ") + name;
    if (!province.isEmpty())
        parts << QStringLiteral("省份: ") + province;
    if (!city.isEmpty())
        parts << QStringLiteral("城市: ") + city;
    if (!handler.isEmpty())
        parts << QStringLiteral("经理人: ") + handler;
    return parts.join(QStringLiteral("; "));
}

bool SmsTaskStore::Fail(const QString& sql, const QString& error) {
    lastError_ = sql.isEmpty() ? error : sql + QStringLiteral("\r\n") + error;
    return false;
}

bool SmsTaskStore::Run(const QString& sql) {
    if (connection_.Execute(sql))
        return true;
    return Fail(sql, connection_.GetLastError());
}

bool SmsTaskStore::CreateTask(const NewTask& task, int& key) {
    const QString sql = QStringLiteral("select * from SmsTask where 1=0");
    DbRecordset record(connection_);
    if (!record.Open(sql) || !record.AddNew())
        return Fail(sql, record.GetLastError());
    record.SetString(QStringLiteral("Kind"), task.kind);
    record.SetString(QStringLiteral("Title"), task.title);
    record.SetString(QStringLiteral("Body"), task.body);
    record.SetString(QStringLiteral("Recipients"), task.recipients);
    record.SetString(QStringLiteral("SendAt"), task.sendAt);
    record.SetString(QStringLiteral("State"), task.state);
    record.SetString(QStringLiteral("Created"), Now());
    record.SetString(QStringLiteral("Creator"), task.creator);
    if (!record.Update())
        return Fail(QStringLiteral("insert into SmsTask"), record.GetLastError());
    key = record.GetLong(QStringLiteral("KeyId"));
    return key > 0 || Fail(QString(), QStringLiteral("新任务没有编号"));
}

bool SmsTaskStore::AddFilteredItems(int task, const SmsRecipientFilter& filter,
                                    const QString& body) {
    const DbConnection::Engine engine = connection_.GetEngine();
    const QString where =
        QStringLiteral(" where ") + filter.Conditions().join(QStringLiteral(" and "));
    QStringList parts;
    const auto columns = [](const QString& contact, const QString& mobile) {
        return QMap<QString, QString>{
            {QStringLiteral("客户名称"), QStringLiteral("d.CustomerName")},
            {QStringLiteral("联系人"), contact},
            {QStringLiteral("手机"), mobile},
            {QStringLiteral("经理人"), QStringLiteral("d.Handler")},
            {QStringLiteral("城市"), QStringLiteral("d.City")},
            {QStringLiteral("省份"), QStringLiteral("d.Province")}};
    };
    if (filter.customers) {
        parts << QStringLiteral("select %1 as m, %2 as t, d.KeyId as cid, d.Contact as nm, 0 as o "
                                "from CustomerData d")
                         .arg(MobileNumber::NormalizeSql(QStringLiteral("d.Mobile")),
                              SmsTemplate::FillSql(body, columns(QStringLiteral("d.Contact"),
                                                                 QStringLiteral("d.Mobile")))) +
                     where;
    }
    if (filter.contacts) {
        parts << QStringLiteral(
                     "select %1 as m, %2 as t, d.KeyId as cid, c.Name as nm, c.KeyId as o "
                     "from ContactData c join CustomerData d on d.KeyId=c.CustomerId")
                         .arg(MobileNumber::NormalizeSql(QStringLiteral("c.Mobile")),
                              SmsTemplate::FillSql(body, columns(QStringLiteral("c.Name"),
                                                                 QStringLiteral("c.Mobile")))) +
                     where;
    }
    if (parts.isEmpty())
        return true;
    const QString valid = MobileNumber::IsMobileSql(QStringLiteral("m"), engine);
    // One row per number, whatever the spelling each customer has it in: the
    // customer with the lowest key, its own number before its contacts'. A
    // number the task already holds is left out.
    const QString sql =
        QStringLiteral(
            "insert into SmsTaskItem (TaskId, Mobile, Text, CustomerId, Name, State, Reply) "
            "select %1, m, t, cid, nm, case when %2 then %3 else %4 end, "
            "case when %2 then '' else %5 end from (select s.*, row_number() over "
            "(partition by m order by cid, o) as rn from (%6) s where m<>'') r where rn=1 and "
            "not exists (select 1 from SmsTaskItem i where i.TaskId=%1 and i.Mobile=r.m)")
            .arg(Long(task), valid, Text(SmsItemState::Pending()), Text(SmsItemState::Skipped()),
                 Text(NotMobileText()), parts.join(QStringLiteral(" union all ")));
    DbTransaction transaction(connection_);
    if (!transaction.IsActive())
        return Fail(QString(), transaction.GetLastError());
    if (!Run(sql) || !RefreshTaskCounts(task))
        return false;
    return transaction.Commit() || Fail(QString(), transaction.GetLastError());
}

bool SmsTaskStore::AddItems(int task, const std::vector<SmsNewItem>& items) {
    DbTransaction transaction(connection_);
    if (!transaction.IsActive())
        return Fail(QString(), transaction.GetLastError());
    QSet<QString> seen;
    QStringList rows;
    const auto flush = [&]() {
        if (rows.isEmpty())
            return true;
        const QString sql =
            QStringLiteral("insert into SmsTaskItem (TaskId, Mobile, Text, Name, State, Reply) "
                           "values ") +
            rows.join(QLatin1Char(','));
        rows.clear();
        return Run(sql);
    };
    for (const SmsNewItem& item : items) {
        const QString number = MobileNumber::Normalize(item.mobile);
        if (number.isEmpty() || seen.contains(number))
            continue;
        seen.insert(number);
        const bool mobile = MobileNumber::IsMobile(number);
        rows << QStringLiteral("(%1,%2,%3,%4,%5,%6)")
                    .arg(Long(task), Text(number), Text(item.text), Text(item.name),
                         Text(mobile ? SmsItemState::Pending() : SmsItemState::Skipped()),
                         Text(mobile ? QString() : NotMobileText()));
        if (rows.size() >= kInsertRows && !flush())
            return false;
    }
    if (!flush() || !RefreshTaskCounts(task))
        return false;
    return transaction.Commit() || Fail(QString(), transaction.GetLastError());
}

bool SmsTaskStore::Claim(int task, int count, std::vector<SmsItem>& items) {
    items.clear();
    DbTransaction transaction(connection_);
    if (!transaction.IsActive())
        return Fail(QString(), transaction.GetLastError());
    const QString sql =
        QStringLiteral("select KeyId, Mobile, Text from SmsTaskItem where TaskId=%1 "
                       "and State=%2 order by KeyId limit %3")
            .arg(Long(task), Text(SmsItemState::Pending()), Long(count));
    {
        DbRecordset record(connection_);
        if (!record.Open(sql))
            return Fail(sql, record.GetLastError());
        for (; !record.IsEOF(); record.MoveNext())
            items.push_back({record.GetLong(QStringLiteral("KeyId")), record.GetString(1),
                             record.GetString(2)});
    }
    if (items.empty())
        return true;
    std::vector<int> keys;
    keys.reserve(items.size());
    for (const SmsItem& item : items)
        keys.push_back(item.key);
    // Written and committed before the sender sees any of them: after a
    // crash these rows say "may have gone out", never "not sent yet".
    if (!Run(QStringLiteral("update SmsTaskItem set State=%1 where ")
                 .arg(Text(SmsItemState::Sending())) +
             KeyList(keys)))
        return false;
    if (!transaction.Commit()) {
        items.clear();
        return Fail(QString(), transaction.GetLastError());
    }
    return true;
}

bool SmsTaskStore::Release(const std::vector<int>& keys) {
    if (keys.empty())
        return true;
    return Run(QStringLiteral("update SmsTaskItem set State=%1 where ")
                   .arg(Text(SmsItemState::Pending())) +
               KeyList(keys));
}

bool SmsTaskStore::WriteResults(int task, const std::vector<SmsItemResult>& results) {
    if (results.empty())
        return true;
    std::vector<int> sent;
    QMap<QString, std::vector<int>> failed; // by the gateway's text
    for (const SmsItemResult& result : results) {
        if (result.sent)
            sent.push_back(result.key);
        else
            failed[result.reply].push_back(result.key);
    }
    const QString now = Text(Now());
    DbTransaction transaction(connection_);
    if (!transaction.IsActive())
        return Fail(QString(), transaction.GetLastError());
    if (!sent.empty() &&
        !Run(QStringLiteral("update SmsTaskItem set State=%1, SentTime=%2, Reply='' where ")
                 .arg(Text(SmsItemState::Sent()), now) +
             KeyList(sent)))
        return false;
    int failures = 0;
    for (auto it = failed.cbegin(); it != failed.cend(); ++it) {
        failures += int(it.value().size());
        if (!Run(QStringLiteral("update SmsTaskItem set State=%1, SentTime=%2, Reply=%3 where ")
                     .arg(Text(SmsItemState::Failed()), now, Text(it.key())) +
                 KeyList(it.value())))
            return false;
    }
    if (!Run(QStringLiteral("update SmsTask set Sent=Sent+%1, Failed=Failed+%2 where KeyId=%3")
                 .arg(Long(int(sent.size())), Long(failures), Long(task))))
        return false;
    return transaction.Commit() || Fail(QString(), transaction.GetLastError());
}

bool SmsTaskStore::SetItemsState(int task, const std::vector<int>& keys, const QString& state) {
    if (keys.empty())
        return true;
    DbTransaction transaction(connection_);
    if (!transaction.IsActive())
        return Fail(QString(), transaction.GetLastError());
    // Only rows of this task that are not sent: a sent number is never sent
    // again, and a number can be skipped only before it goes out.
    const QString other =
        state == SmsItemState::Pending() ? SmsItemState::Skipped() : SmsItemState::Pending();
    if (!Run(
            QStringLiteral("update SmsTaskItem set State=%1, Reply='' where TaskId=%2 and State in "
                           "(%3,%4,%5) and ")
                .arg(Text(state), Long(task), Text(SmsItemState::Failed()),
                     Text(SmsItemState::Sending()), Text(other)) +
            KeyList(keys)) ||
        !RefreshTaskCounts(task))
        return false;
    return transaction.Commit() || Fail(QString(), transaction.GetLastError());
}

bool SmsTaskStore::SetTaskState(int task, const QString& state) {
    return Run(
        QStringLiteral("update SmsTask set State=%1 where KeyId=%2").arg(Text(state), Long(task)));
}

bool SmsTaskStore::TakeTask(int task, bool force) {
    QString sql = QStringLiteral("update SmsTask set State=%1 where KeyId=%2")
                      .arg(Text(SmsTaskState::Sending()), Long(task));
    if (!force)
        sql += QStringLiteral(" and State<>") + Text(SmsTaskState::Sending());
    long affected = 0;
    if (!connection_.Execute(sql, &affected))
        return Fail(sql, connection_.GetLastError());
    return affected == 1 || Fail(QString(), TakenText());
}

bool SmsTaskStore::Counts(int task, SmsTaskCounts& counts) {
    counts = SmsTaskCounts();
    const QString sql =
        QStringLiteral("select State, count(*) as n from SmsTaskItem where TaskId=%1 "
                       "group by State")
            .arg(Long(task));
    DbRecordset record(connection_);
    if (!record.Open(sql))
        return Fail(sql, record.GetLastError());
    for (; !record.IsEOF(); record.MoveNext()) {
        const QString state = record.GetString(0);
        const int n = record.GetLong(QStringLiteral("n"));
        counts.total += n;
        if (state == SmsItemState::Pending())
            counts.pending = n;
        else if (state == SmsItemState::Sending())
            counts.sending = n;
        else if (state == SmsItemState::Sent())
            counts.sent = n;
        else if (state == SmsItemState::Failed())
            counts.failed = n;
        else if (state == SmsItemState::Skipped())
            counts.skipped = n;
    }
    return true;
}

bool SmsTaskStore::RefreshTaskCounts(int task) {
    const auto count = [task](const QString& state) {
        return QStringLiteral("(select count(*) from SmsTaskItem where TaskId=%1 and State=%2)")
            .arg(Long(task), Text(state));
    };
    return Run(QStringLiteral("update SmsTask set Total=(select count(*) from SmsTaskItem where "
                              "TaskId=%1), Sent=%2, Failed=%3, Skipped=%4 where KeyId=%1")
                   .arg(Long(task), count(SmsItemState::Sent()), count(SmsItemState::Failed()),
                        count(SmsItemState::Skipped())));
}

bool SmsTaskStore::TaskState(int task, QString& state, QString& kind, QString* sendAt) {
    const QString sql =
        QStringLiteral("select State, Kind, SendAt from SmsTask where KeyId=%1").arg(Long(task));
    DbRecordset record(connection_);
    if (!record.Open(sql))
        return Fail(sql, record.GetLastError());
    if (record.IsEOF())
        return Fail(QString(), QStringLiteral("指定的数据不存在!"));
    state = record.GetString(0);
    kind = record.GetString(1);
    if (sendAt)
        *sendAt = record.GetString(2);
    return true;
}

bool SmsTaskStore::DeleteTasks(const std::vector<int>& keys) {
    if (keys.empty())
        return true;
    QString list = KeyList(keys);
    QString items = list;
    items.replace(0, 5, QStringLiteral("TaskId"));
    DbTransaction transaction(connection_);
    if (!transaction.IsActive())
        return Fail(QString(), transaction.GetLastError());
    if (!Run(QStringLiteral("delete from SmsTaskItem where ") + items) ||
        !Run(QStringLiteral("delete from SmsTask where ") + list))
        return false;
    return transaction.Commit() || Fail(QString(), transaction.GetLastError());
}
