#pragma once

#include <QString>
#include <QStringList>

class DbConnection;

// The decisions on leave requests (Holiday). A request is 待批 until a manager
// answers it with 批准 or 驳回; its applicant may withdraw it (the row goes)
// only while it waits. Every change is one conditional statement on
// State='待批', so of two desks acting on one request at the same moment only
// the first changes it and the second learns that it no longer waits.
namespace LeaveRequests {

inline const QString kPending = QStringLiteral("待批");
inline const QString kApproved = QStringLiteral("批准");
inline const QString kRejected = QStringLiteral("驳回");

// The kinds of leave a request names.
QStringList Kinds();

enum class Outcome {
    Done,
    // Answered, withdrawn or deleted meanwhile; nothing was changed.
    NotPending,
    // The statement failed; the error holds the statement and the reason.
    Failed
};

// Withdraws `user`'s own request `key` while it waits.
Outcome Withdraw(DbConnection& connection, int key, const QString& user, QString& error);

// Answers request `key` as `approver`: 批准 or 驳回 with `answer`, the
// approver and the time. A request of the approver's own is only answered
// when `mayAnswerOwn` (admin); otherwise it counts as not waiting for them.
Outcome Decide(DbConnection& connection, int key, const QString& approver, bool approve,
               const QString& answer, bool mayAnswerOwn, QString& error);

} // namespace LeaveRequests
