// A mass e-mail of many personalised messages as 群发电子邮件 sends it: the
// customers' addresses made task rows in one INSERT ... SELECT with the
// subject and body filled per customer, then the module's background sender
// (claims marked 发送中 before sending, outcomes written in batches on the
// event loop's thread) with its worker threads each opening one SMTP
// connection per message through the program's SMTP client.
//
//   bench_mail_mass [--messages N] [--connections N] [--server sink|aiosmtpd|both] [--pg-only]
//
// N messages (10,000), N messages under way at once (4). The server is a
// minimal SMTP sink in this program (four threads accepting on one socket,
// answering every command at once and throwing the message away) and/or
// Debian's aiosmtpd (tests/net/aiosmtpd_server.py, keeping nothing). With
// TORVEL_TEST_PG set the same runs follow on that PostgreSQL server;
// --pg-only skips SQLite. Prints the rows written, the messages per second,
// the longest pause of the event loop while sending (how responsive the
// window stays), and the load average before and after.

#include "MassSendBench.h"
#include "SmtpTestServer.h"
#include "TestDatabases.h"

#include "MailSendSettings.h"
#include "MailSender.h"
#include "MailTaskStore.h"

#include "db/DbConnection.h"
#include "framework/MailNotice.h"

#include <QApplication>
#include <QElapsedTimer>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <sys/socket.h>

namespace {

// An SMTP server on 127.0.0.1 that takes every message and keeps none.
class SmtpSink {
public:
    explicit SmtpSink(int threads) : server_(threads, [this](int fd) { Converse(fd); }) {}
    int Port() const { return server_.Port(); }
    int Messages() const { return messages_; }

private:
    static bool Send(int fd, const char* text) {
        return ::send(fd, text, std::strlen(text), MSG_NOSIGNAL) > 0;
    }

    void Converse(int fd) {
        QByteArray pending;
        bool inData = false;
        char buffer[16384];
        if (!Send(fd, "220 sink ESMTP\r\n"))
            return;
        for (;;) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                return;
            pending.append(buffer, int(n));
            for (;;) {
                if (inData) {
                    const qsizetype end = pending.indexOf("\r\n.\r\n");
                    if (end < 0)
                        break;
                    pending.remove(0, end + 5);
                    inData = false;
                    ++messages_;
                    Send(fd, "250 2.0.0 queued\r\n");
                    continue;
                }
                const qsizetype end = pending.indexOf("\r\n");
                if (end < 0)
                    break;
                const QByteArray line = pending.left(end).toUpper();
                pending.remove(0, end + 2);
                if (line.startsWith("EHLO")) {
                    Send(fd, "250-sink\r\n250 8BITMIME\r\n");
                } else if (line.startsWith("DATA")) {
                    inData = true;
                    // A message that is empty ends at once: its dot follows.
                    pending.prepend("\r\n");
                    Send(fd, "354 go ahead\r\n");
                } else if (line.startsWith("QUIT")) {
                    Send(fd, "221 bye\r\n");
                    return;
                } else {
                    Send(fd, "250 ok\r\n");
                }
            }
        }
    }

    std::atomic<int> messages_{0};
    LoopbackServer server_;
};

[[noreturn]] void Fail(const QString& why) {
    BenchFail("bench_mail_mass", why);
}

// `messages` customers with an address each, in one class.
void MakeCustomers(DbConnection& db, int messages) {
    QStringList rows;
    for (int i = 1; i <= messages; ++i) {
        rows << QStringLiteral("(%1,'客户%1有限公司','联系人%1','上海','c%1@Client.test',"
                               "'客户/华东/')")
                    .arg(i);
        if (rows.size() == 500 || i == messages) {
            if (!db.Execute(QStringLiteral("insert into CustomerData (KeyId,CustomerName,Contact,"
                                           "City,Email,ClassPath) values ") +
                            rows.join(QLatin1Char(','))))
                Fail(db.GetLastError());
            rows.clear();
        }
    }
}

