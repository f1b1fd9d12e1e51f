#pragma once

#include "db/CustomFields.h"

#include <QList>
#include <QString>

class DbConnection;

// Adding, retyping and removing a user-defined column of a table, and editing
// its definition. A column change runs its `alter table` first and changes
// the CustomizeField row after it, both in one transaction, so the definition
// never describes a column that is not there (nor misses one that is): a
// failed alter leaves table and definition as they were. On PostgreSQL the
// transaction waits at most kLockSeconds for the table, so a desk holding the
// order table cannot freeze every other desk behind the change.
//
// Every function returns false with a text for the user in `error`.
namespace CustomFieldChange {

constexpr int kMaxFields = 64;
constexpr int kLockSeconds = 5;

// The first of d1 ... d64 that no definition uses (case ignored); empty when
// all are taken.
QString NextFieldName(const QList<CustomField>& fields);

// Whether `name` may become a new column of `table`: a plain name (letters,
// digits, '_', not starting with a digit; no blanks), not a word that either
// engine reserves, and no column of the table yet.
bool CheckName(DbConnection& connection, const QString& table, const QString& name, QString& error);

// The type written after the column name: " VARCHAR(100)", " Integer" or
// " Double" for text, integer and floating (AdoType codes).
QString TypeDeclaration(int dataType);
// 200, 3 or 5: the code a definition stores for the family of `dataType`.
int StoredType(int dataType);
// "文字", "整数" or "浮点数".
QString TypeName(int dataType);
// The code of a type name ("整数" 3, "浮点数" 5, anything else 200).
int TypeOfName(const QString& name);

// Adds column `name` to `table` and its definition (text type, may be empty,
// `caption`); `key` gets the definition's key. Refused without a change when
// the name fails CheckName or the table has kMaxFields definitions.
bool Add(DbConnection& connection, const QString& table, const QString& name,
         const QString& caption, int& key, QString& error);

// Changes the column's type; refused with nothing changed when a stored value
// does not convert (its text is named in `error`).
bool Retype(DbConnection& connection, const CustomField& field, int dataType, QString& error);

// Drops the column with all its values, and its definition.
bool Remove(DbConnection& connection, const CustomField& field, QString& error);

// Stores one text of the definition: `column` is Caption, DefaultValue,
// ForeignKey or Description (anything else is refused). A ForeignKey that is
// a query (no ';') must be one SELECT.
bool SetText(DbConnection& connection, int key, const QString& column, const QString& text,
             QString& error);
bool SetNullable(DbConnection& connection, int key, bool nullable, QString& error);

} // namespace CustomFieldChange
