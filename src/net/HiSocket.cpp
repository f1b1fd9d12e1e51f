#include "net/HiSocket.h"

#include "net/SocketError.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsSince(Clock::time_point start) {
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// OpenSSL's own socket BIO writes with write(), which raises SIGPIPE when the
// peer has gone; this one sends with MSG_NOSIGNAL so a closed peer is only an
// error code.
int BioWrite(BIO* bio, const char* data, int length) {
    const int fd = *static_cast<int*>(BIO_get_data(bio));
    BIO_clear_retry_flags(bio);
    const ssize_t sent = ::send(fd, data, static_cast<size_t>(length), MSG_NOSIGNAL);
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
        BIO_set_retry_write(bio);
    }
    return static_cast<int>(sent);
}

int BioRead(BIO* bio, char* buffer, int capacity) {
    const int fd = *static_cast<int*>(BIO_get_data(bio));
    BIO_clear_retry_flags(bio);
    const ssize_t got = ::recv(fd, buffer, static_cast<size_t>(capacity), 0);
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
        BIO_set_retry_read(bio);
    }
    return static_cast<int>(got);
}

long BioCtrl(BIO*, int command, long, void*) {
    return command == BIO_CTRL_FLUSH ? 1 : 0;
}

BIO_METHOD* NoSignalBioMethod() {
    static BIO_METHOD* method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "nosignal");
        BIO_meth_set_write(m, BioWrite);
        BIO_meth_set_read(m, BioRead);
        BIO_meth_set_ctrl(m, BioCtrl);
        return m;
    }();
    return method;
}

QString OpenSslErrors() {
    QString text;
    while (const unsigned long code = ERR_get_error()) {
        char buffer[256];
        ERR_error_string_n(code, buffer, sizeof buffer);
        if (!text.isEmpty()) {
            text += QStringLiteral("; ");
        }
        text += QString::fromLatin1(buffer);
    }
    return text;
}

} // namespace

HiSocket::HiSocket() {
    abortFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

HiSocket::~HiSocket() {
    Close();
    if (ctx_ != nullptr) {
        SSL_CTX_free(ctx_);
    }
    if (abortFd_ >= 0) {
        ::close(abortFd_);
    }
}

bool HiSocket::Create() {
    Close();
    bytesSent_ = 0;
    bytesReceived_ = 0;
    // An abort of the previous conversation must not end the next one.
    uint64_t signalled = 0;
    [[maybe_unused]] const ssize_t read = ::read(abortFd_, &signalled, sizeof signalled);
    return abortFd_ >= 0;
}

void HiSocket::Abort() {
    const uint64_t one = 1;
    // The counter only grows; a failed write means it is already signalled.
    [[maybe_unused]] const ssize_t written = ::write(abortFd_, &one, sizeof one);
}

HiSocket::Wait HiSocket::WaitFor(short events, int timeoutMs) {
    const Clock::time_point start = Clock::now();
    for (;;) {
        pollfd fds[2] = {{abortFd_, POLLIN, 0}, {fd_, events, 0}};
        const int left = std::max(0, timeoutMs - MillisecondsSince(start));
        const int ready = ::poll(fds, fd_ >= 0 ? 2 : 1, left);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            lastError_ = SocketError::FromErrno(errno);
            return Wait::Failed;
        }
        if (fds[0].revents & POLLIN) {
            return Wait::Aborted;
        }
        if (ready == 0) {
            return Wait::TimedOut;
        }
        if (fds[1].revents & (POLLNVAL)) {
            lastError_ = SocketError::NotSocket;
            return Wait::Failed;
        }
        // Errors and hang-ups count as ready: the next read or write says what happened.
        return Wait::Ready;
    }
}

HiSocket::Wait HiSocket::WaitReadable(int timeoutMs) {
    if (ssl_ != nullptr && SSL_pending(ssl_) > 0) {
        return Wait::Ready;
    }
    return WaitFor(POLLIN, timeoutMs);
}

