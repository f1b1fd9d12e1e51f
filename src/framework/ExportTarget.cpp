#include "framework/ExportTarget.h"

#include "db/DbConnection.h"
#include "ui/Prompt.h"

#include <QFileInfo>
#include <QSqlDatabase>

namespace ExportTarget {

bool IsLiveDatabase(const DbConnection& connection, const QString& path) {
    if (connection.GetEngine() != DbConnection::Engine::SQLite || !connection.IsOpen())
        return false;
    const QString database = QFileInfo(connection.Database().databaseName()).canonicalFilePath();
    if (database.isEmpty())
        return false;
    // The target need not exist yet: its folder is resolved instead, so a
    // new "-wal" beside the database is caught as well as the file itself.
    const QFileInfo target(path);
    const QString folder = QFileInfo(target.absolutePath()).canonicalFilePath();
    QString resolved = folder + QLatin1Char('/') + target.fileName();
    if (target.exists())
        resolved = target.canonicalFilePath();
    for (const QString& suffix :
         {QString(), QStringLiteral("-wal"), QStringLiteral("-journal"), QStringLiteral("-shm")}) {
        if (resolved == database + suffix)
            return true;
    }
    return false;
}

QString Choose(Prompt& prompt, const DbConnection& connection, const QString& caption,
               const QString& filter, const QString& suffix) {
    QString path = prompt.SaveFileName(caption, QString(), filter);
    if (path.isEmpty())
        return QString();
    if (QFileInfo(path).suffix().isEmpty() && !suffix.isEmpty())
        path += QLatin1Char('.') + suffix;
    if (IsLiveDatabase(connection, path)) {
        prompt.Message(QStringLiteral("不能导出到正在使用的数据库文件:\r\n") + path);
        return QString();
    }
    const QFileInfo info(path);
    if (info.isDir()) {
        prompt.Message(QStringLiteral("无法创建文件 ") + path);
        return QString();
    }
    if (info.exists() && prompt.Ask(path + QStringLiteral(" 已存在。\r\n要替换它吗?"),
                                    Prompt::Buttons::YesNo) != Prompt::Answer::Yes)
        return QString();
    return path;
}

} // namespace ExportTarget
