#include "FaultInjector.h"

#include <sqlite3.h>

#include <atomic>
#include <cerrno>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<bool> armed{false};
std::atomic<int> seen{0};
std::atomic<bool> fired{false};
FaultInjector::Fault fault{FaultInjector::Layer::Sqlite, FaultInjector::Op::Write,
                           FaultInjector::Error::IoErr};
int failAt = 0;

// True when this operation is the one to fail.
bool Hit(FaultInjector::Layer layer, FaultInjector::Op op) {
    if (!armed.load() || fault.layer != layer || fault.op != op)
        return false;
    if (++seen != failAt)
        return false;
    fired = true;
    return true;
}

int SqliteCode(FaultInjector::Op op) {
    switch (fault.error) {
    case FaultInjector::Error::Full:
        return SQLITE_FULL;
    case FaultInjector::Error::Busy:
        return SQLITE_BUSY;
    case FaultInjector::Error::IoErr:
        break;
    }
    return op == FaultInjector::Op::Sync   ? SQLITE_IOERR_FSYNC
           : op == FaultInjector::Op::Lock ? SQLITE_IOERR_LOCK
                                           : SQLITE_IOERR_WRITE;
}

int Errno() {
    return fault.error == FaultInjector::Error::Full   ? ENOSPC
           : fault.error == FaultInjector::Error::Busy ? EAGAIN
                                                       : EIO;
}

// ---- the SQLite layer: a VFS in front of the default one ----

sqlite3_vfs* realVfs = nullptr;
sqlite3_vfs shimVfs;
sqlite3_io_methods shimMethods;

struct ShimFile {
    sqlite3_file base;
    sqlite3_file* real; // the real VFS's file, right behind this struct
};

sqlite3_file* Real(sqlite3_file* file) {
    return reinterpret_cast<ShimFile*>(file)->real;
}
const sqlite3_io_methods& M(sqlite3_file* file) {
    return *Real(file)->pMethods;
}

int ShimOpen(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    auto* shim = reinterpret_cast<ShimFile*>(file);
    shim->real = reinterpret_cast<sqlite3_file*>(shim + 1);
    const int rc = realVfs->xOpen(realVfs, name, shim->real, flags, outFlags);
    shim->base.pMethods = shim->real->pMethods ? &shimMethods : nullptr;
    return rc;
}

void MakeMethods() {
    using FaultInjector::Layer;
    using FaultInjector::Op;
    sqlite3_io_methods& m = shimMethods;
    m.iVersion = 3;
    m.xClose = [](sqlite3_file* f) { return M(f).xClose(Real(f)); };
    m.xRead = [](sqlite3_file* f, void* b, int n, sqlite3_int64 at) {
        return M(f).xRead(Real(f), b, n, at);
    };
    m.xWrite = [](sqlite3_file* f, const void* b, int n, sqlite3_int64 at) {
        return Hit(Layer::Sqlite, Op::Write) ? SqliteCode(Op::Write)
                                             : M(f).xWrite(Real(f), b, n, at);
    };
    m.xTruncate = [](sqlite3_file* f, sqlite3_int64 size) { return M(f).xTruncate(Real(f), size); };
    m.xSync = [](sqlite3_file* f, int flags) {
        return Hit(Layer::Sqlite, Op::Sync) ? SqliteCode(Op::Sync) : M(f).xSync(Real(f), flags);
    };
    m.xFileSize = [](sqlite3_file* f, sqlite3_int64* size) {
        return M(f).xFileSize(Real(f), size);
    };
    m.xLock = [](sqlite3_file* f, int level) {
        return Hit(Layer::Sqlite, Op::Lock) ? SqliteCode(Op::Lock) : M(f).xLock(Real(f), level);
    };
    m.xUnlock = [](sqlite3_file* f, int level) { return M(f).xUnlock(Real(f), level); };
    m.xCheckReservedLock = [](sqlite3_file* f, int* out) {
        return M(f).xCheckReservedLock(Real(f), out);
    };
    m.xFileControl = [](sqlite3_file* f, int op, void* arg) {
        return M(f).xFileControl(Real(f), op, arg);
    };
    m.xSectorSize = [](sqlite3_file* f) { return M(f).xSectorSize(Real(f)); };
    m.xDeviceCharacteristics = [](sqlite3_file* f) { return M(f).xDeviceCharacteristics(Real(f)); };
    // Shared memory (WAL) and memory mapping exist from version 2 and 3 on.
    m.xShmMap = [](sqlite3_file* f, int page, int size, int extend, void volatile** out) {
        return M(f).iVersion >= 2 ? M(f).xShmMap(Real(f), page, size, extend, out)
                                  : SQLITE_IOERR_SHMMAP;
    };
    m.xShmLock = [](sqlite3_file* f, int offset, int n, int flags) {
        return M(f).iVersion >= 2 ? M(f).xShmLock(Real(f), offset, n, flags) : SQLITE_IOERR_SHMLOCK;
    };
    m.xShmBarrier = [](sqlite3_file* f) {
        if (M(f).iVersion >= 2)
            M(f).xShmBarrier(Real(f));
    };
    m.xShmUnmap = [](sqlite3_file* f, int remove) {
        return M(f).iVersion >= 2 ? M(f).xShmUnmap(Real(f), remove) : SQLITE_OK;
    };
    m.xFetch = [](sqlite3_file* f, sqlite3_int64 at, int n, void** out) {
        if (M(f).iVersion >= 3)
            return M(f).xFetch(Real(f), at, n, out);
        *out = nullptr;
        return SQLITE_OK;
    };
    m.xUnfetch = [](sqlite3_file* f, sqlite3_int64 at, void* p) {
        return M(f).iVersion >= 3 ? M(f).xUnfetch(Real(f), at, p) : SQLITE_OK;
    };
}

