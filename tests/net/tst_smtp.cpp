#include "LoopbackPeer.h"
#include "SmtpTestServer.h"

#include "net/MailMessage.h"
#include "net/SmtpConnection.h"
#include "net/SocketError.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QTest>

#include <thread>

class TestSmtp : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void startTlsWithAuth();
    void implicitTlsAndCertificates();
    void plainConnectionsAndLogin();
    void scriptedConversation();
    void refusals();
    void brokenServers();
    void timeoutAndAbort();

private:
    TestCertificates certificates_;
};

namespace {

// Line ends are CR LF and nothing else.
bool OnlyCrLf(const QByteArray& bytes) {
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) {
            return false;
        }
        if (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n')) {
            return false;
        }
    }
    return true;
}

MailMessage SampleMessage() {
    MailMessage message;
    message.SetFrom({QStringLiteral("王经理"), QStringLiteral("sales@shop.test")});
    message.SetReplyTo({QString(), QStringLiteral("sales@shop.test")});
    message.AddRecipient({QStringLiteral("张三"), QStringLiteral("zhang@client.test")});
    message.AddRecipient({QString(), QStringLiteral("li@client.test")});
    message.AddRecipient({QStringLiteral("Boss \"B\""), QStringLiteral("boss@shop.test")},
                         MailMessage::Cc);
    message.AddRecipient({QString(), QStringLiteral("archive@shop.test")}, MailMessage::Bcc);
    return message;
}

// A scripted SMTP server: `answer` gives the reply to each command line (an
// empty reply closes the connection); after a 354 the message is read up to
// its final dot and answered with `answer("<message>")`.
LoopbackPeer::Script Scripted(std::function<QByteArray(const QByteArray&)> answer,
                              QByteArray greeting = "220 mail.test ready\r\n") {
    return [answer, greeting](PeerConnection& c) {
        c.Write(greeting);
        for (;;) {
            const QByteArray line = c.ReadLine();
            if (line.isEmpty()) {
                return;
            }
            QByteArray reply = answer(line);
            if (reply.startsWith("354")) {
                c.Write(reply);
                c.ReadUntil("\r\n.\r\n");
                reply = answer("<message>");
            }
            if (reply.isEmpty() || !c.Write(reply) || line.startsWith("QUIT")) {
                return;
            }
        }
    };
}

QByteArray Standard(const QByteArray& line) {
    if (line.startsWith("EHLO")) {
        return "250-mail.test\r\n250-AUTH LOGIN\r\n250 8BITMIME\r\n";
    }
    if (line.startsWith("DATA")) {
        return "354 go ahead\r\n";
    }
    if (line.startsWith("QUIT")) {
        return "221 bye\r\n";
    }
    if (line.startsWith("AUTH LOGIN") || line == "bm90aWNl\r\n") {
        return "334 VXNlcm5hbWU6\r\n";
    }
    if (line.startsWith("5a+G56CBIDE=")) {
        return "235 ok\r\n";
    }
    return "250 ok\r\n";
}

} // namespace

void TestSmtp::initTestCase() {
    QVERIFY(certificates_.IsValid());
}

