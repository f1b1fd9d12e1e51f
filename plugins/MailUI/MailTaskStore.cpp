#include "MailTaskStore.h"

#include "MessageTemplate.h"

#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/SqlLiteral.h"
#include "net/MailMessage.h"

#include <QSet>

namespace {

using SqlLiteral::Long;
using SqlLiteral::Text;

// Keys per update of the skipping pass.
constexpr std::size_t kKeysPerUpdate = 500;

} // namespace

CampaignTables MailTaskStore::Tables() {
    return {QStringLiteral("MailTask"),
            QStringLiteral("MailTaskItem"),
            {QStringLiteral("Address"), QStringLiteral("Name"), QStringLiteral("Subject"),
             QStringLiteral("Body")}};
}

QString MailTaskStore::NormalizeAddress(const QString& typed) {
    return typed.trimmed().toLower();
}

bool MailTaskStore::CreateTask(const NewTask& task, int& key) {
    return CampaignStore::CreateTask(
        {{QStringLiteral("Title"), task.title},
         {QStringLiteral("Subject"), task.subject},
         {QStringLiteral("Body"), task.body},
         {QStringLiteral("Attachments"), task.attachments.join(QLatin1Char('\n'))},
         {QStringLiteral("Recipients"), task.recipients},
         {QStringLiteral("State"), CampaignTaskState::Ready()},
         {QStringLiteral("Creator"), task.creator}},
        key);
}

bool MailTaskStore::Attachments(int task, QStringList& paths) {
    paths.clear();
    QStringList values;
    if (!TaskValues(task, {QStringLiteral("Attachments")}, values))
        return false;
    for (const QString& line : values.first().split(QLatin1Char('\n'))) {
        if (!line.trimmed().isEmpty())
            paths << line.trimmed();
    }
    return true;
}

bool MailTaskStore::AddFilteredItems(int task, const RecipientFilter& filter,
                                     const QString& subject, const QString& body) {
    const QString rows = filter.DistinctRowsSql(
        [&](const RecipientFilter::Source& source) {
            const QMap<QString, QString> fields = RecipientFilter::TemplateColumns(source);
            return QStringLiteral("lower(trim(coalesce(%1.Email,''))) as a, %2 as s, %3 as b")
                .arg(source.person, MessageTemplate::FillSql(subject, fields),
                     MessageTemplate::FillSql(body, fields));
        },
        QStringLiteral("a"));
    if (rows.isEmpty())
        return true;
    // An address the task already holds is left out. As "not in" the task's
    // addresses are read once (PostgreSQL hashes them); "not exists" was
    // planned there as a loop over the rows being inserted, a text against a
    // citext column that cannot use the index: seconds for 10,000 rows.
    const QString sql =
        QStringLiteral("insert into MailTaskItem (TaskId, Address, Name, CustomerId, Subject, "
                       "Body, State, Reply) select %1, a, nm, cid, s, b, %2, '' from (%3) x "
                       "where x.a not in (select Address from MailTaskItem where TaskId=%1)")
            .arg(Long(task), Text(CampaignItemState::Pending()), rows);
    return ChangeItems(task, [&] { return Run(sql) && SkipUnusable(task); });
}

bool MailTaskStore::SkipUnusable(int task) {
    // The rule of what a message can carry lives in MailMessage alone, so the
    // addresses are judged here rather than by a second rule in SQL.
    const QString sql = QStringLiteral("select KeyId, Address from MailTaskItem where TaskId=%1 "
                                       "and State=%2")
                            .arg(Long(task), Text(CampaignItemState::Pending()));
    std::vector<int> unusable;
    {
        DbRecordset record(connection_);
        if (!record.Open(sql))
            return Fail(sql, record.GetLastError());
        for (; !record.IsEOF(); record.MoveNext()) {
            if (!MailMessage::IsUsableAddress(record.GetString(1)))
                unusable.push_back(record.GetLong(QStringLiteral("KeyId")));
        }
    }
    for (std::size_t at = 0; at < unusable.size(); at += kKeysPerUpdate) {
        const std::vector<int> keys(
            unusable.begin() + std::ptrdiff_t(at),
            unusable.begin() + std::ptrdiff_t(std::min(unusable.size(), at + kKeysPerUpdate)));
        if (!Run(QStringLiteral("update MailTaskItem set State=%1, Reply=%2 where ")
                     .arg(Text(CampaignItemState::Skipped()), Text(NotUsableText())) +
                 KeyList(keys)))
            return false;
    }
    return true;
}

bool MailTaskStore::AddItems(int task, const std::vector<MailNewItem>& items) {
    QSet<QString> seen;
    std::vector<QStringList> rows;
    for (const MailNewItem& item : items) {
        const QString address = NormalizeAddress(item.address);
        if (address.isEmpty() || seen.contains(address))
            continue;
        seen.insert(address);
        const bool usable = MailMessage::IsUsableAddress(address);
        rows.push_back({address, item.name, item.subject, item.body,
                        usable ? CampaignItemState::Pending() : CampaignItemState::Skipped(),
                        usable ? QString() : NotUsableText()});
    }
    return InsertItems(task,
                       {QStringLiteral("Address"), QStringLiteral("Name"),
                        QStringLiteral("Subject"), QStringLiteral("Body"), QStringLiteral("State"),
                        QStringLiteral("Reply")},
                       rows);
}
