#include "SchemaScript.h"

#include "db/SqlDialect.h"
#include "db/SqlTokenizer.h"

#include <QFile>
#include <QRegularExpression>

QString SchemaScript::WithoutLeadingComments(const QString& statement) {
    QString text = statement.trimmed();
    while (text.startsWith(QLatin1String("--"))) {
        const qsizetype end = text.indexOf(QLatin1Char('\n'));
        text = end < 0 ? QString() : text.mid(end + 1).trimmed();
    }
    return text;
}

bool SchemaScript::Load(bool postgres, QString& error) {
    // The scripts are built into the library as resources (qt_add_resources
    // links them into every program that uses it).
    const QString path = postgres ? QStringLiteral(":/migrate/schema/postgresql.sql")
                                  : QStringLiteral(":/migrate/schema/sqlite.sql");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("无法读取程序内置的数据库结构脚本 %1。").arg(path);
        return false;
    }
    const QString script = QString::fromUtf8(file.readAll());
    static const QRegularExpression insertInto(QStringLiteral("^INSERT\\s+INTO\\s+([A-Za-z_0-9]+)"),
                                               QRegularExpression::CaseInsensitiveOption);
    for (const QString& statement : SqlTokenizer::SplitStatements(script)) {
        const QString text = WithoutLeadingComments(statement);
        const QString head = text.section(QLatin1Char(' '), 0, 1).toUpper();
        if (text.isEmpty() || head.startsWith(QLatin1String("BEGIN")) ||
            head.startsWith(QLatin1String("COMMIT")))
            continue; // the migration runs in a transaction of its own
        if (head.startsWith(QLatin1String("INSERT"))) {
            const auto match = insertInto.match(text);
            inserts_.emplace_back(match.hasMatch() ? match.captured(1) : QString(), text);
        } else if (head.startsWith(QLatin1String("CREATE INDEX")) ||
                   head.startsWith(QLatin1String("CREATE UNIQUE")) ||
                   head.startsWith(QLatin1String("CREATE TRIGGER"))) {
            afterData_ << text;
        } else {
            if (head == QLatin1String("CREATE TABLE"))
                tableNames_ << SqlDialect::TableOfCreate(text);
            tables_ << text;
        }
    }
    return true;
}

QStringList SchemaScript::InitialRows(const QString& table) const {
    QStringList rows;
    for (const auto& [name, statement] : inserts_)
        if (name.compare(table, Qt::CaseInsensitive) == 0)
            rows << statement;
    return rows;
}
