#include "ModuleContext.h"

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
    if (!args || args->size < offsetof(PluginArgs, privilege) + sizeof(args->privilege) ||
        !args->connection || !args->prompt)
        return std::nullopt;
    ModuleContext context;
    context.connection = args->connection;
    context.prompt = args->prompt;
    context.userName = QString::fromUtf8(args->userName ? args->userName : "");
    context.privilege = QString::fromUtf8(args->privilege ? args->privilege : "");
    return context;
}
