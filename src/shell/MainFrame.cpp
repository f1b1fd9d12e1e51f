#include "shell/MainFrame.h"

#include "base/IniFile.h"
#include "base/ProgramFolder.h"
#include "business/CustomerDetailDlg.h"
#include "business/OrderCustomFieldBoxes.h"
#include "business/OrderListView.h"
#include "framework/CommandIds.h"
#include "framework/CustomerDetail.h"
#include "framework/MailSettingsDlg.h"
#include "shell/AboutDialog.h"
#include "shell/AccessMigrationOffer.h"
#include "shell/Application.h"
#include "shell/CommandTable.h"
#include "shell/DataSourceDialog.h"
#include "shell/DatabaseBackup.h"
#include "shell/LoginDialog.h"
#include "shell/MainMenu.h"
#include "shell/NavigationTable.h"
#include "shell/PluginCommands.h"
#include "shell/PluginLauncher.h"
#include "shell/Privilege.h"
#include "shell/Startup.h"
#include "shell/ViewHost.h"
#include "ui/ColorRef.h"
#include "ui/Prompt.h"
#include "ui/SmallBarCtrl.h"

#include <QApplication>
#include <QFileInfo>
#include <QMenuBar>
#include <QScreen>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>

namespace {

// How long a status-bar note stays.
constexpr int kNoteMilliseconds = 5000;

QString UpdaterPath() {
    return ProgramPath(QStringLiteral("updater"));
}

} // namespace

CMainFrame::CMainFrame(Prompt& prompt, QWidget* parent) : QMainWindow(parent), prompt_(prompt) {
    setWindowTitle(Prompt::AppTitle());
    setObjectName(QStringLiteral("MainFrame"));
    setWindowIcon(Application::Icon());
    RegisterBuiltinViews(views_);
    // Order forms and lists show the columns users added to orders.
    InstallOrderCustomFields();
    // A list row's 客户资料 shows its customer's detail tabs.
    SetCustomerDetailOpener([this](int customerKey, QWidget* over) {
        ShowCustomerDetail(prompt_, connection_, {userName_, HoldsPrivilegeCheck()}, customerKey,
                           over);
    });
}

CMainFrame::~CMainFrame() {
    SetCustomerDetailOpener(nullptr);
    SetOrderCustomFields(nullptr);
    SetOrderListExtraColumns(nullptr);
    // The view may still use the connection while it goes.
    delete viewHost_;
    viewHost_ = nullptr;
    connection_.Close();
}

bool CMainFrame::Create() {
    // The window is shown maximised; sized to the screen beforehand it also
    // fills it on a desktop without a window manager to maximise it.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());
    CreateStatusBar();
    CreateLayout();
    BuildMainMenu(*menuBar(), this, [this](int id) { OnCommand(id); });
    CreateShortcuts();

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
    bar->showMessage(ReadyText());
    // A timed note ("…: 该功能尚未提供") clears the bar when it expires; the
    // bar then says ready again rather than nothing.
    connect(bar, &QStatusBar::messageChanged, this, [bar](const QString& text) {
        if (text.isEmpty())
            bar->showMessage(ReadyText());
    });
}

void CMainFrame::CreateLayout() {
    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->setObjectName(QStringLiteral("Splitter"));
    splitter_->setChildrenCollapsible(false);

    navigationBar_ = new CSmallBarCtrl(splitter_);
    navigationBar_->setObjectName(QStringLiteral("NavigationBar"));
    navigationBar_->SetAnimationDelay(20);
    navigationBar_->SetPictureSize(16, 16);
    // The frame's own shades for the item under the mouse and the selected
    // item (stored as the system's red-lowest colour values).
    navigationBar_->SetColor(CSmallBarCtrl::Color::HotItem, ColorRef::ToColor(0xF3CBCD));
    navigationBar_->SetColor(CSmallBarCtrl::Color::SelectedItem, ColorRef::ToColor(0xEDAFB3));
    FillNavigationBar(*navigationBar_, ProgramPath(QStringLiteral("images/list_site.jpg")));
    // Queued, as a click on the bar is a posted command: the bar finishes its
    // mouse handling before a view or a message box appears.
    connect(navigationBar_, &CSmallBarCtrl::itemCommand, this, &CMainFrame::OnCommand,
            Qt::QueuedConnection);

    viewHost_ = new ViewHost(splitter_);

    splitter_->addWidget(navigationBar_);
    splitter_->addWidget(viewHost_);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    navigationBar_->setMinimumWidth(kNavigationWidth / 2);
    splitter_->setSizes({kNavigationWidth, qMax(width() - kNavigationWidth, kNavigationWidth)});
    setCentralWidget(splitter_);
}

