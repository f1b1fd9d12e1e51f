#include "SqliteAlterColumn.h"

#include "SqlLiteral.h"
#include "SqlTokenizer.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <QStringList>

#include <cmath>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

namespace {

using Family = SqlDialect::TypeFamily;
using Kind = SqlToken::Kind;

QString ErrorOf(const QSqlQuery& query) {
    const QSqlError error = query.lastError();
    return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}

// Runs one statement; on failure keeps its text and the reason.
bool Exec(QSqlDatabase& db, const QString& sql, QString& error) {
    QSqlQuery query(db);
    if (query.exec(sql))
        return true;
    error = ErrorOf(query) + QLatin1String("\r\n") + sql;
    return false;
}

bool IsNumeric(Family family) {
    return family == Family::Integer || family == Family::SmallInt || family == Family::Counter ||
           family == Family::Double || family == Family::Single;
}

// Whether a stored value converts to the new type. Integers accept any number
// within range (fractions round, as the desktop database did).
bool Converts(const QVariant& value, Family family) {
    bool ok = false;
    double number = 0;
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed();
        number = text.toDouble(&ok); // C locale: "12.5", "1e3", never "12,5"
        if (!ok) {
            const qlonglong whole = text.toLongLong(&ok);
            number = double(whole);
        }
    } else {
        number = value.toDouble(&ok);
    }
    if (!ok || !std::isfinite(number))
        return false;
    switch (family) {
    case Family::Integer:
    case Family::Counter:
        return std::nearbyint(number) >= std::numeric_limits<qint32>::min() &&
               std::nearbyint(number) <= std::numeric_limits<qint32>::max();
    case Family::SmallInt:
        return std::nearbyint(number) >= -32768 && std::nearbyint(number) <= 32767;
    default:
        return true;
    }
}

QString FamilyName(Family family) {
    switch (family) {
    case Family::Double:
    case Family::Single:
        return QStringLiteral("浮点数");
    default:
        return QStringLiteral("整数");
    }
}

// The expression that copies the column into its new type.
QString Conversion(const QString& column, Family family) {
    const QString c = SqlLiteral::Name(column);
    const QString empty =
        QStringLiteral("CASE WHEN %1 IS NULL OR trim(%1) = '' THEN NULL ELSE ").arg(c);
    switch (family) {
    case Family::Integer:
    case Family::SmallInt:
    case Family::Counter:
        return empty + QStringLiteral("CAST(round(CAST(trim(%1) AS REAL)) AS INTEGER) END").arg(c);
    case Family::Double:
    case Family::Single:
        return empty + QStringLiteral("CAST(trim(%1) AS REAL) END").arg(c);
    case Family::Text:
        // A whole number stored as floating reads "2", not "2.0".
        return QStringLiteral("CASE WHEN typeof(%1) = 'real' AND %1 = CAST(%1 AS INTEGER) "
                              "THEN CAST(CAST(%1 AS INTEGER) AS TEXT) ELSE CAST(%1 AS TEXT) END")
            .arg(c);
    case Family::DateTime:
    case Family::Other:
        break;
    }
    return c;
}

bool IsColumnConstraint(const QString& sql, const SqlToken& token) {
    for (const char* word : {"constraint", "primary", "not", "null", "unique", "check", "default",
                             "collate", "references", "generated", "as"}) {
        if (token.Is(sql, QLatin1String(word)))
            return true;
    }
    return false;
}

