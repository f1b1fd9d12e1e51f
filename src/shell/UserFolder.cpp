#include "shell/UserFolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace UserFolder {

namespace {

const QString kInstalledMark = QStringLiteral("installed");

// The delivered folders, copied whole, and the delivered files at the top.
const QStringList& DeliveredFolders() {
    static const QStringList folders{QStringLiteral("res"), QStringLiteral("templet"),
                                     QStringLiteral("images")};
    return folders;
}

bool IsDeliveredTopFile(const QFileInfo& file) {
    return file.isFile() &&
           (file.suffix() == QLatin1String("ini") || file.fileName() == QLatin1String("torvel.db"));
}

bool CopyMissing(const QString& from, const QString& to, QString& error) {
    if (QFileInfo::exists(to))
        return true;
    if (!QDir().mkpath(QFileInfo(to).absolutePath())) {
        error = QStringLiteral("无法建立文件夹 %1").arg(QFileInfo(to).absolutePath());
        return false;
    }
    // QFile::copy writes a temporary file and renames it, so a failed copy
    // never leaves a half database that a later start would take as whole.
    QFile source(from);
    if (!source.copy(to)) {
        error = QStringLiteral("无法复制 %1 到 %2 (%3)").arg(from, to, source.errorString());
        return false;
    }
    // The installed files are read-only; the user's copies are theirs to change.
    QFile::setPermissions(to, QFile::permissions(to) | QFileDevice::WriteOwner);
    return true;
}

} // namespace

bool IsSharedInstallation(const QString& installedFolder) {
    if (QFileInfo::exists(installedFolder + kInstalledMark))
        return true;
    return ::access(QFile::encodeName(installedFolder).constData(), W_OK) != 0;
}

QString Location() {
    QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return data + QStringLiteral("/torvel/");
}

bool Fill(const QString& installedFolder, const QString& folder, QString& error) {
    if (!QDir().mkpath(folder)) {
        error = QStringLiteral("无法建立文件夹 %1").arg(folder);
        return false;
    }
    QFile::setPermissions(folder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    const QDir installed(installedFolder);
    for (const QFileInfo& file : installed.entryInfoList(QDir::Files)) {
        if (IsDeliveredTopFile(file) &&
            !CopyMissing(file.absoluteFilePath(), folder + file.fileName(), error))
            return false;
    }
    for (const QString& name : DeliveredFolders()) {
        QDirIterator it(installedFolder + name, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString from = it.next();
            if (!CopyMissing(from, folder + installed.relativeFilePath(from), error))
                return false;
        }
    }
    return true;
}

} // namespace UserFolder