void CMainFrame::CreateShortcuts() {
    // The standard editing keys reach the focused widget of the current view
    // directly; only the pane keys need the frame: F6 and Shift+F6 move the
    // focus between the navigation bar and the view.
    const auto other = [this] {
        QWidget* focus = QApplication::focusWidget();
        const bool inView = focus && viewHost_->isAncestorOf(focus);
        if (inView || !viewHost_->CurrentView())
            navigationBar_->setFocus(Qt::OtherFocusReason);
        else
            viewHost_->setFocus(Qt::OtherFocusReason);
    };
    for (const QKeySequence& keys :
         {QKeySequence(Qt::Key_F6), QKeySequence(Qt::SHIFT | Qt::Key_F6)}) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, other);
    }
    navigationBar_->setFocusPolicy(Qt::StrongFocus);
}

void CMainFrame::PostCommand(int id) {
    QTimer::singleShot(0, this, [this, id] { OnCommand(id); });
}

void CMainFrame::OnCommand(int id) {
    if (viewHost_ && viewHost_->OnCommand(id))
        return;
    const CommandEntry* entry = FindCommand(id);
    if (!entry || !Permits(*entry))
        return;

    switch (entry->kind) {
    case CommandKind::View:
        OpenView(*entry);
        break;
    case CommandKind::Plugin:
        OpenPluginView(*entry);
        break;
    case CommandKind::Login:
        OnLogin();
        break;
    case CommandKind::Backup:
        OnBackup();
        break;
    case CommandKind::Restore:
        OnRestore();
        break;
    case CommandKind::Homepage:
        OnHomepage();
        break;
    case CommandKind::OnlineUpdate:
        OnOnlineUpdate();
        break;
    case CommandKind::About:
        OnAbout();
        break;
    case CommandKind::Exit:
        close();
        break;
    case CommandKind::DataSource:
        OnDataSource();
        break;
    case CommandKind::MailSettings:
        RunMailSettings(prompt_, this);
        break;
    }
}

bool CMainFrame::Permits(const CommandEntry& entry) {
    switch (entry.rule) {
    case CommandRule::Everyone:
        return true;
    case CommandRule::AdminOnly:
        if (IsAdmin(userName_))
            return true;
        prompt_.Message(InsufficientRightsText());
        return false;
    case CommandRule::Privilege:
        return HasPrivilege(privilege_, entry.Privilege(), prompt_);
    }
    return false;
}

void CMainFrame::OpenView(const CommandEntry& entry) {
    if (!views_.Contains(entry.command)) {
        NotAvailable(entry);
        return;
    }
    const ViewContext context{
        connection_,        prompt_,         entry.UserFor(userName_), entry.FilterFor(userName_),
        entry.Definition(), entry.Caption(), IsAdmin(userName_),       HoldsPrivilegeCheck()};
    QWidget* view = views_.Create(entry.command, context);
    if (view && !viewHost_->ShowView(view))
        delete view;
}

PrivilegeCheck CMainFrame::HoldsPrivilegeCheck() {
    // Asked at use, so a later login's rights hold in views opened before it.
    return [this](const QString& right) { return HoldsPrivilege(privilege_, right); };
}

void CMainFrame::OpenPluginView(const CommandEntry& entry) {
    const PluginCommand* plugin = FindPluginCommand(entry.command);
    if (!plugin) {
        NotAvailable(entry);
        return;
    }
    QWidget* view = LaunchPluginCommand(*plugin, userName_, prompt_, connection_, privilege_);
    const bool shown = view && viewHost_->ShowView(view);
    if (view && !shown)
        delete view;
    if (plugin->TitleApplies(view != nullptr, shown))
        SetViewTitle(plugin->Title());
}