void Run(const QString& engine, const QString& serverName, int port,
         const std::function<int()>& received, int messages, int connections) {
    TestDatabase database(engine);
    if (!database.IsAvailable() || !database.Create())
        Fail(database.Why());
    DbConnection db;
    if (!db.Open(database.ConnectionString()))
        Fail(db.GetLastError());
    MakeCustomers(db, messages);

    MailTaskStore store(db);
    int task = 0;
    if (!store.CreateTask(
            {QStringLiteral("bench"), QString(), QString(), {}, QString(), QStringLiteral("admin")},
            task))
        Fail(store.LastError());
    RecipientFilter filter;
    filter.classPath = QStringLiteral("客户/华东/");
    QElapsedTimer clock;
    clock.start();
    if (!store.AddFilteredItems(task, filter, QStringLiteral("{客户名称}: 本周新品报价"),
                                QStringLiteral("{联系人}您好:\r\n\r\n{客户名称}({城市})本周可享"
                                               "八折优惠, 详见我公司网站。\r\n\r\n销售部")))
        Fail(store.LastError());
    const double writeSeconds = clock.nsecsElapsed() / 1e9;

    MailSettings account;
    account.from = QStringLiteral("sales@shop.test");
    account.server = QStringLiteral("127.0.0.1");
    account.port = port;
    account.security = QStringLiteral("none");
    MailSendSettings settings;
    settings.connections = connections;
    const int before = received();
    const QString loadBefore = LoadAverage();
    MailSender sender(db, account, settings, {}, task);
    const SenderRun run = RunSender(sender, "bench_mail_mass");
    CampaignCounts counts;
    store.Counts(task, counts);
    // -1 when the server does not count (aiosmtpd here keeps nothing).
    const int arrived = before < 0 ? -1 : received() - before;
    if (counts.sent != messages || (arrived >= 0 && arrived != messages))
        Fail(QStringLiteral("sent %1, the server counted %2").arg(counts.sent).arg(arrived));
    std::printf("%-10s %-8s %d messages, %d connections at once: rows written in %.2f s; sent in "
                "%.1f s = %.0f messages/s; longest event-loop pause %lld ms; load average %s -> "
                "%s\n",
                engine.toUtf8().constData(), serverName.toUtf8().constData(), messages, connections,
                writeSeconds, run.seconds, messages / run.seconds,
                static_cast<long long>(run.longestPause), loadBefore.toUtf8().constData(),
                LoadAverage().toUtf8().constData());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int messages = 10000;
    int connections = 4;
    bool pgOnly = false;
    QString servers = QStringLiteral("both");
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--messages") && i + 1 < args.size())
            messages = args[++i].toInt();
        else if (args[i] == QStringLiteral("--connections") && i + 1 < args.size())
            connections = args[++i].toInt();
        else if (args[i] == QStringLiteral("--server") && i + 1 < args.size())
            servers = args[++i];
        else if (args[i] == QStringLiteral("--pg-only"))
            pgOnly = true;
    }
    qputenv("TORVEL_SOURCE_DIR", TORVEL_SOURCE_DIR);
    QStringList engines;
    if (!pgOnly)
        engines << QStringLiteral("sqlite");
    if (!TestDatabase::PostgresServer().isEmpty())
        engines << QStringLiteral("postgresql");
    if (servers != QStringLiteral("aiosmtpd")) {
        SmtpSink sink(4);
        for (const QString& engine : engines)
            Run(
                engine, QStringLiteral("sink"), sink.Port(), [&sink] { return sink.Messages(); },
                messages, connections);
    }
    if (servers != QStringLiteral("sink")) {
        SmtpTestServer server(QStringLiteral("plain"), QString(), QString(), false,
                              QStringLiteral(TORVEL_SOURCE_DIR "/tests/net/aiosmtpd_server.py"));
        if (!server.IsValid())
            Fail(QStringLiteral("aiosmtpd did not start"));
        // aiosmtpd keeps nothing here: the rows' states are the count.
        for (const QString& engine : engines)
            Run(
                engine, QStringLiteral("aiosmtpd"), server.Port(), [] { return -1; }, messages,
                connections);
    }
    return 0;
}
