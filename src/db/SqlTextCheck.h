#pragma once

#include <QString>

// Checks for SQL texts that come from files a user can edit (list
// definitions, drop-down sources) before they are pasted into statements.
// Each check answers false with a short Chinese reason in `error`.
namespace SqlTextCheck {

// A bare name: a letter or '_' first, then letters, digits or '_' (letters
// include Chinese), at most 63 characters (PostgreSQL's limit).
bool IsIdentifier(const QString& name);

// Empty, or "order by" followed by names separated by ",", each optionally
// followed by asc or desc; nothing else.
bool IsOrderClause(const QString& text, QString& error);

// One condition over the row's own columns: literals, names, numbers,
// operators and parentheses (balanced); no ';', no comment, no sub-select
// and no word that starts or changes a statement.
bool IsCondition(const QString& text, QString& error);

// One read-only SELECT: starts with select, no ';' except one at the end, no
// comment, no word that writes, locks or reaches outside the database, no
// select ... into, no WITH (which can hold a data-changing statement on
// PostgreSQL).
bool IsReadOnlySelect(const QString& text, QString& error);

} // namespace SqlTextCheck
