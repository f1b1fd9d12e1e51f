#pragma once

#include "AccessFile.h"
#include "MigrationReport.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <functional>
#include <map>

class MigrationTarget;

// Copies an old Access database (torvel.mdb) into a new database made from the
// program's own schema: every row of every table with its key, the columns
// users added to the program's tables (created with the database layer's type
// mapping), tables of plug-in modules as they are, and the key counters moved
// to the largest key. Rows whose customer was deleted are kept and counted.
//
// The old file is only read. The new database appears only when everything
// was written (MigrationTarget); an existing one is never overwritten.
class AccessMigration final {
public:
    // (table being copied, rows copied so far, rows in all); false stops.
    using Progress = std::function<bool(const QString& table, qint64 done, qint64 total)>;

    void SetProgress(Progress progress) { progress_ = std::move(progress); }

    // `target`: a new SQLite file, or a "Provider=PostgreSQL;..." string of a
    // database (schema) without the program's tables.
    bool Run(const QString& source, const QString& target);

    const MigrationReport& Report() const { return report_; }
    QString GetLastError() const { return lastError_; }
    // True when the last Run ended because the progress asked to stop.
    bool WasStopped() const { return stopped_; }

    // Whether a connection string names an Access database; `file` gets the
    // file it names (as written, possibly relative).
    static bool NamesAccessFile(const QString& connectionString, QString* file = nullptr);

private:
    bool Fail(const QString& text);
    bool Stopped();
    bool CopyTable(AccessFile& file, MigrationTarget& out, const AccessFile::Table& table,
                   MigrationReport::Table& entry, qint64& done, qint64 total);

    Progress progress_;
    MigrationReport report_;
    QString lastError_;
    bool stopped_ = false;
    // Gathered while the rows go by: each customer's order total, the
    // customers' keys, and per table how many rows name each customer (the
    // rows naming a customer that is gone are counted in the report).
    QHash<qint64, double> orderTotals_;
    QSet<qint64> customerKeys_;
    std::map<QString, QHash<qint64, qint64>> customerRefs_;
};
