#pragma once

class CGridCtrl;
class IniFile;
class QueryBinder;

// Copies what a record form returned into a list's grid without reloading the
// page: every value of the bag's section "." goes into the cell of the column
// whose field name (or caption) equals the value's name, case ignored; values
// the list has no column for are skipped.
namespace GridRowPatch {

// Patches an existing row and repaints it; the number of cells written.
int PatchRow(QueryBinder& binder, CGridCtrl& grid, int row, const IniFile& bag);

// A new record: a row inserted at the top of the data rows (row 1) when the
// grid has data rows, else appended, then patched. The new row's index, or -1.
int InsertRow(QueryBinder& binder, CGridCtrl& grid, const IniFile& bag);

} // namespace GridRowPatch
