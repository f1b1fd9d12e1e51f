#include "business/TraceStatements.h"

#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/DbTransaction.h"
#include "db/InsertBuilder.h"
#include "db/SqlLiteral.h"

#include <QDateTime>

namespace TraceStatements {

namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QString Failure(const QString& statement, const QString& error) {
    return statement + QStringLiteral("\r\n") + error;
}

} // namespace

QString Table(TraceKind kind) {
    return kind == TraceKind::Record ? QStringLiteral("TraceData") : QStringLiteral("TrackPlan");
}

QString TimeColumn(TraceKind kind) {
    return kind == TraceKind::Record ? QStringLiteral("FDTime") : QStringLiteral("PlanTime");
}

QString TextColumn(TraceKind kind) {
    return kind == TraceKind::Record ? QStringLiteral("FDText") : QStringLiteral("Comment");
}

QString FormTitle(TraceKind kind) {
    return kind == TraceKind::Record ? QStringLiteral("沟通记录") : QStringLiteral("沟通计划");
}

QString TimeCaption(TraceKind kind) {
    return kind == TraceKind::Record ? QStringLiteral("时间") : QStringLiteral("计划时间");
}

QString Now() {
    return QDateTime::currentDateTime().toString(kTimeFormat);
}

bool IsValidTime(const QString& text) {
    if (text.size() != kTimeFormat.size())
        return false;
    const QDateTime time = QDateTime::fromString(text, kTimeFormat);
    // fromString accepts some texts it would write differently; only the
    // exact form is stored.
    return time.isValid() && time.toString(kTimeFormat) == text;
}

QString SelectByKey(TraceKind kind, int key) {
    return QStringLiteral("select * from ") + Table(kind) + QStringLiteral(" where KeyId=") +
           SqlLiteral::Long(key);
}

QString DeleteByKey(TraceKind kind, int key) {
    return QStringLiteral("delete from ") + Table(kind) + QStringLiteral(" where KeyId=") +
           SqlLiteral::Long(key);
}

QString CustomerOfRow(TraceKind kind, int key) {
    return QStringLiteral("select CustomerId from ") + Table(kind) +
           QStringLiteral(" where KeyId=") + SqlLiteral::Long(key);
}

Completion CompletePlan(DbConnection& connection, int planKey, const QString& now, QString& message,
                        int* newKey) {
    message.clear();
    DbTransaction work(connection);
    if (!work.IsActive()) {
        message = work.GetLastError();
        return Completion::Failed;
    }

    const QString select = SelectByKey(TraceKind::Plan, planKey);
    QString customerName, contact, handler, title, comment;
    qint32 customerId = 0;
    {
        DbRecordset plan(connection);
        if (!plan.Open(select)) {
            message = Failure(select, plan.GetLastError());
            return Completion::Failed;
        }
        if (plan.IsEOF())
            return Completion::NotFound;
        customerId = plan.GetLong(QStringLiteral("CustomerId"));
        customerName = plan.GetString(QStringLiteral("CustomerName"));
        contact = plan.GetString(QStringLiteral("Contact"));
        handler = plan.GetString(QStringLiteral("Handler"));
        title = plan.GetString(QStringLiteral("Title"));
        comment = plan.GetString(QStringLiteral("Comment"));
    }

    // The statement text is what a failure shows; the row itself goes in
    // through the recordset so that the key comes back from the insert.
    InsertBuilder shown;
    shown.SetTable(QStringLiteral("TraceData"));
    shown.SetText(QStringLiteral("Handler"), handler);
    shown.SetText(QStringLiteral("CustomerName"), customerName);
    shown.SetLong(QStringLiteral("CustomerId"), customerId);
    shown.SetText(QStringLiteral("Contact"), contact);
    shown.SetText(QStringLiteral("Title"), title);
    shown.SetText(QStringLiteral("FDText"), comment);
    shown.SetText(QStringLiteral("FDTime"), now);
    int key = 0;
    {
        DbRecordset record(connection);
        const bool written = record.Open(QStringLiteral("select * from TraceData where 1=0")) &&
                             record.AddNew() &&
                             record.SetString(QStringLiteral("Handler"), handler) &&
                             record.SetString(QStringLiteral("CustomerName"), customerName) &&
                             record.SetLong(QStringLiteral("CustomerId"), customerId) &&
                             record.SetString(QStringLiteral("Contact"), contact) &&
                             record.SetString(QStringLiteral("Title"), title) &&
                             record.SetString(QStringLiteral("FDText"), comment) &&
                             record.SetString(QStringLiteral("FDTime"), now) && record.Update();
        if (!written) {
            message = Failure(shown.Build(), record.GetLastError());
            return Completion::Failed;
        }
        key = record.GetLong(QStringLiteral("KeyId"));
    }

    const QString remove = DeleteByKey(TraceKind::Plan, planKey);
    long removed = 0;
    if (connection.Execute(remove, &removed) != 1) {
        message = Failure(remove, connection.GetLastError());
        return Completion::Failed;
    }
    if (removed == 0) // taken by another desk since it was read
        return Completion::NotFound;
    if (!work.Commit()) {
        message = work.GetLastError();
        return Completion::Failed;
    }
    if (newKey)
        *newKey = key;
    return Completion::Done;
}

} // namespace TraceStatements
