#include "shell/ViewRegistry.h"

#include "shell/CommandTable.h"

void ViewRegistry::Register(int command, ViewFactory factory) {
    factories_[command] = std::move(factory);
}

int ViewRegistry::RegisterView(const QString& viewClass, const ViewFactory& factory) {
    int count = 0;
    for (const CommandEntry& entry : CommandTable()) {
        if (entry.kind == CommandKind::View && entry.View() == viewClass) {
            Register(entry.command, factory);
            ++count;
        }
    }
    return count;
}

bool ViewRegistry::Contains(int command) const {
    return factories_.count(command) != 0;
}

QWidget* ViewRegistry::Create(int command, const ViewContext& context) const {
    const auto found = factories_.find(command);
    if (found == factories_.end() || !found->second)
        return nullptr;
    return found->second(context);
}
