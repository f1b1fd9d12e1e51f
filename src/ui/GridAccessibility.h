#pragma once

class CGridCtrl;

// Makes the cells of every CGridCtrl visible to accessibility tools: the grid
// answers as a table whose children are its cells (header cells with the
// header roles), with texts, selection and focus. The grid calls the
// notification functions; they cost nothing while no tool listens.
namespace GridAccessibility {

// Registers the interface factory once per process.
void Install();

// Rows or columns were added, removed or reordered.
void ShapeChanged(CGridCtrl* grid);
void SelectionChanged(CGridCtrl* grid);
void FocusChanged(CGridCtrl* grid);

} // namespace GridAccessibility
