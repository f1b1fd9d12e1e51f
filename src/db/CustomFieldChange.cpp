#include "db/CustomFieldChange.h"

#include "db/AdoType.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/DbTransaction.h"
#include "db/SqlLiteral.h"
#include "db/UpdateBuilder.h"

#include <QRegularExpression>
#include <QSet>

#include <functional>

namespace {

const QString kDefinitions = QStringLiteral("CustomizeField");

bool IsPlainName(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return pattern.match(name).hasMatch();
}

// Words that SQLite, PostgreSQL or the statements of this program read as
// keywords; a column named so would need quoting in every statement.
bool IsReservedWord(const QString& name) {
    static const QSet<QString> words = [] {
        QSet<QString> set;
        for (const char* word : {"abort",
                                 "add",
                                 "all",
                                 "alter",
                                 "analyze",
                                 "and",
                                 "any",
                                 "array",
                                 "as",
                                 "asc",
                                 "asymmetric",
                                 "authorization",
                                 "between",
                                 "binary",
                                 "both",
                                 "by",
                                 "cascade",
                                 "case",
                                 "cast",
                                 "check",
                                 "collate",
                                 "collation",
                                 "column",
                                 "commit",
                                 "constraint",
                                 "create",
                                 "cross",
                                 "current",
                                 "current_date",
                                 "current_time",
                                 "current_timestamp",
                                 "current_user",
                                 "database",
                                 "default",
                                 "deferrable",
                                 "delete",
                                 "desc",
                                 "distinct",
                                 "do",
                                 "drop",
                                 "each",
                                 "else",
                                 "end",
                                 "escape",
                                 "except",
                                 "exists",
                                 "false",
                                 "fetch",
                                 "for",
                                 "foreign",
                                 "freeze",
                                 "from",
                                 "full",
                                 "grant",
                                 "group",
                                 "having",
                                 "ilike",
                                 "in",
                                 "index",
                                 "initially",
                                 "inner",
                                 "insert",
                                 "intersect",
                                 "into",
                                 "is",
                                 "isnull",
                                 "join",
                                 "key",
                                 "lateral",
                                 "leading",
                                 "left",
                                 "like",
                                 "limit",
                                 "localtime",
                                 "localtimestamp",
                                 "natural",
                                 "not",
                                 "notnull",
                                 "null",
                                 "of",
                                 "offset",
                                 "on",
                                 "only",
                                 "or",
                                 "order",
                                 "outer",
                                 "over",
                                 "overlaps",
                                 "placing",
                                 "primary",
                                 "references",
                                 "regexp",
                                 "rename",
                                 "replace",
                                 "returning",
                                 "right",
                                 "rollback",
                                 "rowid",
                                 "select",
                                 "session_user",
                                 "set",
                                 "similar",
                                 "some",
                                 "symmetric",
                                 "table",
                                 "then",
                                 "to",
                                 "trailing",
                                 "transaction",
                                 "trigger",
                                 "true",
                                 "union",
                                 "unique",
                                 "update",
                                 "user",
                                 "using",
                                 "vacuum",
                                 "values",
                                 "variadic",
                                 "verbose",
                                 "view",
                                 "when",
                                 "where",
                                 "window",
                                 "with",
                                 "oid",
                                 "ctid",
                                 "xmin",
                                 "xmax",
                                 "cmin",
                                 "cmax",
                                 "tableoid",
                                 "oid",
                                 "_rowid_",
                                 "integer",
                                 "int",
                                 "text",
                                 "varchar",
                                 "double",
                                 "float",
                                 "date",
                                 "time",
                                 "timestamp",
                                 "memo",
                                 "counter",
                                 "long",
                                 "single",
                                 "currency"})
            set.insert(QString::fromLatin1(word));
        return set;
    }();
    return words.contains(name.toLower());
}

// Runs `change` in one transaction that waits at most kLockSeconds for a
// busy table on PostgreSQL. A lock wait that ran out becomes a clear text.
bool InTransaction(DbConnection& connection, const QString& table, QString& error,
                   const std::function<bool(QString&)>& change) {
    DbTransaction all(connection);
    if (!all.IsActive()) {
        error = all.GetLastError();
        return false;
    }
    if (connection.GetEngine() == DbConnection::Engine::PostgreSQL) {
        const QString sql =
            QStringLiteral("set local lock_timeout = '%1s'").arg(CustomFieldChange::kLockSeconds);
        if (!connection.Execute(sql)) {
            error = sql + QStringLiteral("\r\n\r\n") + connection.GetLastError();
            return false;
        }
    }
    if (!change(error)) {
        all.Rollback();
        const QString lower = error.toLower();
        if (lower.contains(QLatin1String("lock timeout")) ||
            lower.contains(QLatin1String("database is locked")) ||
            lower.contains(QLatin1String("database table is locked"))) {
            error = QStringLiteral("表 %1 正被其他用户使用, %2 秒内没有等到, 什么也没有改动。"
                                   "请稍后再试。\r\n\r\n")
                        .arg(table)
                        .arg(CustomFieldChange::kLockSeconds) +
                    error;
        }
        return false;
    }
    if (!all.Commit()) {
        error = all.GetLastError();
        return false;
    }
    return true;
}

// Runs one statement of a change; on failure the statement, "\r\n\r\n" and
// the database's text.
bool Run(DbConnection& connection, const QString& sql, QString& error) {
    if (connection.Execute(sql))
        return true;
    error = sql + QStringLiteral("\r\n\r\n") + connection.GetLastError();
    return false;
}

bool CountDefinitions(DbConnection& connection, const QString& table, int& count, QString& error) {
    const QString sql = QStringLiteral("select count(*) from CustomizeField where TableName=") +
                        SqlLiteral::Text(table);
    DbRecordset rs(connection);
    if (!rs.Open(sql) || rs.IsEOF()) {
        error = sql + QStringLiteral("\r\n\r\n") + rs.GetLastError();
        return false;
    }
    count = rs.GetString(0).toInt();
    return true;
}

} // namespace

