#include "db/DbTransaction.h"

#include "db/DbConnection.h"

DbTransaction::DbTransaction(DbConnection& connection) : connection_(connection) {
    level_ = connection_.TransactionDepth() + 1;
    const QString begin =
        level_ == 1 ? QStringLiteral("begin") : QStringLiteral("savepoint ") + SavepointName();
    active_ = Run(begin);
    if (active_)
        connection_.SetTransactionDepth(level_);
}

DbTransaction::~DbTransaction() {
    if (active_)
        Rollback();
}

QString DbTransaction::SavepointName() const {
    return QStringLiteral("torvel_sp%1").arg(level_);
}

bool DbTransaction::Run(const QString& statement) {
    if (connection_.Execute(statement) == 1)
        return true;
    lastError_ = connection_.GetLastError();
    return false;
}

bool DbTransaction::Commit() {
    if (!active_)
        return false;
    const bool ok = Run(level_ == 1 ? QStringLiteral("commit")
                                    : QStringLiteral("release savepoint ") + SavepointName());
    if (!ok) {
        Rollback();
        return false;
    }
    active_ = false;
    connection_.SetTransactionDepth(level_ - 1);
    return true;
}

void DbTransaction::Rollback() {
    if (!active_)
        return;
    active_ = false;
    // A lost connection has already ended the transaction; the depth is reset
    // when the connection closes, so the texts of failures here are not kept.
    if (level_ == 1) {
        connection_.Execute(QStringLiteral("rollback"));
    } else {
        connection_.Execute(QStringLiteral("rollback to savepoint ") + SavepointName());
        connection_.Execute(QStringLiteral("release savepoint ") + SavepointName());
    }
    connection_.SetTransactionDepth(level_ - 1);
}
