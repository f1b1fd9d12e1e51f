#pragma once

#include <QString>

class DbConnection;

// Brings a database made by an older schema script up to the schema this
// program was built with. The database carries its version in the one-row
// table SchemaVersion; a database made before versions were kept has no such
// table and counts as version 1.
//
// Each step runs in a transaction of its own together with the new version
// number, so a failed step leaves the database at the version before it. On
// PostgreSQL the desks that start at the same time take turns (an advisory
// lock), and a step another desk has just made is not made twice.
class SchemaUpgrade final {
public:
    // The version of the schema scripts this program was built with.
    static int CurrentVersion();

    explicit SchemaUpgrade(DbConnection& connection);

    // The database's version; 0 with GetLastError() when it cannot be read.
    int StoredVersion();

    // Runs every step after the stored version. False with GetLastError()
    // naming the step that failed.
    bool Run();

    // SQLite only: a consistent copy of the whole database in `path`, made
    // through the open connection (VACUUM INTO), for the user to go back to.
    bool BackUp(const QString& path);

    const QString& GetLastError() const { return lastError_; }

private:
    bool RunStep(int version);

    DbConnection& connection_;
    QString lastError_;
};
