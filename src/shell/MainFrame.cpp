#include "shell/MainFrame.h"

#include "shell/CommandIds.h"
#include "shell/Startup.h"
#include "ui/Prompt.h"

#include <QLabel>
#include <QStatusBar>
#include <QTimer>

CMainFrame::CMainFrame(Prompt& prompt, QWidget* parent) : QMainWindow(parent), prompt_(prompt) {
    setWindowTitle(Prompt::AppTitle());
    setObjectName(QStringLiteral("MainFrame"));
}

CMainFrame::~CMainFrame() {
    connection_.Close();
}

bool CMainFrame::Create() {
    CreateStatusBar();
    setCentralWidget(new QWidget(this));

    Startup startup(connection_, prompt_);
    if (startup.Run()) {
        productTitle_ = startup.ProductTitle();
        PostCommand(Command::Login);
    }
    return true;
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->showMessage(QStringLiteral("就绪"));
}

void CMainFrame::PostCommand(int id) {
    QTimer::singleShot(0, this, [this, id] { OnCommand(id); });
}

void CMainFrame::OnCommand(int id) {
    switch (id) {
    case Command::Login:
        if (loginHandler_)
            loginHandler_();
        break;
    case Command::Exit:
        close();
        break;
    default:
        break;
    }
}

void CMainFrame::SetViewTitle(const QString& text) {
    setWindowTitle(text.isEmpty() ? productTitle_ : text + QStringLiteral(" - ") + productTitle_);
}
