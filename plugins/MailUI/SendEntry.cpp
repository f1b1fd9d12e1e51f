// 发送邮件: the mass e-mail tasks. The view is a new top-level widget for the
// program's view host, which owns it from then on.

#include "MailTaskView.h"
#include "ModuleContext.h"

#include "shell/PluginArgs.h"

TORVEL_PLUGIN_ENTRY QWidget* listMailTask(const PluginArgs* args) {
    const std::optional<ModuleContext> context = ContextFromArgs(args);
    if (!context)
        return nullptr;
    return new CMailTaskView(*context);
}
