#include "GatewaySettings.h"

#include "base/IniFile.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <dlfcn.h>

GatewaySettings GatewaySettings::Read(const QString& iniPath, const QString& folder) {
    IniFile ini;
    ini.Load(iniPath);
    const QString section = QStringLiteral(".");
    const auto text = [&ini, &section](const char* key) {
        return ini.GetString(section, QString::fromLatin1(key));
    };
    GatewaySettings settings;
    settings.method = text("Method").trimmed().toUpper();
    settings.body = text("Body");
    settings.contentType = text("ContentType").trimmed();
    settings.signature = text("Signature");
    settings.successRule = text("SuccessRule");
    settings.errorField = text("ErrorField").trimmed();
    const QString charset = text("Charset").trimmed().toUpper();
    if (charset == QStringLiteral("GBK") || charset == QStringLiteral("GB2312") ||
        charset == QStringLiteral("GB18030")) {
        settings.charset = Charset::Gbk;
    }
    const int timeout = ini.GetInt(section, QStringLiteral("Timeout"));
    settings.timeoutSeconds = timeout > 0 ? std::min(timeout, kMaxTimeout) : kDefaultTimeout;
    const QString ca = text("CaFile").trimmed();
    if (!ca.isEmpty()) {
        settings.caFile = QDir::isAbsolutePath(ca) ? ca : QDir(folder).filePath(ca);
    }
    return settings;
}

QString LibraryFolder() {
    // Any address inside this library names its file.
    Dl_info info{};
    if (::dladdr(reinterpret_cast<const void*>(&LibraryFolder), &info) == 0 ||
        info.dli_fname == nullptr) {
        return QDir::currentPath() + QLatin1Char('/');
    }
    QString folder = QFileInfo(QFile::decodeName(info.dli_fname)).absolutePath();
    if (!folder.endsWith(QLatin1Char('/'))) {
        folder += QLatin1Char('/');
    }
    return folder;
}
