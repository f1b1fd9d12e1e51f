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

    // Returns 1 when the database opened, 0 after showing the provider's text.
    int Run();

    // velmora.ini [.] ProductName, read once the database opened.
    QString ProductTitle() const { return productTitle_; }

    // "Provider=SQLite;Data Source=" + program folder + "torvel.db".
    static QString DefaultConnectionString();

private:
    DbConnection& connection_;
    Prompt& prompt_;
    QString productTitle_;
};
