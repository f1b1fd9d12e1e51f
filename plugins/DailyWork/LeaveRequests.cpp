#include "LeaveRequests.h"

#include "OfficeDates.h"

#include "db/DbConnection.h"
#include "db/SqlLiteral.h"
#include "db/UpdateBuilder.h"

namespace LeaveRequests {

namespace {

Outcome Run(DbConnection& connection, const QString& sql, QString& error) {
    long affected = 0;
    if (connection.Execute(sql, &affected) != 1) {
        error = sql + QStringLiteral("\r\n") + connection.GetLastError();
        return Outcome::Failed;
    }
    return affected > 0 ? Outcome::Done : Outcome::NotPending;
}

QString Waiting(int key) {
    return QStringLiteral("KeyId=") + SqlLiteral::Long(key) + QStringLiteral(" and State=") +
           SqlLiteral::Text(kPending);
}

} // namespace

QStringList Kinds() {
    return {QStringLiteral("事假"), QStringLiteral("病假"), QStringLiteral("年假"),
            QStringLiteral("调休"), QStringLiteral("婚假"), QStringLiteral("产假"),
            QStringLiteral("丧假"), QStringLiteral("其他")};
}

Outcome Withdraw(DbConnection& connection, int key, const QString& user, QString& error) {
    return Run(connection,
               QStringLiteral("delete from Holiday where ") + Waiting(key) +
                   QStringLiteral(" and UserName=") + SqlLiteral::Text(user),
               error);
}

Outcome Decide(DbConnection& connection, int key, const QString& approver, bool approve,
               const QString& answer, bool mayAnswerOwn, QString& error) {
    UpdateBuilder update;
    update.SetTable(QStringLiteral("Holiday"));
    update.SetText(QStringLiteral("State"), approve ? kApproved : kRejected);
    update.SetText(QStringLiteral("Approver"), approver);
    update.SetText(QStringLiteral("Answer"), answer);
    update.SetText(QStringLiteral("AnswerTime"), OfficeDates::Now());
    update.AddCondition(Waiting(key));
    if (!mayAnswerOwn)
        update.AddCondition(QStringLiteral("UserName<>") + SqlLiteral::Text(approver));
    return Run(connection, update.Build(), error);
}

} // namespace LeaveRequests
