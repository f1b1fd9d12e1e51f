#include "shell/Startup.h"

#include "db/DbConnection.h"
#include "base/IniFile.h"
#include "base/ProgramFolder.h"
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

int Startup::Run() {
    // Failures to create the folders surface later, where a file is written.
    QDir().mkpath(ProgramPath(QStringLiteral("data")));
    QDir().mkpath(ProgramPath(QStringLiteral("mailrecv")));

    IniFile settings;
    settings.Load(ProgramPath(kDatabaseIni));
    QString connectionString =
        settings.GetString(QStringLiteral("Torvel"), QStringLiteral("Connect"));
    if (connectionString.isEmpty())
        connectionString = DefaultConnectionString();

    int opened = 0;
    {
        WaitCursor wait(prompt_);
        opened = connection_.Open(connectionString);
    }
    if (!opened) {
        prompt_.Message(connection_.GetLastError(), Prompt::AppTitle(), Prompt::Icon::Critical);
        return 0;
    }

    const QString mailReceiver =
        settings.GetString(QStringLiteral("MailReceiver"), QStringLiteral("Connect"));
    if (mailReceiver != connectionString) {
        settings.SetString(QStringLiteral("MailReceiver"), QStringLiteral("Connect"),
                           connectionString);
        settings.Save(ProgramPath(kDatabaseIni));
    }

    IniFile product;
    product.Load(ProgramPath(QStringLiteral("velmora.ini")));
    productTitle_ = product.GetString(QStringLiteral("."), QStringLiteral("ProductName"));
    return 1;
}
