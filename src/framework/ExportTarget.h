#pragma once

#include <QString>

class DbConnection;
class Prompt;

// Where an export goes: the save dialog (through the prompt), the default
// suffix added, a question before an existing file is replaced, and never
// the database file the program is working on (its -wal and -journal
// companions included).
namespace ExportTarget {

// The chosen path, or an empty text when the user cancelled, declined to
// replace the file, or chose the live database file (which is then said).
QString Choose(Prompt& prompt, const DbConnection& connection, const QString& caption,
               const QString& filter, const QString& suffix);

// True when `path` is the open SQLite database file or one of its companions.
bool IsLiveDatabase(const DbConnection& connection, const QString& path);

} // namespace ExportTarget
