#include "net/SocketError.h"

#include <cerrno>
#include <cstring>

namespace {

struct Entry {
    int code;
    const char* text;
};

constexpr Entry kTable[] = {
    {10004, "WSAEINTR - Interrupted"},
    {10009, "WSAEBADF - Bad file number"},
    {10014, "WSAEFAULT - Bad address"},
    {10022, "WSAEINVAL - Invalid argument"},
    {10024, "WSAEMFILE - Too many open files"},
    {10035, "WSAEWOULDBLOCK - Socket marked as non-blocking"},
    {10036, "WSAEINPROGRESS - Blocking call in progress"},
    {10037, "WSAEALREADY - Command already completed"},
    {10038, "WSAENOTSOCK - Descriptor is not a socket"},
    {10039, "WSAEDESTADDRREQ - Destination address required"},
    {10040, "WSAEMSGSIZE - Data size too large"},
    {10041, "WSAEPROTOTYPE - Protocol is of wrong type for this socket"},
    {10042, "WSAENOPROTOOPT - Protocol option not supported for this socket type"},
    {10043, "WSAEPROTONOSUPPORT - Protocol is not supported"},
    {10044, "WSAESOCKTNOSUPPORT - Socket type not supported by this address family"},
    {10045, "WSAEOPNOTSUPP - Option not supported"},
    {10046, "WSAEPFNOSUPPORT - Protocol family not supported"},
    {10047, "WSAEAFNOSUPPORT - Address family not supported by this protocol"},
    {10048, "WSAEADDRINUSE - Address is in use"},
    {10049, "WSAEADDRNOTAVAIL - Address not available from local machine"},
    {10050, "WSAENETDOWN - Network subsystem is down"},
    {10051, "WSAENETUNREACH - Network cannot be reached"},
    {10052, "WSAENETRESET - Connection has been dropped"},
    {10053, "WSAECONNABORTED - Software caused connection abort"},
    {10054, "WSAECONNRESET - Connection reset by peer"},
    {10055, "WSAENOBUFS - No buffer space available"},
    {10056, "WSAEISCONN - Socket is already connected"},
    {10057, "WSAENOTCONN - Socket is not connected"},
    {10058, "WSAESHUTDOWN - Socket has been shut down"},
    {10059, "WSAETOOMANYREFS - Too many references: cannot splice"},
    {10060, "WSAETIMEDOUT - Command timed out"},
    {10061, "WSAECONNREFUSED - Connection refused"},
    {10062, "WSAELOOP - Too many levels of symbolic links"},
    {10063, "WSAENAMETOOLONG - File name too long"},
    {10064, "WSAEHOSTDOWN - Host is down"},
    {10065, "WSAEHOSTUNREACH - No route to host"},
    {10066, "WSAENOTEMPTY - "},
    {10067, "WSAEPROCLIM - Too many processes"},
    {10068, "WSAEUSERS - "},
    {10069, "WSAEDQUOT - "},
    {10070, "WSAESTALE - "},
    {10071, "WSAEREMOTE - "},
    {10091, "WSASYSNOTREADY - Network subsystem not ready"},
    {10092, "WSAVERNOTSUPPORTED - Version not supported"},
    {10093, "WSANOTINITIALISED - WSAStartup() has not been successfully called"},
    {11001, "WSAHOST_NOT_FOUND - Host not found"},
    {11002, "WSATRY_AGAIN - Host not found or SERVERFAIL"},
    {11003, "WSANO_RECOVERY - Non-recoverable error"},
    {11004, "WSANO_DATA - (or WSANO_ADDRESS) - No data record of requested type"},
};

} // namespace

namespace SocketError {

int FromErrno(int error) {
    switch (error) {
    case EINTR:
        return 10004;
    case EBADF:
        return 10009;
    case EFAULT:
        return 10014;
    case EINVAL:
        return 10022;
    case EMFILE:
        return 10024;
    case EAGAIN:
        return 10035;
    case EINPROGRESS:
        return 10036;
    case EALREADY:
        return 10037;
    case ENOTSOCK:
        return 10038;
    case EMSGSIZE:
        return 10040;
    case EAFNOSUPPORT:
        return 10047;
    case EADDRINUSE:
        return 10048;
    case EADDRNOTAVAIL:
        return 10049;
    case ENETDOWN:
        return 10050;
    case ENETUNREACH:
        return 10051;
    case ENETRESET:
        return 10052;
    case ECONNABORTED:
        return 10053;
    case ECONNRESET:
        return 10054;
    case ENOBUFS:
        return 10055;
    case EISCONN:
        return 10056;
    case ENOTCONN:
        return 10057;
    case EPIPE:
        return 10058;
    case ETIMEDOUT:
        return 10060;
    case ECONNREFUSED:
        return 10061;
    case EHOSTDOWN:
        return 10064;
    case EHOSTUNREACH:
        return 10065;
    default:
        return error;
    }
}

QString Text(int code) {
    if (code > 0 && code < 10000) {
        return QString::fromLocal8Bit(std::strerror(code));
    }
    for (const Entry& entry : kTable) {
        if (entry.code == code) {
            return QString::fromLatin1(entry.text);
        }
    }
    return QStringLiteral("Error Code 0x%1 (%2)")
        .arg(QString::number(static_cast<unsigned>(code), 16).toUpper())
        .arg(code);
}

} // namespace SocketError
