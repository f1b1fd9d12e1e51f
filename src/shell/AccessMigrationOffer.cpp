#include "shell/AccessMigrationOffer.h"

#include "base/IniFile.h"
#include "base/ProgramFolder.h"
#include "migrate/AccessMigration.h"
#include "ui/Prompt.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

QString AccessMigrationOffer::NewFileFor(const QString& accessFile) {
    const QFileInfo info(accessFile);
    const QString base = info.absolutePath() + QLatin1Char('/') + info.completeBaseName();
    QString candidate = base + QStringLiteral(".db");
    for (int n = 2; QFileInfo::exists(candidate); ++n)
        candidate = base + QStringLiteral("-%1.db").arg(n);
    return candidate;
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
    if (!prompt.Confirm(
            QStringLiteral("database.ini 指定的数据库 '%1' 是 Access 数据库，本程序不能"
                           "直接使用。\r\n\r\n是否现在把其中的数据迁移到新的 SQLite "
                           "数据库 '%2'? 原文件不会被改动。")
                .arg(QDir::toNativeSeparators(source), QDir::toNativeSeparators(target))))
        return true;

    AccessMigration migration;
    bool done = false;
    {
        ProgressScope progress(prompt, QStringLiteral("正在迁移 Access 数据库 '%1' ...")
                                           .arg(QDir::toNativeSeparators(source)));
        migration.SetProgress([&progress](const QString&, qint64 rows, qint64 total) {
            return progress.Step(rows, total);
        });
        done = migration.Run(source, target);
    }
    if (!done) {
        prompt.Message(migration.GetLastError() +
                           QStringLiteral("\r\n原文件没有改动，也没有建立新的数据库。"),
                       Prompt::AppTitle(),
                       migration.WasStopped() ? Prompt::Icon::Information : Prompt::Icon::Critical);
        return false;
    }

    // database.ini keeps a relative name relative (the program folder moves
    // with it), an absolute one absolute.
    const QString newSource =
        QFileInfo(written).isRelative()
            ? written.left(written.lastIndexOf(QRegularExpression(QStringLiteral("[/\\\\]"))) + 1) +
                  QFileInfo(target).fileName()
            : target;
    connectionString = QStringLiteral("Provider=SQLite;Data Source=") + newSource;
    settings.SetString(QStringLiteral("Torvel"), QStringLiteral("Connect"), connectionString);
    QString report = migration.Report().Text();
    if (!settings.Save(settingsPath))
        report += QStringLiteral("\r\n\r\n无法写入设置文件 %1，下次启动时请在其中把 [Torvel] "
                                 "Connect 改为: %2")
                      .arg(QDir::toNativeSeparators(settingsPath), connectionString);
    prompt.Message(report, Prompt::AppTitle(), Prompt::Icon::Information);
    return true;
}
