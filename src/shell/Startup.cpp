#include "shell/Startup.h"

#include "base/IniFile.h"
#include "base/ProgramFolder.h"
#include "db/ConnectionString.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/SchemaUpgrade.h"
#include "shell/AccessMigrationOffer.h"
#include "shell/Privilege.h"
#include "ui/Prompt.h"

#include <QDateTime>
#include <QDir>

namespace {
const QString kDatabaseIni = QStringLiteral("database.ini");
}

Startup::Startup(DbConnection& connection, Prompt& prompt)
    : connection_(connection), prompt_(prompt) {}

QString Startup::DefaultConnectionString() {
    return QStringLiteral("Provider=SQLite;Data Source=") + ProgramFolder() +
           QStringLiteral("torvel.db");
}

QString Startup::UnreadableSettingsText(const QString& path, const QString& reason) {
    return QStringLiteral(
               "无法读取设置文件 %1 (%2)。\r\n为了不丢失其中的设置, 程序没有改动这个文件, "
               "也没有打开数据库。请修复或删除这个文件后重新启动程序。")
        .arg(QDir::toNativeSeparators(path), reason);
}

QString Startup::UnreadableAccountText(const QString& path, const QString& reason) {
    return QStringLiteral(
               "无法读取设置文件 %1 (%2)。\r\n为了不丢失其中的设置, 程序不会改动这个文件, "
               "登录时也不会记住用户名和密码。请修复或删除这个文件。")
        .arg(QDir::toNativeSeparators(path), reason);
}

bool Startup::HasProgramTables() const {
    // The login reads UserData first; a database without it is not ours.
    DbRecordset probe(connection_);
    const bool found = probe.Open(QStringLiteral("select * from UserData where 1=0"));
    probe.Close();
    return found;
}

QString Startup::DatabaseName() const {
    const ConnectionString cs(connection_.GetConnectionString());
    // A file for SQLite, a database name on a server (never the password).
    return connection_.GetEngine() == DbConnection::Engine::SQLite
               ? ResolveProgramPath(cs.Value({"Data Source", "DataSource", "Database"}))
               : cs.Value({"Database", "Initial Catalog"});
}

QString Startup::MissingTablesText() const {
    const QString name = QDir::toNativeSeparators(DatabaseName());
    return QStringLiteral(
               "数据库 '%1' 中没有本系统的数据表 (UserData), 可能是一个空文件或别的程序的数据库。"
               "\r\n请在 database.ini 中指定本系统的数据库后重新启动程序。")
        .arg(name);
}

bool Startup::UpgradeSchema() {
    SchemaUpgrade upgrade(connection_);
    const int stored = upgrade.StoredVersion();
    const int current = SchemaUpgrade::CurrentVersion();
    if (stored == current)
        return true;
    const QString name = QDir::toNativeSeparators(DatabaseName());
    if (stored == 0) {
        prompt_.Message(
            QStringLiteral("无法读取数据库 '%1' 的版本: %2").arg(name, upgrade.GetLastError()),
            Prompt::AppTitle(), Prompt::Icon::Critical);
        return false;
    }
    if (stored > current) {
        prompt_.Message(QStringLiteral("数据库 '%1' 的版本 (%2) 比本程序认识的版本 (%3) 新。\r\n"
                                       "请使用新版的程序打开这个数据库。")
                            .arg(name)
                            .arg(stored)
                            .arg(current),
                        Prompt::AppTitle(), Prompt::Icon::Critical);
        return false;
    }

    // On SQLite the user gets the database as it was to go back to; a server
    // is backed up by its own means, and each step there is one transaction.
    QString backup;
    if (connection_.GetEngine() == DbConnection::Engine::SQLite) {
        backup = DatabaseName() +
                 QStringLiteral(".v%1-%2.bak")
                     .arg(stored)
                     .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmss")));
        WaitCursor wait(prompt_);
        if (!upgrade.BackUp(backup)) {
            prompt_.Message(
                QStringLiteral("升级数据库 '%1' 之前无法备份它 (%2)。\r\n数据库没有改动。")
                    .arg(name, upgrade.GetLastError()),
                Prompt::AppTitle(), Prompt::Icon::Critical);
            return false;
        }
    }
    bool upgraded = false;
    {
        WaitCursor wait(prompt_);
        upgraded = upgrade.Run();
    }
    const QString kept =
        backup.isEmpty()
            ? QString()
            : QStringLiteral("\r\n升级前的数据库保存在 %1。").arg(QDir::toNativeSeparators(backup));
    if (!upgraded) {
        prompt_.Message(QStringLiteral("无法把数据库 '%1' 从版本 %2 升级到版本 %3:\r\n%4%5")
                            .arg(name)
                            .arg(stored)
                            .arg(current)
                            .arg(upgrade.GetLastError(), kept),
                        Prompt::AppTitle(), Prompt::Icon::Critical);
        return false;
    }
    prompt_.Message(QStringLiteral("数据库 '%1' 已从版本 %2 升级到版本 %3。%4")
                        .arg(name)
                        .arg(stored)
                        .arg(current)
                        .arg(kept),
                    Prompt::AppTitle(), Prompt::Icon::Information);
    return true;
}