namespace CustomFieldChange {

QString NextFieldName(const QList<CustomField>& fields) {
    QSet<QString> used;
    for (const CustomField& field : fields)
        used.insert(field.fieldName.toLower());
    for (int k = 1; k <= kMaxFields; ++k) {
        const QString name = QStringLiteral("d%1").arg(k);
        if (!used.contains(name))
            return name;
    }
    return {};
}

bool CheckName(DbConnection& connection, const QString& table, const QString& name,
               QString& error) {
    if (name.isEmpty()) {
        error = QStringLiteral("字段名(英)不能为空");
        return false;
    }
    if (name.contains(QRegularExpression(QStringLiteral("\\s")))) {
        error = QStringLiteral("字段名(英) \"%1\" 不能含有空格").arg(name);
        return false;
    }
    if (!IsPlainName(name)) {
        error = QStringLiteral("字段名(英) \"%1\" 只能由英文字母、数字和下划线组成, "
                               "且不能以数字开头")
                    .arg(name);
        return false;
    }
    if (IsReservedWord(name)) {
        error = QStringLiteral("字段名(英) \"%1\" 是数据库的保留字, 请换一个名字").arg(name);
        return false;
    }
    if (!IsPlainName(table)) {
        error = QStringLiteral("表名 \"%1\" 无效").arg(table);
        return false;
    }
    const QString sql = QStringLiteral("select * from ") + table + QStringLiteral(" where 1=0");
    DbRecordset rs(connection);
    if (!rs.Open(sql)) {
        error = sql + QStringLiteral("\r\n\r\n") + rs.GetLastError();
        return false;
    }
    for (int i = 0; i < rs.GetFieldCount(); ++i) {
        if (rs.GetFieldName(i).compare(name, Qt::CaseInsensitive) == 0) {
            error = QStringLiteral("表 %1 已经有字段 %2").arg(table, name);
            return false;
        }
    }
    return true;
}

QString TypeDeclaration(int dataType) {
    switch (StoredType(dataType)) {
    case AdoType::Integer:
        return QStringLiteral(" Integer");
    case AdoType::Double:
        return QStringLiteral(" Double");
    default:
        return QStringLiteral(" VARCHAR(100)");
    }
}

int StoredType(int dataType) {
    if (dataType == AdoType::Integer)
        return AdoType::Integer;
    if (AdoType::IsFloating(dataType))
        return AdoType::Double;
    return AdoType::VarChar;
}

QString TypeName(int dataType) {
    switch (StoredType(dataType)) {
    case AdoType::Integer:
        return QStringLiteral("整数");
    case AdoType::Double:
        return QStringLiteral("浮点数");
    default:
        return QStringLiteral("文字");
    }
}

int TypeOfName(const QString& name) {
    if (name == QStringLiteral("整数"))
        return AdoType::Integer;
    if (name == QStringLiteral("浮点数"))
        return AdoType::Double;
    return AdoType::VarChar;
}

bool Add(DbConnection& connection, const QString& table, const QString& name,
         const QString& caption, int& key, QString& error) {
    key = 0;
    if (!CheckName(connection, table, name, error))
        return false;
    int count = 0;
    if (!CountDefinitions(connection, table, count, error))
        return false;
    if (count >= kMaxFields) {
        error = QStringLiteral("自定义字段信息不能超过64个");
        return false;
    }
    return InTransaction(connection, table, error, [&](QString& why) {
        if (!Run(connection,
                 QStringLiteral("alter table %1 add %2").arg(table, name) +
                     TypeDeclaration(AdoType::VarChar),
                 why))
            return false;
        DbRecordset rs(connection);
        const QString sql = QStringLiteral("select * from CustomizeField where 1=0");
        if (!rs.Open(sql) || !rs.AddNew() || !rs.SetString(QStringLiteral("TableName"), table) ||
            !rs.SetString(QStringLiteral("FieldName"), name) ||
            !rs.SetString(QStringLiteral("Caption"), caption) ||
            !rs.SetLong(QStringLiteral("DataType"), AdoType::VarChar) ||
            !rs.SetLong(QStringLiteral("Nullable"), 1) || !rs.Update()) {
            why = QStringLiteral("insert into CustomizeField\r\n\r\n") + rs.GetLastError();
            return false;
        }
        key = rs.GetLong(QStringLiteral("KeyId"));
        if (key < 1)
            why = QStringLiteral("insert into CustomizeField\r\n\r\n") + rs.GetLastError();
        return key > 0;
    });
}

bool Retype(DbConnection& connection, const CustomField& field, int dataType, QString& error) {
    const int stored = StoredType(dataType);
    if (!IsPlainName(field.table) || !IsPlainName(field.fieldName)) {
        error = QStringLiteral("字段 %1.%2 无效").arg(field.table, field.fieldName);
        return false;
    }
    return InTransaction(connection, field.table, error, [&](QString& why) {
        return Run(connection,
                   QStringLiteral("alter table %1 alter column %2")
                           .arg(field.table, field.fieldName) +
                       TypeDeclaration(stored),
                   why) &&
               Run(connection,
                   QStringLiteral("update CustomizeField set DataType=%1 where KeyId=%2")
                       .arg(stored)
                       .arg(field.key),
                   why);
    });
}

bool Remove(DbConnection& connection, const CustomField& field, QString& error) {
    if (!IsPlainName(field.table) || !IsPlainName(field.fieldName)) {
        error = QStringLiteral("字段 %1.%2 无效").arg(field.table, field.fieldName);
        return false;
    }
    return InTransaction(connection, field.table, error, [&](QString& why) {
        return Run(connection,
                   QStringLiteral("alter table %1 drop column %2")
                       .arg(field.table, field.fieldName),
                   why) &&
               Run(connection,
                   QStringLiteral("delete from CustomizeField where KeyId=") +
                       SqlLiteral::Long(field.key),
                   why);
    });
}

bool SetText(DbConnection& connection, int key, const QString& column, const QString& text,
             QString& error) {
    static const QStringList columns = {QStringLiteral("Caption"), QStringLiteral("DefaultValue"),
                                        QStringLiteral("ForeignKey"),
                                        QStringLiteral("Description")};
    if (!columns.contains(column)) {
        error = QStringLiteral("字段 %1 不能修改").arg(column);
        return false;
    }
    if (column == QStringLiteral("ForeignKey") && !text.trimmed().isEmpty() &&
        !text.contains(u';') && !IsSingleSelect(text)) {
        error = QStringLiteral("外键约束须是用 \";\" 分隔的选项, 或一条 select 查询语句");
        return false;
    }
    UpdateBuilder update;
    update.SetTable(kDefinitions);
    update.SetText(column, text);
    update.AddCondition(QStringLiteral("KeyId=") + SqlLiteral::Long(key));
    return Run(connection, update.Build(), error);
}

bool SetNullable(DbConnection& connection, int key, bool nullable, QString& error) {
    return Run(connection,
               QStringLiteral("update CustomizeField set Nullable=%1 where KeyId=%2")
                   .arg(nullable ? 1 : 0)
                   .arg(key),
               error);
}

} // namespace CustomFieldChange
