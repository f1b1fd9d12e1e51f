#pragma once

#include "CampaignStore.h"
#include "RecipientFilter.h"

#include <QString>
#include <QStringList>

#include <vector>

class DbConnection;

// One recipient from a list file.
struct MailNewItem {
    QString address; // as the file has it
    QString name;
    QString subject; // filled for this recipient
    QString body;
};

// The mass e-mail tasks: MailTask and MailTaskItem, whose rows the sender
// reads as (Address, Name, Subject, Body). An address is kept trimmed and in
// lower case, so each one is in a task once however it was typed; one that
// cannot be used in a message is kept as 跳过 and counted.
class MailTaskStore final : public CampaignStore {
public:
    explicit MailTaskStore(DbConnection& connection) : CampaignStore(connection, Tables()) {}

    static CampaignTables Tables();

    struct NewTask {
        QString title;
        QString subject;
        QString body;
        QStringList attachments;
        QString recipients;
        QString creator;
    };
    bool CreateTask(const NewTask& task, int& key);
    // The attachments of a task, one path per line in the task row.
    bool Attachments(int task, QStringList& paths);

    // The addresses of the filter's customers and contacts with the subject
    // and body filled per customer, in one INSERT ... SELECT.
    bool AddFilteredItems(int task, const RecipientFilter& filter, const QString& subject,
                          const QString& body);
    // Rows from a list file, deduplicated by address, in batches.
    bool AddItems(int task, const std::vector<MailNewItem>& items);

    static QString NormalizeAddress(const QString& typed);
    static QString NotUsableText() { return QStringLiteral("不是可用的邮件地址"); }

private:
    // Marks the task's waiting rows whose address is not usable as 跳过.
    bool SkipUnusable(int task);
};
