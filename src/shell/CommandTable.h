#pragma once

#include <QString>

#include <vector>

// What the frame does for each command number: which kind of handler runs,
// who may run it, and for a list view what the view is given.
enum class CommandKind {
    View,   // a view of the program, made through the view registry
    Plugin, // a view made by a plug-in module
    Login,
    Backup,
    Restore,
    Homepage,
    OnlineUpdate,
    About,
    Exit,
    DataSource,
    MailSettings,
};

enum class CommandRule {
    Everyone,
    AdminOnly, // refused with "权限不足" for every user but admin
    Privilege, // refused unless the last login's privilege text names it
};

struct CommandEntry {
    int command;
    CommandKind kind;
    const char* text; // what the menu or navigation bar calls it (UTF-8)
    CommandRule rule = CommandRule::Everyone;
    const char* privilege = ""; // for CommandRule::Privilege
    // For CommandKind::View:
    const char* view = "";       // the view class
    bool passUser = false;       // the view receives the user name
    const char* filter = "";     // a condition the view adds to its queries
    bool handlerFilter = false;  // non-admin users see only their own rows
    const char* definition = ""; // list definition of a configurable list
    const char* caption = "";    // caption of a configurable list

    QString Text() const;
    QString View() const;
    QString Privilege() const;
    QString Definition() const;
    QString Caption() const;
    // The condition the view gets when `userName` runs the command.
    QString FilterFor(const QString& userName) const;
    // The user name the view gets (empty when the command passes none).
    QString UserFor(const QString& userName) const;
};

// Every command the frame handles itself, in no particular order.
const std::vector<CommandEntry>& CommandTable();

// The row of a command, or null for a number the frame does not handle.
const CommandEntry* FindCommand(int command);
