#pragma once

#include <QString>
#include <QStringList>

#include <utility>

class ClassTreeCtrl;
class DbConnection;
class Prompt;
class QTreeWidgetItem;
class QWidget;

// The rows filed in a classification: for customers
// {"CustomerData", "CustomerClass", "ClassPath", "目录非空，请先删除客户资料"}.
struct ClassMembers {
    QString table;           // e.g. CustomerData
    QString classColumn;     // column holding the class KeyId
    QString pathColumn;      // column holding the class path copy (may be empty: none)
    QString notEmptyMessage; // shown when a class to delete still has members
};

// The class commands of a list with a tree: 添加分类 / 变更分类名称 / 删除分类,
// each one transaction, messages through the prompt, dialogs through
// prompt.RunModal. A rename rewrites the stored path of the class, of its
// descendants and of every member filed under any of them, in one transaction.
// A new or renamed class may not take the name of a class beside it: two
// siblings of one name would have one path, and nobody could tell from a
// stored path which of them a row was filed in.
class ClassMaintenance final {
public:
    ClassMaintenance(ClassTreeCtrl& tree, DbConnection& connection, Prompt& prompt,
                     ClassMembers members, QWidget* dialogParent);
    void AddClass();    // 32799
    void RenameClass(); // 32800
    void DeleteClass(); // 32801
    // Runs one of the three commands above; false for any other command.
    bool OnCommand(int id);

    // The rename itself, without the dialog: the node's caption becomes `name`
    // and every stored path below it is rewritten. False (caption restored)
    // after showing statement + "\r\n" + error.
    bool Rename(QTreeWidgetItem* node, const QString& name);

private:
    // The selected class, or null after "请选择分类!".
    QTreeWidgetItem* SelectedClass();
    enum class Outcome { Done, Failed, Stopped };
    // Runs the statements all or none. A rename of a class high in a large tree
    // rewrites many rows (a tenth of a million customers takes seconds), so it
    // shows progress after every statement, and a stop stores nothing. Failed
    // with the statement that failed and the database's text.
    Outcome RunInOneTransaction(const QStringList& statements, QString& failed, QString& error);
    // 1 when the query returns a row, 0 when none, -1 after showing the failure.
    int HasRow(const QString& sql);
    // False after telling the user when a class under `parent` other than
    // `self` (0: none) already has the name (the table's case rule) or the
    // lookup failed.
    bool NameIsFree(QTreeWidgetItem* parent, int self, const QString& name);

    ClassTreeCtrl& tree_;
    DbConnection& connection_;
    Prompt& prompt_;
    ClassMembers members_;
    QWidget* dialogParent_;
};