int Startup::Run() {
    // Failures to create the folders surface later, where a file is written.
    QDir().mkpath(ProgramPath(QStringLiteral("data")));
    QDir().mkpath(ProgramPath(QStringLiteral("mailrecv")));

    IniFile settings;
    if (!settings.Load(ProgramPath(kDatabaseIni)) &&
        settings.GetLoadState() == IniFile::LoadState::Unreadable) {
        // Opening the default database instead would put the user's work in
        // the wrong place, and writing [MailReceiver] would replace a file
        // nobody has read: both wait until the file is mended.
        prompt_.Message(UnreadableSettingsText(ProgramPath(kDatabaseIni), settings.GetLoadError()),
                        Prompt::AppTitle(), Prompt::Icon::Critical);
        return 0;
    }
    QString connectionString =
        settings.GetString(QStringLiteral("Torvel"), QStringLiteral("Connect"));
    if (connectionString.isEmpty())
        connectionString = DefaultConnectionString();
    if (!AccessMigrationOffer::Run(prompt_, settings, ProgramPath(kDatabaseIni), connectionString))
        return 0;

    int opened = 0;
    {
        WaitCursor wait(prompt_);
        opened = connection_.Open(connectionString);
    }
    if (!opened) {
        prompt_.Message(connection_.GetLastError(), Prompt::AppTitle(), Prompt::Icon::Critical);
        return 0;
    }
    if (!HasProgramTables()) {
        // An empty file is a valid SQLite database; without this the first
        // sign would be the login failing on a missing UserData.
        prompt_.Message(MissingTablesText(), Prompt::AppTitle(), Prompt::Icon::Critical);
        connection_.Close();
        return 0;
    }
    if (!UpgradeSchema()) {
        connection_.Close();
        return 0;
    }

    const QString mailReceiver =
        settings.GetString(QStringLiteral("MailReceiver"), QStringLiteral("Connect"));
    if (mailReceiver != connectionString) {
        settings.SetString(QStringLiteral("MailReceiver"), QStringLiteral("Connect"),
                           connectionString);
        settings.Save(ProgramPath(kDatabaseIni));
    }

    // The login reads and rewrites the account file; when nobody can read it,
    // the login leaves it alone (IniFile will not save over it), and the
    // user should know why the last name is not remembered.
    IniFile account;
    if (!account.Load(AccountFilePath()) &&
        account.GetLoadState() == IniFile::LoadState::Unreadable)
        prompt_.Message(UnreadableAccountText(AccountFilePath(), account.GetLoadError()),
                        Prompt::AppTitle(), Prompt::Icon::Warning);

    IniFile product;
    product.Load(ProgramPath(QStringLiteral("velmora.ini")));
    productTitle_ = product.GetString(QStringLiteral("."), QStringLiteral("ProductName"));
    return 1;
}