// ---- the file layer: this process's calls into the C library ----

template <typename F> F Next(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

bool IsRegularFile(int fd) {
    struct stat st;
    return fd > 2 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

bool FileHit(FaultInjector::Op op, int fd) {
    if (!armed.load() || fault.layer != FaultInjector::Layer::Files || fault.op != op)
        return false;
    if ((fd >= 0 && !IsRegularFile(fd)) || !Hit(FaultInjector::Layer::Files, op))
        return false;
    errno = Errno();
    return true;
}

} // namespace

extern "C" {

ssize_t write(int fd, const void* buffer, size_t size) {
    static const auto next = Next<ssize_t (*)(int, const void*, size_t)>("write");
    return FileHit(FaultInjector::Op::Write, fd) ? -1 : next(fd, buffer, size);
}
int fsync(int fd) {
    static const auto next = Next<int (*)(int)>("fsync");
    return FileHit(FaultInjector::Op::Sync, fd) ? -1 : next(fd);
}
int fdatasync(int fd) {
    static const auto next = Next<int (*)(int)>("fdatasync");
    return FileHit(FaultInjector::Op::Sync, fd) ? -1 : next(fd);
}
int rename(const char* from, const char* to) {
    static const auto next = Next<int (*)(const char*, const char*)>("rename");
    return FileHit(FaultInjector::Op::Rename, -1) ? -1 : next(from, to);
}
int renameat(int fromDir, const char* from, int toDir, const char* to) {
    static const auto next = Next<int (*)(int, const char*, int, const char*)>("renameat");
    return FileHit(FaultInjector::Op::Rename, -1) ? -1 : next(fromDir, from, toDir, to);
}
int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned int flags) {
    static const auto next =
        Next<int (*)(int, const char*, int, const char*, unsigned int)>("renameat2");
    return FileHit(FaultInjector::Op::Rename, -1) ? -1 : next(fromDir, from, toDir, to, flags);
}
int linkat(int fromDir, const char* from, int toDir, const char* to, int flags) {
    static const auto next = Next<int (*)(int, const char*, int, const char*, int)>("linkat");
    return FileHit(FaultInjector::Op::Rename, -1) ? -1 : next(fromDir, from, toDir, to, flags);
}

} // extern "C"

namespace FaultInjector {

void Install() {
    if (realVfs)
        return;
    realVfs = sqlite3_vfs_find(nullptr);
    MakeMethods();
    shimVfs = *realVfs;
    shimVfs.iVersion = 1; // only the calls every version has are forwarded below
    shimVfs.szOsFile = int(sizeof(ShimFile)) + realVfs->szOsFile;
    shimVfs.pNext = nullptr;
    shimVfs.zName = "torvel-faults";
    shimVfs.pAppData = nullptr;
    shimVfs.xOpen = ShimOpen;
    shimVfs.xDelete = [](sqlite3_vfs*, const char* name, int syncDir) {
        return realVfs->xDelete(realVfs, name, syncDir);
    };
    shimVfs.xAccess = [](sqlite3_vfs*, const char* name, int flags, int* out) {
        return realVfs->xAccess(realVfs, name, flags, out);
    };
    shimVfs.xFullPathname = [](sqlite3_vfs*, const char* name, int n, char* out) {
        return realVfs->xFullPathname(realVfs, name, n, out);
    };
    shimVfs.xDlOpen = [](sqlite3_vfs*, const char* name) {
        return realVfs->xDlOpen(realVfs, name);
    };
    shimVfs.xDlError = [](sqlite3_vfs*, int n, char* out) { realVfs->xDlError(realVfs, n, out); };
    shimVfs.xDlSym = [](sqlite3_vfs*, void* handle, const char* name) {
        return realVfs->xDlSym(realVfs, handle, name);
    };
    shimVfs.xDlClose = [](sqlite3_vfs*, void* handle) { realVfs->xDlClose(realVfs, handle); };
    shimVfs.xRandomness = [](sqlite3_vfs*, int n, char* out) {
        return realVfs->xRandomness(realVfs, n, out);
    };
    shimVfs.xSleep = [](sqlite3_vfs*, int micro) { return realVfs->xSleep(realVfs, micro); };
    shimVfs.xCurrentTime = [](sqlite3_vfs*, double* out) {
        return realVfs->xCurrentTime(realVfs, out);
    };
    shimVfs.xGetLastError = [](sqlite3_vfs*, int n, char* out) {
        return realVfs->xGetLastError(realVfs, n, out);
    };
    sqlite3_vfs_register(&shimVfs, 1);
}

void Arm(const Fault& f, int n) {
    armed = false;
    fault = f;
    failAt = n;
    seen = 0;
    fired = false;
    armed = true;
}

void Disarm() {
    armed = false;
}

int Seen() {
    return seen.load();
}

bool Fired() {
    return fired.load();
}

QString Describe(const Fault& f) {
    static const char* const ops[] = {"write", "sync", "lock", "rename"};
    static const char* const errors[] = {"IOERR", "FULL", "BUSY"};
    return QStringLiteral("%1 %2 %3")
        .arg(f.layer == Layer::Sqlite ? QStringLiteral("sqlite") : QStringLiteral("file"),
             QLatin1String(ops[int(f.op)]), QLatin1String(errors[int(f.error)]));
}

} // namespace FaultInjector
