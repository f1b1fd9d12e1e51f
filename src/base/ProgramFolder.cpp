#include "base/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <mutex>

namespace {

std::mutex& FolderMutex() {
    static std::mutex mutex;
    return mutex;
}

// The folder chosen by SetProgramFolder; empty while the executable's own applies.
QString& ChosenFolder() {
    static QString folder;
    return folder;
}

QString WithTrailingSlash(QString folder) {
    if (!folder.endsWith(QLatin1Char('/')))
        folder.append(QLatin1Char('/'));
    return folder;
}

QString ExecutableFolder() {
    if (QCoreApplication::instance())
        return WithTrailingSlash(QCoreApplication::applicationDirPath());
    // Before (or without) an application object, the kernel still knows where
    // the running image came from.
    static const QString folder = [] {
        const QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
        const QString dir = exe.isEmpty() ? QDir::currentPath() : QFileInfo(exe).absolutePath();
        return WithTrailingSlash(dir);
    }();
    return folder;
}

} // namespace

QString ProgramFolder() {
    {
        std::lock_guard<std::mutex> lock(FolderMutex());
        if (!ChosenFolder().isEmpty())
            return ChosenFolder();
    }
    return ExecutableFolder();
}

QString InstalledFolder() {
    return ExecutableFolder();
}

QString ModulePath(const QString& file) {
    const QString own = ProgramPath(file);
    if (QFileInfo::exists(own))
        return own;
    const QString installed = InstalledFolder() + file;
    // A module found nowhere is reported under the program folder's name,
    // where the user would put it.
    return QFileInfo::exists(installed) ? installed : own;
}

void SetProgramFolder(const QString& folder) {
    QString chosen;
    if (!folder.isEmpty()) {
        // Accept the system's own separators, and pin a relative folder to the
        // current directory now, so a later change of directory moves nothing.
        QString cleaned = folder;
        cleaned.replace(QLatin1Char('\\'), QLatin1Char('/'));
        chosen = WithTrailingSlash(QDir::cleanPath(QDir(cleaned).absolutePath()));
    }
    std::lock_guard<std::mutex> lock(FolderMutex());
    ChosenFolder() = chosen;
}

QString ProgramPath(const QString& relative) {
    QString path = relative;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return ProgramFolder() + path;
}

QString ResolveProgramPath(const QString& path) {
    if (path.isEmpty())
        return path;
    QString cleaned = path;
    cleaned.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (QDir::isAbsolutePath(cleaned))
        return path;
    return ProgramFolder() + cleaned;
}
