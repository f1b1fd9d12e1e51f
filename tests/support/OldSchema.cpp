#include "OldSchema.h"

#include "db/DbConnection.h"

#include <QStringList>

bool MakeVersionOneDatabase(DbConnection& db) {
    QStringList statements{
        // Step 2.
        QStringLiteral("drop table SchemaVersion"),
        QStringLiteral("drop index CustomerData_ClassSource"),
        // Step 5.
        QStringLiteral("drop table WorkerTask"),
        QStringLiteral("drop table WorkerTaskNote"),
        QStringLiteral("drop table WorkLog"),
        QStringLiteral("drop table Advice"),
        QStringLiteral("drop table Bulletin"),
        QStringLiteral("drop table BulletinRead"),
        QStringLiteral("drop table Holiday"),
        QStringLiteral("drop table MailTask"),
        QStringLiteral("drop table MailTaskItem"),
        QStringLiteral("drop table MailRecv"),
        // Step 4.
        QStringLiteral("drop table SmsTask"),
        QStringLiteral("drop table SmsTaskItem"),
        // Step 3.
        QStringLiteral("drop table Appliance"),
        QStringLiteral("drop table ApplianceMove"),
        QStringLiteral("drop table WageData"),
    };
    for (const char* column : {"FullName", "Department", "Position", "Phone", "Mobile", "Email",
                               "QQ", "JoinDate", "Remarks", "Dimission", "DimissionDate"})
        statements << QStringLiteral("alter table UserData drop column ") + QLatin1String(column);
    for (const char* column : {"Code", "Size", "Unit", "Price", "Remarks"})
        statements << QStringLiteral("alter table ProductData drop column ") +
                          QLatin1String(column);
    for (const QString& statement : statements) {
        if (!db.Execute(statement))
            return false;
    }
    return true;
}