bool HiSocket::ConnectOne(const void* address, unsigned addressLength, int family) {
    fd_ = ::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        lastError_ = SocketError::FromErrno(errno);
        return false;
    }
    int error = 0;
    if (::connect(fd_, static_cast<const sockaddr*>(address), addressLength) != 0) {
        error = errno;
        if (error == EINPROGRESS) {
            const Wait wait = WaitFor(POLLOUT, timeout_);
            if (wait == Wait::Ready) {
                socklen_t size = sizeof error;
                if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &size) != 0) {
                    error = errno;
                }
            } else {
                error = wait == Wait::Aborted ? EINTR : ETIMEDOUT;
            }
        }
    }
    if (error != 0) {
        lastError_ = SocketError::FromErrno(error);
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    // Mail and web exchanges are short commands answered one by one; waiting
    // for more bytes to fill a segment would only add delay.
    const int on = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return true;
}

bool HiSocket::Connect(const QString& host, int port) {
    Close();
    const QByteArray name = host.trimmed().toUtf8();
    const QByteArray service = QByteArray::number(port);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* list = nullptr;
    int result = ::getaddrinfo(name.constData(), service.constData(), &hints, &list);
    if (result != 0) {
        hints.ai_flags = AI_NUMERICSERV | AI_ADDRCONFIG;
        result = ::getaddrinfo(name.constData(), service.constData(), &hints, &list);
    }
    if (result != 0 || name.isEmpty()) {
        if (list != nullptr) {
            ::freeaddrinfo(list);
        }
        lastError_ = result == EAI_AGAIN ? SocketError::TryAgain : SocketError::HostNotFound;
        lastMessage_ = QStringLiteral("解析主机地址失败\r\n");
        return false;
    }
    bool ok = false;
    for (addrinfo* entry = list; entry != nullptr && !ok; entry = entry->ai_next) {
        ok = ConnectOne(entry->ai_addr, entry->ai_addrlen, entry->ai_family);
        if (!ok && lastError_ == SocketError::Interrupted) {
            break; // aborted: no further address
        }
    }
    ::freeaddrinfo(list);
    if (!ok) {
        lastMessage_ = QStringLiteral("CHiSocket::Connect error\r\n");
        return false;
    }
    connected_ = true;
    return true;
}

