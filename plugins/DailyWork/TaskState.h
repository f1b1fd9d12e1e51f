#pragma once

#include "db/SqlLiteral.h"

#include <QString>
#include <QStringList>

// The states of a task one user gives another (WorkerTask.State) and its
// priorities (WorkerTask.Priority). Kept in this header alone so the plan
// calendar, built into other tests as well, reads tasks the way the task
// list writes them.
namespace TaskState {

inline const QString New = QStringLiteral("新建");
inline const QString Accepted = QStringLiteral("已接受");
inline const QString Done = QStringLiteral("已完成");
inline const QString Rejected = QStringLiteral("已拒绝");

// Every state in the order of the task's life.
inline QStringList All() {
    return {New, Accepted, Done, Rejected};
}

// Still to be done: 新建 or 已接受.
inline bool IsOpen(const QString& state) {
    return state == New || state == Accepted;
}

// The open states as an SQL condition on State, in parentheses.
inline QString OpenCondition() {
    return QStringLiteral("(State in (%1,%2))")
        .arg(SqlLiteral::Text(New), SqlLiteral::Text(Accepted));
}

// "高", "中", "低" for 1, 2, 3; "" for anything else.
inline QString PriorityName(int priority) {
    switch (priority) {
    case 1:
        return QStringLiteral("高");
    case 2:
        return QStringLiteral("中");
    case 3:
        return QStringLiteral("低");
    default:
        return QString();
    }
}

// The same as an SQL expression over the Priority column, for lists.
inline QString PriorityColumn() {
    return QStringLiteral("case Priority when 1 then '高' when 2 then '中' when 3 then '低' "
                          "else '' end");
}

// An open task whose due date is before `today` (yyyy-MM-dd), as an SQL
// condition in parentheses. A task without a due date is never late; dates
// compare as text.
inline QString OverdueCondition(const QString& today) {
    return QStringLiteral("(%1 and DueDate<>'' and DueDate<%2)")
        .arg(OpenCondition(), SqlLiteral::Text(today));
}

} // namespace TaskState
