#pragma once

#include <functional>
#include <vector>

class QMenuBar;
class QObject;

// The main window's menu: every entry sends its command number to the frame.
struct MenuEntry {
    const char* text; // UTF-8 with the '&' mnemonic; null for a separator
    int command;
};

struct MenuDefinition {
    const char* title;
    std::vector<MenuEntry> entries;
};

const std::vector<MenuDefinition>& MainMenuTable();

// Fills the bar from the table. Each action carries its command number in
// QAction::data(); triggering it calls `onCommand` with that number.
void BuildMainMenu(QMenuBar& bar, QObject* context, const std::function<void(int)>& onCommand);