void TestSmtp::startTlsWithAuth() {
    SmtpTestServer server(QStringLiteral("starttls"), certificates_.File("good", "cert"),
                          certificates_.File("good", "key"));
    QVERIFY(server.IsValid());

    const QString subject =
        QStringLiteral("帐户开通: 欢迎使用Kestrine短信平台!(重要信息) 这是一个相当长的主题,"
                       "需要分成几个编码字才能放进邮件头里");
    const QString body = QStringLiteral("尊敬的客户:\n.第一行以点开头\r\n..两个点\r最后一行");
    const QByteArray binary = QByteArray("\x00\x01\xFF\r\n.\r\n", 8).repeated(5000);
    MailMessage message = SampleMessage();
    message.SetSubject(subject);
    message.SetBody(body);
    message.AddAttachment(
        {QStringLiteral("发货单.bin"), QStringLiteral("application/octet-stream"), binary});

    SmtpConnection smtp;
    smtp.Socket().SetCaFile(certificates_.Trusted());
    QVERIFY2(smtp.Connect(QStringLiteral("localhost"), server.Port(),
                          SmtpConnection::Security::StartTls),
             qPrintable(smtp.LastResponse()));
    QVERIFY(smtp.Socket().IsTls());
    QVERIFY2(smtp.Auth(QStringLiteral("notice"), QStringLiteral("密码 1")),
             qPrintable(smtp.LastResponse()));
    QVERIFY2(smtp.SendMessage(message), qPrintable(smtp.LastResponse()));
    QVERIFY(smtp.LastResponse().startsWith(QStringLiteral("250 OK queued as 0")));
    QVERIFY(!smtp.Socket().IsConnected());

    // What the server made of it.
    const QJsonObject info = server.Info(0);
    QCOMPARE(info.value(QStringLiteral("login")).toString(), QStringLiteral("notice"));
    QCOMPARE(info.value(QStringLiteral("subject")).toString(), subject);
    QCOMPARE(info.value(QStringLiteral("body")).toString(),
             QStringLiteral("尊敬的客户:\r\n.第一行以点开头\r\n..两个点\r\n最后一行"));
    QCOMPARE(info.value(QStringLiteral("from")).toString(),
             QStringLiteral("王经理 <sales@shop.test>"));
    QCOMPARE(info.value(QStringLiteral("to")).toString(),
             QStringLiteral("张三 <zhang@client.test>, li@client.test"));
    QCOMPARE(info.value(QStringLiteral("rcpt_tos")).toArray().size(), 4); // Bcc included
    const QJsonObject attachment =
        info.value(QStringLiteral("attachments")).toArray()[0].toObject();
    QCOMPARE(attachment.value(QStringLiteral("name")).toString(), QStringLiteral("发货单.bin"));
    QCOMPARE(attachment.value(QStringLiteral("size")).toInt(), binary.size());

    // The bytes themselves: CR LF only, one MIME-Version, no Bcc, encoded
    // words of at most 75 characters, English date names.
    const QByteArray raw = server.Message(0);
    QVERIFY(OnlyCrLf(raw));
    QCOMPARE(raw.count("MIME-Version: 1.0\r\n"), 1);
    QVERIFY(!raw.contains("archive@shop.test"));
    QVERIFY(raw.contains("Message-ID: <"));
    const QByteArray header = raw.left(raw.indexOf("\r\n\r\n"));
    QVERIFY(header.contains("Subject: =?gb2312?B?"));
    for (const QByteArray& line : header.split('\n')) {
        QVERIFY2(line.trimmed().size() <= 76, line.constData());
    }
    QVERIFY(
        QRegularExpression(QStringLiteral("\r\nDate: [A-Z][a-z]{2}, \\d\\d [A-Z][a-z]{2} \\d{4} "
                                          "\\d\\d:\\d\\d:\\d\\d [+-]\\d{4}\r\n"))
            .match(QString::fromLatin1(header + "\r\n"))
            .hasMatch());

    // Text that GB2312 lacks is labelled GB18030 and still decodes.
    MailMessage rare = SampleMessage();
    rare.SetSubject(QStringLiteral("朱镕基 😀"));
    rare.SetBody(QStringLiteral("镕"));
    QVERIFY(smtp.Connect(QStringLiteral("localhost"), server.Port(),
                         SmtpConnection::Security::StartTls));
    QVERIFY(smtp.Auth(QStringLiteral("notice"), QStringLiteral("密码 1")));
    QVERIFY(smtp.SendMessage(rare));
    QCOMPARE(server.Info(1).value(QStringLiteral("subject")).toString(),
             QStringLiteral("朱镕基 😀"));
    QCOMPARE(server.Info(1).value(QStringLiteral("body")).toString(), QStringLiteral("镕"));
    QVERIFY(server.Message(1).contains("charset=GB18030"));
}

