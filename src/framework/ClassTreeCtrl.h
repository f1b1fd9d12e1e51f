#pragma once

#include <QHash>
#include <QIcon>
#include <QString>
#include <QTreeWidget>

#include <vector>

class DbConnection;
class Prompt;

// A QTreeWidget bound to a classification table (KeyId, ParentId, Name,
// ClassPath). Read in ONE statement ("select KeyId,ParentId,Name from <table>
// order by KeyId"), built in memory; the root node (item data 0) has the root
// caption and stands for ParentId 0. Item data: Qt::UserRole holds the KeyId.
//
// A class path is "/" followed by the caption of every level below the root
// and "/" after each: a top-level class A is "/A/", its child B "/A/B/", the
// root "/". Paths are made from the captions on the screen; what the tables
// store are copies.
class ClassTreeCtrl : public QTreeWidget {
    Q_OBJECT
public:
    ClassTreeCtrl(DbConnection& connection, Prompt& prompt, QWidget* parent = nullptr);

    void SetTable(const QString& table, const QString& rootCaption);
    const QString& Table() const;
    const QString& RootCaption() const { return rootCaption_; }
    // The picture every node shows; FolderIcon() unless changed.
    void SetNodeIcon(const QIcon& icon);
    // images/folder.gif of the program folder (white is transparent) when it
    // is there, else the style's folder picture.
    static QIcon FolderIcon(const QWidget* widget);

    bool Load(); // false + message on failure / no table
    // Load, then select the first top-level class when there is one: a list
    // filed by class shows nothing until a class is picked.
    bool LoadAndSelectFirst();
    QTreeWidgetItem* RootNode() const;                 // null before Load
    QTreeWidgetItem* SelectedNode() const;             // null when nothing selected
    static int KeyOf(const QTreeWidgetItem* node);     // 0 for root or null
    QString PathOf(const QTreeWidgetItem* node) const; // "/", "/A/", "/A/B/"; "" for null
    QTreeWidgetItem* FindNode(int key) const;          // null when unknown

    // Inserts the row (key = max+1, retried on a collision) and appends the node
    // under parent; null (after showing statement + "\r\n" + error) on failure.
    // A null parent means the root.
    QTreeWidgetItem* AddChild(QTreeWidgetItem* parent, const QString& name);
    // Deletes the class rows of the node and every node below it in one
    // transaction, then removes the node: 1, or -1 after showing statement +
    // "\r\n" + error, with the table and the screen as they were. The root and
    // null are refused with -1.
    int DeleteSubtree(QTreeWidgetItem* node);

    // The node and every node below it, each parent before its children.
    std::vector<QTreeWidgetItem*> Subtree(QTreeWidgetItem* node) const;

    // True when the text can be used as a table name in a statement.
    static bool IsTableName(const QString& table);

signals:
    // Emitted whenever the selected node changes (null when none).
    void NodeSelected(QTreeWidgetItem* node);

private:
    QTreeWidgetItem* MakeNode(QTreeWidgetItem* parent, int key, const QString& caption);
    void ShowFailure(const QString& statement, const QString& error);

    DbConnection& connection_;
    Prompt& prompt_;
    QString table_;
    QString rootCaption_;
    QIcon icon_;
    QTreeWidgetItem* root_ = nullptr;
    // Every class node by key (the root is not in it).
    QHash<int, QTreeWidgetItem*> nodes_;
};
