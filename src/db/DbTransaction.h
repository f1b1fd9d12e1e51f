#pragma once

#include <QString>

class DbConnection;

// One user action, one transaction: everything done on the connection between
// construction and Commit() is kept together, and a transaction that is not
// committed is rolled back when the object goes out of scope.
//
// Transactions nest. The outermost level begins a real transaction; an inner
// level is a savepoint inside it, so code that needs "all or nothing" for a
// part of a larger action (one row of a batch the user may continue after a
// failure) rolls back only that part. Levels must end in reverse order.
class DbTransaction final {
public:
    // Begins a transaction, or a savepoint when one is already open. Check
    // IsActive(): a failed begin keeps the reason in GetLastError().
    explicit DbTransaction(DbConnection& connection);
    ~DbTransaction();
    DbTransaction(const DbTransaction&) = delete;
    DbTransaction& operator=(const DbTransaction&) = delete;

    bool IsActive() const { return active_; }
    // Keeps the work of this level: commits the transaction, or releases the
    // savepoint into the enclosing level. False with GetLastError() when the
    // database refused (the level is then rolled back).
    bool Commit();
    // Undoes the work of this level.
    void Rollback();
    const QString& GetLastError() const { return lastError_; }

private:
    bool Run(const QString& statement);
    QString SavepointName() const;

    DbConnection& connection_;
    int level_ = 0; // 1 for the outermost transaction
    bool active_ = false;
    QString lastError_;
};
