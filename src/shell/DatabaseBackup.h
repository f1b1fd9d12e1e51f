#pragma once

#include <QString>

class DbConnection;
class Prompt;

// The backup and restore commands of the file menu. Both work on the database
// file named by the shared connection's string, both are reserved to the user
// "admin", and every outcome is reported through the prompt.
//
// A backup of an open SQLite database is taken by SQLite itself (VACUUM INTO),
// so it is a consistent copy even while the program holds the file open. A
// restore first proves that the chosen file is a database of this program,
// then replaces the database file through a temporary file beside it, so a
// failed copy leaves the old database in place.
class DatabaseBackup final {
public:
    DatabaseBackup(Prompt& prompt, DbConnection& connection);

    // Both return true when the operation was carried out (its success message
    // was shown); every refusal and failure returns false after its message,
    // a cancelled file dialog returns false silently.
    bool Backup(const QString& userName);
    bool Restore(const QString& userName);

    // The database file of a connection string: the text after the first
    // "Source=", cut before the first ';' that follows it unless that ';' opens
    // the rest. A null string when the text has no "Source=".
    static QString DatabasePath(const QString& connectionString);

    // The filter of both file dialogs.
    static QString FileFilter();

private:
    // Shows the refusal when the user is not the administrator.
    bool RefuseUnlessAdmin(const QString& userName);
    bool CopyDatabase(const QString& databasePath, const QString& target);
    bool ReplaceDatabase(const QString& source, const QString& databasePath);

    Prompt& prompt_;
    DbConnection& connection_;
};
