#pragma once

#include <QIcon>
#include <QStringList>

class QApplication;

// Process-wide set-up before the main window exists: the program folder
// (--home DIR, else TORVEL_HOME, else the executable's folder), Qt's own
// Chinese translations so standard buttons read 是/否/确定/取消, a font
// that renders Chinese, and the program's icon.
namespace Application {

// The folder named by "--home DIR" or "--home=DIR" in the arguments, else by
// the environment variable TORVEL_HOME, else empty.
QString HomeFromArguments(const QStringList& arguments, const QString& environment);

// The program's icon: the main window's and, as the application's icon, that
// of every dialog and message box.
QIcon Icon();

void Configure(QApplication& app);

// Hands the program folder's trace log to the network layer and the mobile
// region service to the customer form (part of Configure).
void ConnectServices();

} // namespace Application
