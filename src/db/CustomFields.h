#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class DbConnection;

// One user-defined column of a table, as its CustomizeField row describes it.
struct CustomField {
    int key = 0;          // CustomizeField.KeyId
    QString table;        // the table that carries the column
    QString fieldName;    // the column's name, "d1" to "d64"
    QString caption;      // label in forms and lists
    int dataType = 200;   // AdoType code: 200 text, 3 integer, 4/5 floating
    bool nullable = true; // false: a form must not save it empty
    QString defaultValue; // initial text of a new record's box
    QString foreignKey;   // allowed values: "a;b;c", or a query; empty: free text
    QString description;  // input hint (tooltip)

    // Whether the allowed values come from a query rather than a ";" list.
    bool ChoicesFromQuery() const { return !foreignKey.isEmpty() && !foreignKey.contains(u';'); }
};

// The CustomizeField rows of `table` (name compared without case), in key
// order, into `out` (replaced). A row whose FieldName is not a plain column
// name is skipped: it could not be a column the program added. False with
// `error` (the statement and the database's text) when the query fails.
bool LoadCustomFields(DbConnection& connection, const QString& table, QList<CustomField>& out,
                      QString& error);

// The entries of a field's drop-down list: the ";" list split (blank entries
// dropped), or the first column of every row of its query. The query must be
// one read-only SELECT; anything else is refused with `error` and no entries.
// Empty without error for a free-text field.
bool LoadCustomFieldChoices(DbConnection& connection, const CustomField& field, QStringList& out,
                            QString& error);

// Whether `sql` is exactly one SELECT statement (a trailing ";" allowed),
// so a definition's choice query can never write.
bool IsSingleSelect(const QString& sql);
