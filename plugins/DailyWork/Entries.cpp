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

// Entry points of functions this module does not provide yet: a PendingView
// named after the entry point itself.
#define TORVEL_PENDING_ENTRY(entry)                                                                \
    TORVEL_PLUGIN_ENTRY QWidget* entry(const PluginArgs* args) {                                   \
        return Pending(args, #entry);                                                              \
    }

TORVEL_PENDING_ENTRY(managerCenter)
TORVEL_PENDING_ENTRY(listWorkerTask)
TORVEL_PENDING_ENTRY(listDailyWork)
TORVEL_PENDING_ENTRY(listDailyPlan)
TORVEL_PENDING_ENTRY(listAdvice)
TORVEL_PENDING_ENTRY(listBulletin)
TORVEL_PENDING_ENTRY(applyHoliday)
