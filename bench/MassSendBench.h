#pragma once

// What the mass-sending benchmarks (bench_sms_mass, bench_mail_mass) share:
// a server on 127.0.0.1 whose threads accept on one socket and each hold one
// conversation at a time, the load average, and a campaign sender's run
// under the event loop with the longest pause of that loop measured.

#include "CampaignSender.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QString>
#include <QTimer>

#include <arpa/inet.h>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

class LoopbackServer {
public:
    // `converse` gets each accepted socket (a five-second read limit set)
    // and returns when done; the server closes it.
    LoopbackServer(int threads, std::function<void(int fd)> converse)
        : converse_(std::move(converse)) {
        listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listen_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listen_, 1024);
        socklen_t size = sizeof address;
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        for (int i = 0; i < threads; ++i)
            threads_.emplace_back([this] { Serve(); });
    }
    ~LoopbackServer() {
        stop_ = true;
        // Wakes every accept.
        ::shutdown(listen_, SHUT_RDWR);
        for (std::thread& thread : threads_)
            thread.join();
        ::close(listen_);
    }
    int Port() const { return port_; }

private:
    void Serve() {
        while (!stop_) {
            const int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                continue;
            timeval limit{5, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
            converse_(fd);
            ::close(fd);
        }
    }

    std::function<void(int)> converse_;
    int listen_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::vector<std::thread> threads_;
};

inline QString LoadAverage() {
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).section(u' ', 0, 2)
                                          : QStringLiteral("?");
}

[[noreturn]] inline void BenchFail(const char* bench, const QString& why) {
    std::fprintf(stderr, "%s: %s\n", bench, why.toUtf8().constData());
    std::exit(1);
}

struct SenderRun {
    bool completed = false;
    double seconds = 0;
    // The longest the event loop went without turning: what a user would
    // feel as a frozen window.
    qint64 longestPause = 0;
};

// Starts the sender and turns the event loop until it finishes.
inline SenderRun RunSender(CampaignSender& sender, const char* bench) {
    SenderRun run;
    QEventLoop loop;
    QObject::connect(&sender, &CampaignSender::Finished, &loop, [&](int, bool done) {
        run.completed = done;
        loop.quit();
    });
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, &loop,
                     [&] { run.longestPause = std::max(run.longestPause, sinceTick.restart()); });
    QElapsedTimer clock;
    clock.start();
    sinceTick.start();
    ticker.start();
    if (!sender.Start())
        BenchFail(bench, sender.LastError());
    loop.exec();
    run.seconds = clock.nsecsElapsed() / 1e9;
    ticker.stop();
    if (!run.completed || !sender.LastError().isEmpty())
        BenchFail(bench, QStringLiteral("the run did not complete: ") + sender.LastError());
    return run;
}
