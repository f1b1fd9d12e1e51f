#pragma once

#include "db/DbConnection.h"

#include <QMainWindow>

#include <functional>

class Prompt;
class QLabel;

// The main window. It owns the one shared database connection for the whole
// run, the logged-in user's name and the product title, and routes every
// command number.
class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    explicit CMainFrame(Prompt& prompt, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Builds the window and opens the database; after a successful open the
    // login command is posted, so the login dialog appears as soon as the
    // event loop runs. Returns true when the frame stands (also when the
    // database could not be opened: the window then stays empty).
    bool Create();

    // Runs a command number from the menu, the navigation bar or a view.
    virtual void OnCommand(int id);
    // Queues a command to run once control returns to the event loop.
    void PostCommand(int id);

    DbConnection& Connection() { return connection_; }
    Prompt& GetPrompt() { return prompt_; }
    QString UserName() const { return userName_; }
    void SetUserName(const QString& name) { userName_ = name; }
    QString ProductTitle() const { return productTitle_; }

    // Title text + " - " + product title, or the product title alone.
    void SetViewTitle(const QString& text);

    // The login runs through this hook until the login dialog is wired in.
    void SetLoginHandler(std::function<void()> handler) { loginHandler_ = std::move(handler); }

private:
    void CreateStatusBar();

    Prompt& prompt_;
    DbConnection connection_;
    QString userName_;
    QString productTitle_;
    std::function<void()> loginHandler_;
};
