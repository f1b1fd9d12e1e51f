// The entry points of WageList.so.

#include "WageSearchView.h"
#include "WageView.h"

#include "ModuleContext.h"

#include "framework/PrivilegeNames.h"
#include "shell/PluginArgs.h"
#include "ui/Prompt.h"

namespace {

// The right that issues wages and shows everyone's pay.
const QString kPayWages = QString::fromUtf8(PrivilegeNames::PayWage);

} // namespace

TORVEL_PLUGIN_ENTRY QWidget* listWage(const PluginArgs* args) {
    const std::optional<ModuleContext> context = ContextFromArgs(args);
    if (!context)
        return nullptr;
    // The program asks before it calls; a record from elsewhere is asked again.
    if (!context->Holds(kPayWages)) {
        context->prompt->Message(QStringLiteral("权限不足"));
        return nullptr;
    }
    return new WageView(*context->connection, *context->prompt);
}

TORVEL_PLUGIN_ENTRY QWidget* searchWage(const PluginArgs* args) {
    const std::optional<ModuleContext> context = ContextFromArgs(args);
    if (!context)
        return nullptr;
    return new WageSearchView(*context->connection, *context->prompt, context->userName,
                              context->Holds(kPayWages));
}
