// The entry points of SmsUI.so. Each list entry builds a new top-level view
// for the program's view host, which owns it from then on; timerService
// returns no view and only starts the timed sends of this login.

#include "ModuleContext.h"
#include "SmsAccountView.h"
#include "SmsService.h"
#include "SmsTaskStore.h"
#include "SmsTaskView.h"

#include "shell/PluginArgs.h"

namespace {

QWidget* TaskList(const PluginArgs* args, const QString& kind) {
    const std::optional<ModuleContext> context = ContextFromArgs(args);
    if (!context)
        return nullptr;
    return new CSmsTaskView(*context, kind);
}

} // namespace

TORVEL_PLUGIN_ENTRY QWidget* setupAccount(const PluginArgs* args) {
    const std::optional<ModuleContext> context = ContextFromArgs(args);
    if (!context)
        return nullptr;
    return new CSmsAccountView(*context->prompt);
}

TORVEL_PLUGIN_ENTRY QWidget* listSmsTask(const PluginArgs* args) {
    return TaskList(args, SmsKind::Mass());
}

TORVEL_PLUGIN_ENTRY QWidget* listTimerTask(const PluginArgs* args) {
    return TaskList(args, SmsKind::Timed());
}

TORVEL_PLUGIN_ENTRY QWidget* listExcelTask(const PluginArgs* args) {
    return TaskList(args, SmsKind::Excel());
}

TORVEL_PLUGIN_ENTRY QWidget* listSuperTask(const PluginArgs* args) {
    return TaskList(args, SmsKind::Super());
}

// Called by the frame once after each login.
TORVEL_PLUGIN_ENTRY QWidget* timerService(const PluginArgs* args) {
    const std::optional<ModuleContext> context = ContextFromArgs(args);
    if (context && context->connection && context->prompt)
        SmsService::Instance().Attach(*context->connection, *context->prompt);
    return nullptr;
}
