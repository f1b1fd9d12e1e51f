#include "shell/ViewRegistry.h"

// The list views of the customer, business and framework subsystems register
// here, one line per view class, e.g.
//     registry.RegisterView(QStringLiteral("CCustomerListView"), [](const ViewContext& c) {
//         return new CCustomerListView(c.connection, c.prompt, c.userName, c.filter);
//     });
void RegisterBuiltinViews(ViewRegistry& registry) {
    Q_UNUSED(registry);
}
