#pragma once

#include <QString>

#include <functional>

class IniFile;
class Prompt;

// The offer to bring an old Access database (torvel.mdb) into a database this
// program can use, met at start-up (database.ini still names the old file) and
// in the data-source command (the user picked an old file, or asked to bring
// one into a PostgreSQL database). The offer asks first, shows the migration's
// progress with a stop, then the report or what went wrong. A new SQLite file
// goes beside the old one (torvel.db, or torvel-2.db... when that name is
// taken: an existing file is never overwritten); a PostgreSQL database is only
// written when it holds none of the program's tables. The old file is never
// changed.
class AccessMigrationOffer final {
public:
    // Start-up. `connectionString` is the one database.ini gives; after a
    // migration it is the new database's, and database.ini names it. False
    // when the start must stop (the migration failed or was stopped; the user
    // has been told). True otherwise, also when the user declined: the
    // connection then fails with its own message.
    static bool Run(Prompt& prompt, IniFile& settings, const QString& settingsPath,
                    QString& connectionString);

    // The data-source command, after the dialog: `connectionString` is the
    // chosen one, `accessFile` an old file to bring into it (a PostgreSQL
    // database), empty when none was given. A chosen SQLite "database" that is
    // an Access file is offered a new file beside it. True when
    // `connectionString` is ready to be connected to (nothing to migrate, or
    // migrated: then it names the new database); false when the command must
    // leave the connection as it is (declined, failed or stopped).
    static bool ForDataSource(Prompt& prompt, const QString& accessFile, QString& connectionString);

    // The first free "<name>.db", "<name>-2.db", ... beside the old file.
    static QString NewFileFor(const QString& accessFile);

private:
    enum class Outcome { Declined, Migrated, Failed };

    // Asks `question`; on yes migrates `source` into `target` (a new SQLite
    // file or a PostgreSQL connection string) and shows the report, with
    // what `afterwards` returns (run once the data is there) added to it.
    static Outcome Offer(Prompt& prompt, const QString& question, const QString& source,
                         const QString& target, const std::function<QString()>& afterwards);
};
