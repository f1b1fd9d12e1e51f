#pragma once

#include <QIcon>
#include <QStringList>

class Prompt;
class QApplication;

// Process-wide set-up before the main window exists: Qt's own Chinese
// translations so standard buttons read 是/否/确定/取消, a font that renders
// Chinese, the program's icon, and then the program folder.
namespace Application {

// The folder named by "--home DIR" or "--home=DIR" in the arguments, else by
// the environment variable TORVEL_HOME, else empty.
QString HomeFromArguments(const QStringList& arguments, const QString& environment);

// The program's icon: the main window's and, as the application's icon, that
// of every dialog and message box.
QIcon Icon();

void Configure(QApplication& app);

// Chooses the program folder: --home DIR, else TORVEL_HOME, else the
// executable's folder, except for a shared installation (see UserFolder),
// whose users each get their own folder, filled on the first start. Then
// connects the services that live in it. False, after telling the user why,
// when the per-user folder cannot be made.
bool ChooseProgramFolder(Prompt& prompt);

// Hands the program folder's trace log to the network layer and the mobile
// region service to the customer form (part of Configure).
void ConnectServices();

} // namespace Application
