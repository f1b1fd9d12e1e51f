#include "MailSendSettings.h"

#include "base/IniFile.h"
#include "base/ProgramFolder.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

const QString kSection = QStringLiteral(".");

} // namespace

QString MailSendSettings::SettingsPath() {
    return ProgramPath(QStringLiteral("data/mailtask.ini"));
}

MailSendSettings MailSendSettings::Read() {
    IniFile ini;
    ini.Load(SettingsPath());
    MailSendSettings settings;
    settings.perMinute =
        std::clamp(ini.GetInt(kSection, QStringLiteral("PerMinute")), 0, kMaxPerMinute);
    const int connections = ini.GetInt(kSection, QStringLiteral("Connections"));
    settings.connections =
        connections > 0 ? std::min(connections, kMaxConnections) : kDefaultConnections;
    const int timeout = ini.GetInt(kSection, QStringLiteral("Timeout"));
    settings.timeoutSeconds = timeout > 0 ? timeout : kDefaultTimeout;
    return settings;
}

bool MailSendSettings::Save() const {
    const QString path = SettingsPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    IniFile ini;
    ini.Load(path);
    ini.SetString(kSection, QStringLiteral("PerMinute"), QString::number(perMinute));
    ini.SetString(kSection, QStringLiteral("Connections"), QString::number(connections));
    ini.SetString(kSection, QStringLiteral("Timeout"), QString::number(timeoutSeconds));
    return ini.Save(path);
}