// The CREATE TABLE text of the rebuilt table: named `newName`, with `column`
// declared as `declared` (a collation only on text).
std::optional<QString> RewriteCreate(const QString& sql, const QString& column,
                                     const QString& declared, Family family,
                                     const QString& newName) {
    const std::vector<SqlToken> tokens = SqlTokenizer::Tokenize(sql);
    std::vector<SqlEdit> edits;

    size_t i = 0;
    while (i < tokens.size() && !tokens[i].Is(sql, QLatin1String("table")))
        ++i;
    size_t name = SqlTokenizer::NextSignificant(tokens, i);
    if (name < tokens.size() && tokens[name].Is(sql, QLatin1String("if")))
        name = SqlTokenizer::NextSignificant(
            tokens,
            SqlTokenizer::NextSignificant(tokens, SqlTokenizer::NextSignificant(tokens, name)));
    if (name >= tokens.size())
        return std::nullopt;
    edits.push_back({tokens[name].begin, tokens[name].length, SqlLiteral::Name(newName)});

    i = name;
    while (i < tokens.size() && !tokens[i].IsSymbol(sql, '('))
        ++i;
    bool found = false;
    SqlTokenizer::ForEachColumnDefinition(sql, tokens, i, [&](size_t c) {
        const SqlToken& token = tokens[c];
        if (SqlTokenizer::NameOf(sql, token).compare(column, Qt::CaseInsensitive) != 0)
            return true;
        found = true;

        // The type (or the place for one), then the column's own clauses.
        const size_t t = SqlTokenizer::NextSignificant(tokens, c);
        size_t rest = t;
        QString type = QLatin1Char(' ') + declared;
        qsizetype typeBegin = token.End();
        qsizetype typeLength = 0;
        if (t < tokens.size() && tokens[t].kind == Kind::Word &&
            !IsColumnConstraint(sql, tokens[t])) {
            rest = SqlTokenizer::TypeNameEnd(sql, tokens, t);
            typeBegin = tokens[t].begin;
            typeLength = tokens[rest - 1].End() - typeBegin;
            type = declared;
        }
        bool hasCollate = false;
        const size_t end = SqlTokenizer::DefinitionEnd(sql, tokens, rest);
        for (size_t k = rest; k < end; ++k) {
            if (!tokens[k].Is(sql, QLatin1String("collate")))
                continue;
            const size_t collation = SqlTokenizer::NextSignificant(tokens, k);
            if (family == Family::Text)
                hasCollate = true;
            else if (collation < tokens.size())
                edits.push_back(
                    {tokens[k].begin, tokens[collation].End() - tokens[k].begin, QString()});
        }
        if (family == Family::Text && !hasCollate)
            type += QLatin1String(" COLLATE NOCASE");
        edits.push_back({typeBegin, typeLength, type});
        return false;
    });
    if (!found)
        return std::nullopt;
    return SqlTokenizer::ApplyEdits(sql, std::move(edits));
}

struct TableInfo {
    QString name;      // as stored in the schema
    QString createSql; // its CREATE TABLE text
    QStringList columns;
    QString column; // the altered column, as stored
    bool columnIsKey = false;
    std::vector<QString> dependents; // CREATE INDEX / CREATE TRIGGER texts
    std::optional<qlonglong> sequence;
};

bool ReadTable(QSqlDatabase& db, const QString& table, const QString& column, TableInfo& info,
               QString& error) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("select name, sql from sqlite_master where type = 'table' and "
                                   "name = %1 collate nocase")
                        .arg(SqlLiteral::Text(table)))) {
        error = ErrorOf(query);
        return false;
    }
    if (!query.next()) {
        error = QStringLiteral("no such table: %1").arg(table);
        return false;
    }
    info.name = query.value(0).toString();
    info.createSql = query.value(1).toString();
    query.finish();

    if (!query.exec(QStringLiteral("pragma table_info(%1)").arg(SqlLiteral::Name(info.name)))) {
        error = ErrorOf(query);
        return false;
    }
    while (query.next()) {
        const QString name = query.value(1).toString();
        info.columns << name;
        if (name.compare(column, Qt::CaseInsensitive) == 0) {
            info.column = name;
            info.columnIsKey = query.value(5).toInt() != 0;
        }
    }
    query.finish();
    if (info.column.isEmpty()) {
        error = QStringLiteral("no such column: %1").arg(column);
        return false;
    }

    if (!query.exec(QStringLiteral("select sql from sqlite_master where tbl_name = %1 and type in "
                                   "('index', 'trigger') and sql is not null")
                        .arg(SqlLiteral::Text(info.name)))) {
        error = ErrorOf(query);
        return false;
    }
    while (query.next())
        info.dependents.push_back(query.value(0).toString());
    query.finish();

    // Without AUTOINCREMENT tables there is no sqlite_sequence: no counter to keep.
    if (query.exec(QStringLiteral("select seq from sqlite_sequence where name = %1")
                       .arg(SqlLiteral::Text(info.name))) &&
        query.next())
        info.sequence = query.value(0).toLongLong();
    return true;
}

// The first value that does not convert, if any.
bool CheckValues(QSqlDatabase& db, const TableInfo& info, const SqlDialect::AlterColumn& alter,
                 Family family, QString& error) {
    if (!IsNumeric(family))
        return true;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    const QString c = SqlLiteral::Name(info.column);
    if (!query.exec(QStringLiteral("select %1 from %2 where %1 is not null and trim(%1) <> ''")
                        .arg(c, SqlLiteral::Name(info.name)))) {
        error = ErrorOf(query);
        return false;
    }
    while (query.next()) {
        const QVariant value = query.value(0);
        if (!Converts(value, family)) {
            error = QStringLiteral("字段 %1 中的值 '%2' 不能转换为%3，表 %4 没有改动。")
                        .arg(alter.column, value.toString(), FamilyName(family), alter.table);
            return false;
        }
    }
    return true;
}

} // namespace