bool HiSocket::StartTls(const QString& hostName) {
    if (fd_ < 0 || ssl_ != nullptr) {
        lastMessage_ = QStringLiteral("CHiSocket::StartTls no plain connection\r\n");
        return false;
    }
    if (ctx_ == nullptr) {
        ctx_ = SSL_CTX_new(TLS_client_method());
        if (ctx_ == nullptr) {
            lastMessage_ = QStringLiteral("CHiSocket::StartTls %1\r\n").arg(OpenSslErrors());
            return false;
        }
        SSL_CTX_set_min_proto_version(ctx_, TLS1_2_VERSION);
        SSL_CTX_set_default_verify_paths(ctx_);
        if (!caFile_.isEmpty()) {
            SSL_CTX_load_verify_locations(ctx_, caFile_.toLocal8Bit().constData(), nullptr);
        }
        SSL_CTX_set_verify(ctx_, SSL_VERIFY_PEER, nullptr);
        SSL_CTX_set_mode(ctx_, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    }
    ssl_ = SSL_new(ctx_);
    BIO* bio = BIO_new(NoSignalBioMethod());
    BIO_set_data(bio, &fd_);
    BIO_set_init(bio, 1);
    SSL_set_bio(ssl_, bio, bio);

    const QByteArray name = hostName.trimmed().toUtf8();
    unsigned char address[16];
    const bool literal = ::inet_pton(AF_INET, name.constData(), address) == 1 ||
                         ::inet_pton(AF_INET6, name.constData(), address) == 1;
    X509_VERIFY_PARAM* param = SSL_get0_param(ssl_);
    if (literal) {
        X509_VERIFY_PARAM_set1_ip_asc(param, name.constData());
    } else {
        SSL_set_tlsext_host_name(ssl_, name.constData());
        X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        X509_VERIFY_PARAM_set1_host(param, name.constData(), 0);
    }

    ERR_clear_error();
    const Clock::time_point start = Clock::now();
    for (;;) {
        const int result = SSL_connect(ssl_);
        if (result == 1) {
            return true;
        }
        const int error = SSL_get_error(ssl_, result);
        short events = 0;
        if (error == SSL_ERROR_WANT_READ) {
            events = POLLIN;
        } else if (error == SSL_ERROR_WANT_WRITE) {
            events = POLLOUT;
        } else {
            const long verify = SSL_get_verify_result(ssl_);
            if (verify != X509_V_OK) {
                lastMessage_ = QStringLiteral("CHiSocket::StartTls 服务器证书无效: %1\r\n")
                                   .arg(QString::fromLatin1(X509_verify_cert_error_string(verify)));
            } else {
                const QString detail = OpenSslErrors();
                lastMessage_ =
                    QStringLiteral("CHiSocket::StartTls TLS握手失败: %1\r\n")
                        .arg(detail.isEmpty() ? QStringLiteral("connection closed") : detail);
            }
            lastError_ = SocketError::ConnectionAborted;
            Close();
            return false;
        }
        const Wait wait = WaitFor(events, std::max(0, timeout_ - MillisecondsSince(start)));
        if (wait != Wait::Ready) {
            lastMessage_ = wait == Wait::Aborted
                               ? QStringLiteral("CHiSocket::RecvBlock get abort event\r\n")
                               : QStringLiteral("CHiSocket::StartTls WSA_WAIT_TIMEOUT failure\r\n");
            lastError_ = wait == Wait::TimedOut ? SocketError::TimedOut : SocketError::Interrupted;
            Close();
            return false;
        }
    }
}

qsizetype HiSocket::WriteSome(const char* data, qsizetype length, short& waitFor) {
    waitFor = POLLOUT;
    if (ssl_ != nullptr) {
        ERR_clear_error();
        const int result =
            SSL_write(ssl_, data, static_cast<int>(std::min<qsizetype>(length, 1 << 30)));
        if (result > 0) {
            return result;
        }
        const int error = SSL_get_error(ssl_, result);
        if (error == SSL_ERROR_WANT_WRITE || error == SSL_ERROR_WANT_READ) {
            waitFor = error == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT;
            return 0;
        }
        lastError_ = error == SSL_ERROR_SYSCALL && errno != 0 ? SocketError::FromErrno(errno)
                                                              : SocketError::ConnectionAborted;
        return -1;
    }
    const ssize_t sent = ::send(fd_, data, static_cast<size_t>(length), MSG_NOSIGNAL);
    if (sent >= 0) {
        return sent;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
        return 0;
    }
    lastError_ = SocketError::FromErrno(errno);
    return -1;
}

qsizetype HiSocket::ReadSome(char* buffer, qsizetype capacity, short& waitFor) {
    waitFor = POLLIN;
    if (ssl_ != nullptr) {
        ERR_clear_error();
        const int result =
            SSL_read(ssl_, buffer, static_cast<int>(std::min<qsizetype>(capacity, 1 << 30)));
        if (result > 0) {
            return result;
        }
        const int error = SSL_get_error(ssl_, result);
        if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
            waitFor = error == SSL_ERROR_WANT_WRITE ? POLLOUT : POLLIN;
            return -2;
        }
        if (error == SSL_ERROR_ZERO_RETURN || (error == SSL_ERROR_SYSCALL && errno == 0)) {
            return 0; // the peer closed (with or without close_notify)
        }
        lastError_ = error == SSL_ERROR_SYSCALL ? SocketError::FromErrno(errno)
                                                : SocketError::ConnectionAborted;
        return -1;
    }
    const ssize_t got = ::recv(fd_, buffer, static_cast<size_t>(capacity), 0);
    if (got >= 0) {
        return got;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
        return -2;
    }
    lastError_ = SocketError::FromErrno(errno);
    return -1;
}

