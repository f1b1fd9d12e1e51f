#pragma once

#include <QString>

class DbConnection;
struct ModuleContext;

// Whose daily work a user may read. admin reads everyone's; a holder of
// 管理中心 reads their own department's (everyone's when their own department
// is blank, as in a small office without departments); anyone else only
// their own.
class TeamScope final {
public:
    // Reads the user's department; a failed read leaves the scope at the
    // user's own rows, never wider.
    TeamScope(DbConnection& connection, const ModuleContext& context);

    bool IsManager() const { return manager_; }
    bool IsEveryone() const { return everyone_; }

    // An SQL condition on a column holding user names, without "where":
    // "1=1" for everyone, else the user's own name or their department's
    // working staff, written as literals.
    QString Condition(const QString& userColumn) const;

private:
    QString userName_;
    QString department_;
    bool manager_ = false;
    bool everyone_ = false;
};