void CMainFrame::NotAvailable(const CommandEntry& entry) {
    statusBar()->showMessage(entry.Text() + QStringLiteral(": 该功能尚未提供"), kNoteMilliseconds);
}

QWidget* CMainFrame::LoadModuleView(const QString& moduleFile, const QString& entryName,
                                    const QString& parameter) {
    PluginLauncher launcher(prompt_, connection_, userName_, privilege_);
    return launcher.LoadModuleView(moduleFile, entryName, parameter);
}

void CMainFrame::OnLogin() {
    const bool wasLoggedIn = IsLoggedIn();
    LoginDialog dialog(connection_, prompt_, this);
    if (prompt_.RunModal(dialog) != QDialog::Accepted) {
        // Nobody may use the program without logging in first; a later
        // cancelled login keeps the current user.
        if (!wasLoggedIn)
            PostCommand(Command::Exit);
        return;
    }
    userName_ = dialog.UserName();
    privilege_ = dialog.Privilege();
    PostCommand(Command::PlanCalendar);
    QTimer::singleShot(0, this, [this] { StartModuleServices(); });
    if (!wasLoggedIn) {
        // The automatic check for a newer version; an installation without the
        // update program simply has none.
        prompt_.StartProgram(UpdaterPath(), {QStringLiteral("auto")});
    }
}

void CMainFrame::StartModuleServices() {
    // An installation without the SMS module simply has no timed messages:
    // unlike a command, this is nothing the user asked for, so no message.
    const QString sms = QStringLiteral("SmsUI.so");
    if (!QFileInfo::exists(ModulePath(sms)))
        return;
    // The entry returns no view; it only hands the module this login.
    delete LoadModuleView(sms, QStringLiteral("timerService"));
}

void CMainFrame::OnBackup() {
    DatabaseBackup(prompt_, connection_).Backup(userName_);
}

void CMainFrame::OnRestore() {
    DatabaseBackup(prompt_, connection_).Restore(userName_);
}

void CMainFrame::OnHomepage() {
    IniFile product;
    product.Load(ProgramPath(QStringLiteral("velmora.ini")));
    const QString homepage =
        product.GetString(QStringLiteral("Register"), QStringLiteral("Homepage"));
    if (homepage.isEmpty()) {
        prompt_.Message(QStringLiteral("未设置产品主页地址[Register/Homepage]"));
        return;
    }
    prompt_.OpenUrl(homepage);
}

void CMainFrame::OnOnlineUpdate() {
    prompt_.StartProgram(UpdaterPath(), {});
}

void CMainFrame::OnAbout() {
    AboutDialog dialog(prompt_, this);
    prompt_.RunModal(dialog);
}

void CMainFrame::OnDataSource() {
    QString chosen;
    QString accessFile;
    if (!PromptDataSource(prompt_, chosen, connection_.GetConnectionString(), this, &accessFile) ||
        chosen.isEmpty())
        return;
    // An old Access database is migrated first (when the user agrees); the
    // command then goes on with the new database. Declined or failed, the
    // connection stays as it is.
    if (!AccessMigrationOffer::ForDataSource(prompt_, accessFile, chosen))
        return;

    // Kept for whoever reads base.ini; database.ini stays as it is, so the
    // next start opens the usual database again.
    const QString path = ProgramPath(QStringLiteral("base.ini"));
    IniFile base;
    base.Load(path);
    base.SetString(QStringLiteral("Database"), QStringLiteral("Connect"), chosen);
    base.Save(path);

    connection_.Close();
    WaitCursor wait(prompt_);
    // A failure is not shown: the connection keeps the reason as its last
    // error, and every later database call reports it.
    connection_.Open(chosen);
}

void CMainFrame::SetViewTitle(const QString& text) {
    setWindowTitle(text.isEmpty() ? productTitle_ : text + QStringLiteral(" - ") + productTitle_);
}