int HiSocket::Send(const char* data, qsizetype length) {
    if (fd_ < 0) {
        return -1;
    }
    qsizetype sent = 0;
    const Clock::time_point start = Clock::now();
    Clock::time_point lastProgress = start;
    while (sent < length) {
        short waitFor = POLLOUT;
        // Pieces of at most 4096 bytes over a plain socket; TLS makes records
        // of its own size.
        const qsizetype piece =
            ssl_ != nullptr ? length - sent : std::min<qsizetype>(length - sent, 4096);
        const qsizetype wrote = WriteSome(data + sent, piece, waitFor);
        if (wrote < 0) {
            lastMessage_ = QStringLiteral("SendData:: WSASend(...) failure,err=0x%1\r\n")
                               .arg(QString::number(lastError_, 16));
            Close();
            return -1;
        }
        if (wrote > 0) {
            sent += wrote;
            bytesSent_ += wrote;
            lastProgress = Clock::now();
            continue;
        }
        const Wait wait = WaitFor(waitFor, std::max(0, timeout_ - MillisecondsSince(lastProgress)));
        if (wait == Wait::Aborted) {
            lastMessage_ = QStringLiteral("CHiSocket::RecvBlock get abort event\r\n");
            lastError_ = SocketError::Interrupted;
            Close();
            return -1;
        }
        if (wait == Wait::Failed) {
            lastMessage_ = QStringLiteral("SendBlock::WSAWaitForMultipleEvents(...) failure\r\n");
            Close();
            return -1;
        }
        if (wait == Wait::TimedOut) {
            lastMessage_ = QStringLiteral("SendBlock::WSA_WAIT_TIMEOUT failure(Send %1/%2/%3)\r\n")
                               .arg(sent)
                               .arg(length)
                               .arg(bytesSent_);
            lastError_ = SocketError::TimedOut;
            Close();
            return -2;
        }
    }
    return static_cast<int>(std::min<qsizetype>(sent, INT32_MAX));
}

int HiSocket::Recv(char* buffer, int capacity) {
    if (fd_ < 0) {
        return -1;
    }
    const Clock::time_point start = Clock::now();
    for (;;) {
        short waitFor = POLLIN;
        const Wait wait = (ssl_ != nullptr && SSL_pending(ssl_) > 0)
                              ? Wait::Ready
                              : WaitFor(POLLIN, std::max(0, timeout_ - MillisecondsSince(start)));
        if (wait == Wait::Aborted) {
            lastMessage_ = QStringLiteral("CHiSocket::RecvBlock get abort event\r\n");
            lastError_ = SocketError::Interrupted;
            Close();
            return -1;
        }
        if (wait == Wait::Failed) {
            lastMessage_ =
                QStringLiteral("CHiSocket::RecvBlock::WSAWaitForMultipleEvents(...) failure\r\n");
            Close();
            return -1;
        }
        if (wait == Wait::TimedOut) {
            lastMessage_ = QStringLiteral(
                "CHiSocket::RecvBlock::Read request WSA_WAIT_TIMEOUT(...) failure\r\n");
            lastError_ = SocketError::TimedOut;
            Close();
            return -1;
        }
        const qsizetype got = ReadSome(buffer, capacity, waitFor);
        if (got > 0) {
            bytesReceived_ += got;
            return static_cast<int>(got);
        }
        if (got == 0) {
            lastMessage_ = QStringLiteral("CHiSocket::RecvBlock request socket close\r\n");
            Close();
            return 0;
        }
        if (got == -1) {
            lastMessage_ = QStringLiteral("ReadRequest::WSARecv(...) failure\r\n");
            Close();
            return -1;
        }
        // Would block: a TLS record not yet complete, or a spurious wake-up.
        if (waitFor == POLLOUT) {
            WaitFor(POLLOUT, std::max(0, timeout_ - MillisecondsSince(start)));
        }
    }
}

int HiSocket::ReadPacket(QByteArray& out, int length) {
    out.clear();
    char buffer[16384];
    Clock::time_point lastData = Clock::now();
    while (out.size() < length) {
        const int left = timeout_ - MillisecondsSince(lastData);
        const Wait wait = left > 0 ? WaitReadable(left) : Wait::TimedOut;
        if (wait == Wait::TimedOut) {
            lastError_ = SocketError::TimedOut;
            lastMessage_ = QStringLiteral("ReadPacket Recv Timeout");
            return 0;
        }
        const int got = Recv(buffer, std::min<int>(sizeof buffer, length - out.size()));
        if (got <= 0) {
            return 0;
        }
        out.append(buffer, got);
        lastData = Clock::now();
    }
    return length;
}

