#pragma once

#include <QString>

class DbConnection;
class Prompt;

// What happens between the frame's creation and the login: the program's own
// folders, the connection string from database.ini, opening the shared
// connection under a wait cursor, keeping [MailReceiver] Connect equal to the
// string in use for the mail modules, and the product title.
class Startup final {
public:
    Startup(DbConnection& connection, Prompt& prompt);

    // An unreadable data/account.ini gets a warning, and the start goes on.
    // Returns 1 when the database opened, 0 after showing one message: the
    // provider's text, that database.ini could not be read (it is then left
    // as it is and no database is opened), or that the database lacks the
    // program's tables (the connection is then closed again).
    int Run();

    // velmora.ini [.] ProductName, read once the database opened.
    QString ProductTitle() const { return productTitle_; }

    // "Provider=SQLite;Data Source=" + program folder + "torvel.db".
    static QString DefaultConnectionString();

private:
    // The message for a database.ini that exists but could not be read.
    static QString UnreadableSettingsText(const QString& path, const QString& reason);
    // The warning for an unreadable data/account.ini; the start goes on.
    static QString UnreadableAccountText(const QString& path, const QString& reason);
    bool HasProgramTables() const;
    QString MissingTablesText() const;
    // The SQLite file (resolved) or the server's database name.
    QString DatabaseName() const;
    // Brings an older database up to this program's schema (a copy of an
    // SQLite file first), or refuses a newer one; false after the message.
    bool UpgradeSchema();

    DbConnection& connection_;
    Prompt& prompt_;
    QString productTitle_;
};
