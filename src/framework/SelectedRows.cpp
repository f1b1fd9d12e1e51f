#include "framework/SelectedRows.h"

#include "db/DbConnection.h"
#include "db/DbTransaction.h"
#include "ui/GridCtrl.h"
#include "ui/Prompt.h"

namespace SelectedRows {

bool HasSelection(const CGridCtrl& grid) {
    return grid.GetSelectedCellRange().IsValid();
}

int TopRow(const CGridCtrl& grid) {
    const CCellRange range = grid.GetSelectedCellRange();
    if (!range.IsValid())
        return -1;
    return qMax(range.GetMinRow(), grid.GetFixedRowCount());
}

QList<int> BottomUp(const CGridCtrl& grid) {
    QList<int> rows;
    const CCellRange range = grid.GetSelectedCellRange();
    if (!range.IsValid())
        return rows;
    const int top = qMax(range.GetMinRow(), grid.GetFixedRowCount());
    for (int row = range.GetMaxRow(); row >= top; --row) {
        if (grid.IsCellSelected(row, 1))
            rows.append(row);
    }
    return rows;
}

bool ParseKey(const QString& text, int& key) {
    if (text.isEmpty() || text.size() > 10)
        return false;
    qint64 value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        value = value * 10 + (c.unicode() - '0');
    }
    if (value > 2147483647)
        return false;
    key = int(value);
    return true;
}

int KeyOfRow(const CGridCtrl& grid, int row) {
    int key = 0;
    if (row < grid.GetFixedRowCount() || row >= grid.GetRowCount() ||
        !ParseKey(grid.GetItemText(row, 0).trimmed(), key))
        return 0;
    return key;
}

QString ContinueQuestion(const QString& error) {
    return error + QStringLiteral("\r\n\r\n是否继续?");
}

BatchResult RunRows(DbConnection& connection, Prompt& prompt, const QList<int>& rows,
                    const std::function<bool(int row, QString& error)>& action) {
    BatchResult result;
    DbTransaction batch(connection);
    if (!batch.IsActive()) {
        prompt.Message(batch.GetLastError());
        return result;
    }
    for (const int row : rows) {
        DbTransaction one(connection);
        QString error;
        bool ok = one.IsActive();
        if (!ok)
            error = one.GetLastError();
        else
            ok = action(row, error);
        if (ok && !one.Commit()) {
            ok = false;
            error = one.GetLastError();
        }
        if (ok) {
            ++result.done;
            continue;
        }
        one.Rollback();
        ++result.failed;
        if (prompt.Ask(ContinueQuestion(error), Prompt::Buttons::YesNo) != Prompt::Answer::Yes) {
            result.stopped = true;
            break;
        }
    }
    result.committed = batch.Commit();
    if (!result.committed) {
        result.done = 0;
        prompt.Message(batch.GetLastError());
    }
    return result;
}

} // namespace SelectedRows
