#include "shell/AccessMigrationOffer.h"

#include "base/IniFile.h"
#include "base/ProgramFolder.h"
#include "db/ConnectionString.h"
#include "migrate/AccessMigration.h"
#include "ui/Prompt.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

QString Native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

QString SqliteQuestion(const QString& source, const QString& target) {
    return QStringLiteral("是否现在把其中的数据迁移到新的 SQLite 数据库 '%1'? 原文件不会被改动。")
        .arg(Native(target))
        .prepend(QStringLiteral("'%1' 是 Access 数据库，本程序不能直接使用。\r\n\r\n")
                     .arg(Native(source)));
}

bool IsPostgres(const QString& connectionString) {
    return ConnectionString(connectionString)
               .Value("Provider")
               .compare(QLatin1String("PostgreSQL"), Qt::CaseInsensitive) == 0;
}

} // namespace

QString AccessMigrationOffer::NewFileFor(const QString& accessFile) {
    const QFileInfo info(accessFile);
    const QString base = info.absolutePath() + QLatin1Char('/') + info.completeBaseName();
    QString candidate = base + QStringLiteral(".db");
    for (int n = 2; QFileInfo::exists(candidate); ++n)
        candidate = base + QStringLiteral("-%1.db").arg(n);
    return candidate;
}

AccessMigrationOffer::Outcome
AccessMigrationOffer::Offer(Prompt& prompt, const QString& question, const QString& source,
                            const QString& target, const std::function<QString()>& afterwards) {
    if (!prompt.Confirm(question))
        return Outcome::Declined;

    AccessMigration migration;
    bool done = false;
    {
        ProgressScope progress(
            prompt, QStringLiteral("正在迁移 Access 数据库 '%1' ...").arg(Native(source)));
        migration.SetProgress([&progress](const QString&, qint64 rows, qint64 total) {
            return progress.Step(rows, total);
        });
        done = migration.Run(source, target);
    }
    if (!done) {
        // A PostgreSQL target is written in one transaction, so a failure
        // leaves it as it was; a SQLite target only appears when complete.
        prompt.Message(migration.GetLastError() +
                           (IsPostgres(target)
                                ? QStringLiteral("\r\n原文件没有改动，目标数据库中也没有写入数据。")
                                : QStringLiteral("\r\n原文件没有改动，也没有建立新的数据库。")),
                       Prompt::AppTitle(),
                       migration.WasStopped() ? Prompt::Icon::Information : Prompt::Icon::Critical);
        return Outcome::Failed;
    }
    prompt.Message(migration.Report().Text() + afterwards(), Prompt::AppTitle(),
                   Prompt::Icon::Information);
    return Outcome::Migrated;
}

bool AccessMigrationOffer::Run(Prompt& prompt, IniFile& settings, const QString& settingsPath,
                               QString& connectionString) {
    QString written;
    if (!AccessMigration::NamesAccessFile(connectionString, &written))
        return true;
    const QString source = ResolveProgramPath(written);
    if (!QFileInfo::exists(source))
        return true; // nothing to migrate: the connection says what is wrong
    const QString target = NewFileFor(source);

    // database.ini keeps a relative name relative (the program folder moves
    // with it), an absolute one absolute.
    const QString newSource =
        QFileInfo(written).isRelative()
            ? written.left(written.lastIndexOf(QRegularExpression(QStringLiteral("[/\\\\]"))) + 1) +
                  QFileInfo(target).fileName()
            : target;
    const QString migrated = QStringLiteral("Provider=SQLite;Data Source=") + newSource;
    const Outcome outcome = Offer(
        prompt, QStringLiteral("database.ini 指定的数据库 ") + SqliteQuestion(source, target),
        source, target, [&] {
            settings.SetString(QStringLiteral("Torvel"), QStringLiteral("Connect"), migrated);
            if (settings.Save(settingsPath))
                return QString();
            return QStringLiteral("\r\n\r\n无法写入设置文件 %1，下次启动时请在其中把 [Torvel] "
                                  "Connect 改为: %2")
                .arg(Native(settingsPath), migrated);
        });
    if (outcome == Outcome::Migrated)
        connectionString = migrated;
    return outcome != Outcome::Failed;
}

bool AccessMigrationOffer::ForDataSource(Prompt& prompt, const QString& accessFile,
                                         QString& connectionString) {
    QString chosenFile;
    if (!accessFile.isEmpty() && IsPostgres(connectionString)) {
        const ConnectionString cs(connectionString);
        const QString schema = cs.Value({"Schema", "Search Path"});
        const QString database =
            cs.Value({"Host", "Server"}) + QLatin1Char('/') + cs.Value("Database") +
            (schema.isEmpty() ? QString() : QStringLiteral(" (模式 %1)").arg(schema));
        return Offer(prompt,
                     QStringLiteral("是否现在把 Access 数据库 '%1' 中的数据迁移到 PostgreSQL "
                                    "数据库 %2? 原文件不会被改动。")
                         .arg(Native(accessFile), database),
                     accessFile, connectionString, [] { return QString(); }) == Outcome::Migrated;
    }
    if (!AccessMigration::NamesAccessFile(connectionString, &chosenFile))
        return true;
    const QString source = QFileInfo(chosenFile).absoluteFilePath();
    const QString target = NewFileFor(source);
    if (Offer(prompt, SqliteQuestion(source, target), source, target, [] { return QString(); }) !=
        Outcome::Migrated)
        return false;
    connectionString = QStringLiteral("Provider=SQLite;Data Source=") + target;
    return true;
}
