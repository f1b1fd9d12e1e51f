#pragma once

#include <QString>

#include <vector>

class CSmallBarCtrl;

// The navigation bar's groups and items with their command numbers.
struct NavigationItem {
    int index; // index within the group; not every group numbers from 0 without gaps
    const char* text;
    int command;
};

struct NavigationGroup {
    const char* caption;
    std::vector<NavigationItem> items;
};

const std::vector<NavigationGroup>& NavigationTable();

// Adds the groups and items in table order, gives every item `picture` and
// opens group 0.
void FillNavigationBar(CSmallBarCtrl& bar, const QString& picture);
