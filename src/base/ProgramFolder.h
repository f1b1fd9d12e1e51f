#pragma once

#include <QString>

// The folder every relative file of the program is resolved against: the
// running executable's folder unless --home or TORVEL_HOME named another.
// Always ends with '/'.
QString ProgramFolder();

// Chooses the program folder (used by start-up for --home / TORVEL_HOME and by
// tests); an empty folder returns to the executable's folder.
void SetProgramFolder(const QString& folder);

// The folder the running executable was installed in, whatever the program
// folder is: plug-in modules and the delivered files come from here.
QString InstalledFolder();

// A plug-in module (or the text-message library): the program folder's own
// copy when it has one, else the installed one. A per-user program folder
// holds no modules, yet a copied folder may carry a vendor's replacement.
QString ModulePath(const QString& file);

// ProgramFolder() + relative, with the system's '\' separators turned into '/'.
QString ProgramPath(const QString& relative);

// A file named in a setting (a database file, say): an absolute path as it
// stands, a relative one against the program folder rather than the working
// directory, which depends on how the program was started.
QString ResolveProgramPath(const QString& path);
