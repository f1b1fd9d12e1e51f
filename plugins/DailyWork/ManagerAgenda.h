#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

class DbConnection;
class TeamScope;

// What needs a manager on a day, for the team their TeamScope gives: the
// leave requests waiting for an answer, the overdue tasks given to or by the
// team, the team's plans for the day and the logs of the day before, with who
// of the team wrote no log that day. Each list is read with one statement.
class ManagerAgenda final {
public:
    enum PartId { PendingLeave, OverdueTasks, TodayPlans, YesterdayLogs, PartCount };

    // One list: its column captions and its rows as text, the record key
    // first.
    struct Part {
        QStringList captions;
        QList<QStringList> rows;
    };

    ManagerAgenda(DbConnection& connection, const TeamScope& scope);

    // Reads every list for `today`; false with LastError() (the statement and
    // the database's text) when one fails, leaving the lists empty.
    bool Load(const QDate& today);

    const Part& Get(PartId id) const { return parts_[id]; }
    // The team's working staff (admin aside) without a log of the day before.
    const QStringList& MissingLogs() const { return missingLogs_; }
    const QString& LastError() const { return lastError_; }

    // Where each list's columns sit in its rows.
    static constexpr int kLeaveApplicant = 1;

private:
    bool Read(const QString& sql, Part& part);

    DbConnection& connection_;
    const TeamScope& scope_;
    Part parts_[PartCount];
    QStringList missingLogs_;
    QString lastError_;
};
