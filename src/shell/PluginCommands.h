#pragma once

#include <QString>

class DbConnection;
class Prompt;
class QWidget;

// The commands whose views come from plug-in modules: which module and entry
// point, what parameter text the entry receives and which window title follows.
enum class PluginParameter {
    User,  // "UserName=" + the percent-encoded GBK bytes of the user name
    Empty, // the empty text
};

enum class PluginTitleMode {
    None,      // the window title is left as it is
    Always,    // set whenever the entry point returned a view
    WhenShown, // set only when the view host accepted the view
};

struct PluginCommand {
    int command;
    const char* module; // file name in the program folder
    const char* entry;  // exported entry point name
    PluginParameter parameter;
    const char* title; // UTF-8; empty when the command sets no title
    PluginTitleMode titleMode;

    QString Module() const;
    QString Entry() const;
    QString Title() const;
    // The parameter text for the logged-in user.
    QString ParameterFor(const QString& userName) const;
    // Whether the title is to be set after the entry point returned (or not) a
    // view and the host showed (or refused) it.
    bool TitleApplies(bool viewReturned, bool viewShown) const;
};

// The command's row, or null when the command is not a plug-in command.
const PluginCommand* FindPluginCommand(int command);

// "UserName=" followed by the user name's GBK bytes, letters and digits kept
// and every other byte written as %XX.
QString UserNameParameter(const QString& userName);

// Runs a plug-in command's module part: builds the parameter text for the user,
// loads the module and calls the entry. Rights tests, showing the view and the
// title are the caller's. Null after the launcher's message or when the entry
// returned null.
// privilege: the privilege text of the user's login, handed to the module.
QWidget* LaunchPluginCommand(const PluginCommand& command, const QString& userName, Prompt& prompt,
                             DbConnection& connection, const QString& privilege = QString());
