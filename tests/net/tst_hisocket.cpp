#include "LoopbackPeer.h"

#include "net/HiSocket.h"
#include "net/SocketError.h"

#include <QElapsedTimer>
#include <QTest>

#include <thread>

using namespace Qt::StringLiterals;

class TestHiSocket : public QObject {
    Q_OBJECT

private slots:
    void exchangeAndPeerClose();
    void timeoutsAndAbort();
    void readPacketKeepsPartialData();
    void sendToClosedPeer();
    void tlsAndStartTls();
    void tlsRefusesBadCertificates();
    void errorTexts();
};

namespace {

QByteArray ReadAll(HiSocket& socket) {
    QByteArray all;
    char buffer[1000];
    int got;
    while ((got = socket.Recv(buffer, sizeof buffer)) > 0) {
        all.append(buffer, got);
    }
    return all;
}

} // namespace

void TestHiSocket::exchangeAndPeerClose() {
    LoopbackPeer peer([](PeerConnection& c) {
        const QByteArray line = c.ReadLine();
        c.Write("echo " + line);
        c.Close();
    });
    // "localhost" may resolve to ::1 first, where nobody listens: the next
    // address is tried.
    for (const QString& host : {u"127.0.0.1"_s, u"localhost"_s}) {
        HiSocket socket;
        QVERIFY(socket.Create());
        QVERIFY2(socket.Connect(host, peer.Port()), qPrintable(socket.LastMessage()));
        QVERIFY(socket.IsConnected());
        QCOMPARE(socket.Send(QByteArray("hello\r\n")), 7);
        // The data that came before the close is returned, then the close.
        QCOMPARE(ReadAll(socket), QByteArray("echo hello\r\n"));
        QCOMPARE(socket.LastMessage(), u"CHiSocket::RecvBlock request socket close\r\n"_s);
        QVERIFY(!socket.IsConnected());
        QCOMPARE(socket.Recv(nullptr, 0), -1);
        QCOMPARE(socket.BytesSent(), 7);
        QCOMPARE(socket.BytesReceived(), 12);
    }
}

void TestHiSocket::timeoutsAndAbort() {
    // A peer that accepts and never says anything.
    LoopbackPeer silent([](PeerConnection& c) { c.ReadMore(); });
    char buffer[10];

    HiSocket socket;
    QVERIFY(socket.Connect(u"127.0.0.1"_s, silent.Port()));
    socket.SetTimeout(150);
    QCOMPARE(socket.Recv(buffer, sizeof buffer), -1);
    QCOMPARE(socket.LastMessage(),
             u"CHiSocket::RecvBlock::Read request WSA_WAIT_TIMEOUT(...) failure\r\n"_s);
    QCOMPARE(socket.LastError(), int(SocketError::TimedOut));
    QVERIFY(!socket.IsConnected());

    // An abort signalled before the read ends it at once.
    QVERIFY(socket.Connect(u"127.0.0.1"_s, silent.Port()));
    socket.SetTimeout(60000);
    socket.Abort();
    QCOMPARE(socket.Recv(buffer, sizeof buffer), -1);
    QCOMPARE(socket.LastMessage(), u"CHiSocket::RecvBlock get abort event\r\n"_s);

    // An abort from another thread ends a long wait (the bound here is only
    // far below the minute the wait would otherwise take).
    QVERIFY(socket.Connect(u"127.0.0.1"_s, silent.Port()));
    std::thread aborter([&socket] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        socket.Abort();
    });
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(socket.Recv(buffer, sizeof buffer), -1);
    aborter.join();
    QVERIFY(clock.elapsed() < 10000);
    QCOMPARE(socket.LastMessage(), u"CHiSocket::RecvBlock get abort event\r\n"_s);

    // A closed socket is clear of the abort: the next connection works.
    QVERIFY(socket.Connect(u"127.0.0.1"_s, silent.Port()));
    QCOMPARE(socket.Send(QByteArray("x")), 1);
}

void TestHiSocket::readPacketKeepsPartialData() {
    LoopbackPeer peer([](PeerConnection& c) {
        c.Write(QByteArray(60, 'a'));
        c.ReadMore();
    });
    HiSocket socket;
    QVERIFY(socket.Connect(u"127.0.0.1"_s, peer.Port()));
    socket.SetTimeout(200);
    QByteArray packet;
    QCOMPARE(socket.ReadPacket(packet, 100), 0);
    QCOMPARE(packet, QByteArray(60, 'a'));
    QCOMPARE(socket.LastMessage(), u"ReadPacket Recv Timeout"_s);
    QCOMPARE(socket.LastError(), int(SocketError::TimedOut));
}

