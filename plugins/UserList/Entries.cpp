// The entry points of UserList.so: 职员管理, 离职档案, 通讯录 and 产品管理.
// Each builds one new top-level view for the program's view host, which owns
// it from then on. Every view works on the program's shared connection and
// shows everything modal through the program's prompt.

#include "DimissionListView.h"
#include "ModuleContext.h"
#include "ProductList.h"
#include "StaffListView.h"
#include "WorkmateListView.h"

#include "framework/DataListView.h"
#include "shell/PluginArgs.h"
#include "ui/Prompt.h"

TORVEL_PLUGIN_ENTRY QWidget* listUser(const PluginArgs* args) {
    const auto context = ContextFromArgs(args);
    if (!context)
        return nullptr;
    return new CStaffListView(*context);
}

TORVEL_PLUGIN_ENTRY QWidget* listDimission(const PluginArgs* args) {
    const auto context = ContextFromArgs(args);
    if (!context)
        return nullptr;
    // The program refuses others before calling; the module does not rely
    // on it.
    if (!context->IsAdmin()) {
        context->prompt->Message(QStringLiteral("权限不足"));
        return nullptr;
    }
    return new CDimissionListView(*context->connection, *context->prompt);
}

TORVEL_PLUGIN_ENTRY QWidget* listWorkmate(const PluginArgs* args) {
    const auto context = ContextFromArgs(args);
    if (!context)
        return nullptr;
    return new CWorkmateListView(*context->connection, *context->prompt);
}

TORVEL_PLUGIN_ENTRY QWidget* listProduct(const PluginArgs* args) {
    const auto context = ContextFromArgs(args);
    if (!context)
        return nullptr;
    return OpenProductList(*context->connection, *context->prompt);
}
