#pragma once

#include <QString>

class CGridCtrl;

// The remembered look of the program's grids: column widths per grid owner in
// res/gridpos.ini (key ColumnWidth of the owner's section, widths joined by
// ","), and the grid colours, which uiprofile.ini (section DataGrid) may
// override for every grid at once.
namespace GridSettings {

// Default colours, as red + 256 * green + 65536 * blue.
constexpr quint32 kBackColor = 15788232;  // red 200, green 232, blue 240
constexpr quint32 kFixedColor = 14730375; // red 135, green 196, blue 224
// A saved width below 1 restores as kMinRestoredWidth, one above
// kMaxRestoredWidth as kMaxRestoredWidth.
constexpr int kMinRestoredWidth = 80;
constexpr int kMaxRestoredWidth = 400;

// Sets the saved widths of the owner's grid: item i goes to column i while
// there are columns; extra items are ignored, and so is an item that is no
// number (its column keeps its width). A missing file or section changes
// nothing. Returns the number of columns set.
int RestoreColumnWidths(CGridCtrl& grid, const QString& key);
// Writes the widths of every column under the owner's key, keeping the rest
// of the file. False when the file could not be written (not reported to the
// user).
bool SaveColumnWidths(const CGridCtrl& grid, const QString& key);
// The program's grid background and header colours, or uiprofile.ini's.
void ApplyColors(CGridCtrl& grid);

// The width a saved item restores to; false for an item that is no number.
bool ParseWidth(const QString& item, int& width);

} // namespace GridSettings
