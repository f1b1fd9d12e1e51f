#pragma once

#include <QDialog>
#include <QString>

class CGridCtrl;
class DbConnection;
class Prompt;
class QPushButton;

// 自定义信息: the user-defined columns of one table, one grid row each
// (caption, type, may be empty, default, choices, input hint), with 添加 and
// 删除. Every change is written at once: a new, retyped or removed column
// changes the table and its definition together (CustomFieldChange); the
// other cells only the definition. A change that fails is shown and the cell
// keeps its old text.
class CCustomizeDefineDlg final : public QDialog {
    Q_OBJECT
public:
    // Grid columns; the key and the column name are kept but not shown.
    enum Column {
        KeyCol,
        NameCol,
        CaptionCol,
        TypeCol,
        NullableCol,
        DefaultCol,
        ChoicesCol,
        HintCol,
        ColumnCount
    };

    CCustomizeDefineDlg(Prompt& prompt, DbConnection& connection, const QString& table,
                        QWidget* parent = nullptr);

    CGridCtrl* Grid() const { return grid_; }
    // True once a column was added, retyped or removed: lists showing the
    // table must be opened again to show it.
    bool ColumnsChanged() const { return columnsChanged_; }

    // 添加: asks for the column's name (the next free d1 ... d64 proposed)
    // and caption, then adds it.
    void OnAdd();
    // 删除: removes the columns of the selected rows after one question that
    // names them.
    void OnDelete();
    // Stores the cell's new text; false (after saying why) to keep the old.
    bool StoreCell(int row, int col);
    // Toggles the 允许空 cell of the row.
    void ToggleNullable(int row);

    // Reads the definitions into the grid; false after showing why.
    bool Load();

private:
    void AddGridRow(int key, const QString& name, const QString& caption, int type, bool nullable,
                    const QString& defaultValue, const QString& choices, const QString& hint);
    int KeyOf(int row) const;

    Prompt& prompt_;
    DbConnection& connection_;
    QString table_;
    CGridCtrl* grid_ = nullptr;
    bool columnsChanged_ = false;
};

// Runs the dialog through prompt.RunModal; true when a column was added,
// retyped or removed.
bool RunCustomizeDefine(Prompt& prompt, DbConnection& connection, const QString& table,
                        QWidget* parent);
