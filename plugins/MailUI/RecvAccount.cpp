#include "RecvAccount.h"

#include "base/IniFile.h"
#include "base/ProgramFolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>

namespace {

const QString kSection = QStringLiteral(".");

} // namespace

QString RecvAccount::SettingsPath() {
    return ProgramPath(QStringLiteral("data/mailrecv.ini"));
}

RecvAccount RecvAccount::Read() {
    IniFile ini;
    ini.Load(SettingsPath());
    RecvAccount account;
    const auto get = [&ini](const char* key) {
        return ini.GetString(kSection, QString::fromLatin1(key)).trimmed();
    };
    account.protocol = get("Protocol").compare(QLatin1String("POP3"), Qt::CaseInsensitive) == 0
                           ? Protocol::Pop3
                           : Protocol::Imap;
    account.security = get("Security").compare(QLatin1String("STARTTLS"), Qt::CaseInsensitive) == 0
                           ? Security::StartTls
                           : Security::Tls;
    account.server = get("Server");
    account.port = std::clamp(ini.GetInt(kSection, QStringLiteral("Port")), 0, 65535);
    account.user = get("User");
    account.pass = ini.GetString(kSection, QStringLiteral("Password"));
    const QString folder = get("Folder");
    if (!folder.isEmpty())
        account.folder = folder;
    account.caFile = get("CAFile");
    account.deleteOnServer = ini.GetInt(kSection, QStringLiteral("DeleteOnServer")) != 0;
    const int limit = ini.GetInt(kSection, QStringLiteral("Limit"));
    account.limit = limit > 0 ? std::min(limit, kMaxLimit) : kDefaultLimit;
    return account;
}

bool RecvAccount::Save() const {
    const QString path = SettingsPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    IniFile ini;
    ini.Load(path);
    ini.SetString(kSection, QStringLiteral("Protocol"),
                  protocol == Protocol::Pop3 ? QStringLiteral("POP3") : QStringLiteral("IMAP"));
    ini.SetString(kSection, QStringLiteral("Security"),
                  security == Security::StartTls ? QStringLiteral("STARTTLS")
                                                 : QStringLiteral("TLS"));
    ini.SetString(kSection, QStringLiteral("Server"), server);
    ini.SetInt(kSection, QStringLiteral("Port"), port);
    ini.SetString(kSection, QStringLiteral("User"), user);
    ini.SetString(kSection, QStringLiteral("Password"), pass);
    ini.SetString(kSection, QStringLiteral("Folder"), folder);
    ini.SetString(kSection, QStringLiteral("CAFile"), caFile);
    ini.SetInt(kSection, QStringLiteral("DeleteOnServer"), deleteOnServer ? 1 : 0);
    ini.SetInt(kSection, QStringLiteral("Limit"), limit);
    return ini.Save(path, IniFile::Access::OwnerOnly);
}

int RecvAccount::EffectivePort() const {
    if (port > 0)
        return port;
    const bool tls = security == Security::Tls;
    if (protocol == Protocol::Pop3)
        return tls ? 995 : 110;
    return tls ? 993 : 143;
}

QString RecvAccount::BaseUrl() const {
    QString scheme = protocol == Protocol::Pop3 ? QStringLiteral("pop3") : QStringLiteral("imap");
    if (security == Security::Tls)
        scheme += QLatin1Char('s');
    QUrl url;
    url.setScheme(scheme);
    url.setHost(server);
    url.setPort(EffectivePort());
    url.setPath(QStringLiteral("/"));
    return url.toString(QUrl::FullyEncoded);
}

QString RecvAccount::Key() const {
    QString key = (protocol == Protocol::Pop3 ? QStringLiteral("pop3:") : QStringLiteral("imap:")) +
                  user + QLatin1Char('@') + server.toLower();
    if (port > 0)
        key += QLatin1Char(':') + QString::number(port);
    if (protocol == Protocol::Imap)
        key += QLatin1Char('/') + folder;
    return key;
}

QString RecvAccount::FolderName() const {
    return QString::fromLatin1(
        QCryptographicHash::hash(Key().toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
}

QString RecvAccount::Problem() const {
    if (server.isEmpty())
        return QStringLiteral("请先设置收信服务器");
    if (user.isEmpty())
        return QStringLiteral("请先设置邮箱帐号");
    if (server.contains(QLatin1Char('/')) || server.contains(QLatin1Char(' ')))
        return QStringLiteral("收信服务器地址无效: ") + server;
    return QString();
}
