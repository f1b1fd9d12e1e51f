// 接收邮件: mail fetched from the account of the settings.

#include "ModuleContext.h"

#include "shell/PluginArgs.h"

#include <QLabel>

TORVEL_PLUGIN_ENTRY QWidget* listMailRecv(const PluginArgs* args) {
    const std::optional<ModuleContext> context = ContextFromArgs(args);
    if (!context)
        return nullptr;
    return new QLabel(QStringLiteral("该功能尚未提供"));
}