void TestSmtp::implicitTlsAndCertificates() {
    SmtpTestServer server(QStringLiteral("ssl"), certificates_.File("good", "cert"),
                          certificates_.File("good", "key"));
    QVERIFY(server.IsValid());
    MailMessage message = SampleMessage();
    message.SetSubject(QStringLiteral("test"));
    message.SetBody(QStringLiteral("hello"));
    SmtpConnection smtp;
    smtp.Socket().SetCaFile(certificates_.Trusted());
    // Port 465 without a word in the settings means TLS at once.
    QCOMPARE(SmtpConnection::SecurityFromText(QString(), 465), SmtpConnection::Security::Ssl);
    QVERIFY2(
        smtp.Connect(QStringLiteral("127.0.0.1"), server.Port(), SmtpConnection::Security::Ssl),
        qPrintable(smtp.LastResponse()));
    QVERIFY(smtp.Auth(QStringLiteral("notice"), QStringLiteral("密码 1")));
    QVERIFY(smtp.SendMessage(message));
    QCOMPARE(server.Info(0).value(QStringLiteral("body")).toString(), QStringLiteral("hello"));

    // A certificate for another host is refused before anything is said.
    LoopbackPeer other([](PeerConnection& c) { c.Write("220 hi\r\n"); },
                       certificates_.Server("other"));
    QVERIFY(
        !smtp.Connect(QStringLiteral("localhost"), other.Port(), SmtpConnection::Security::Ssl));
    QCOMPARE(smtp.LastResponse(),
             QStringLiteral("CHiSocket::StartTls 服务器证书无效: hostname mismatch\r\n"
                            "Could not connect to the SMTP server\r\n"));

    QCOMPARE(SmtpConnection::SecurityFromText(QStringLiteral(" STARTTLS "), 465),
             SmtpConnection::Security::StartTls);
}

void TestSmtp::plainConnectionsAndLogin() {
    SmtpTestServer server(QStringLiteral("plain-auth"));
    QVERIFY(server.IsValid());
    SmtpConnection smtp;
    // No password over a clear connection unless the settings allow it.
    QVERIFY(smtp.Connect(QStringLiteral("127.0.0.1"), server.Port()));
    QVERIFY(!smtp.Auth(QStringLiteral("notice"), QStringLiteral("密码 1")));
    QVERIFY(smtp.LastResponse().startsWith(QStringLiteral("连接未加密, 不发送登录密码")));
    QVERIFY(!smtp.Socket().IsConnected());

    smtp.SetAllowPlainAuth(true);
    QVERIFY(smtp.Connect(QStringLiteral("127.0.0.1"), server.Port()));
    QVERIFY2(smtp.Auth(QStringLiteral("notice"), QStringLiteral("密码 1")),
             qPrintable(smtp.LastResponse()));
    MailMessage message = SampleMessage();
    message.SetCharset(QStringLiteral("utf-8"));
    message.SetSubject(QStringLiteral("Ünïcode 主题"));
    message.SetBody(QStringLiteral("ok"));
    QVERIFY(smtp.SendMessage(message));
    QCOMPARE(server.Info(0).value(QStringLiteral("subject")).toString(),
             QStringLiteral("Ünïcode 主题"));
    QVERIFY(server.Message(0).contains("Subject: =?utf-8?B?"));

    // STARTTLS demanded of a server that does not offer it.
    QVERIFY(!smtp.Connect(QStringLiteral("127.0.0.1"), server.Port(),
                          SmtpConnection::Security::StartTls));
    QCOMPARE(smtp.LastResponse(), QStringLiteral("邮件服务器不支持STARTTLS加密\r\n"));
}

