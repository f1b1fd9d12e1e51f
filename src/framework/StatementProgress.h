#pragma once

#include <QString>

#include <functional>

class DbConnection;
class Prompt;

// Runs `work` (statements on `connection`) under a progress window with 停止.
// A long statement on SQLite calls back while it works, which keeps the
// window painted and lets 停止 interrupt it: the statement then fails and
// `work` returns false. PostgreSQL runs each statement on the server, so
// there the window shows between statements only. Returns what `work`
// returned; `stopped` (when given) says whether the user stopped it.
bool RunWithStatementProgress(Prompt& prompt, DbConnection& connection, const QString& text,
                              const std::function<bool()>& work, bool* stopped = nullptr);
