#include "db/QueryBinder.h"

#include "base/GridTarget.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/DbTransaction.h"
#include "db/SqlConditions.h"
#include "db/SqlTokenizer.h"

namespace {

// Margin of the text in every cell of a loaded list, in pixels.
constexpr int kCellMargin = 2;

const QString kCursorName = QStringLiteral("torvel_list_page");

// The order clause as it can be paged. Order texts come from definition
// files users edit, so they may end in ';' or a "-- comment" (either would
// swallow the page's own limit) or hold a limit of their own.
struct PageableOrder {
    QString text;
    bool hasOwnLimit = false; // limit / offset / fetch outside parentheses
    QString error;            // why the clause cannot be paged; empty when it can
    // With an error, `text` holds the clause up to its ';', so a statement
    // built from it (views reuse the select text for totals and exports)
    // never carries a second statement to the server.
};

PageableOrder MakePageable(const QString& clause) {
    PageableOrder order;
    const std::vector<SqlToken> tokens = SqlTokenizer::Tokenize(clause);
    bool ended = false; // a ';' was met
    int depth = 0;
    for (const SqlToken& token : tokens) {
        if (token.kind == SqlToken::Kind::Comment) {
            order.text += QLatin1Char(' ');
            continue;
        }
        if (token.IsSymbol(clause, ';')) {
            ended = true;
            continue;
        }
        if (token.kind == SqlToken::Kind::Space) {
            order.text += token.Text(clause);
            continue;
        }
        if (ended) {
            order.error = QStringLiteral("列表的排序条件“%1”在分号之后还有内容。排序条件只能是一个 "
                                         "order by 子句，请改正视图的定义。")
                              .arg(clause.trimmed());
            return order;
        }
        if (token.IsSymbol(clause, '('))
            ++depth;
        else if (token.IsSymbol(clause, ')'))
            --depth;
        else if (depth == 0 && (token.Is(clause, QLatin1String("limit")) ||
                                token.Is(clause, QLatin1String("offset")) ||
                                token.Is(clause, QLatin1String("fetch"))))
            order.hasOwnLimit = true;
        order.text += token.Text(clause);
    }
    return order;
}

} // namespace

void QueryBinder::AddColumn(const QString& column, const QString& caption) {
    columns_.append(column);
    captions_.append(caption);
}

void QueryBinder::ClearColumns() {
    columns_.clear();
    captions_.clear();
}

QString QueryBinder::GetCaption(int index) const {
    if (index < 0 || index >= columns_.size())
        return QString();
    const QString& caption = captions_[index];
    return caption.isNull() ? columns_[index] : caption;
}

