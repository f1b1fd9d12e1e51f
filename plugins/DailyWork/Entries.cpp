// The entry points of DailyWork.so. Each builds one new top-level view for the
// program's view host, which owns it from then on.

#include "ParameterText.h"
#include "PendingView.h"
#include "PlanCalendarView.h"

#include "shell/PluginArgs.h"

namespace {

// A record from an older program that lacks fields this module reads is
// refused rather than read past its end.
bool Usable(const PluginArgs* args) {
    return args && args->size >= sizeof(PluginArgs);
}

QWidget* Pending(const PluginArgs* args, const char* entry) {
    if (!Usable(args))
        return nullptr;
    return new PendingView(QString::fromLatin1(entry));
}

} // namespace

TORVEL_PLUGIN_ENTRY QWidget* planCalendar(const PluginArgs* args) {
    if (!Usable(args))
        return nullptr;
    return new PlanCalendarView(args->connection, UserNameFromParameter(args->parameter));
}

TORVEL_PLUGIN_ENTRY QWidget* managerCenter(const PluginArgs* args) {
    return Pending(args, "managerCenter");
}

TORVEL_PLUGIN_ENTRY QWidget* listWorkerTask(const PluginArgs* args) {
    return Pending(args, "listWorkerTask");
}

TORVEL_PLUGIN_ENTRY QWidget* listDailyWork(const PluginArgs* args) {
    return Pending(args, "listDailyWork");
}

TORVEL_PLUGIN_ENTRY QWidget* listDailyPlan(const PluginArgs* args) {
    return Pending(args, "listDailyPlan");
}

TORVEL_PLUGIN_ENTRY QWidget* listAdvice(const PluginArgs* args) {
    return Pending(args, "listAdvice");
}

TORVEL_PLUGIN_ENTRY QWidget* listBulletin(const PluginArgs* args) {
    return Pending(args, "listBulletin");
}

TORVEL_PLUGIN_ENTRY QWidget* applyHoliday(const PluginArgs* args) {
    return Pending(args, "applyHoliday");
}
