#include "ModuleContext.h"

#include "base/ProgramFolder.h"
#include "shell/PluginArgs.h"

#include <cstddef>

bool ModuleContext::IsAdmin() const {
    return userName == QLatin1String("admin");
}

bool ModuleContext::Holds(const QString& right) const {
    return IsAdmin() || (!right.isEmpty() && privilege.contains(right));
}

PrivilegeCheck ModuleContext::Check() const {
    const ModuleContext copy = *this;
    return [copy](const QString& right) { return copy.Holds(right); };
}

std::optional<ModuleContext> ContextFromArgs(const PluginArgs* args) {
    if (!args || args->size < offsetof(PluginArgs, programFolder) + sizeof(args->programFolder) ||
        !args->connection || !args->prompt)
        return std::nullopt;
    ModuleContext context;
    context.connection = args->connection;
    context.prompt = args->prompt;
    context.userName = QString::fromUtf8(args->userName ? args->userName : "");
    context.privilege = QString::fromUtf8(args->privilege ? args->privilege : "");
    // This module's copy of the folder code must resolve files as the
    // program does (data/smsgate.ini, res/list_*.ini, ...).
    if (args->programFolder && *args->programFolder)
        SetProgramFolder(QString::fromUtf8(args->programFolder));
    return context;
}
