#pragma once

#include "framework/PrivilegeCheck.h"

#include <QString>

#include <optional>

class DbConnection;
class Prompt;
struct PluginArgs;

// What every view of a module gets from the program: the shared connection,
// the prompt seam, the logged-in user and the rights of that login.
struct ModuleContext {
    DbConnection* connection = nullptr;
    Prompt* prompt = nullptr;
    QString userName;
    QString privilege;

    // The exact, case-sensitive name "admin".
    bool IsAdmin() const;
    // admin holds every right; anyone else holds what their privilege text
    // names anywhere.
    bool Holds(const QString& right) const;
    // Holds() as the question the framework's views ask.
    PrivilegeCheck Check() const;
};

// The context carried by an entry point's record, or nothing when the record
// comes from a program too old to carry it (a module then returns no view).
std::optional<ModuleContext> ContextFromArgs(const PluginArgs* args);
