#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>

struct ssl_st;
struct ssl_ctx_st;

// A TCP client socket whose every wait is bounded by a timeout and can be cut
// short from another thread through Abort(). The descriptor is non-blocking and
// waits are poll() calls on it and on an eventfd that Abort() signals, so an
// abort ends any wait at once. TLS (1.2 or later, system CAs, host-name check)
// can be put on the same connection at any time with StartTls, which is how
// STARTTLS upgrades a conversation in the middle.
//
// Failures leave a text in LastMessage() and a socket error number (see
// SocketError) in LastError(); the texts are the ones the mail and web clients
// show their users.
class HiSocket {
public:
    enum class Wait { Ready, TimedOut, Aborted, Failed };

    HiSocket();
    virtual ~HiSocket();
    HiSocket(const HiSocket&) = delete;
    HiSocket& operator=(const HiSocket&) = delete;

    // Starts over: closes an open connection and clears the abort signal.
    bool Create();
    // Resolves the host (a numeric address is never looked up by name) and
    // tries every address it has, IPv6 and IPv4 in the resolver's order, each
    // with a non-blocking connect bounded by the timeout.
    bool Connect(const QString& host, int port);
    // Puts TLS on the open connection and verifies the peer's certificate
    // against the system's CAs (plus SetCaFile) and against `hostName`.
    bool StartTls(const QString& hostName);
    bool IsTls() const { return ssl_ != nullptr; }
    // An extra file of trusted certificates (PEM), e.g. a company's own CA.
    void SetCaFile(const QString& path) { caFile_ = path; }

    // Sends everything, waiting for the peer to take it; returns the count
    // sent, -1 on an error or abort, -2 on a timeout (the socket is closed).
    int Send(const char* data, qsizetype length);
    int Send(const QByteArray& bytes) { return Send(bytes.constData(), bytes.size()); }
    // One read of at most `capacity` bytes: the count (0 when the peer closed;
    // IsConnected() is then false) or -1 on an error, abort or timeout.
    int Recv(char* buffer, int capacity);
    // Reads exactly `length` bytes into `out` (which keeps what came even on a
    // failure); the timeout counts from the last piece that arrived. Returns
    // the length, or 0.
    int ReadPacket(QByteArray& out, int length);
    // Sends a request body that the peer may answer before it is complete: a
    // reply that arrives first is handed to `onReply` and ends the send.
    // Returns the bytes sent, or -1 / -2 as Send.
    int SendAndRecv(const char* data, qsizetype length,
                    const std::function<void(const QByteArray&)>& onReply);
    // Waits up to `timeoutMs` until a read would not block.
    Wait WaitReadable(int timeoutMs);

    // The local end as an SMTP address literal: "[127.0.0.1]", "[IPv6:::1]".
    QString LocalAddressLiteral() const;

    bool IsConnected();
    void Close();
    // Ends the current or next wait of the thread using the socket. Any thread.
    void Abort();

    int Timeout() const { return timeout_; }
    void SetTimeout(int milliseconds) { timeout_ = milliseconds; }
    qint64 BytesSent() const { return bytesSent_; }
    qint64 BytesReceived() const { return bytesReceived_; }
    QString LastMessage() const { return lastMessage_; }
    int LastError() const { return lastError_; }

    static QString ErrorText(int code);

protected:
    void SetLastMessage(const QString& text) { lastMessage_ = text; }
    void SetLastError(int code) { lastError_ = code; }

private:
    Wait WaitFor(short events, int timeoutMs);
    // One non-blocking write: bytes taken, 0 when it would block, -1 on error.
    qsizetype WriteSome(const char* data, qsizetype length, short& waitFor);
    // One non-blocking read: bytes read, 0 at the peer's close, -1 on error,
    // -2 when it would block (waitFor says on what).
    qsizetype ReadSome(char* buffer, qsizetype capacity, short& waitFor);
    bool ConnectOne(const void* address, unsigned addressLength, int family);
    void FreeTls();

    int timeout_ = 90000;
    qint64 bytesSent_ = 0;
    qint64 bytesReceived_ = 0;
    int fd_ = -1;
    int abortFd_ = -1;
    bool connected_ = false;
    ssl_st* ssl_ = nullptr;
    ssl_ctx_st* ctx_ = nullptr;
    QString caFile_;
    QString lastMessage_;
    int lastError_ = 0;
};
