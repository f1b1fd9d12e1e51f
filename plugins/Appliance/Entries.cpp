// The entry point of Appliance.so.

#include "ApplianceView.h"

#include "ModuleContext.h"

#include "shell/PluginArgs.h"

TORVEL_PLUGIN_ENTRY QWidget* listAppliance(const PluginArgs* args) {
    const std::optional<ModuleContext> context = ContextFromArgs(args);
    if (!context)
        return nullptr;
    return new ApplianceView(*context->connection, *context->prompt, context->userName,
                             context->IsAdmin());
}
