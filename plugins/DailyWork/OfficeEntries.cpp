// DailyWork.so's entry points for suggestions, bulletins, leave requests and
// the manager's overview. Each builds one new top-level view for the
// program's view host, which owns it from then on.

#include "AdviceView.h"
#include "BulletinView.h"
#include "HolidayView.h"
#include "ManagerCenterView.h"
#include "ModuleContext.h"
#include "NoticeView.h"

#include "framework/PrivilegeNames.h"
#include "shell/PluginArgs.h"

namespace {

bool Holds(const ModuleContext& context, const char* right) {
    return context.Holds(QString::fromUtf8(right));
}

} // namespace

TORVEL_PLUGIN_ENTRY QWidget* managerCenter(const PluginArgs* args) {
    const std::optional<ModuleContext> context = ContextFromArgs(args);
    if (!context)
        return nullptr;
    if (!Holds(*context, PrivilegeNames::ManageTeam))
        return new CNoticeView(QStringLiteral("您没有管理中心的权限"));
    return new CManagerCenterView(*context->connection, *context->prompt, *context);
}

TORVEL_PLUGIN_ENTRY QWidget* listAdvice(const PluginArgs* args) {
    const std::optional<ModuleContext> context = ContextFromArgs(args);
    if (!context)
        return nullptr;
    return new CAdviceView(*context->connection, *context->prompt, context->userName,
                           Holds(*context, PrivilegeNames::ManageTeam));
}

TORVEL_PLUGIN_ENTRY QWidget* listBulletin(const PluginArgs* args) {
    const std::optional<ModuleContext> context = ContextFromArgs(args);
    if (!context)
        return nullptr;
    return new CBulletinView(*context->connection, *context->prompt, context->userName,
                             Holds(*context, PrivilegeNames::PublishBulletin));
}

TORVEL_PLUGIN_ENTRY QWidget* applyHoliday(const PluginArgs* args) {
    const std::optional<ModuleContext> context = ContextFromArgs(args);
    if (!context)
        return nullptr;
    return new CHolidayView(*context->connection, *context->prompt, context->userName);
}