int HiSocket::SendAndRecv(const char* data, qsizetype length,
                          const std::function<void(const QByteArray&)>& onReply) {
    if (fd_ < 0) {
        return -1;
    }
    qsizetype sent = 0;
    Clock::time_point lastProgress = Clock::now();
    while (sent < length) {
        short waitFor = POLLOUT;
        const qsizetype wrote = WriteSome(data + sent, length - sent, waitFor);
        if (wrote < 0) {
            lastMessage_ = QStringLiteral("SendData:: WSASend(...) failure,err=0x%1\r\n")
                               .arg(QString::number(lastError_, 16));
            Close();
            return -1;
        }
        if (wrote > 0) {
            sent += wrote;
            bytesSent_ += wrote;
            lastProgress = Clock::now();
            continue;
        }
        // Blocked: wait for room to write or for an early answer.
        const Wait wait = WaitFor(static_cast<short>(waitFor | POLLIN),
                                  std::max(0, timeout_ - MillisecondsSince(lastProgress)));
        if (wait == Wait::Failed) {
            lastMessage_ = QStringLiteral("SendAndRecv::WSAWaitForMultipleEvents(...) failure\r\n");
            Close();
            return -1;
        }
        if (wait != Wait::Ready) {
            lastMessage_ =
                QStringLiteral("SendAndRecv::WSA_WAIT_TIMEOUT failure(Send %1/%2/%3)\r\n")
                    .arg(sent)
                    .arg(length)
                    .arg(bytesSent_);
            lastError_ = wait == Wait::Aborted ? SocketError::Interrupted : SocketError::TimedOut;
            Close();
            return -2;
        }
        pollfd probe{fd_, POLLIN, 0};
        if (ssl_ == nullptr && ::poll(&probe, 1, 0) == 1 && (probe.revents & POLLIN)) {
            char buffer[4095];
            short readWait = POLLIN;
            const qsizetype got = ReadSome(buffer, sizeof buffer, readWait);
            if (got > 0) {
                bytesReceived_ += got;
                onReply(QByteArray(buffer, got));
                return static_cast<int>(sent);
            }
            if (got == 0 || got == -1) {
                lastMessage_ = QStringLiteral("SendAndRecv::Get close event\r\n");
                Close();
                return static_cast<int>(sent);
            }
        }
    }
    return static_cast<int>(std::min<qsizetype>(sent, INT32_MAX));
}

QString HiSocket::LocalAddressLiteral() const {
    sockaddr_storage address{};
    socklen_t size = sizeof address;
    char text[INET6_ADDRSTRLEN] = {};
    if (fd_ < 0 || ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        return QStringLiteral("[127.0.0.1]");
    }
    if (address.ss_family == AF_INET6) {
        ::inet_ntop(AF_INET6, &reinterpret_cast<sockaddr_in6*>(&address)->sin6_addr, text,
                    sizeof text);
        return QStringLiteral("[IPv6:%1]").arg(QString::fromLatin1(text));
    }
    ::inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(&address)->sin_addr, text, sizeof text);
    return QStringLiteral("[%1]").arg(QString::fromLatin1(text));
}

bool HiSocket::IsConnected() {
    if (fd_ < 0) {
        return false;
    }
    if (connected_) {
        return true;
    }
    Close();
    lastMessage_ = QStringLiteral("CHiSocket close socket on checkconnected\r\n");
    return false;
}

void HiSocket::FreeTls() {
    if (ssl_ != nullptr) {
        SSL_shutdown(ssl_); // one non-blocking attempt at a polite close
        SSL_free(ssl_);
        ssl_ = nullptr;
    }
}

void HiSocket::Close() {
    FreeTls();
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    connected_ = false;
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t drained = ::read(abortFd_, &count, sizeof count);
}

QString HiSocket::ErrorText(int code) {
    return SocketError::Text(code);
}
