#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// What a migration did, table by table, for the final message and the
// command's output.
struct MigrationReport {
    struct Table {
        QString name;
        qint64 read = 0;
        qint64 written = 0;
        QStringList addedColumns;   // user-added columns created in the target
        QStringList skippedColumns; // OLE objects and the like, not copied
        qint64 orphans = 0;         // rows naming a customer that no longer exists
        bool known = true;          // one of the program's tables
        bool missing = false;       // not in the old file: made with the initial rows
    };

    QString source;
    QString target;
    std::vector<Table> tables;
    // Descriptions of user-added columns in CustomizeField (table.column).
    QStringList describedColumns;

    qint64 RowsRead() const;
    qint64 RowsWritten() const;
    qint64 Orphans() const;
    const Table* Find(const QString& name) const;
    // The report as the user reads it, lines ending in "\r\n".
    QString Text() const;
};
