#include "TempProgramFolder.h"

#include "base/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TempProgramFolder::TempProgramFolder(bool withDatabase) {
    SetProgramFolder(dir_.path());
    if (withDatabase)
        copied_ = QFile::copy(DeliveredDatabase(), File(QStringLiteral("torvel.db")));
}

TempProgramFolder::~TempProgramFolder() {
    SetProgramFolder(QString());
}

bool TempProgramFolder::IsValid() const {
    return dir_.isValid() && copied_;
}

QString TempProgramFolder::Path() const {
    return dir_.path() + QLatin1Char('/');
}

QString TempProgramFolder::File(const QString& relative) const {
    return Path() + relative;
}

QByteArray TempProgramFolder::Read(const QString& relative) const {
    QFile file(File(relative));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

bool TempProgramFolder::Write(const QString& relative, const QByteArray& bytes) const {
    const QString path = File(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QString TempProgramFolder::DeliveredDatabase() {
    return qEnvironmentVariable("TORVEL_APP_DIR") + QStringLiteral("/torvel.db");
}
