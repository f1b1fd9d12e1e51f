#pragma once

#include <QString>

// The program folder of a program installed for every user of a computer.
// The installed folder is read-only and shared, so each user works in a
// folder of their own, filled from the installed, delivered files on the
// first start.
namespace UserFolder {

// True when `installedFolder` is a shared installation: the package marks it
// with the file "installed", or the user cannot write to it. The mark matters
// for root, who could write to the installed folder but must not keep data in
// it.
bool IsSharedInstallation(const QString& installedFolder);

// $XDG_DATA_HOME/torvel/, normally ~/.local/share/torvel/.
QString Location();

// Copies the delivered files (settings files, res/, templet/, images/ and the
// fresh torvel.db) that `folder` lacks from `installedFolder`. A file already
// there is never replaced, so a user's data survives every upgrade. The
// folder itself is made readable by its owner only: it holds the database.
// False with `error` saying which file failed.
bool Fill(const QString& installedFolder, const QString& folder, QString& error);

} // namespace UserFolder
