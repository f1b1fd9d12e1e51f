#pragma once

#include <QList>
#include <QString>

class ClassTreeCtrl;
class QTreeWidgetItem;

// The condition a list with a class tree adds for the picked node: the rows
// filed in the node's class or in any class below it, found by their class
// keys (which the tree has in memory), so that a rename, which only rewrites
// the stored path copies, never changes what a node lists, and a class name's
// % and _ are no wildcards.
namespace ClassFilter {

// The rows whose `column` is one of `classKeys`, out of `allClasses` classes
// in the tree; `root` means every row filed in some class (column > 0). Keys
// are numbers, so the text is always well formed.
//
// How the database should find a list's first page depends on how much of
// the table the classes hold. A few classes are found through the index on
// the class column and sorted; a large part of the tree (1/200 of the classes
// or more) is found faster by walking the list's own order, where the first
// page fills after a few thousand index entries, so there the test is written
// "+column", which keeps both engines off the class index.
QString KeysCondition(const QString& column, const QList<int>& classKeys, bool root,
                      int allClasses);

// True when a condition of KeysCondition is meant to be answered by walking
// the list's order (the "+column" form); false when its rows are few enough
// to be found by class and sorted.
bool WalksListOrder(const QString& condition);

// KeysCondition for a node of the tree (the root: every filed row).
QString NodeCondition(const ClassTreeCtrl& tree, QTreeWidgetItem* node, const QString& column);

} // namespace ClassFilter
