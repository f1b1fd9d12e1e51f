#pragma once

#include <QString>

#include <functional>

class DbConnection;

// Inserts a row into a table whose keys the program makes (CustomerData,
// CustomerClass, StockClass, StockChance): the key is the table's largest
// KeyId + 1. Two desks adding at the same moment compute the same key; the one
// that loses the race gets a unique violation and tries again with a fresh
// maximum.
//
// `statementFor(key)` returns the insert statement for a key. Every attempt runs
// in a transaction level of its own (a savepoint when the caller already has a
// transaction open), so a lost race leaves the caller's transaction usable, also
// on PostgreSQL, where a failed statement otherwise spoils the whole transaction.
//
// Returns the key that was stored, or 0 on failure with the reason in
// connection.GetLastError() and the statement last tried in `statement` (empty
// when the largest key could not be read; then `statement` holds that query).
int NewKeyInsert(DbConnection& connection, const QString& table,
                 const std::function<QString(int key)>& statementFor, QString& statement);
