#pragma once

#include <QStringList>

class QApplication;

// Process-wide set-up before the main window exists: the program folder
// (--home DIR, else TORVEL_HOME, else the executable's folder), Qt's own
// Chinese translations so standard buttons read 是/否/确定/取消, and a font
// that renders Chinese.
namespace Application {

// The folder named by "--home DIR" or "--home=DIR" in the arguments, else by
// the environment variable TORVEL_HOME, else empty.
QString HomeFromArguments(const QStringList& arguments, const QString& environment);

void Configure(QApplication& app);

} // namespace Application
