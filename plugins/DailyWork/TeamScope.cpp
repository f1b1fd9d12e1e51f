#include "TeamScope.h"

#include "ModuleContext.h"

#include "db/DbRecordset.h"
#include "db/SqlLiteral.h"
#include "framework/PrivilegeNames.h"

TeamScope::TeamScope(DbConnection& connection, const ModuleContext& context)
    : userName_(context.userName),
      manager_(context.Holds(QString::fromUtf8(PrivilegeNames::ManageTeam))) {
    if (!manager_)
        return;
    if (context.IsAdmin()) {
        everyone_ = true;
        return;
    }
    DbRecordset user(connection);
    if (!user.Open(QStringLiteral("select Department from UserData where UserName=") +
                   SqlLiteral::Text(userName_)) ||
        user.IsEOF()) {
        manager_ = false;
        return;
    }
    department_ = user.GetString(QStringLiteral("Department")).trimmed();
    everyone_ = department_.isEmpty();
}

QString TeamScope::Condition(const QString& userColumn) const {
    if (everyone_)
        return QStringLiteral("1=1");
    if (!manager_)
        return userColumn + QStringLiteral("=") + SqlLiteral::Text(userName_);
    return QStringLiteral("(%1=%2 or %1 in (select UserName from UserData where Department=%3 "
                          "and Dimission=0))")
        .arg(userColumn, SqlLiteral::Text(userName_), SqlLiteral::Text(department_));
}
