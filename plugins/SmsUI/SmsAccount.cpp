#include "SmsAccount.h"

#include "base/IniFile.h"
#include "base/ProgramFolder.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

const QString kSection = QStringLiteral(".");

} // namespace

QString SmsAccount::SettingsPath() {
    return ProgramPath(QStringLiteral("data/smsgate.ini"));
}

SmsAccount SmsAccount::Read() {
    IniFile ini;
    ini.Load(SettingsPath());
    SmsAccount account;
    account.server = ini.GetString(kSection, QStringLiteral("ServerURL"));
    account.user = ini.GetString(kSection, QStringLiteral("UserName"));
    account.pass = ini.GetString(kSection, QStringLiteral("UserPass"));
    account.signature = ini.GetString(kSection, QStringLiteral("Signature"));
    const int parallel = ini.GetInt(kSection, QStringLiteral("Parallel"));
    account.parallel = parallel > 0 ? std::min(parallel, kMaxParallel) : kDefaultParallel;
    return account;
}

bool SmsAccount::Save() const {
    const QString path = SettingsPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    IniFile ini;
    ini.Load(path);
    ini.SetString(kSection, QStringLiteral("ServerURL"), server);
    ini.SetString(kSection, QStringLiteral("UserName"), user);
    ini.SetString(kSection, QStringLiteral("UserPass"), pass);
    ini.SetString(kSection, QStringLiteral("Signature"), signature);
    ini.SetString(kSection, QStringLiteral("Parallel"), QString::number(parallel));
    return ini.Save(path, IniFile::Access::OwnerOnly);
}