bool SqliteAlterColumn::Run(QSqlDatabase& db, const SqlDialect::AlterColumn& alter, QString& error,
                            bool insideTransaction) {
    QString table = alter.table;
    const qsizetype dot = table.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        table = table.mid(dot + 1);
    const std::vector<SqlToken> nameTokens = SqlTokenizer::Tokenize(table);
    if (nameTokens.size() == 1)
        table = SqlTokenizer::NameOf(table, nameTokens.front());

    TableInfo info;
    if (!ReadTable(db, table, alter.column, info, error))
        return false;
    if (info.columnIsKey) {
        error = QStringLiteral("字段 %1 是表 %2 的主键，不能修改它的类型。")
                    .arg(alter.column, alter.table);
        return false;
    }
    const Family family = SqlDialect::FamilyOf(alter.type);
    const QString declared = SqlDialect::SqliteTypeName(family, alter.type.trimmed());
    if (!CheckValues(db, info, alter, family, error))
        return false;

    const QString rebuilt = info.name + QLatin1String("__rebuild");
    const std::optional<QString> create =
        RewriteCreate(info.createSql, info.column, declared, family, rebuilt);
    if (!create) {
        error = QStringLiteral("无法读取表 %1 的定义。").arg(alter.table);
        return false;
    }

    QStringList targets, sources;
    for (const QString& name : std::as_const(info.columns)) {
        targets << SqlLiteral::Name(name);
        sources << (name == info.column ? Conversion(name, family) : SqlLiteral::Name(name));
    }

    // Inside a caller's transaction the rebuild is a savepoint of it, so the
    // caller's other changes and the new type are kept or undone together.
    // (foreign_keys cannot change inside a transaction; it stays as it is.)
    const QString savepoint = QStringLiteral("torvel_alter_column");
    bool foreignKeys = false;
    if (!insideTransaction) {
        QSqlQuery pragma(db);
        foreignKeys = pragma.exec(QStringLiteral("pragma foreign_keys")) && pragma.next() &&
                      pragma.value(0).toInt() != 0;
    }
    if (foreignKeys && !Exec(db, QStringLiteral("pragma foreign_keys = off"), error))
        return false;

    bool ok = Exec(db,
                   insideTransaction ? QStringLiteral("savepoint ") + savepoint
                                     : QStringLiteral("begin immediate"),
                   error);
    if (ok) {
        ok = Exec(db, *create, error) &&
             Exec(db,
                  QStringLiteral("insert into %1 (%2) select %3 from %4")
                      .arg(SqlLiteral::Name(rebuilt), targets.join(QLatin1Char(',')),
                           sources.join(QLatin1Char(',')), SqlLiteral::Name(info.name)),
                  error) &&
             Exec(db, QStringLiteral("drop table %1").arg(SqlLiteral::Name(info.name)), error) &&
             // Triggers of other tables may name this one (the order total on
             // OrderData updates CustomerData); between the drop and the
             // rename they point at nothing, which a checking rename refuses.
             Exec(db, QStringLiteral("pragma legacy_alter_table = on"), error) &&
             Exec(db,
                  QStringLiteral("alter table %1 rename to %2")
                      .arg(SqlLiteral::Name(rebuilt), SqlLiteral::Name(info.name)),
                  error);
        QString notReported;
        Exec(db, QStringLiteral("pragma legacy_alter_table = off"), notReported);
        for (size_t k = 0; ok && k < info.dependents.size(); ++k)
            ok = Exec(db, info.dependents[k], error);
        if (ok && info.sequence) {
            // The copy wrote the existing keys; a key handed out and deleted
            // since must still never come back.
            ok = Exec(db,
                      QStringLiteral("delete from sqlite_sequence where name = %1")
                          .arg(SqlLiteral::Text(info.name)),
                      error) &&
                 Exec(db,
                      QStringLiteral("insert into sqlite_sequence (name, seq) select %1, "
                                     "max(%2, coalesce((select max(rowid) from %3), 0))")
                          .arg(SqlLiteral::Text(info.name))
                          .arg(*info.sequence)
                          .arg(SqlLiteral::Name(info.name)),
                      error);
        }
        if (ok) {
            ok = Exec(db,
                      insideTransaction ? QStringLiteral("release savepoint ") + savepoint
                                        : QStringLiteral("commit"),
                      error);
        }
        if (!ok) {
            QString ignored;
            if (insideTransaction) {
                Exec(db, QStringLiteral("rollback to savepoint ") + savepoint, ignored);
                Exec(db, QStringLiteral("release savepoint ") + savepoint, ignored);
            } else {
                Exec(db, QStringLiteral("rollback"), ignored);
            }
        }
    }
    if (foreignKeys) {
        QString ignored;
        Exec(db, QStringLiteral("pragma foreign_keys = on"), ignored);
    }
    return ok;
}
