#include "LoopbackPeer.h"
#include "SmtpTestServer.h"

#include "net/MailMessage.h"
#include "net/SmtpConnection.h"
#include "net/SocketError.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QTest>

#include <thread>

using namespace Qt::StringLiterals;

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
    message.SetFrom({u"王经理"_s, u"sales@shop.test"_s});
    message.SetReplyTo({QString(), u"sales@shop.test"_s});
    message.AddRecipient({u"张三"_s, u"zhang@client.test"_s});
    message.AddRecipient({QString(), u"li@client.test"_s});
    message.AddRecipient({u"Boss \"B\""_s, u"boss@shop.test"_s}, MailMessage::Cc);
    message.AddRecipient({QString(), u"archive@shop.test"_s}, MailMessage::Bcc);
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
    SmtpTestServer server(u"starttls"_s, certificates_.File("good", "cert"),
                          certificates_.File("good", "key"));
    QVERIFY(server.IsValid());

    const QString subject = u"帐户开通: 欢迎使用Kestrine短信平台!(重要信息) 这是一个相当长的主题,"
                            "需要分成几个编码字才能放进邮件头里"_s;
    const QString body = u"尊敬的客户:\n.第一行以点开头\r\n..两个点\r最后一行"_s;
    const QByteArray binary = QByteArray("\x00\x01\xFF\r\n.\r\n", 8).repeated(5000);
    MailMessage message = SampleMessage();
    message.SetSubject(subject);
    message.SetBody(body);
    message.AddAttachment({u"发货单.bin"_s, u"application/octet-stream"_s, binary});

    SmtpConnection smtp;
    smtp.Socket().SetCaFile(certificates_.Trusted());
    QVERIFY2(smtp.Connect(u"localhost"_s, server.Port(), SmtpConnection::Security::StartTls),
             qPrintable(smtp.LastResponse()));
    QVERIFY(smtp.Socket().IsTls());
    QVERIFY2(smtp.Auth(u"notice"_s, u"密码 1"_s), qPrintable(smtp.LastResponse()));
    QVERIFY2(smtp.SendMessage(message), qPrintable(smtp.LastResponse()));
    QVERIFY(smtp.LastResponse().startsWith(u"250 OK queued as 0"_s));
    QVERIFY(!smtp.Socket().IsConnected());

    // What the server made of it.
    const QJsonObject info = server.Info(0);
    QCOMPARE(info.value(u"login"_s).toString(), u"notice"_s);
    QCOMPARE(info.value(u"subject"_s).toString(), subject);
    QCOMPARE(info.value(u"body"_s).toString(),
             u"尊敬的客户:\r\n.第一行以点开头\r\n..两个点\r\n最后一行"_s);
    QCOMPARE(info.value(u"from"_s).toString(), u"王经理 <sales@shop.test>"_s);
    QCOMPARE(info.value(u"to"_s).toString(), u"张三 <zhang@client.test>, li@client.test"_s);
    QCOMPARE(info.value(u"rcpt_tos"_s).toArray().size(), 4); // Bcc included
    const QJsonObject attachment = info.value(u"attachments"_s).toArray()[0].toObject();
    QCOMPARE(attachment.value(u"name"_s).toString(), u"发货单.bin"_s);
    QCOMPARE(attachment.value(u"size"_s).toInt(), binary.size());

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
    QVERIFY(QRegularExpression(u"\r\nDate: [A-Z][a-z]{2}, \\d\\d [A-Z][a-z]{2} \\d{4} "
                               "\\d\\d:\\d\\d:\\d\\d [+-]\\d{4}\r\n"_s)
                .match(QString::fromLatin1(header + "\r\n"))
                .hasMatch());

    // Text that GB2312 lacks is labelled GB18030 and still decodes.
    MailMessage rare = SampleMessage();
    rare.SetSubject(u"朱镕基 😀"_s);
    rare.SetBody(u"镕"_s);
    QVERIFY(smtp.Connect(u"localhost"_s, server.Port(), SmtpConnection::Security::StartTls));
    QVERIFY(smtp.Auth(u"notice"_s, u"密码 1"_s));
    QVERIFY(smtp.SendMessage(rare));
    QCOMPARE(server.Info(1).value(u"subject"_s).toString(), u"朱镕基 😀"_s);
    QCOMPARE(server.Info(1).value(u"body"_s).toString(), u"镕"_s);
    QVERIFY(server.Message(1).contains("charset=GB18030"));
}

