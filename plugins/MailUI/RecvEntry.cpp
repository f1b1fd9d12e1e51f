// 接收邮件: mail fetched from the account of the settings.

#include "ModuleContext.h"
#include "RecvListView.h"

#include "shell/PluginArgs.h"

TORVEL_PLUGIN_ENTRY QWidget* listMailRecv(const PluginArgs* args) {
    const std::optional<ModuleContext> context = ContextFromArgs(args);
    if (!context)
        return nullptr;
    return new CRecvListView(*context);
}
