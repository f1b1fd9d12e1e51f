// Entry points that report back what they received, so the launcher's side of
// the contract can be checked from inside a separately loaded library.

#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "shell/PluginArgs.h"

#include <QWidget>

namespace {

// Lives as long as the library stays loaded: a second load of the same
// library would start again at 0.
int calls = 0;

} // namespace

// A new view carrying the record's fields, the number of users read through
// the connection, and whether a row could be written through it.
TORVEL_PLUGIN_ENTRY QWidget* echoView(const PluginArgs* args) {
    ++calls;
    auto* view = new QWidget;
    view->setProperty("call", calls);
    view->setProperty("recordSize", args->size);
    view->setProperty("recordVersion", args->version);
    view->setProperty("parameter", QByteArray(args->parameter));
    view->setProperty("userName", QString::fromUtf8(args->userName));
    view->setProperty("privilege", QString::fromUtf8(args->privilege));
    view->setProperty("programFolder", QString::fromUtf8(args->programFolder));
    view->setProperty("samePrompt", QVariant::fromValue(static_cast<void*>(args->prompt)));

    DbRecordset users(*args->connection);
    if (users.Open(QStringLiteral("select count(*) as N from UserData")) && !users.IsEOF())
        view->setProperty("users", users.GetLong(QStringLiteral("N")));
    view->setProperty("written", args->connection->Execute(QStringLiteral(
                                     "insert into PayMode (Name) values ('from the module')")));
    return view;
}

TORVEL_PLUGIN_ENTRY QWidget* nullView(const PluginArgs*) {
    ++calls;
    return nullptr;
}
