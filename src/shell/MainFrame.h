#pragma once

#include "db/DbConnection.h"
#include "shell/ViewRegistry.h"

#include <QMainWindow>

class CSmallBarCtrl;
class Prompt;
class QSplitter;
class ViewHost;
struct CommandEntry;

// The main window. It owns the one shared database connection for the whole
// run, the logged-in user's name and the product title, and routes every
// command number: first to the current view, then to its own command table,
// which opens a view (of the program or of a plug-in module), runs a dialog
// or a program, after the rights test the table names.
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

    // Queues a command to run once control returns to the event loop.
    void PostCommand(int id);

    DbConnection& Connection() { return connection_; }
    Prompt& GetPrompt() { return prompt_; }
    QString UserName() const { return userName_; }
    void SetUserName(const QString& name) { userName_ = name; }
    bool IsLoggedIn() const { return !userName_.isEmpty(); }
    // The privilege text of the logged-in user's row, read at login; the
    // rights tests use this, never the account file.
    QString Privilege() const { return privilege_; }
    QString ProductTitle() const { return productTitle_; }

    // Title text + " - " + product title, or the product title alone.
    void SetViewTitle(const QString& text);

    ViewHost* GetViewHost() const { return viewHost_; }
    CSmallBarCtrl* NavigationBar() const { return navigationBar_; }
    QSplitter* Splitter() const { return splitter_; }
    // The views this frame can open; the program's own are registered at
    // construction, tests add their own.
    ViewRegistry& Views() { return views_; }

    // Loads a plug-in module from the program folder and asks the entry point
    // for a view: null after the launcher's message, or when the entry made none.
    QWidget* LoadModuleView(const QString& moduleFile, const QString& entryName,
                            const QString& parameter = QString());

    // What the status bar says when no note is shown.
    static QString ReadyText() { return QStringLiteral("就绪"); }

    // Width of the navigation column.
    static constexpr int kNavigationWidth = 120;

public slots:
    // Runs a command number from the menu, the navigation bar, a view or a
    // plug-in module (which may invoke this slot by name).
    virtual void OnCommand(int id);

private:
    void CreateStatusBar();
    void CreateLayout();
    void CreateShortcuts();

    bool Permits(const CommandEntry& entry);
    // The rights question views get: the privilege text of the current login.
    PrivilegeCheck HoldsPrivilegeCheck();
    void OpenView(const CommandEntry& entry);
    void OpenPluginView(const CommandEntry& entry);
    void NotAvailable(const CommandEntry& entry);

    void OnLogin();
    // The services modules run in the background for the logged-in user
    // (the timed text messages of SmsUI.so), started after each login.
    void StartModuleServices();
    void OnBackup();
    void OnRestore();
    void OnHomepage();
    void OnOnlineUpdate();
    void OnAbout();
    void OnDataSource();

    Prompt& prompt_;
    DbConnection connection_;
    QString userName_;
    QString privilege_;
    QString productTitle_;
    ViewRegistry views_;
    QSplitter* splitter_ = nullptr;
    CSmallBarCtrl* navigationBar_ = nullptr;
    ViewHost* viewHost_ = nullptr;
};
