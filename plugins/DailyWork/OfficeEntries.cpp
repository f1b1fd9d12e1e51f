// DailyWork.so's entry points for suggestions, bulletins, leave requests and
// the manager's overview. Each builds one new top-level view for the
// program's view host, which owns it from then on.

#include "PendingView.h"

#include "shell/PluginArgs.h"

TORVEL_PLUGIN_ENTRY QWidget* managerCenter(const PluginArgs* args) {
    return NewPendingView(args, "managerCenter");
}

TORVEL_PLUGIN_ENTRY QWidget* listAdvice(const PluginArgs* args) {
    return NewPendingView(args, "listAdvice");
}

TORVEL_PLUGIN_ENTRY QWidget* listBulletin(const PluginArgs* args) {
    return NewPendingView(args, "listBulletin");
}

TORVEL_PLUGIN_ENTRY QWidget* applyHoliday(const PluginArgs* args) {
    return NewPendingView(args, "applyHoliday");
}
