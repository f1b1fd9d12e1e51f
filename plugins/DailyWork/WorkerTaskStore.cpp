#include "WorkerTaskStore.h"

#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/DbTransaction.h"
#include "db/InsertBuilder.h"
#include "db/SqlLiteral.h"
#include "db/UpdateBuilder.h"
#include "framework/RowValues.h"

#include <QDateTime>

WorkerTaskStore::WorkerTaskStore(DbConnection& connection) : connection_(connection) {}

QString WorkerTaskStore::Now() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

bool WorkerTaskStore::Read(int key, WorkerTaskRow& row) {
    row = WorkerTaskRow();
    DbRecordset rs(connection_);
    if (!rs.Open(QStringLiteral("select KeyId, Title, Assigner, Assignee, State, DueDate from "
                                "WorkerTask where KeyId=") +
                 SqlLiteral::Long(key))) {
        lastError_ = rs.GetLastError();
        return false;
    }
    if (rs.IsEOF())
        return true;
    row.key = rs.GetLong(QStringLiteral("KeyId"));
    row.title = rs.GetString(QStringLiteral("Title"));
    row.assigner = rs.GetString(QStringLiteral("Assigner"));
    row.assignee = rs.GetString(QStringLiteral("Assignee"));
    row.state = rs.GetString(QStringLiteral("State"));
    row.dueDate = rs.GetString(QStringLiteral("DueDate"));
    return true;
}

WorkerTaskStore::Outcome WorkerTaskStore::UpdateWhileIn(int key, const QString& expected,
                                                        const QString& assigner,
                                                        const RowValues& values,
                                                        const QString& author,
                                                        const QString& note) {
    DbTransaction transaction(connection_);
    if (!transaction.IsActive()) {
        lastError_ = transaction.GetLastError();
        return Outcome::Failed;
    }
    UpdateBuilder update;
    update.SetTable(QStringLiteral("WorkerTask"));
    values.WriteTo(update);
    update.AddCondition(QStringLiteral("KeyId=") + SqlLiteral::Long(key));
    update.AddCondition(QStringLiteral("State=") + SqlLiteral::Text(expected));
    if (!assigner.isEmpty())
        update.AddCondition(QStringLiteral("Assigner=") + SqlLiteral::Text(assigner));
    long changed = 0;
    if (!connection_.Execute(update.Build(), &changed)) {
        lastError_ = update.Statement() + QStringLiteral("\r\n") + connection_.GetLastError();
        return Outcome::Failed;
    }
    if (changed != 1)
        return Outcome::Lost;
    if (!note.isEmpty() && !InsertNote(key, author, note))
        return Outcome::Failed;
    if (!transaction.Commit()) {
        lastError_ = transaction.GetLastError();
        return Outcome::Failed;
    }
    return Outcome::Done;
}

WorkerTaskStore::Outcome WorkerTaskStore::Move(int key, const QString& from, const QString& to,
                                               const QString& author, const QString& note) {
    RowValues values;
    values.SetText(QStringLiteral("State"), to);
    if (to == TaskState::Done)
        values.SetText(QStringLiteral("Finished"), Now());
    return UpdateWhileIn(key, from, QString(), values, author, note);
}

bool WorkerTaskStore::AddNote(int key, const QString& author, const QString& text) {
    return InsertNote(key, author, text);
}

bool WorkerTaskStore::InsertNote(int key, const QString& author, const QString& text) {
    InsertBuilder insert;
    insert.SetTable(QStringLiteral("WorkerTaskNote"));
    insert.SetLong(QStringLiteral("TaskId"), key);
    insert.SetText(QStringLiteral("Author"), author);
    insert.SetText(QStringLiteral("Written"), Now());
    insert.SetText(QStringLiteral("Text"), text);
    if (!connection_.Execute(insert.Build())) {
        lastError_ = insert.Statement() + QStringLiteral("\r\n") + connection_.GetLastError();
        return false;
    }
    return true;
}

bool WorkerTaskStore::Delete(int key) {
    const QString condition = SqlLiteral::Long(key);
    for (const QString& sql :
         {QStringLiteral("delete from WorkerTaskNote where TaskId=") + condition,
          QStringLiteral("delete from WorkerTask where KeyId=") + condition}) {
        if (!connection_.Execute(sql)) {
            lastError_ = sql + QStringLiteral("\r\n") + connection_.GetLastError();
            return false;
        }
    }
    return true;
}

QString LostRaceMessage() {
    return QStringLiteral("该任务已被他人处理或已删除, 操作没有完成, 列表已刷新!");
}
