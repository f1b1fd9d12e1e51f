#pragma once

#include <QString>

// The socket error vocabulary: the Windows Sockets numbers that every network
// class reports as its last error, whatever the operating system said.
namespace SocketError {

enum : int {
    Interrupted = 10004,
    Invalid = 10022,
    WouldBlock = 10035,
    InProgress = 10036,
    NotSocket = 10038,
    MessageSize = 10040,
    ProtocolNotSupported = 10043,
    AddressInUse = 10048,
    AddressNotAvailable = 10049,
    NetworkDown = 10050,
    NetworkUnreachable = 10051,
    ConnectionAborted = 10053,
    ConnectionReset = 10054,
    NoBuffers = 10055,
    NotConnected = 10057,
    Shutdown = 10058,
    TimedOut = 10060,
    ConnectionRefused = 10061,
    HostUnreachable = 10065,
    HostNotFound = 11001,
    TryAgain = 11002,
    NoRecovery = 11003,
};

// The socket error number for a POSIX errno value (a value already in the
// socket range is kept).
int FromErrno(int error);

// Text for a code: the socket error table for codes from 10001 up, the
// system's own text for a small errno value, otherwise "Error Code 0x%X (%d)".
QString Text(int code);

} // namespace SocketError
