// torvel-migrate OLD.mdb NEW.db
// torvel-migrate OLD.mdb --to "Provider=PostgreSQL;Host=..;Database=..;User ID=..;Password=.."
//
// Copies an old Access database into a new SQLite file or an empty PostgreSQL
// database, printing the progress per table and the report. The exit status
// is 0 after a complete migration, 1 after any failure (nothing is then
// created), 2 for wrong arguments.
#include "migrate/AccessMigration.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

namespace {

void Print(FILE* stream, const QString& text) {
    QString line = text;
    line.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    std::fputs(line.toUtf8().constData(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

int Usage() {
    Print(stderr, QStringLiteral("用法: torvel-migrate 旧数据库.mdb 新数据库.db\n"
                                 "      torvel-migrate 旧数据库.mdb --to \"Provider=PostgreSQL;"
                                 "Host=..;Port=..;Database=..;User ID=..;Password=..\""));
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QString source;
    QString target;
    if (args.size() == 2 && !args[1].startsWith(QLatin1String("--"))) {
        source = args[0];
        target = args[1];
    } else if (args.size() == 3 && args[1] == QLatin1String("--to")) {
        source = args[0];
        target = args[2];
    } else {
        return Usage();
    }

    AccessMigration migration;
    QString current;
    migration.SetProgress([&](const QString& table, qint64 done, qint64 total) {
        if (table != current) {
            if (!table.isEmpty())
                Print(stdout, QStringLiteral("%1 ... (%2/%3 行)").arg(table).arg(done).arg(total));
            current = table;
        }
        return true;
    });
    if (!migration.Run(source, target)) {
        Print(stderr, migration.GetLastError());
        Print(stderr, QStringLiteral("迁移没有完成，原文件没有改动，也没有建立新的数据库。"));
        return 1;
    }
    Print(stdout, migration.Report().Text());
    return 0;
}
