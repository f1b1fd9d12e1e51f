#pragma once

#include <QString>
#include <QStringList>

class DbConnection;
class GridTarget;

// The paged list query of a view: a SELECT made of a FROM clause, display
// columns with their captions, conditions and an order clause, shown in the
// view's grid one page at a time.
//
// A page holds exactly the rows that walking the whole result would show at
// its place (rows pageIndex * pageSize up to the next page's first row): no gap
// and no overlap between pages, the last page partly filled, a page past the
// end empty. The work of skipping the earlier rows is left to the database
// server (see Load).
class QueryBinder final {
public:
    static constexpr int kDefaultPageSize = 200;
    // Row height of the loaded rows, in pixels.
    static constexpr int kRowHeight = 20;

    // The grid to fill; not owned.
    void SetGrid(GridTarget* grid) { grid_ = grid; }
    GridTarget* GetGrid() const { return grid_; }

    // The FROM clause: a table name or a join written by the view.
    void SetTable(const QString& table) { table_ = table; }
    const QString& GetTable() const { return table_; }
    // A column expression in display order; a column without a caption shows
    // its own text in the header.
    void AddColumn(const QString& column, const QString& caption = QString());
    void ClearColumns();
    int GetColumnCount() const { return static_cast<int>(columns_.size()); }
    QString GetColumn(int index) const { return columns_.value(index); }
    // The header text of a column: its caption, or the column itself.
    QString GetCaption(int index) const;
    // The index of the first column whose text or caption equals the argument
    // without regard to case; -1 when none does.
    int FindColumn(const QString& nameOrCaption) const;

    void AddCondition(const QString& condition) { conditions_.append(condition); }
    void ClearConditions() { conditions_.clear(); }
    const QStringList& GetConditions() const { return conditions_; }
    // Written after one blank, e.g. " order by KeyId desc "; may be empty.
    // Comments and a closing ';' are dropped and a limit of its own is kept
    // (pages divide its rows); text after a ';' makes Load refuse the list.
    void SetOrderClause(const QString& orderClause) { orderClause_ = orderClause; }
    const QString& GetOrderClause() const { return orderClause_; }

    int GetPageSize() const { return pageSize_; }
    void SetPageSize(int rows) { pageSize_ = rows > 0 ? rows : kDefaultPageSize; }
    int GetPageIndex() const { return pageIndex_; }
    void SetPageIndex(int index) { pageIndex_ = index > 0 ? index : 0; }

    // "select a,b from T where c0 and c1 <order clause>", or a null text when
    // there are no columns. Also kept as GetSelectText().
    QString BuildSelect();
    // "" without conditions, else " where c0 and c1 ..."; a null text when
    // there are no columns. Views reuse it for totals and exports.
    QString BuildWhere();
    const QString& GetSelectText() const { return select_; }
    const QString& GetWhereText() const { return where_; }

    // Lays out the header: one fixed row, one column per column, each header
    // cell its caption; then the grid sizes itself to its contents.
    void SetupGrid();

    // Fills the grid with the current page: -1 without a connection or a grid,
    // -2 when there is nothing to select, 1 otherwise. A failing query leaves
    // the grid empty; its reason is in GetLastError() (the binder shows
    // nothing itself).
    int Load(DbConnection* connection);
    // Reloads the next page with the last connection; there is no check that
    // it exists (a page past the end is empty).
    int NextPage();
    // 0 without any change on the first page; otherwise reloads the previous.
    int PrevPage();
    // Rows shown by the last Load.
    int GetLoadedRowCount() const { return loadedRows_; }
    const QString& GetLastError() const { return lastError_; }

    // A cell of a grid row by column text or caption (case ignored): a null
    // text when the column is unknown, no grid is set or the row is outside
    // the grid.
    QString GetCellText(int row, const QString& column) const;
    // 1 when written; -1 when the column is unknown or no grid is set; 0 when
    // the row is outside the grid.
    int SetCellText(int row, const QString& column, const QString& text);

private:
    bool FillPage(DbConnection& connection, bool hasOwnLimit);
    bool FillPageByLimit(DbConnection& connection, bool hasOwnLimit);
    bool FillPageByCursor(DbConnection& connection);

    GridTarget* grid_ = nullptr;
    DbConnection* connection_ = nullptr;
    int pageSize_ = kDefaultPageSize;
    int pageIndex_ = 0;
    QString table_;
    QString select_;
    QString where_;
    QString orderClause_;
    QStringList columns_;
    QStringList captions_; // one per column; a null text for none
    QStringList conditions_;
    int loadedRows_ = 0;
    QString lastError_;
};
