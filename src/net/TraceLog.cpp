#include "net/TraceLog.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

TraceLog::~TraceLog() {
    Close();
}

TraceLog& TraceLog::Instance() {
    static TraceLog log;
    return log;
}

void TraceLog::SetPath(const QString& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    path_ = path;
}

QString TraceLog::Path() const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!path_.isEmpty()) {
        return path_;
    }
    return QCoreApplication::applicationDirPath() + QStringLiteral("/trace.log");
}

bool TraceLog::OpenLocked() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    if (path_.isEmpty()) {
        path_ = QCoreApplication::applicationDirPath() + QStringLiteral("/trace.log");
    }
    fd_ = ::open(QFile::encodeName(path_).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC,
                 0644);
    return fd_ >= 0;
}

bool TraceLog::Open() {
    std::lock_guard<std::mutex> lock(mutex_);
    return OpenLocked();
}

void TraceLog::Close() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

int TraceLog::Write(const QByteArray& text) {
    int fd;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (fd_ < 0 && !OpenLocked()) {
            return 0;
        }
        fd = fd_;
    }
    const char* data = text.constData();
    qsizetype left = text.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            break;
        }
        data += written;
        left -= written;
    }
    return 1;
}

QByteArray TraceLog::ThreadLine(const QByteArray& text) {
    const auto id = static_cast<unsigned>(::syscall(SYS_gettid));
    return QByteArray::number(id, 16).rightJustified(8, '0') + ' ' + text + "\r\n";
}
