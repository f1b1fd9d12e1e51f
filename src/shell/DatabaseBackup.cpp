#include "shell/DatabaseBackup.h"

#include "base/ProgramFolder.h"

#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/SqlLiteral.h"
#include "shell/Privilege.h"
#include "ui/Prompt.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <unistd.h>

namespace {

// The save dialog does not add an extension by itself; a name typed without
// one gets ".bak", as the dialog proposes.
QString WithDefaultSuffix(const QString& path) {
    if (!QFileInfo(path).suffix().isEmpty())
        return path;
    return path + QStringLiteral(".bak");
}

// A file path as a connection-string value; quoted only when it would
// otherwise end the value early.
QString ConnectionValue(const QString& path) {
    if (!path.contains(QLatin1Char(';')))
        return path;
    QString quoted = path;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// True when the file is a whole, readable SQLite database holding the
// program's tables. Opening alone proves nothing: SQLite reads a file only
// when asked, so a text file or a truncated copy would "open" fine.
bool IsProgramDatabase(const QString& path) {
    // SQLite would make a new empty database for a missing name.
    if (!QFileInfo(path).isFile())
        return false;

    DbConnection probe;
    if (!probe.Open(QStringLiteral("Provider=SQLite;Data Source=") + ConnectionValue(path)))
        return false;

    bool whole = false;
    {
        DbRecordset check(probe);
        whole = check.Open(QStringLiteral("pragma quick_check")) && !check.IsEOF() &&
                check.GetString(0) == QLatin1String("ok");
    }
    bool ours = false;
    if (whole) {
        DbRecordset users(probe);
        ours = users.Open(QStringLiteral("select * from UserData where 1=0")) != 0;
    }
    probe.Close();
    return whole && ours;
}

// Copies source to target in full, flushed to the disk; false on any error.
bool CopyContents(const QString& source, QFile& target) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    constexpr qint64 kChunk = 1 << 20;
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(kChunk);
        if (chunk.isEmpty() && in.error() != QFileDevice::NoError)
            return false;
        if (target.write(chunk) != chunk.size())
            return false;
    }
    return target.flush() && ::fsync(target.handle()) == 0;
}

} // namespace

DatabaseBackup::DatabaseBackup(Prompt& prompt, DbConnection& connection)
    : prompt_(prompt), connection_(connection) {}

QString DatabaseBackup::DatabasePath(const QString& connectionString) {
    static const QString key = QStringLiteral("Source=");
    const qsizetype at = connectionString.indexOf(key);
    if (at < 0)
        return QString();
    const QString rest = connectionString.mid(at + key.size());
    const qsizetype end = rest.indexOf(QLatin1Char(';'));
    // A relative file is the one the connection opened: in the program folder.
    return ResolveProgramPath(end > 0 ? rest.left(end) : rest);
}

QString DatabaseBackup::FileFilter() {
    return QStringLiteral("数据备份文件 (*.bak);;所有文件 (*)");
}

bool DatabaseBackup::RefuseUnlessAdmin(const QString& userName) {
    if (IsAdmin(userName))
        return true;
    prompt_.Message(QStringLiteral("只有用户admin具有此权力"));
    return false;
}

bool DatabaseBackup::Backup(const QString& userName) {
    if (!RefuseUnlessAdmin(userName))
        return false;

    const QString databasePath = DatabasePath(connection_.GetConnectionString());
    if (databasePath.isNull()) {
        prompt_.Message(QStringLiteral("此版本暂时仅支持MDB数据备份"));
        return false;
    }

    const QString chosen =
        prompt_.SaveFileName(QStringLiteral("备份数据"), QString(), FileFilter());
    if (chosen.isEmpty())
        return false;
    const QString target = WithDefaultSuffix(chosen);

    bool copied = false;
    {
        WaitCursor wait(prompt_);
        copied = CopyDatabase(databasePath, target);
    }
    if (!copied) {
        prompt_.Message(QStringLiteral("备份失败,目标文件可能已经存在!"));
        return false;
    }
    prompt_.Message(QStringLiteral("备份成功\r\n") + target);
    return true;
}

bool DatabaseBackup::CopyDatabase(const QString& databasePath, const QString& target) {
    // Never over an existing file (nor through a dangling link).
    const QFileInfo existing(target);
    if (existing.exists() || existing.isSymLink())
        return false;

    // SQLite writes the copy itself, from one read transaction, so it is
    // consistent even while this program (or another) has the file open.
    if (connection_.IsOpen() && connection_.GetEngine() == DbConnection::Engine::SQLite) {
        if (connection_.Execute(QStringLiteral("vacuum into ") + SqlLiteral::Text(target)))
            return true;
        // It may have left a partial file; the name was free before.
        QFile::remove(target);
    }
    // Without a usable connection the file is copied as it lies on disk; the
    // program runs its statements one at a time, so between two commands the
    // file holds no half-written change.
    return QFile::copy(databasePath, target);
}

bool DatabaseBackup::Restore(const QString& userName) {
    if (!RefuseUnlessAdmin(userName))
        return false;

    const QString databasePath = DatabasePath(connection_.GetConnectionString());
    if (databasePath.isNull()) {
        prompt_.Message(QStringLiteral("此版本暂时仅支持MDB数据的恢复"));
        return false;
    }

    const QString source =
        prompt_.OpenFileName(QStringLiteral("恢复数据"), QString(), FileFilter());
    if (source.isEmpty())
        return false;

    bool valid = false;
    {
        WaitCursor wait(prompt_);
        valid = IsProgramDatabase(source);
    }
    if (!valid) {
        prompt_.Message(QStringLiteral("打开备份文件失败"));
        return false;
    }

    bool copied = false;
    bool reopened = false;
    {
        WaitCursor wait(prompt_);
        connection_.Close();
        copied = ReplaceDatabase(source, databasePath);
        // Reopened in every case: after a failed copy on the old file.
        reopened = connection_.Open(connection_.GetConnectionString()) != 0;
    }

    if (!copied) {
        prompt_.Message(QStringLiteral("复制文件失败!"));
        return false;
    }
    if (!reopened) {
        prompt_.Message(QStringLiteral("数据恢复失败!!!"));
        return false;
    }
    prompt_.Message(QStringLiteral("数据恢复成功\r\n") + source);
    return true;
}

bool DatabaseBackup::ReplaceDatabase(const QString& source, const QString& databasePath) {
    // The copy goes to a file beside the database and replaces it by a rename,
    // so the database file is either the old one or the whole new one. The
    // name is fixed so that an interrupted restore leaves no pile of copies.
    const QString temporary = databasePath + QStringLiteral(".restore");
    QFile::remove(temporary);

    QFile out(temporary);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const bool written = CopyContents(source, out);
    out.close();
    if (!written || out.error() != QFileDevice::NoError) {
        QFile::remove(temporary);
        return false;
    }
    const QFileInfo old(databasePath);
    if (old.exists())
        QFile::setPermissions(temporary, old.permissions());

    // A journal or write-ahead log left beside the database belongs to the old
    // file; SQLite would apply it to the restored one and damage it.
    for (const char* companion : {"-journal", "-wal", "-shm"})
        QFile::remove(databasePath + QLatin1String(companion));

    if (std::rename(QFile::encodeName(temporary).constData(),
                    QFile::encodeName(databasePath).constData()) != 0) {
        QFile::remove(temporary);
        return false;
    }
    return true;
}
