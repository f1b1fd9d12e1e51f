#pragma once

#include <QString>

// Fails one chosen I/O operation of this process, so that a write path can be
// run once per point where the disk could let it down.
//
// Two layers are watched:
// - SQLite: a VFS registered as the default one (every connection opened after
//   Install, Qt's driver included, since it links the same SQLite library)
//   forwards to the real VFS but answers the n-th xWrite, xSync or xLock with
//   SQLITE_IOERR, SQLITE_FULL or SQLITE_BUSY;
// - files: write, fsync / fdatasync and rename (all spellings) of this
//   process, on regular files only, answered with EIO, ENOSPC or EAGAIN.
//
// Nothing is counted until Arm; Arm(…, 0) only counts, which tells a test how
// many failure points an action has.
namespace FaultInjector {

enum class Layer { Sqlite, Files };
enum class Op { Write, Sync, Lock, Rename };
enum class Error { IoErr, Full, Busy };

struct Fault {
    Layer layer;
    Op op;
    Error error;
};

// Registers the VFS (once); call before opening the connections to watch.
void Install();
// Counts the operations of `fault` from now on and fails the `failAt`-th
// (1-based); 0 fails none.
void Arm(const Fault& fault, int failAt);
void Disarm();
// Operations of the armed kind seen since Arm.
int Seen();
// Whether the chosen operation has been failed.
bool Fired();

// "sqlite write FULL" and the like, for messages and the report table.
QString Describe(const Fault& fault);

// Disarms when the scope ends, also when a check fails half-way.
class Armed final {
public:
    Armed(const Fault& fault, int failAt) { Arm(fault, failAt); }
    ~Armed() { Disarm(); }
    Armed(const Armed&) = delete;
    Armed& operator=(const Armed&) = delete;
};

} // namespace FaultInjector
