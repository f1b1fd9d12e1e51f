#pragma once

#include <QByteArray>
#include <QString>

#include <mutex>

// The append-only diagnostic file trace.log. Every Write is one write() on a
// descriptor opened with O_APPEND, so lines from several threads or several
// running copies of the program never overwrite or split each other, and
// nothing waits in a buffer if the process ends abruptly. No rotation, no
// timestamps. Never give it secrets.
class TraceLog final {
public:
    TraceLog() = default;
    ~TraceLog();
    TraceLog(const TraceLog&) = delete;
    TraceLog& operator=(const TraceLog&) = delete;

    // The one log of the process.
    static TraceLog& Instance();

    // The file; until set (start-up sets the program folder's trace.log) it is
    // trace.log beside the executable. Closes an open file.
    void SetPath(const QString& path);
    QString Path() const;

    bool Open();
    void Close();
    // Opens the file on first use; 0 when it cannot be opened, else 1. The
    // bytes are written as given: a caller ends its own lines.
    int Write(const QByteArray& text);

    // "%08x " with the calling thread's id, then `text` and CR LF: the form of
    // the network clients' progress lines.
    static QByteArray ThreadLine(const QByteArray& text);

private:
    bool OpenLocked();

    mutable std::mutex mutex_;
    QString path_;
    int fd_ = -1;
};
