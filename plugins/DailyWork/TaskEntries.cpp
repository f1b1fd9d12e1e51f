// DailyWork.so's entry points for the calendar, the tasks given between
// users, and the daily logs and plans. Each builds one new top-level view for
// the program's view host, which owns it from then on, on the program's
// shared connection and prompt.

#include "ModuleContext.h"
#include "PlanCalendarView.h"
#include "WorkLogView.h"
#include "WorkerTaskView.h"

#include "shell/PluginArgs.h"

TORVEL_PLUGIN_ENTRY QWidget* planCalendar(const PluginArgs* args) {
    const auto context = ContextFromArgs(args);
    if (!context)
        return nullptr;
    return new PlanCalendarView(context->connection, context->userName);
}

TORVEL_PLUGIN_ENTRY QWidget* listWorkerTask(const PluginArgs* args) {
    const auto context = ContextFromArgs(args);
    if (!context)
        return nullptr;
    return new CWorkerTaskView(*context);
}

TORVEL_PLUGIN_ENTRY QWidget* listDailyWork(const PluginArgs* args) {
    const auto context = ContextFromArgs(args);
    if (!context)
        return nullptr;
    return new CWorkLogView(*context, WorkLogKind::Log);
}

TORVEL_PLUGIN_ENTRY QWidget* listDailyPlan(const PluginArgs* args) {
    const auto context = ContextFromArgs(args);
    if (!context)
        return nullptr;
    return new CWorkLogView(*context, WorkLogKind::Plan);
}
