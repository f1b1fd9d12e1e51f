#pragma once

#include <QList>
#include <QString>

#include <functional>

class CGridCtrl;
class DbConnection;
class Prompt;

// The rows a list command acts on, and the pattern every "act on the selected
// rows" command of the lists shares.
namespace SelectedRows {

// True when the grid's selected cells have a valid bounding range.
bool HasSelection(const CGridCtrl& grid);
// The top data row of the selection, or -1 without a selection.
int TopRow(const CGridCtrl& grid);
// The data rows of the selected range whose cell in column 1 is selected,
// bottom row first (deleting from the bottom keeps the rows above in place).
QList<int> BottomUp(const CGridCtrl& grid);

// Parses a record key shown in a grid: digits only, at least one, no sign,
// within the 32-bit range. A key travels into statements as this number,
// never as the cell's text.
bool ParseKey(const QString& text, int& key);

// The key in the first column of a data row; 0 for a header row, a row
// outside the grid or a cell that holds no key.
int KeyOfRow(const CGridCtrl& grid, int row);

// What a batch over the selected rows did.
struct BatchResult {
    int done = 0;         // rows whose action succeeded and were kept
    int failed = 0;       // rows whose action failed (each rolled back)
    bool stopped = false; // the user answered No to "是否继续?"
    bool committed = false;
};

// Runs `action` for each row in the order given, all inside one transaction,
// each row inside a savepoint of its own. When a row fails (the action returns
// false and puts the reason into `error`), only that row is undone and the user
// is asked the reason followed by "\r\n\r\n是否继续?": Yes goes on with the
// next row, No ends the loop. What succeeded is committed in both cases. A
// transaction that cannot begin or commit is reported with the database's text.
BatchResult RunRows(DbConnection& connection, Prompt& prompt, const QList<int>& rows,
                    const std::function<bool(int row, QString& error)>& action);

// The question asked after a failed row.
QString ContinueQuestion(const QString& error);

} // namespace SelectedRows
