#include "shell/Application.h"
#include "shell/MainFrame.h"
#include "ui/QtPrompt.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    Application::Configure(app);

    QtPrompt prompt;
    if (!Application::ChooseProgramFolder(prompt))
        return 1;
    CMainFrame frame(prompt);
    prompt.SetParentWidget(&frame);
    if (!frame.Create())
        return 1;
    frame.showMaximized();
    return QApplication::exec();
}
