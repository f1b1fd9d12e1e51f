#pragma once

#include "db/QueryBinder.h"
#include "ui/GridCtrlTarget.h"

#include <QString>

class CGridCtrl;

// A list's grid bound to its paged query: the grid options every list shares
// (one fixed header row and one fixed column, whole-row selection, not
// editable, 20-pixel rows), the program's grid colours (or uiprofile.ini's),
// and the column widths remembered under the view's key, restored by Setup and
// saved when the binding goes (before the grid widget does, as a member of the
// view that also parents the grid).
class ListGridBinding final {
public:
    ListGridBinding(CGridCtrl& grid, const QString& settingsKey);
    ~ListGridBinding();
    ListGridBinding(const ListGridBinding&) = delete;
    ListGridBinding& operator=(const ListGridBinding&) = delete;

    QueryBinder& Binder() { return binder_; }
    CGridCtrl& Grid() { return grid_; }
    const QString& SettingsKey() const { return key_; }

    // After the binder's columns are added: options, colours, header row and
    // the remembered widths.
    void Setup(int controlId);
    // After a page load: a grid without remembered widths fits its columns
    // to the first rows it shows, once, so that later pages keep the layout.
    void FitColumnsOnce();

private:
    CGridCtrl& grid_;
    GridCtrlTarget target_;
    QueryBinder binder_;
    QString key_;
    bool setUp_ = false;
    bool fitted_ = false;
};
