#pragma once

#include "framework/PrivilegeCheck.h"

#include <QString>

#include <functional>
#include <map>

class DbConnection;
class Prompt;
class QWidget;

// What a view is given when the frame makes it for a command.
struct ViewContext {
    DbConnection& connection;
    Prompt& prompt;
    QString userName;                // empty when the command passes no user
    QString filter;                  // condition the view adds to its queries, or empty
    QString definition;              // list definition of a configurable list
    QString caption;                 // caption of a configurable list
    bool admin = false;              // the logged-in user is the administrator
    PrivilegeCheck holdsPrivilege{}; // the logged-in user's rights, asked when used
};

// Makes a new view, or returns null when the view cannot be made (for example
// a configurable list whose definition does not load); the frame then keeps
// the view it shows.
using ViewFactory = std::function<QWidget*(const ViewContext&)>;

// The views the frame can open, by command number. Subsystems register their
// views here as they are built; a command whose view is not registered does
// nothing but say so in the status bar.
class ViewRegistry final {
public:
    // Replaces any factory registered before for the command.
    void Register(int command, ViewFactory factory);
    // Registers the factory for every command of the frame's command table
    // that opens the named view class (several commands open the same view
    // with different filters). Returns how many commands were registered.
    int RegisterView(const QString& viewClass, const ViewFactory& factory);

    bool Contains(int command) const;
    // Null when nothing is registered; otherwise the factory's result.
    QWidget* Create(int command, const ViewContext& context) const;

private:
    std::map<int, ViewFactory> factories_;
};

// Registers every view the program has built so far.
void RegisterBuiltinViews(ViewRegistry& registry);
