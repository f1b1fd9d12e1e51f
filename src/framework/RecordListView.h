#pragma once

#include "framework/QueryExport.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>

class CGridCtrl;
class CListToolbar;
class DbConnection;
class IniFile;
class ListGridBinding;
class Prompt;
class QueryBinder;
class QVBoxLayout;

// A list of one table's rows: the toolbar row above the grid bound to its
// paged query, and what every such list does the same way: paging, the base
// condition under every search, editing the top selected row in the table's
// form and patching the answer into the row, adding a row through the form,
// deleting the selected rows in one transaction, and the way from a row to its
// customer. Subclasses add their buttons, their form and their own commands.
class CRecordListView : public QWidget {
    Q_OBJECT

public:
    ~CRecordListView() override;

    // The view's commands (true when handled); buttons, menus, the double
    // click and tests all come through here. The base handles paging.
    Q_INVOKABLE virtual bool OnCommand(int id);

    CGridCtrl* Grid() const { return grid_; }
    QueryBinder& Binder() const;
    CListToolbar* Toolbar() const { return toolbar_; }
    const QString& Table() const { return table_; }
    // The condition every query of the view keeps, in parentheses (or empty).
    const QString& BaseCondition() const { return baseCondition_; }
    // The last note the view put into the status bar.
    const QString& LastNote() const { return lastNote_; }

    // Loads the current page under the wait cursor; a failure shows the
    // statement, "\r\n" and the database's text. Returns the binder's result.
    int Reload();

protected:
    // `filter` is the frame's condition for this view (empty for all rows);
    // `settingsKey` names the remembered column widths.
    CRecordListView(DbConnection& connection, Prompt& prompt, const QString& table,
                    const QString& filter, const QString& settingsKey, QWidget* parent);

    // Builds the toolbar and the grid, binds the columns (field, caption) with
    // the order clause and lays them out one above the other. A double click
    // on a data row runs 编辑.
    void CreateParts(const QList<QPair<QString, QString>>& columns, const QString& orderClause,
                     int gridControlId = 8001);
    // For a list with a pane beside its grid (a class tree): the caller has put
    // the grid into `holder` (a splitter), which takes the grid's place below
    // the toolbar; `below` (may be null), a strip under it.
    void PlaceGrid(QWidget* holder, QWidget* below);
    // The conditions of a new search: the base condition, then `extra`; back
    // to the first page.
    void SetConditions(const QStringList& extra);
    // The rows of one customer (a tab of the customer window): the base
    // condition and CustomerId = the key, from the first page. Key 0 lists
    // nothing.
    void ListCustomerRows(int customerKey);
    // After every load and every change of rows in place (colours, notes).
    virtual void AfterLoad() {}

    // The table's record form for `bag` (section ".": KeyId for an edit).
    // True when the user saved; the bag then holds the saved values. Lists
    // without a form keep the default, which opens nothing.
    virtual bool RunForm(IniFile& bag);

    // 编辑: the form for the top selected row, whose cells then take what it
    // saved; without a selection `noSelection` is shown.
    void EditTopRow(const QString& noSelection);
    // 添加: the form with `bag` prepared by the caller; a saved record becomes
    // the first data row.
    void AddRow(IniFile& bag);
    // 删除: asks `question`, then deletes the selected rows by key from the
    // bottom up in one transaction (a failed row asks whether to go on) and
    // removes the deleted rows from the grid. A list whose rows own rows of
    // another table asks its own question (naming what goes with them).
    void DeleteSelectedRows();
    void DeleteSelectedRows(const QString& question);
    // The condition that picks a grid row's record for 删除: by default
    // "KeyId=<n>" from the row's first cell. False with `error` when the row
    // holds no usable key. Lists keyed by another column say so here.
    virtual bool RowKeyCondition(int row, QString& condition, QString& error) const;
    // Deletes the record of one grid row inside the savepoint 删除 gives it:
    // by default the row picked by RowKeyCondition. A list whose records own
    // rows of another table deletes those here too, so both go or neither.
    // False with `error` when the row cannot be deleted.
    virtual bool DeleteRowRecord(int row, QString& error);
    // 客户资料: reads the CustomerId of the top selected row's record and
    // shows that customer; `noSelection` without a selection, `missing`
    // when the record or its customer is gone.
    void ShowCustomerOfRow(const QString& noSelection, const QString& missing);
    // 统计: runs `sql`, a one-row sum, and shows `label` followed by its first
    // column with two decimals (a sum over no rows is null and shows 0.00); a
    // failure shows the statement, "\r\n" and the database's text.
    void ShowSum(const QString& sql, const QString& label);
    // 导出: every row of the current search (all pages, the list's columns)
    // into a CSV file the user chooses, under the progress window; the
    // outcome is said (rows written, nothing found, a failure) or noted (a
    // stop). Lists with an export of their own share this one.
    void ExportCsv();
    // Says how an export ended: the count and file, a stop in the status bar,
    // or the error (with the statement when the query failed). `noRows`
    // replaces the generic text for an empty result when given.
    void ReportExport(const QueryExport::Result& result, const QString& path, const QString& sql,
                      const QString& noRows = QString());
    // A short text in the frame's status bar.
    void Note(const QString& text);

    DbConnection& connection_;
    Prompt& prompt_;
    CListToolbar* toolbar_ = nullptr;
    CGridCtrl* grid_ = nullptr;

private:
    QString table_;
    QString baseCondition_;
    QString settingsKey_;
    std::unique_ptr<ListGridBinding> binding_;
    QVBoxLayout* layout_ = nullptr;
    QString lastNote_;
};
