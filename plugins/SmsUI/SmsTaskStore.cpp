#include "SmsTaskStore.h"

#include "MessageTemplate.h"
#include "MobileNumber.h"

#include "db/DbConnection.h"
#include "db/SqlLiteral.h"

#include <QSet>

namespace {

using SqlLiteral::Long;
using SqlLiteral::Text;

QString NotMobileText() {
    return QStringLiteral("不是手机号码");
}

} // namespace

CampaignTables SmsTaskStore::Tables() {
    return {QStringLiteral("SmsTask"),
            QStringLiteral("SmsTaskItem"),
            {QStringLiteral("Mobile"), QStringLiteral("Text")}};
}

bool SmsTaskStore::CreateTask(const NewTask& task, int& key) {
    return CampaignStore::CreateTask({{QStringLiteral("Kind"), task.kind},
                                      {QStringLiteral("Title"), task.title},
                                      {QStringLiteral("Body"), task.body},
                                      {QStringLiteral("Recipients"), task.recipients},
                                      {QStringLiteral("SendAt"), task.sendAt},
                                      {QStringLiteral("State"), task.state},
                                      {QStringLiteral("Creator"), task.creator}},
                                     key);
}

bool SmsTaskStore::AddFilteredItems(int task, const SmsRecipientFilter& filter,
                                    const QString& body) {
    const QString rows = filter.DistinctRowsSql(
        [&body](const RecipientFilter::Source& source) {
            const QString mobile = source.person + QStringLiteral(".Mobile");
            return QStringLiteral("%1 as m, %2 as t")
                .arg(MobileNumber::NormalizeSql(mobile),
                     MessageTemplate::FillSql(body, RecipientFilter::TemplateColumns(source)));
        },
        QStringLiteral("m"));
    if (rows.isEmpty())
        return true;
    const QString valid = MobileNumber::IsMobileSql(QStringLiteral("m"), connection_.GetEngine());
    // One row per number, whatever the spelling each customer has it in. A
    // number the task already holds is left out (see MailTaskStore for why
    // "not in" and not "not exists").
    const QString sql =
        QStringLiteral(
            "insert into SmsTaskItem (TaskId, Mobile, Text, CustomerId, Name, State, Reply) "
            "select %1, m, t, cid, nm, case when %2 then %3 else %4 end, "
            "case when %2 then '' else %5 end from (%6) x where "
            "x.m not in (select Mobile from SmsTaskItem where TaskId=%1)")
            .arg(Long(task), valid, Text(SmsItemState::Pending()), Text(SmsItemState::Skipped()),
                 Text(NotMobileText()), rows);
    return ChangeItems(task, [&] { return Run(sql); });
}

bool SmsTaskStore::AddItems(int task, const std::vector<SmsNewItem>& items) {
    QSet<QString> seen;
    std::vector<QStringList> rows;
    for (const SmsNewItem& item : items) {
        const QString number = MobileNumber::Normalize(item.mobile);
        if (number.isEmpty() || seen.contains(number))
            continue;
        seen.insert(number);
        const bool mobile = MobileNumber::IsMobile(number);
        rows.push_back({number, item.text, item.name,
                        mobile ? SmsItemState::Pending() : SmsItemState::Skipped(),
                        mobile ? QString() : NotMobileText()});
    }
    return InsertItems(task,
                       {QStringLiteral("Mobile"), QStringLiteral("Text"), QStringLiteral("Name"),
                        QStringLiteral("State"), QStringLiteral("Reply")},
                       rows);
}

bool SmsTaskStore::TaskState(int task, QString& state, QString& kind, QString* sendAt) {
    QStringList values;
    if (!TaskValues(task,
                    {QStringLiteral("State"), QStringLiteral("Kind"), QStringLiteral("SendAt")},
                    values))
        return false;
    state = values.at(0);
    kind = values.at(1);
    if (sendAt)
        *sendAt = values.at(2);
    return true;
}
