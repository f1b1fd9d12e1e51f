#include "db/QueryBinder.h"

#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "base/GridTarget.h"
#include "db/SqlConditions.h"

namespace {

// Margin of the text in every cell of a loaded list, in pixels.
constexpr int kCellMargin = 2;

const QString kCursorName = QStringLiteral("torvel_list_page");

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
    sql += QStringLiteral(" from ") + table_ + SqlConditions::Where(conditions_) +
           QLatin1Char(' ') + orderClause_;
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
    FillPage(*connection);
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

bool QueryBinder::FillPage(DbConnection& connection) {
    // PostgreSQL may order rows that tie on the order clause differently for
    // different LIMIT/OFFSET values (a bounded sort keeps whichever ties it
    // meets first), which would repeat or drop rows between pages. A cursor
    // over the unchanged statement walks one ordering and lets the server
    // skip the earlier rows. SQLite reads every page with the same plan, so
    // LIMIT/OFFSET pages agree with each other there.
    if (connection.GetEngine() == DbConnection::Engine::PostgreSQL)
        return FillPageByCursor(connection);
    return FillPageByLimit(connection);
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

bool QueryBinder::FillPageByLimit(DbConnection& connection) {
    const qint64 first = qint64(pageIndex_) * pageSize_;
    const QString sql = select_ + QStringLiteral(" limit %1 offset %2").arg(pageSize_).arg(first);
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
        connection.Execute(QStringLiteral("rollback"));
        return false;
    };
    // A cursor lives inside a transaction; the page only reads, so the
    // transaction ends with a rollback either way.
    if (!connection.Execute(QStringLiteral("begin")))
        return fail(connection.GetLastError());
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
    connection.Execute(QStringLiteral("rollback"));
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
