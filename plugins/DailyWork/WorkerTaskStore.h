#pragma once

#include "TaskState.h"

#include <QString>

class DbConnection;
class RowValues;

// One task as the actions on it need it.
struct WorkerTaskRow {
    int key = 0;
    QString title;
    QString assigner;
    QString assignee;
    QString state;
    QString dueDate;
};

// The writes of the task list. Every change of state is one update that
// matches only while the task is still in the state the user saw, so two
// desks acting on the same task at once cannot both succeed: the second
// learns that it lost (Outcome::Lost) and nothing of its action is written.
class WorkerTaskStore final {
public:
    enum class Outcome { Done, Lost, Failed };

    explicit WorkerTaskStore(DbConnection& connection);

    // Reads a task; false with LastError() when the query fails. A task that
    // is gone leaves `row.key` at 0.
    bool Read(int key, WorkerTaskRow& row);
    // Writes `values` to the task while it is still in state `expected`
    // (and, when `assigner` is not empty, still given by that user); with a
    // non-empty `note` a note by `author` goes with it in the same
    // transaction.
    Outcome UpdateWhileIn(int key, const QString& expected, const QString& assigner,
                          const RowValues& values, const QString& author, const QString& note);
    // A change of state only: to 已完成 also stamps Finished.
    Outcome Move(int key, const QString& from, const QString& to, const QString& author,
                 const QString& note);
    bool AddNote(int key, const QString& author, const QString& text);
    // The task's notes and the task itself; the caller holds the transaction.
    bool Delete(int key);

    const QString& LastError() const { return lastError_; }

    // The local time as the task tables keep it.
    static QString Now();

private:
    bool InsertNote(int key, const QString& author, const QString& text);

    DbConnection& connection_;
    QString lastError_;
};

// What the user reads when another desk changed or removed the task first.
QString LostRaceMessage();
