#include "shell/PluginCommands.h"

#include "net/Encoding.h"
#include "net/Gbk.h"
#include "shell/PluginLauncher.h"

#include <iterator>

namespace {

constexpr PluginParameter User = PluginParameter::User;
constexpr PluginParameter Empty = PluginParameter::Empty;
constexpr PluginTitleMode NoTitle = PluginTitleMode::None;
constexpr PluginTitleMode Always = PluginTitleMode::Always;
constexpr PluginTitleMode WhenShown = PluginTitleMode::WhenShown;

const PluginCommand kCommands[] = {
    {32857, "DailyWork.so", "planCalendar", User, "", NoTitle},
    {32853, "DailyWork.so", "managerCenter", User, "", NoTitle},
    {32854, "DailyWork.so", "listWorkerTask", User, "", NoTitle},
    {32832, "DailyWork.so", "listDailyWork", User, "", NoTitle},
    {32834, "DailyWork.so", "listDailyPlan", User, "", NoTitle},
    {32831, "DailyWork.so", "listAdvice", User, "", NoTitle},
    {32833, "DailyWork.so", "listBulletin", User, "", NoTitle},
    {32859, "DailyWork.so", "applyHoliday", User, "写请假条", WhenShown},
    {32826, "UserList.so", "listUser", User, "", NoTitle},
    {32846, "UserList.so", "listDimission", User, "", NoTitle},
    {32860, "UserList.so", "listWorkmate", User, "通讯录", WhenShown},
    {32827, "UserList.so", "listProduct", Empty, "", NoTitle},
    {32830, "Appliance.so", "listAppliance", Empty, "", NoTitle},
    {32847, "MailUI.so", "listMailTask", User, "群发电子邮件", Always},
    {32858, "MailUI.so", "listMailRecv", User, "接收电子邮件", Always},
    {32852, "SmsUI.so", "setupAccount", Empty, "短信帐号", Always},
    {32848, "SmsUI.so", "listSmsTask", Empty, "群发短信", Always},
    {32849, "SmsUI.so", "listTimerTask", Empty, "定时短信", Always},
    {32850, "SmsUI.so", "listExcelTask", Empty, "Excel短信", Always},
    {32851, "SmsUI.so", "listSuperTask", Empty, "超级群发", Always},
    {32855, "WageList.so", "listWage", Empty, "发放工资", Always},
    {32856, "WageList.so", "searchWage", User, "查询工资", Always},
};

} // namespace

QString PluginCommand::Module() const {
    return QString::fromLatin1(module);
}

QString PluginCommand::Entry() const {
    return QString::fromLatin1(entry);
}

QString PluginCommand::Title() const {
    return QString::fromUtf8(title);
}

QString PluginCommand::ParameterFor(const QString& userName) const {
    return parameter == PluginParameter::User ? UserNameParameter(userName) : QString();
}

bool PluginCommand::TitleApplies(bool viewReturned, bool viewShown) const {
    switch (titleMode) {
    case PluginTitleMode::Always:
        return viewReturned;
    case PluginTitleMode::WhenShown:
        return viewReturned && viewShown;
    case PluginTitleMode::None:
        break;
    }
    return false;
}

const PluginCommand* FindPluginCommand(int command) {
    for (const PluginCommand& row : kCommands) {
        if (row.command == command)
            return &row;
    }
    return nullptr;
}

QString UserNameParameter(const QString& userName) {
    return QStringLiteral("UserName=") +
           QString::fromLatin1(Encoding::UrlEncode(Gbk::Encode(userName)));
}

QWidget* LaunchPluginCommand(const PluginCommand& command, const QString& userName, Prompt& prompt,
                             DbConnection& connection, const QString& privilege) {
    PluginLauncher launcher(prompt, connection, userName, privilege);
    return launcher.LoadModuleView(command.Module(), command.Entry(),
                                   command.ParameterFor(userName));
}
