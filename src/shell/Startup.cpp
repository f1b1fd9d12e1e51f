#include "shell/Startup.h"

#include "base/IniFile.h"
#include "base/ProgramFolder.h"
#include "db/ConnectionString.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "shell/AccessMigrationOffer.h"
#include "shell/Privilege.h"
#include "ui/Prompt.h"

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

QString Startup::MissingTablesText() const {
    const ConnectionString cs(connection_.GetConnectionString());
    // A file for SQLite, a database name on a server (never the password).
    const QString name = connection_.GetEngine() == DbConnection::Engine::SQLite
                             ? QDir::toNativeSeparators(ResolveProgramPath(
                                   cs.Value({"Data Source", "DataSource", "Database"})))
                             : cs.Value({"Database", "Initial Catalog"});
    return QStringLiteral(
               "数据库 '%1' 中没有本系统的数据表 (UserData), 可能是一个空文件或别的程序的数据库。"
               "\r\n请在 database.ini 中指定本系统的数据库后重新启动程序。")
        .arg(name);
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