void TestHiSocket::sendToClosedPeer() {
    // The peer goes away while a large send is under way: an error, and the
    // process lives on (no SIGPIPE).
    LoopbackPeer peer([](PeerConnection& c) { c.Close(); });
    HiSocket socket;
    QVERIFY(socket.Connect(u"127.0.0.1"_s, peer.Port()));
    peer.WaitFinished();
    const QByteArray big(8 * 1024 * 1024, 'x');
    QCOMPARE(socket.Send(big), -1);
    QVERIFY(socket.LastMessage().startsWith(u"SendData:: WSASend(...) failure,err=0x"_s));
    QVERIFY(!socket.IsConnected());
}

void TestHiSocket::tlsAndStartTls() {
    TestCertificates certificates;
    QVERIFY(certificates.IsValid());

    // Implicit TLS with a large exchange both ways.
    const QByteArray block(3 * 1024 * 1024 + 17, 'z');
    LoopbackPeer secure(
        [&block](PeerConnection& c) {
            if (c.ReadUntil("END").size() == block.size() + 3) {
                c.Write(block);
            }
            c.Close();
        },
        certificates.Server("good"));
    HiSocket socket;
    socket.SetCaFile(certificates.Trusted());
    QVERIFY(socket.Connect(u"127.0.0.1"_s, secure.Port()));
    QVERIFY2(socket.StartTls(u"127.0.0.1"_s), qPrintable(socket.LastMessage()));
    QVERIFY(socket.IsTls());
    QCOMPARE(socket.Send(block + "END"), block.size() + 3);
    QCOMPARE(ReadAll(socket), block);
    QVERIFY(!socket.IsConnected());

    // The clear conversation turns into TLS in the middle, as STARTTLS does.
    SSL_CTX* context = certificates.Server("good");
    LoopbackPeer upgrading([context](PeerConnection& c) {
        c.Write("ready\r\n");
        if (c.ReadLine() == "STARTTLS\r\n" && c.Write("go ahead\r\n") && c.StartTls(context)) {
            c.Write("secret " + c.ReadLine());
        }
    });
    HiSocket mixed;
    mixed.SetCaFile(certificates.Trusted());
    QVERIFY(mixed.Connect(u"localhost"_s, upgrading.Port()));
    char buffer[100];
    QCOMPARE(mixed.Recv(buffer, sizeof buffer), 7);
    QCOMPARE(mixed.Send(QByteArray("STARTTLS\r\n")), 10);
    QCOMPARE(mixed.Recv(buffer, sizeof buffer), 10);
    QVERIFY2(mixed.StartTls(u"localhost"_s), qPrintable(mixed.LastMessage()));
    QCOMPARE(mixed.Send(QByteArray("word\r\n")), 6);
    QByteArray reply;
    QCOMPARE(mixed.ReadPacket(reply, 13), 13);
    QCOMPARE(reply, QByteArray("secret word\r\n"));
}

void TestHiSocket::tlsRefusesBadCertificates() {
    TestCertificates certificates;
    QVERIFY(certificates.IsValid());
    const struct {
        const char* certificate;
        const char* reason;
    } cases[] = {{"other", "hostname mismatch"}, {"expired", "certificate has expired"}};
    for (const auto& item : cases) {
        LoopbackPeer peer([](PeerConnection& c) { c.ReadMore(); },
                          certificates.Server(item.certificate));
        HiSocket socket;
        socket.SetCaFile(certificates.Trusted());
        QVERIFY(socket.Connect(u"localhost"_s, peer.Port()));
        QVERIFY(!socket.StartTls(u"localhost"_s));
        QCOMPARE(socket.LastMessage(), u"CHiSocket::StartTls 服务器证书无效: %1\r\n"_s.arg(
                                           QString::fromLatin1(item.reason)));
        QVERIFY(!socket.IsConnected());
    }
}

void TestHiSocket::errorTexts() {
    QCOMPARE(HiSocket::ErrorText(10060), u"WSAETIMEDOUT - Command timed out"_s);
    QCOMPARE(HiSocket::ErrorText(12345), u"Error Code 0x3039 (12345)"_s);
    QCOMPARE(SocketError::FromErrno(ECONNRESET), 10054);
}

QTEST_GUILESS_MAIN(TestHiSocket)
#include "tst_hisocket.moc"
