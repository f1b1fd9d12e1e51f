#pragma once

#include "DbConnection.h"

#include <QString>

#include <optional>

// The program writes its SQL once, in the dialect of the desktop database it
// was made for (Access/Jet). This class adapts the few constructs whose meaning
// differs per engine, touching nothing inside quoted literals:
//
// PostgreSQL
//   - `a like 'p'` becomes `a::text ilike 'p' escape ''`: Access compares case-
//     insensitively, matches numbers as text, and knows no escape character.
//   - Access type names in CREATE TABLE / ALTER TABLE (TEXT(n), VARCHAR(n), MEMO,
//     Integer, Long, Double, Single, Currency, COUNTER, ...) become PostgreSQL
//     types; text becomes citext so that comparisons ignore case.
//   - `alter table T alter column C <type>` becomes
//     `... alter column C TYPE <type> USING <conversion>`; empty texts convert
//     to NULL, anything else that does not convert fails naming the value.
//   - [name] and `name` identifiers become plain (or double-quoted) names.
// SQLite
//   - text columns added or created get COLLATE NOCASE (unless they name a
//     collation), COUNTER becomes INTEGER; everything else SQLite accepts as is.
//   - `alter table ... alter column` has no SQLite form: DbConnection::Execute
//     rebuilds the table instead (SqliteAlterColumn).
class SqlDialect final {
public:
    using Engine = DbConnection::Engine;

    static QString Adapt(const QString& sql, Engine engine);

    // The parts of "alter table T alter [column] C <type>", or nothing when the
    // statement is something else.
    struct AlterColumn {
        QString table;  // as written (may be qualified)
        QString column; // the name, unquoted
        QString type;   // the type text as written, e.g. "Integer", "TEXT(100)"
    };
    static std::optional<AlterColumn> ParseAlterColumn(const QString& sql);

    // The table a "select ... from <table> ..." reads, as written; empty when
    // the statement is no SELECT or reads several tables.
    static QString TableOfSelect(const QString& sql);

    // The table a "create [temp] table [if not exists] <table> ..." makes, as
    // written (may be qualified or quoted); empty for any other statement.
    static QString TableOfCreate(const QString& sql);

    enum class TypeFamily { Text, Integer, SmallInt, Double, Single, Counter, DateTime, Other };
    // Family of an Access / SQL type name such as "TEXT(100)", " Double ", "Long".
    static TypeFamily FamilyOf(const QString& typeName);
    // The type SQLite is to declare for a column of the family: one that SQLite
    // and Qt's SQLite driver both understand, so that a result reports the
    // column as integer, floating or text; `written` where none is needed.
    static QString SqliteTypeName(TypeFamily family, const QString& written);
};
