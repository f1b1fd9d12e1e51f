#pragma once

#include <QString>
#include <QStringList>

class DbConnection;
class Prompt;
class QWidget;

// Loads plug-in modules from the program folder and asks their entry points
// for a view.
//
// A module, once loaded, stays loaded until the process ends: the views it made
// (and the code behind their virtual functions) may outlive any one call, so
// the library handles are kept in one process-wide registry and never unloaded.
// Asking again for a loaded module reuses its handle.
class PluginLauncher final {
public:
    // userName and privilege: the logged-in user and the privilege text of
    // that login, handed to every entry point.
    PluginLauncher(Prompt& prompt, DbConnection& connection, QString userName = QString(),
                   QString privilege = QString());

    // Program folder + moduleFile is loaded (or reused), entryName is looked up
    // and called with the parameter text (sent as GBK bytes) and the
    // connection. Returns the entry's new view, or null: after the message
    // "模块加载失败:\r\n" + path when the library cannot be loaded, after
    // "未找到入口点:" + entryName when the entry is missing (the library then
    // stays loaded), and silently when the entry itself returns null.
    QWidget* LoadModuleView(const QString& moduleFile, const QString& entryName,
                            const QString& parameter = QString());

    // Full paths of the modules loaded so far in this process, in load order.
    static QStringList LoadedModules();

private:
    Prompt& prompt_;
    DbConnection& connection_;
    QString userName_;
    QString privilege_;
};
