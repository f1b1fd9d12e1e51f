#pragma once

// Scripted peers on 127.0.0.1 for the network tests: a listening socket whose
// accepted connections each run a script in a thread, in the clear or over
// TLS with a certificate made by TestCertificates.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

// One accepted connection as the script sees it. Reads wait at most five
// seconds so a broken test never hangs.
class PeerConnection {
public:
    PeerConnection(int fd, SSL_CTX* tls) : fd_(fd) {
        timeval limit{5, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        if (tls != nullptr) {
            ssl_ = SSL_new(tls);
            SSL_set_fd(ssl_, fd_);
            if (SSL_accept(ssl_) != 1) {
                SSL_free(ssl_);
                ssl_ = nullptr;
                Close();
            }
        }
    }
    ~PeerConnection() { Close(); }

    bool IsOpen() const { return fd_ >= 0; }

    // Turns the clear conversation into TLS (the server side of STARTTLS).
    bool StartTls(SSL_CTX* tls) {
        ssl_ = SSL_new(tls);
        SSL_set_fd(ssl_, fd_);
        return SSL_accept(ssl_) == 1;
    }

    bool Write(const QByteArray& bytes) {
        qsizetype done = 0;
        while (fd_ >= 0 && done < bytes.size()) {
            const int n = ssl_ ? SSL_write(ssl_, bytes.constData() + done, int(bytes.size() - done))
                               : int(::send(fd_, bytes.constData() + done,
                                            size_t(bytes.size() - done), MSG_NOSIGNAL));
            if (n <= 0) {
                return false;
            }
            done += n;
        }
        return fd_ >= 0;
    }

    // Bytes as they come, appended to Received(); false at the end.
    bool ReadMore() {
        char buffer[65536];
        if (fd_ < 0) {
            return false;
        }
        const int n = ssl_ ? SSL_read(ssl_, buffer, sizeof buffer)
                           : int(::recv(fd_, buffer, sizeof buffer, 0));
        if (n <= 0) {
            return false;
        }
        received_.append(buffer, n);
        return true;
    }

    // The next line (with its CR LF) past what earlier calls consumed.
    QByteArray ReadLine() { return ReadUntil("\r\n"); }

    QByteArray ReadUntil(const QByteArray& end) {
        qsizetype from = consumed_;
        for (;;) {
            const qsizetype at = received_.indexOf(end, from);
            if (at >= 0) {
                const QByteArray part = received_.mid(consumed_, at + end.size() - consumed_);
                consumed_ = at + end.size();
                return part;
            }
            // Only the new bytes (and a possible split end) are searched again.
            from = std::max(consumed_, received_.size() - end.size() + 1);
            if (!ReadMore()) {
                return QByteArray();
            }
        }
    }

    QByteArray Received() const { return received_; }

    void Close() {
        if (ssl_ != nullptr) {
            SSL_shutdown(ssl_);
            SSL_free(ssl_);
            ssl_ = nullptr;
        }
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

private:
    int fd_;
    SSL* ssl_ = nullptr;
    QByteArray received_;
    qsizetype consumed_ = 0;
};

// Listens on 127.0.0.1 and runs the script for every connection, one thread
// each, until destroyed. What each connection received stays readable.
class LoopbackPeer {
public:
    using Script = std::function<void(PeerConnection&)>;

    explicit LoopbackPeer(Script script, SSL_CTX* tls = nullptr)
        : script_(std::move(script)), tls_(tls) {
        listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listen_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listen_, 64);
        socklen_t size = sizeof address;
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        if (::pipe(stop_) != 0) {
            stop_[0] = stop_[1] = -1;
        }
        acceptor_ = std::thread([this] { AcceptLoop(); });
    }

    ~LoopbackPeer() {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = ::write(stop_[1], &byte, 1);
        acceptor_.join();
        for (std::thread& worker : workers_) {
            worker.join();
        }
        ::close(listen_);
        ::close(stop_[0]);
        ::close(stop_[1]);
    }

    int Port() const { return port_; }
    int Connections() const { return accepted_; }

    // What the n-th connection received (valid once its script has ended).
    QByteArray Received(int n = 0) {
        std::lock_guard<std::mutex> lock(mutex_);
        return n < int(received_.size()) ? received_[size_t(n)] : QByteArray();
    }

    // Waits until `count` scripts have finished (at most five seconds).
    void WaitFinished(int count = 1) {
        for (int i = 0; i < 500 && finished_ < count; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

private:
    void AcceptLoop() {
        for (;;) {
            pollfd fds[2] = {{listen_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0 || (fds[1].revents & POLLIN)) {
                return;
            }
            const int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) {
                continue;
            }
            const int index = accepted_++;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                received_.resize(size_t(index + 1));
            }
            workers_.emplace_back([this, fd, index] {
                PeerConnection connection(fd, tls_);
                if (connection.IsOpen()) {
                    script_(connection);
                }
                std::lock_guard<std::mutex> lock(mutex_);
                received_[size_t(index)] = connection.Received();
                ++finished_;
            });
        }
    }

    Script script_;
    SSL_CTX* tls_;
    int listen_ = -1;
    int port_ = 0;
    int stop_[2] = {-1, -1};
    std::thread acceptor_;
    std::vector<std::thread> workers_;
    std::atomic<int> accepted_{0};
    std::atomic<int> finished_{0};
    std::mutex mutex_;
    std::vector<QByteArray> received_;
};

// Certificates made at test time with the openssl program: a throw-away CA
// that signs one certificate for localhost and 127.0.0.1, one for another
// host, and an expired one for localhost. Clients trust the CA through
// HiSocket::SetCaFile(Trusted()).
class TestCertificates {
public:
    TestCertificates() {
        ok_ =
            Run(Words("req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2") +
                QStringList{QStringLiteral("-keyout"), File("ca", "key"), QStringLiteral("-out"),
                            Trusted(), QStringLiteral("-subj"),
                            QStringLiteral("/CN=Torvel Test CA")}) &&
            Make("good", "localhost", "DNS:localhost,IP:127.0.0.1", 2) &&
            Make("other", "other.example", "DNS:other.example", 2) &&
            Make("expired", "localhost", "DNS:localhost,IP:127.0.0.1", -1);
    }
    ~TestCertificates() {
        for (SSL_CTX* context : contexts_) {
            SSL_CTX_free(context);
        }
    }

    bool IsValid() const { return ok_; }
    QString File(const char* name, const char* kind) const {
        return dir_.filePath(QString::fromLatin1(name) + QLatin1Char('.') +
                             QString::fromLatin1(kind) + QStringLiteral(".pem"));
    }
    QString Trusted() const { return dir_.filePath(QStringLiteral("trusted.pem")); }
    // A server context for "good", "other" or "expired" (owned here).
    SSL_CTX* Server(const char* name) {
        SSL_CTX* context = SSL_CTX_new(TLS_server_method());
        SSL_CTX_use_certificate_file(context, File(name, "cert").toLocal8Bit().constData(),
                                     SSL_FILETYPE_PEM);
        SSL_CTX_use_PrivateKey_file(context, File(name, "key").toLocal8Bit().constData(),
                                    SSL_FILETYPE_PEM);
        contexts_.push_back(context);
        return context;
    }

private:
    bool Run(const QStringList& arguments) {
        QProcess process;
        process.start(QStringLiteral("openssl"), arguments);
        return process.waitForFinished(30000) && process.exitCode() == 0;
    }
    static QStringList Words(const char* words) {
        return QString::fromLatin1(words).split(QLatin1Char(' '));
    }
    bool Make(const char* name, const char* host, const char* names, int days) {
        const QString request = File(name, "csr");
        return Run(Words("req -new -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes") +
                   QStringList{QStringLiteral("-keyout"), File(name, "key"), QStringLiteral("-out"),
                               request, QStringLiteral("-subj"),
                               QStringLiteral("/CN=") + QLatin1String(host),
                               QStringLiteral("-addext"),
                               QStringLiteral("subjectAltName=") + QLatin1String(names)}) &&
               Run(Words("x509 -req -CAcreateserial -copy_extensions copy") +
                   QStringList{QStringLiteral("-in"), request, QStringLiteral("-CA"), Trusted(),
                               QStringLiteral("-CAkey"), File("ca", "key"), QStringLiteral("-days"),
                               QString::number(days), QStringLiteral("-out"), File(name, "cert")});
    }

    QTemporaryDir dir_;
    bool ok_ = false;
    std::vector<SSL_CTX*> contexts_;
};
