#include "db/CustomFields.h"

#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/SqlLiteral.h"
#include "db/SqlTextCheck.h"

#include <QRegularExpression>

namespace {

bool IsPlainName(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return pattern.match(name).hasMatch();
}

} // namespace

bool LoadCustomFields(DbConnection& connection, const QString& table, QList<CustomField>& out,
                      QString& error) {
    out.clear();
    const QString sql = QStringLiteral("select * from CustomizeField where TableName=") +
                        SqlLiteral::Text(table) + QStringLiteral(" order by KeyId");
    DbRecordset rs(connection);
    if (!rs.Open(sql)) {
        error = sql + QStringLiteral("\r\n") + rs.GetLastError();
        return false;
    }
    for (; !rs.IsEOF(); rs.MoveNext()) {
        CustomField field;
        field.key = rs.GetLong(QStringLiteral("KeyId"));
        field.table = rs.GetString(QStringLiteral("TableName"));
        field.fieldName = rs.GetString(QStringLiteral("FieldName")).trimmed();
        field.caption = rs.GetString(QStringLiteral("Caption")).trimmed();
        field.dataType = rs.GetLong(QStringLiteral("DataType"));
        // Any stored value other than 0 allows an empty value.
        field.nullable = rs.GetString(QStringLiteral("Nullable")).trimmed() != u'0';
        field.defaultValue = rs.GetString(QStringLiteral("DefaultValue"));
        field.foreignKey = rs.GetString(QStringLiteral("ForeignKey")).trimmed();
        field.description = rs.GetString(QStringLiteral("Description"));
        if (!IsPlainName(field.fieldName))
            continue;
        out.append(field);
    }
    return true;
}

bool IsSingleSelect(const QString& sql) {
    // The same rule as a list definition's drop-down source.
    QString error;
    return SqlTextCheck::IsReadOnlySelect(sql, error);
}

bool LoadCustomFieldChoices(DbConnection& connection, const CustomField& field, QStringList& out,
                            QString& error) {
    out.clear();
    if (field.foreignKey.isEmpty())
        return true;
    if (!field.ChoicesFromQuery()) {
        for (const QString& entry : field.foreignKey.split(u';')) {
            if (!entry.trimmed().isEmpty())
                out << entry.trimmed();
        }
        return true;
    }
    if (!IsSingleSelect(field.foreignKey)) {
        error =
            field.caption + QStringLiteral(": 选项来源只能是一条查询语句\r\n") + field.foreignKey;
        return false;
    }
    DbRecordset rs(connection);
    if (!rs.Open(field.foreignKey)) {
        error = field.foreignKey + QStringLiteral("\r\n") + rs.GetLastError();
        return false;
    }
    for (; !rs.IsEOF(); rs.MoveNext())
        out << rs.GetString(0);
    return true;
}