void TestSmtp::scriptedConversation() {
    // Replies cut into pieces, a multi-line reply read to its last line.
    LoopbackPeer peer([](PeerConnection& c) {
        for (const char* piece : {"2", "20 mail", ".test\r", "\n"}) {
            c.Write(piece);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        c.ReadLine();
        c.Write("250-mail.test\r\n250-STAR");
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        c.Write("TTLS\r\n250 AUTH PLAIN\r\n");
        if (c.ReadLine() == "QUIT\r\n") {
            c.Write("221 bye\r\n");
        }
    });
    SmtpConnection smtp;
    smtp.SetAllowPlainAuth(true);
    QVERIFY(smtp.Connect(QStringLiteral("127.0.0.1"), peer.Port()));
    QCOMPARE(smtp.Extensions(),
             QStringList({QStringLiteral("STARTTLS"), QStringLiteral("AUTH PLAIN")}));
    QVERIFY(smtp.Disconnect());

    // AUTH LOGIN when PLAIN is not offered, and the whole conversation.
    LoopbackPeer login(Scripted(Standard));
    QVERIFY(smtp.Connect(QStringLiteral("127.0.0.1"), login.Port()));
    QVERIFY(smtp.Auth(QStringLiteral("notice"), QStringLiteral("密码 1")));
    MailMessage message = SampleMessage();
    message.SetSubject(QStringLiteral("plain"));
    message.AddAttachment({QStringLiteral("a.txt"), QStringLiteral("text/plain"), ".x"});
    QVERIFY(smtp.SendMessage(message));
    login.WaitFinished();
    const QByteArray wire = login.Received();
    QVERIFY(QRegularExpression(
                QStringLiteral("^EHLO \\S+\r\nAUTH LOGIN\r\nbm90aWNl\r\n5a\\+G56CBIDE=\r\n"
                               "MAIL FROM:<sales@shop.test>\r\n"))
                .match(QString::fromLatin1(wire))
                .hasMatch());
    QVERIFY(wire.contains("RCPT TO:<archive@shop.test>\r\n"));
    QVERIFY(wire.endsWith("\r\n.\r\nQUIT\r\n"));
    QVERIFY(OnlyCrLf(wire));

    // The HELO fallback, when EHLO is refused outright.
    LoopbackPeer helo(Scripted([](const QByteArray& line) -> QByteArray {
        return line.startsWith("EHLO") ? "500 what\r\n" : Standard(line);
    }));
    QVERIFY(smtp.Connect(QStringLiteral("127.0.0.1"), helo.Port()));
    QVERIFY(smtp.Disconnect());
    helo.WaitFinished();
    QVERIFY(helo.Received().contains("\r\nHELO "));
}

void TestSmtp::refusals() {
    const auto refuse = [](const QByteArray& who) {
        return [who](const QByteArray& line) -> QByteArray {
            return line.startsWith("RCPT TO:<" + who) ? "550 5.1.1 no such user\r\n"
                                                      : Standard(line);
        };
    };
    SmtpConnection smtp;
    MailMessage message = SampleMessage();

    // One refused "to" is fine while another is accepted.
    LoopbackPeer oneTo(Scripted(refuse("zhang")));
    QVERIFY(smtp.Connect(QStringLiteral("127.0.0.1"), oneTo.Port()));
    QVERIFY(smtp.SendMessage(message));

    // A refused "cc" fails the message, with the server's words.
    LoopbackPeer cc(Scripted(refuse("boss")));
    QVERIFY(smtp.Connect(QStringLiteral("127.0.0.1"), cc.Port()));
    QVERIFY(!smtp.SendMessage(message));
    QCOMPARE(smtp.LastResponse(), QStringLiteral("550 5.1.1 no such user\r\n"));
    QCOMPARE(smtp.LastError(), 22);

    // Every "to" refused.
    MailMessage single;
    single.SetFrom({QString(), QStringLiteral("a@b.test")});
    single.AddRecipient({QString(), QStringLiteral("zhang@client.test")});
    LoopbackPeer allTo(Scripted(refuse("zhang")));
    QVERIFY(smtp.Connect(QStringLiteral("127.0.0.1"), allTo.Port()));
    QVERIFY(!smtp.SendMessage(single));
    QVERIFY(smtp.LastResponse().startsWith(QStringLiteral("550")));

    // Addresses that would break a command or a header are refused at once.
    for (const QString& bad :
         {QStringLiteral("a@b.test>\r\nRCPT TO:<c@d.test"), QStringLiteral("a b@c.test"),
          QStringLiteral("<a@b.test>"), QStringLiteral("nobody")}) {
        QCOMPARE(single.AddRecipient({QString(), bad}), -1);
        QCOMPARE(single.LastError(), QStringLiteral("收件人地址无效: ") + bad);
    }
    QCOMPARE(single.Recipients(MailMessage::To).size(), 1);
    // A subject is one line whatever it holds.
    single.SetSubject(QStringLiteral("a\r\nBcc: x@y.test"));
    QVERIFY(single.Compose().contains("\r\nSubject: a  Bcc: x@y.test\r\n"));
    // An attachment that cannot be read is refused.
    QVERIFY(!single.AddAttachmentFile(QStringLiteral("/nonexistent/附件.doc")));
    QCOMPARE(single.LastError(), QStringLiteral("附件无法读取: /nonexistent/附件.doc"));
}

void TestSmtp::brokenServers() {
    SmtpConnection smtp;
    MailMessage message = SampleMessage();

    // The server hangs up in the middle of the message.
    LoopbackPeer midData([](PeerConnection& c) {
        c.Write("220 hi\r\n");
        for (;;) {
            const QByteArray line = c.ReadLine();
            if (line.isEmpty()) {
                return;
            }
            if (line.startsWith("DATA")) {
                c.Write("354 go\r\n");
                c.ReadMore();
                c.Close(); // mid-message
                return;
            }
            c.Write(Standard(line));
        }
    });
    message.AddAttachment({QStringLiteral("big.bin"), QStringLiteral("application/octet-stream"),
                           QByteArray(4 * 1024 * 1024, 'q')});
    QVERIFY(smtp.Connect(QStringLiteral("127.0.0.1"), midData.Port()));
    QVERIFY(!smtp.SendMessage(message));
    QVERIFY(smtp.LastResponse().startsWith(QStringLiteral("SendData:: WSASend(...) failure")) ||
            smtp.LastResponse().startsWith(QStringLiteral("CHiSocket::RecvBlock")));
    QVERIFY(!smtp.Socket().IsConnected());

    // A 2 MB reply on one line: refused without waiting for its end.
    LoopbackPeer huge(
        [](PeerConnection& c) { c.Write("220 " + QByteArray(2 * 1024 * 1024, 'x') + "\r\n"); });
    QVERIFY(!smtp.Connect(QStringLiteral("127.0.0.1"), huge.Port()));
    QCOMPARE(smtp.LastResponse(),
             QStringLiteral("邮件服务器的回复超长(超过65536字节), 连接已断开\r\n"));

    // A greeting without CR LF, then the server goes away: what it said is kept.
    LoopbackPeer bare([](PeerConnection& c) { c.Write("220 no line end"); });
    QVERIFY(!smtp.Connect(QStringLiteral("127.0.0.1"), bare.Port()));
    QCOMPARE(smtp.LastResponse(),
             QStringLiteral("220 no line end\r\nCHiSocket::RecvBlock request socket close\r\n"));

    // Nobody listening.
    int port;
    {
        LoopbackPeer gone([](PeerConnection&) {});
        port = gone.Port();
    }
    QVERIFY(!smtp.Connect(QStringLiteral("127.0.0.1"), port));
    QCOMPARE(smtp.LastResponse(), QStringLiteral("WSAECONNREFUSED - Connection refused\r\n"
                                                 "Could not connect to the SMTP server\r\n"));
}

void TestSmtp::timeoutAndAbort() {
    LoopbackPeer slow([](PeerConnection& c) {
        c.Write("220 hi\r\n");
        c.ReadLine();
        c.ReadMore(); // never answers EHLO
    });
    SmtpConnection smtp;
    SmtpConnection::Timeouts quick;
    quick.command = 300;
    smtp.SetTimeouts(quick);
    QVERIFY(!smtp.Connect(QStringLiteral("127.0.0.1"), slow.Port()));
    QCOMPARE(smtp.LastResponse(), QStringLiteral("Recv Timeout"));
    QCOMPARE(smtp.LastError(), int(SocketError::TimedOut));

    // The default waits are minutes long; an abort from another thread ends them.
    smtp.SetTimeouts(SmtpConnection::Timeouts());
    std::thread aborter([&smtp] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        smtp.Socket().Abort();
    });
    QVERIFY(!smtp.Connect(QStringLiteral("127.0.0.1"), slow.Port()));
    aborter.join();
    QCOMPARE(smtp.LastResponse(), QStringLiteral("CHiSocket::RecvBlock get abort event\r\n"));
}

QTEST_GUILESS_MAIN(TestSmtp)
#include "tst_smtp.moc"
