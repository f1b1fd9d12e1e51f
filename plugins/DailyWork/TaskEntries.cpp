// DailyWork.so's entry points for the calendar, the tasks given between
// users, and the daily logs and plans. Each builds one new top-level view for
// the program's view host, which owns it from then on.

#include "ParameterText.h"
#include "PendingView.h"
#include "PlanCalendarView.h"

#include "shell/PluginArgs.h"

TORVEL_PLUGIN_ENTRY QWidget* planCalendar(const PluginArgs* args) {
    if (!UsableArgs(args))
        return nullptr;
    return new PlanCalendarView(args->connection, UserNameFromParameter(args->parameter));
}

TORVEL_PLUGIN_ENTRY QWidget* listWorkerTask(const PluginArgs* args) {
    return NewPendingView(args, "listWorkerTask");
}

TORVEL_PLUGIN_ENTRY QWidget* listDailyWork(const PluginArgs* args) {
    return NewPendingView(args, "listDailyWork");
}

TORVEL_PLUGIN_ENTRY QWidget* listDailyPlan(const PluginArgs* args) {
    return NewPendingView(args, "listDailyPlan");
}
