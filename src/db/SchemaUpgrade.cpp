#include "db/SchemaUpgrade.h"

#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/DbTransaction.h"
#include "db/SqlLiteral.h"

#include <QStringList>

namespace {

using Engine = DbConnection::Engine;

struct Step {
    int version;
    const char* what; // named in the message when the step fails
    // Statements for each engine, run in order.
    QStringList (*statements)(Engine engine);
};

// The version table, and the index the report's sales by class and source
// read instead of the wide customer rows.
QStringList VersionTableAndReportIndex(Engine) {
    return {QStringLiteral("CREATE TABLE SchemaVersion (Version INTEGER NOT NULL)"),
            QStringLiteral("INSERT INTO SchemaVersion (Version) VALUES (1)"),
            QStringLiteral("CREATE INDEX IF NOT EXISTS CustomerData_ClassSource "
                           "ON CustomerData (ClassPath, FDSource)")};
}

// Every change of the schema scripts adds a step here with the next number,
// and the scripts' own "INSERT INTO SchemaVersion" names that number.
const Step kSteps[] = {
    {2, "版本表, 报表索引", VersionTableAndReportIndex},
};

// Any number: it only has to be the same on every desk.
const QString kAdvisoryLock = QStringLiteral("select pg_advisory_xact_lock(720118)");

} // namespace

int SchemaUpgrade::CurrentVersion() {
    return std::end(kSteps)[-1].version;
}

SchemaUpgrade::SchemaUpgrade(DbConnection& connection) : connection_(connection) {}

int SchemaUpgrade::StoredVersion() {
    DbRecordset table(connection_);
    // Only the table's existence is asked first, so that a failure below is a
    // real one and not the absence of the table.
    const QString probe =
        connection_.GetEngine() == Engine::PostgreSQL
            ? QStringLiteral("select count(*) as Found from information_schema.tables "
                             "where table_schema=current_schema() and table_name='schemaversion'")
            : QStringLiteral("select count(*) as Found from sqlite_master "
                             "where type='table' and name='SchemaVersion'");
    if (!table.Open(probe)) {
        lastError_ = table.GetLastError();
        return 0;
    }
    const bool found = table.GetLong(QStringLiteral("Found")) > 0;
    table.Close();
    if (!found)
        return 1;

    DbRecordset version(connection_);
    if (!version.Open(QStringLiteral("select max(Version) as Version from SchemaVersion"))) {
        lastError_ = version.GetLastError();
        return 0;
    }
    const int stored = version.IsEOF() ? 0 : version.GetLong(QStringLiteral("Version"));
    if (stored < 1)
        lastError_ = QStringLiteral("SchemaVersion 中没有版本号");
    return stored < 1 ? 0 : stored;
}

bool SchemaUpgrade::Run() {
    const int stored = StoredVersion();
    if (stored == 0)
        return false;
    for (const Step& step : kSteps) {
        if (step.version > stored && !RunStep(step.version))
            return false;
    }
    return true;
}

bool SchemaUpgrade::RunStep(int version) {
    const Step* step = nullptr;
    for (const Step& candidate : kSteps) {
        if (candidate.version == version)
            step = &candidate;
    }
    const QString what =
        QStringLiteral("第 %1 步 (%2)").arg(version).arg(QString::fromUtf8(step->what));

    DbTransaction transaction(connection_);
    if (!transaction.IsActive()) {
        lastError_ = what + QStringLiteral(": ") + transaction.GetLastError();
        return false;
    }
    const Engine engine = connection_.GetEngine();
    if (engine == Engine::PostgreSQL && !connection_.Execute(kAdvisoryLock)) {
        lastError_ = what + QStringLiteral(": ") + connection_.GetLastError();
        return false;
    }
    // Another desk may have made this step while this one waited.
    if (StoredVersion() >= version)
        return transaction.Commit();

    QStringList statements = step->statements(engine);
    statements.append(QStringLiteral("UPDATE SchemaVersion SET Version=") +
                      QString::number(version));
    for (const QString& statement : statements) {
        if (!connection_.Execute(statement)) {
            lastError_ = what + QStringLiteral(": ") + connection_.GetLastError() +
                         QStringLiteral("\r\n") + statement;
            return false;
        }
    }
    if (!transaction.Commit()) {
        lastError_ = what + QStringLiteral(": ") + transaction.GetLastError();
        return false;
    }
    return true;
}

bool SchemaUpgrade::BackUp(const QString& path) {
    if (!connection_.Execute(QStringLiteral("VACUUM INTO ") + SqlLiteral::Text(path))) {
        lastError_ = connection_.GetLastError();
        return false;
    }
    return true;
}
