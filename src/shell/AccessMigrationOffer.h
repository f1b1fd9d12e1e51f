#pragma once

#include <QString>

class IniFile;
class Prompt;

// At start-up, a database.ini that still names an old Access database
// (torvel.mdb) gets an offer to migrate it into a new SQLite file beside it
// (torvel.db, or torvel-2.db... when that name is taken: an existing file is
// never overwritten). The migration shows its progress with a stop, then the
// report, and database.ini is pointed at the new database. The old file is
// never changed.
class AccessMigrationOffer final {
public:
    // `connectionString` is the one database.ini gives; after a migration it is
    // the new database's. False when the start must stop (the migration failed
    // or was stopped; the user has been told). True otherwise, also when the
    // user declined: the connection then fails with its own message.
    static bool Run(Prompt& prompt, IniFile& settings, const QString& settingsPath,
                    QString& connectionString);

    // The first free "<name>.db", "<name>-2.db", ... beside the old file.
    static QString NewFileFor(const QString& accessFile);
};
