// Mail throughput: a 20 MB attachment composed and sent, and a run of account
// notices, one connection each, to a local aiosmtpd (and, for the attachment,
// to an in-process sink that only reads, to show the client's own cost).
//
//   bench_mail [--megabytes N] [--notices N] [--runs N]

#include "../tests/net/LoopbackPeer.h"
#include "../tests/net/SmtpTestServer.h"
#include "BenchTiming.h"

#include "base/IniFile.h"
#include "framework/MailNotice.h"
#include "net/Gbk.h"
#include "net/MailMessage.h"
#include "net/SmtpConnection.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>

#include <cstdio>
#include <ctime>

namespace {

QString Script() {
    return QStringLiteral(TORVEL_SOURCE_DIR) + QStringLiteral("/tests/net/aiosmtpd_server.py");
}

int Argument(const QStringList& arguments, const QString& name, int fallback) {
    const qsizetype at = arguments.indexOf(name);
    return at >= 0 && at + 1 < arguments.size() ? arguments[at + 1].toInt() : fallback;
}

// Answers like a mail server and throws the message away as fast as it comes.
void Sink(PeerConnection& c) {
    c.Write("220 sink\r\n");
    for (;;) {
        const QByteArray line = c.ReadLine();
        if (line.isEmpty()) {
            return;
        }
        if (line.startsWith("DATA")) {
            c.Write("354 go\r\n");
            c.ReadUntil("\r\n.\r\n");
            c.Write("250 ok\r\n");
        } else if (line.startsWith("QUIT")) {
            c.Write("221 bye\r\n");
            return;
        } else {
            c.Write("250 ok\r\n");
        }
    }
}

// CPU time of the calling thread in milliseconds: the client's own cost,
// whatever the peer and the rest of the machine are doing.
double ThreadCpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

bool SendOnce(int port, const MailMessage& message) {
    SmtpConnection smtp;
    if (!smtp.Connect(QStringLiteral("127.0.0.1"), port) || !smtp.SendMessage(message)) {
        std::fprintf(stderr, "send failed: %s\n", qPrintable(smtp.LastResponse()));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const int megabytes = Argument(arguments, QStringLiteral("--megabytes"), 20);
    const int notices = Argument(arguments, QStringLiteral("--notices"), 10000);
    const int runs = Argument(arguments, QStringLiteral("--runs"), 3);

    SmtpTestServer server(QStringLiteral("plain"), QString(), QString(), false, Script());
    if (!server.IsValid()) {
        std::fprintf(stderr, "aiosmtpd did not start\n");
        return 1;
    }

    // 1. One message with a large attachment of random bytes.
    QByteArray data(qsizetype(megabytes) * 1024 * 1024, '\0');
    QRandomGenerator generator(42);
    generator.fillRange(reinterpret_cast<quint32*>(data.data()), data.size() / 4);
    MailMessage message;
    message.SetFrom({QStringLiteral("销售部"), QStringLiteral("sales@shop.test")});
    message.AddRecipient({QStringLiteral("客户"), QStringLiteral("buyer@client.test")});
    message.SetSubject(QStringLiteral("发货单及附件"));
    message.SetBody(QStringLiteral("附件是本月的发货单。"));
    message.AddAttachment({QStringLiteral("发货单.zip"), QStringLiteral("application/zip"), data});

    qsizetype composedSize = 0;
    const double compose =
        bench::BestMilliseconds(runs, [&] { composedSize = message.Compose().size(); });
    LoopbackPeer sink(Sink);
    bool ok = true;
    const double toSink =
        bench::BestMilliseconds(runs, [&] { ok = SendOnce(sink.Port(), message) && ok; });
    double cpu = 1e300;
    const double toServer = bench::BestMilliseconds(runs, [&] {
        const double before = ThreadCpuMilliseconds();
        ok = SendOnce(server.Port(), message) && ok;
        cpu = std::min(cpu, ThreadCpuMilliseconds() - before);
    });
    const double inputMb = double(data.size()) / 1e6;
    std::printf("attachment %d MiB (%.1f MB input, %.1f MB on the wire), best of %d\n", megabytes,
                inputMb, double(composedSize) / 1e6, runs);
    std::printf("  compose only            %8.1f ms  %7.1f MB/s of input\n", compose,
                inputMb / compose * 1000);
    std::printf("  compose+send, sink      %8.1f ms  %7.1f MB/s of input\n", toSink,
                inputMb / toSink * 1000);
    std::printf("  compose+send, aiosmtpd  %8.1f ms  %7.1f MB/s of input\n", toServer,
                inputMb / toServer * 1000);
    std::printf("  client CPU of that send %8.1f ms  %7.1f MB/s of input\n", cpu,
                inputMb / cpu * 1000);

    // 2. Account notices, each on its own connection, through MailNotice.
    QTemporaryDir folder;
    QDir(folder.path()).mkpath(QStringLiteral("templet"));
    QFile letter(folder.filePath(QStringLiteral("templet/create_sky_user.txt")));
    letter.open(QIODevice::WriteOnly);
    letter.write(Gbk::Encode(QStringLiteral(
        "[CustomerName]: 帐号 [UserName] 密码 [UserPass] 短信 [SMSCount] 条, [ProductName]\r\n")));
    letter.close();
    IniFile settings;
    settings.SetString(QStringLiteral("."), QStringLiteral("From"),
                       QStringLiteral("sales@shop.test"));
    settings.SetString(QStringLiteral("."), QStringLiteral("SMTPServer"),
                       QStringLiteral("127.0.0.1"));
    settings.SetInt(QStringLiteral("."), QStringLiteral("SMTPPort"), server.Port());
    settings.Save(folder.filePath(QStringLiteral("email.ini")));

    MailNotice notice(MailNotice::Kind::Account, folder.path());
    NoticeOrder order;
    order.productName = QStringLiteral("短信通");
    order.customerName = QStringLiteral("华东贸易公司");
    order.quantity = QStringLiteral("5000");
    order.email = QStringLiteral("buyer@client.test");
    QElapsedTimer timer;
    timer.start();
    int sent = 0;
    for (int i = 0; i < notices; ++i) {
        order.serialCode = QStringLiteral("user%1/pw%1").arg(i);
        QString shown;
        if (notice.Send(order, shown)) {
            ++sent;
        } else if (sent == i) {
            std::fprintf(stderr, "notice %d failed: %s\n", i, qPrintable(shown));
        }
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    std::printf("notices: %d of %d sent in %.2f s, %.0f messages/s (one connection each)\n", sent,
                notices, seconds, sent / seconds);
    return ok && sent == notices ? 0 : 1;
}
