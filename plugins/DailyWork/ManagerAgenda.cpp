#include "ManagerAgenda.h"

#include "LeaveRequests.h"
#include "OfficeDates.h"
#include "TeamScope.h"

#include "db/DbRecordset.h"
#include "db/SqlLiteral.h"

ManagerAgenda::ManagerAgenda(DbConnection& connection, const TeamScope& scope)
    : connection_(connection), scope_(scope) {
    parts_[PendingLeave].captions = {QStringLiteral("编号"),     QStringLiteral("申请人"),
                                     QStringLiteral("类别"),     QStringLiteral("开始时间"),
                                     QStringLiteral("结束时间"), QStringLiteral("事由"),
                                     QStringLiteral("申请时间")};
    parts_[OverdueTasks].captions = {QStringLiteral("编号"),    QStringLiteral("标题"),
                                     QStringLiteral("交办人"),  QStringLiteral("承办人"),
                                     QStringLiteral("优先级"),  QStringLiteral("状态"),
                                     QStringLiteral("截止日期")};
    const QStringList workLog = {QStringLiteral("编号"), QStringLiteral("用户"),
                                 QStringLiteral("标题"), QStringLiteral("内容"),
                                 QStringLiteral("填写时间")};
    parts_[TodayPlans].captions = workLog;
    parts_[YesterdayLogs].captions = workLog;
}

bool ManagerAgenda::Read(const QString& sql, Part& part) {
    DbRecordset rs(connection_);
    if (!rs.Open(sql)) {
        lastError_ = sql + QStringLiteral("\r\n") + rs.GetLastError();
        return false;
    }
    const int columns = rs.GetFieldCount();
    for (; !rs.IsEOF(); rs.MoveNext()) {
        QStringList row;
        row.reserve(columns);
        for (int i = 0; i < columns; ++i)
            row.append(rs.GetString(i));
        part.rows.append(row);
    }
    return true;
}

bool ManagerAgenda::Load(const QDate& today) {
    for (Part& part : parts_)
        part.rows.clear();
    missingLogs_.clear();
    lastError_.clear();

    const QString day = SqlLiteral::Text(OfficeDates::DayText(today));
    const QString yesterday = SqlLiteral::Text(OfficeDates::DayText(today.addDays(-1)));
    auto team = [this](const QString& column) {
        return QStringLiteral("(") + scope_.Condition(column) + QStringLiteral(")");
    };
    auto workLog = [&](const QString& kind, const QString& date) {
        return QStringLiteral("select KeyId, UserName, Title, Content, Written from WorkLog "
                              "where Kind=") +
               SqlLiteral::Text(kind) + QStringLiteral(" and WorkDate=") + date +
               QStringLiteral(" and ") + team(QStringLiteral("UserName")) +
               QStringLiteral(" order by UserName, KeyId");
    };

    const QString leave =
        QStringLiteral("select KeyId, UserName, Kind, FromDate, ToDate, Reason, Applied "
                       "from Holiday where State=") +
        SqlLiteral::Text(LeaveRequests::kPending) + QStringLiteral(" and ") +
        team(QStringLiteral("UserName")) + QStringLiteral(" order by FromDate, KeyId");
    // A task without a due date is never overdue.
    const QString tasks =
        QStringLiteral("select KeyId, Title, Assigner, Assignee, case Priority when 1 then '高' "
                       "when 2 then '中' when 3 then '低' else '' end, State, DueDate "
                       "from WorkerTask where State in ('新建','已接受') and DueDate<>'' "
                       "and DueDate<") +
        day + QStringLiteral(" and (") + team(QStringLiteral("Assignee")) + QStringLiteral(" or ") +
        team(QStringLiteral("Assigner")) + QStringLiteral(") order by DueDate, KeyId");
    const QString missing =
        QStringLiteral("select UserName from UserData where Dimission=0 and UserName<>'admin' "
                       "and ") +
        team(QStringLiteral("UserName")) +
        QStringLiteral(" and not exists (select 1 from WorkLog w where w.Kind='日志' and "
                       "w.WorkDate=") +
        yesterday + QStringLiteral(" and w.UserName=UserData.UserName) order by UserName");

    Part names;
    const bool ok = Read(leave, parts_[PendingLeave]) && Read(tasks, parts_[OverdueTasks]) &&
                    Read(workLog(QStringLiteral("计划"), day), parts_[TodayPlans]) &&
                    Read(workLog(QStringLiteral("日志"), yesterday), parts_[YesterdayLogs]) &&
                    Read(missing, names);
    if (!ok) {
        for (Part& part : parts_)
            part.rows.clear();
        return false;
    }
    for (const QStringList& row : std::as_const(names.rows))
        missingLogs_.append(row.value(0));
    return true;
}
