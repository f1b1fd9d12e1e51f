#pragma once

#include "SqlDialect.h"

#include <QString>

class QSqlDatabase;

// "alter table T alter column C <type>" for SQLite, which cannot change a
// column's type in place. First every non-empty value of C is checked to convert
// to the new type (the first one that does not is named in the error, and
// nothing is changed); then the table is rebuilt with the new declared type in
// one transaction, following SQLite's documented procedure: create the new
// table, copy every row, drop the old one, rename, recreate its indexes and
// triggers, and keep the AUTOINCREMENT counter where it was. Empty texts become
// NULL in a numeric column. With `insideTransaction` (the connection already
// has one open) the rebuild is a savepoint of that transaction instead.
class SqliteAlterColumn final {
public:
    static bool Run(QSqlDatabase& db, const SqlDialect::AlterColumn& alter, QString& error,
                    bool insideTransaction = false);
};