int QueryBinder::FindColumn(const QString& nameOrCaption) const {
    for (int i = 0; i < columns_.size(); ++i) {
        if (columns_[i].compare(nameOrCaption, Qt::CaseInsensitive) == 0)
            return i;
        if (!captions_[i].isNull() && captions_[i].compare(nameOrCaption, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString QueryBinder::BuildSelect() {
    if (columns_.isEmpty()) {
        select_.clear();
        return QString();
    }
    QString sql = QStringLiteral("select ");
    for (const QString& column : columns_)
        sql += column + QLatin1Char(',');
    while (sql.endsWith(QLatin1Char(',')))
        sql.chop(1);
    const PageableOrder order = MakePageable(orderClause_);
    sql += QStringLiteral(" from ") + table_ + SqlConditions::Where(conditions_) +
           QLatin1Char(' ') + order.text;
    select_ = sql;
    return select_;
}

QString QueryBinder::BuildWhere() {
    if (columns_.isEmpty()) {
        where_.clear();
        return QString();
    }
    where_ = SqlConditions::Where(conditions_);
    if (where_.isNull())
        where_ = QStringLiteral("");
    return where_;
}

void QueryBinder::SetupGrid() {
    if (!grid_)
        return;
    grid_->SetFixedRowCount(1);
    grid_->SetColumnCount(GetColumnCount());
    for (int i = 0; i < GetColumnCount(); ++i)
        grid_->SetItemText(0, i, GetCaption(i));
    grid_->AutoSize();
    grid_->RedrawRow(0);
}

int QueryBinder::Load(DbConnection* connection) {
    connection_ = connection;
    loadedRows_ = 0;
    lastError_.clear();
    if (!connection || !grid_)
        return -1;
    if (BuildSelect().isEmpty())
        return -2;

    grid_->BeginBulk();
    grid_->SetDefaultCellMargin(kCellMargin);
    grid_->DeleteNonFixedRows();
    const PageableOrder order = MakePageable(orderClause_);
    if (!order.error.isEmpty())
        lastError_ = order.error;
    else
        FillPage(*connection, order.hasOwnLimit);
    grid_->EndBulk();
    return 1;
}

int QueryBinder::NextPage() {
    ++pageIndex_;
    return Load(connection_);
}

int QueryBinder::PrevPage() {
    if (pageIndex_ <= 0)
        return 0;
    --pageIndex_;
    return Load(connection_);
}

bool QueryBinder::FillPage(DbConnection& connection, bool hasOwnLimit) {
    // PostgreSQL may order rows that tie on the order clause differently for
    // different LIMIT/OFFSET values (a bounded sort keeps whichever ties it
    // meets first), which would repeat or drop rows between pages. A cursor
    // over the unchanged statement walks one ordering and lets the server
    // skip the earlier rows. SQLite reads every page with the same plan, so
    // LIMIT/OFFSET pages agree with each other there.
    if (connection.GetEngine() == DbConnection::Engine::PostgreSQL)
        return FillPageByCursor(connection);
    return FillPageByLimit(connection, hasOwnLimit);
}

namespace {

// Appends the rows of an open result to the grid, at most `limit` of them.
int AppendRows(DbRecordset& rs, GridTarget& grid, int limit) {
    const int fields = rs.GetFieldCount();
    int shown = 0;
    while (shown < limit && !rs.IsEOF()) {
        const int row = grid.AppendRow();
        if (row < 0)
            break;
        grid.SetRowHeight(row, QueryBinder::kRowHeight);
        for (int i = 0; i < fields; ++i)
            grid.SetItemText(row, i, rs.GetString(i));
        ++shown;
        rs.MoveNext();
    }
    return shown;
}

} // namespace

bool QueryBinder::FillPageByLimit(DbConnection& connection, bool hasOwnLimit) {
    const qint64 first = qint64(pageIndex_) * pageSize_;
    // A statement with a limit of its own takes no second one: its rows, in
    // its order, are paged as a whole.
    const QString rows =
        hasOwnLimit ? QStringLiteral("select * from (") + select_ + QStringLiteral(") as page_rows")
                    : select_;
    const QString sql = rows + QStringLiteral(" limit %1 offset %2").arg(pageSize_).arg(first);
    DbRecordset rs(connection);
    if (!rs.Open(sql)) {
        lastError_ = rs.GetLastError();
        return false;
    }
    loadedRows_ = AppendRows(rs, *grid_, pageSize_);
    rs.Close();
    return true;
}

bool QueryBinder::FillPageByCursor(DbConnection& connection) {
    const qint64 first = qint64(pageIndex_) * pageSize_;
    auto fail = [&](const QString& error) {
        lastError_ = error;
        return false;
    };
    // A cursor lives inside a transaction; the page only reads, so its level
    // is rolled back either way when `reading` ends. Under a caller's open
    // transaction that level is a savepoint, which leaves the caller's work
    // (and its transaction) as it was.
    DbTransaction reading(connection);
    if (!reading.IsActive())
        return fail(reading.GetLastError());
    if (!connection.Execute(QStringLiteral("declare ") + kCursorName +
                            QStringLiteral(" no scroll cursor for ") + select_))
        return fail(connection.GetLastError());
    if (first > 0 &&
        !connection.Execute(QStringLiteral("move forward %1 in ").arg(first) + kCursorName))
        return fail(connection.GetLastError());
    {
        DbRecordset rs(connection);
        if (!rs.Open(QStringLiteral("fetch forward %1 from ").arg(pageSize_) + kCursorName))
            return fail(rs.GetLastError());
        loadedRows_ = AppendRows(rs, *grid_, pageSize_);
        rs.Close();
    }
    reading.Rollback();
    return true;
}

QString QueryBinder::GetCellText(int row, const QString& column) const {
    const int index = FindColumn(column);
    if (index < 0 || !grid_)
        return QString();
    if (row < 0 || row >= grid_->GetRowCount() || index >= grid_->GetColumnCount())
        return QString();
    QString text = grid_->GetItemText(row, index);
    return text.isNull() ? QStringLiteral("") : text;
}

int QueryBinder::SetCellText(int row, const QString& column, const QString& text) {
    const int index = FindColumn(column);
    if (index < 0 || !grid_)
        return -1;
    return grid_->SetItemText(row, index, text) ? 1 : 0;
}
