// 发送邮件: the mass e-mail tasks.

#include "ModuleContext.h"

#include "shell/PluginArgs.h"

#include <QLabel>

TORVEL_PLUGIN_ENTRY QWidget* listMailTask(const PluginArgs* args) {
    const std::optional<ModuleContext> context = ContextFromArgs(args);
    if (!context)
        return nullptr;
    return new QLabel(QStringLiteral("该功能尚未提供"));
}