void TestSmtp::implicitTlsAndCertificates() {
    SmtpTestServer server(u"ssl"_s, certificates_.File("good", "cert"),
                          certificates_.File("good", "key"));
    QVERIFY(server.IsValid());
    MailMessage message = SampleMessage();
    message.SetSubject(u"test"_s);
    message.SetBody(u"hello"_s);
    SmtpConnection smtp;
    smtp.Socket().SetCaFile(certificates_.Trusted());
    // Port 465 without a word in the settings means TLS at once.
    QCOMPARE(SmtpConnection::SecurityFromText(QString(), 465), SmtpConnection::Security::Ssl);
    QVERIFY2(smtp.Connect(u"127.0.0.1"_s, server.Port(), SmtpConnection::Security::Ssl),
             qPrintable(smtp.LastResponse()));
    QVERIFY(smtp.Auth(u"notice"_s, u"密码 1"_s));
    QVERIFY(smtp.SendMessage(message));
    QCOMPARE(server.Info(0).value(u"body"_s).toString(), u"hello"_s);

    // A certificate for another host is refused before anything is said.
    LoopbackPeer other([](PeerConnection& c) { c.Write("220 hi\r\n"); },
                       certificates_.Server("other"));
    QVERIFY(!smtp.Connect(u"localhost"_s, other.Port(), SmtpConnection::Security::Ssl));
    QCOMPARE(smtp.LastResponse(), u"CHiSocket::StartTls 服务器证书无效: hostname mismatch\r\n"
                                  "Could not connect to the SMTP server\r\n"_s);

    QCOMPARE(SmtpConnection::SecurityFromText(u" STARTTLS "_s, 465),
             SmtpConnection::Security::StartTls);
}

