#pragma once

#include <QDialog>
#include <QString>

class ClassTreeCtrl;
class DbConnection;
class Prompt;
class QLineEdit;
class QTreeWidgetItem;

// The class picker: a classification tree with the selected node's path above
// it. 确定 or a double click chooses the selected class; the root stands for
// no class and cannot be chosen.
class CClassPickerDlg final : public QDialog {
    Q_OBJECT
public:
    // Loads the tree at once; an empty table name gives "表名未定义!" and an
    // empty tree. An empty title means "分类".
    CClassPickerDlg(Prompt& prompt, DbConnection& connection, const QString& table,
                    const QString& title, QWidget* parent = nullptr);

    ClassTreeCtrl* Tree() const { return tree_; }
    QLineEdit* PathEdit() const { return pathEdit_; }
    // What 确定 and a double click do: true (and the dialog accepted) when a
    // class is selected.
    bool OnOK();

    int Key() const { return key_; }
    const QString& Path() const { return path_; }

private:
    ClassTreeCtrl* tree_;
    QLineEdit* pathEdit_;
    int key_ = 0;
    QString path_;
};

// The class picker over a classification table; true on 确定 with the chosen
// node's key and path (root not choosable). title default "分类".
bool PickClass(Prompt& prompt, DbConnection& connection, QWidget* parent, const QString& table,
               const QString& title, int& key, QString& path);