void TestSmtp::plainConnectionsAndLogin() {
    SmtpTestServer server(u"plain-auth"_s);
    QVERIFY(server.IsValid());
    SmtpConnection smtp;
    // No password over a clear connection unless the settings allow it.
    QVERIFY(smtp.Connect(u"127.0.0.1"_s, server.Port()));
    QVERIFY(!smtp.Auth(u"notice"_s, u"密码 1"_s));
    QVERIFY(smtp.LastResponse().startsWith(u"连接未加密, 不发送登录密码"_s));
    QVERIFY(!smtp.Socket().IsConnected());

    smtp.SetAllowPlainAuth(true);
    QVERIFY(smtp.Connect(u"127.0.0.1"_s, server.Port()));
    QVERIFY2(smtp.Auth(u"notice"_s, u"密码 1"_s), qPrintable(smtp.LastResponse()));
    MailMessage message = SampleMessage();
    message.SetCharset(u"utf-8"_s);
    message.SetSubject(u"Ünïcode 主题"_s);
    message.SetBody(u"ok"_s);
    QVERIFY(smtp.SendMessage(message));
    QCOMPARE(server.Info(0).value(u"subject"_s).toString(), u"Ünïcode 主题"_s);
    QVERIFY(server.Message(0).contains("Subject: =?utf-8?B?"));

    // STARTTLS demanded of a server that does not offer it.
    QVERIFY(!smtp.Connect(u"127.0.0.1"_s, server.Port(), SmtpConnection::Security::StartTls));
    QCOMPARE(smtp.LastResponse(), u"邮件服务器不支持STARTTLS加密\r\n"_s);
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
    QVERIFY(smtp.Connect(u"127.0.0.1"_s, peer.Port()));
    QCOMPARE(smtp.Extensions(), QStringList({u"STARTTLS"_s, u"AUTH PLAIN"_s}));
    QVERIFY(smtp.Disconnect());

    // AUTH LOGIN when PLAIN is not offered, and the whole conversation.
    LoopbackPeer login(Scripted(Standard));
    QVERIFY(smtp.Connect(u"127.0.0.1"_s, login.Port()));
    QVERIFY(smtp.Auth(u"notice"_s, u"密码 1"_s));
    MailMessage message = SampleMessage();
    message.SetSubject(u"plain"_s);
    message.AddAttachment({u"a.txt"_s, u"text/plain"_s, ".x"});
    QVERIFY(smtp.SendMessage(message));
    login.WaitFinished();
    const QByteArray wire = login.Received();
    QVERIFY(QRegularExpression(u"^EHLO \\S+\r\nAUTH LOGIN\r\nbm90aWNl\r\n5a\\+G56CBIDE=\r\n"
                               "MAIL FROM:<sales@shop.test>\r\n"_s)
                .match(QString::fromLatin1(wire))
                .hasMatch());
    QVERIFY(wire.contains("RCPT TO:<archive@shop.test>\r\n"));
    QVERIFY(wire.endsWith("\r\n.\r\nQUIT\r\n"));
    QVERIFY(OnlyCrLf(wire));

    // The HELO fallback, when EHLO is refused outright.
    LoopbackPeer helo(Scripted([](const QByteArray& line) -> QByteArray {
        return line.startsWith("EHLO") ? "500 what\r\n" : Standard(line);
    }));
    QVERIFY(smtp.Connect(u"127.0.0.1"_s, helo.Port()));
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
    QVERIFY(smtp.Connect(u"127.0.0.1"_s, oneTo.Port()));
    QVERIFY(smtp.SendMessage(message));

    // A refused "cc" fails the message, with the server's words.
    LoopbackPeer cc(Scripted(refuse("boss")));
    QVERIFY(smtp.Connect(u"127.0.0.1"_s, cc.Port()));
    QVERIFY(!smtp.SendMessage(message));
    QCOMPARE(smtp.LastResponse(), u"550 5.1.1 no such user\r\n"_s);
    QCOMPARE(smtp.LastError(), 22);

    // Every "to" refused.
    MailMessage single;
    single.SetFrom({QString(), u"a@b.test"_s});
    single.AddRecipient({QString(), u"zhang@client.test"_s});
    LoopbackPeer allTo(Scripted(refuse("zhang")));
    QVERIFY(smtp.Connect(u"127.0.0.1"_s, allTo.Port()));
    QVERIFY(!smtp.SendMessage(single));
    QVERIFY(smtp.LastResponse().startsWith(u"550"_s));

    // Addresses that would break a command or a header are refused at once.
    for (const QString& bad :
         {u"a@b.test>\r\nRCPT TO:<c@d.test"_s, u"a b@c.test"_s, u"<a@b.test>"_s, u"nobody"_s}) {
        QCOMPARE(single.AddRecipient({QString(), bad}), -1);
        QCOMPARE(single.LastError(), u"收件人地址无效: "_s + bad);
    }
    QCOMPARE(single.Recipients(MailMessage::To).size(), 1);
    // A subject is one line whatever it holds.
    single.SetSubject(u"a\r\nBcc: x@y.test"_s);
    QVERIFY(single.Compose().contains("\r\nSubject: a  Bcc: x@y.test\r\n"));
    // An attachment that cannot be read is refused.
    QVERIFY(!single.AddAttachmentFile(u"/nonexistent/附件.doc"_s));
    QCOMPARE(single.LastError(), u"附件无法读取: /nonexistent/附件.doc"_s);
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
    message.AddAttachment(
        {u"big.bin"_s, u"application/octet-stream"_s, QByteArray(4 * 1024 * 1024, 'q')});
    QVERIFY(smtp.Connect(u"127.0.0.1"_s, midData.Port()));
    QVERIFY(!smtp.SendMessage(message));
    QVERIFY(smtp.LastResponse().startsWith(u"SendData:: WSASend(...) failure"_s) ||
            smtp.LastResponse().startsWith(u"CHiSocket::RecvBlock"_s));
    QVERIFY(!smtp.Socket().IsConnected());

    // A 2 MB reply on one line: refused without waiting for its end.
    LoopbackPeer huge(
        [](PeerConnection& c) { c.Write("220 " + QByteArray(2 * 1024 * 1024, 'x') + "\r\n"); });
    QVERIFY(!smtp.Connect(u"127.0.0.1"_s, huge.Port()));
    QCOMPARE(smtp.LastResponse(), u"邮件服务器的回复超长(超过65536字节), 连接已断开\r\n"_s);

    // A greeting without CR LF, then the server goes away: what it said is kept.
    LoopbackPeer bare([](PeerConnection& c) { c.Write("220 no line end"); });
    QVERIFY(!smtp.Connect(u"127.0.0.1"_s, bare.Port()));
    QCOMPARE(smtp.LastResponse(),
             u"220 no line end\r\nCHiSocket::RecvBlock request socket close\r\n"_s);

    // Nobody listening.
    int port;
    {
        LoopbackPeer gone([](PeerConnection&) {});
        port = gone.Port();
    }
    QVERIFY(!smtp.Connect(u"127.0.0.1"_s, port));
    QCOMPARE(smtp.LastResponse(), u"WSAECONNREFUSED - Connection refused\r\n"
                                  "Could not connect to the SMTP server\r\n"_s);
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
    QVERIFY(!smtp.Connect(u"127.0.0.1"_s, slow.Port()));
    QCOMPARE(smtp.LastResponse(), u"Recv Timeout"_s);
    QCOMPARE(smtp.LastError(), int(SocketError::TimedOut));

    // The default waits are minutes long; an abort from another thread ends them.
    smtp.SetTimeouts(SmtpConnection::Timeouts());
    std::thread aborter([&smtp] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        smtp.Socket().Abort();
    });
    QVERIFY(!smtp.Connect(u"127.0.0.1"_s, slow.Port()));
    aborter.join();
    QCOMPARE(smtp.LastResponse(), u"CHiSocket::RecvBlock get abort event\r\n"_s);
}

QTEST_GUILESS_MAIN(TestSmtp)
#include "tst_smtp.moc"
