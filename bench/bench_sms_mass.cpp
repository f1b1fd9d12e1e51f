// A mass text message of many numbers through the delivered SMSAPI.so to a
// gateway on 127.0.0.1 run by this program, as 群发短信 sends it: the numbers
// written as task rows first, then the background sender (claims marked
// 发送中 before sending, outcomes written in batches, on the event loop's
// thread) with its worker threads calling the library.
//
//   bench_sms_mass [--messages N] [--parallel N] [--pg-only]
//
// N messages (100,000), N messages under way at once (4). With TORVEL_TEST_PG
// set the same run follows on that PostgreSQL server; --pg-only skips SQLite.
// Prints the messages per second, the longest pause of the event loop while
// sending (how responsive the window stays), and the load average before
// and after. The gateway answers each request at once, so the figure is the
// program's own cost per message: the library's request, the claims and the
// state writes.

#include "MassSendBench.h"
#include "ScriptedPrompt.h"
#include "TestDatabases.h"

#include "SmsAccount.h"
#include "SmsSender.h"
#include "SmsTaskStore.h"

#include "base/ProgramFolder.h"
#include "db/DbConnection.h"
#include "net/SmsGateway.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <atomic>
#include <cstdio>
#include <sys/socket.h>
#include <vector>

namespace {

// A gateway on 127.0.0.1: a few threads accept on one socket, read each
// request's header, count it and answer "OK". It stops when destroyed.
class LocalGateway {
public:
    explicit LocalGateway(int threads) : server_(threads, [this](int fd) { Answer(fd); }) {}
    int Port() const { return server_.Port(); }
    int Requests() const { return requests_; }

private:
    void Answer(int fd) {
        static const char reply[] =
            "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 2\r\n\r\nOK";
        QByteArray received;
        char buffer[8192];
        while (!received.contains("\r\n\r\n")) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            received.append(buffer, int(n));
        }
        if (received.contains("\r\n\r\n")) {
            ++requests_;
            [[maybe_unused]] const ssize_t sent = ::send(fd, reply, sizeof reply - 1, MSG_NOSIGNAL);
        }
    }

    std::atomic<int> requests_{0};
    LoopbackServer server_;
};

[[noreturn]] void Fail(const QString& why) {
    BenchFail("bench_sms_mass", why);
}

void Run(const QString& engine, int messages, int parallel, SmsGateway& library,
         const QString& folder) {
    TestDatabase database(engine);
    if (!database.IsAvailable() || !database.Create())
        Fail(database.Why());
    DbConnection db;
    if (!db.Open(database.ConnectionString()))
        Fail(db.GetLastError());

    LocalGateway gateway(4);
    QFile settings(folder + QStringLiteral("data/smsgate.ini"));
    if (!settings.open(QIODevice::WriteOnly))
        Fail(QStringLiteral("cannot write smsgate.ini"));
    settings.write("[.]\r\nMethod=GET\r\nSuccessRule=text:OK\r\n");
    settings.close();
    SmsAccount account;
    account.server = QStringLiteral("http://127.0.0.1:%1/send?u={user}&m={mobile}&t={content}")
                         .arg(gateway.Port());
    account.user = QStringLiteral("bench");
    account.pass = QStringLiteral("secret");
    account.parallel = parallel;

    SmsTaskStore store(db);
    int task = 0;
    if (!store.CreateTask({QStringLiteral("群发"), QStringLiteral("bench"), QString(), QString(),
                           QString(), QStringLiteral("未发送"), QStringLiteral("admin")},
                          task))
        Fail(store.LastError());
    std::vector<SmsNewItem> items;
    items.reserve(size_t(messages));
    for (int i = 0; i < messages; ++i)
        items.push_back({QStringLiteral("13%1").arg(i, 9, 10, QLatin1Char('0')),
                         QStringLiteral("尊敬的客户%1, 您好: 本周六全场八折。").arg(i), QString()});
    QElapsedTimer clock;
    clock.start();
    if (!store.AddItems(task, items))
        Fail(store.LastError());
    const double writeSeconds = clock.nsecsElapsed() / 1e9;

    const QString loadBefore = LoadAverage();
    SmsSender sender(db, library, account, task);
    const SenderRun run = RunSender(sender, "bench_sms_mass");
    SmsTaskCounts counts;
    store.Counts(task, counts);
    if (counts.sent != messages || gateway.Requests() != messages)
        Fail(QStringLiteral("sent %1, the gateway counted %2")
                 .arg(counts.sent)
                 .arg(gateway.Requests()));
    std::printf("%-10s %d messages, %d under way: rows written in %.1f s; sent in %.1f s = %.0f "
                "messages/s; longest event-loop pause %lld ms; load average %s -> %s\n",
                engine.toUtf8().constData(), messages, parallel, writeSeconds, run.seconds,
                messages / run.seconds, static_cast<long long>(run.longestPause),
                loadBefore.toUtf8().constData(), LoadAverage().toUtf8().constData());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int messages = 100000;
    int parallel = 4;
    bool pgOnly = false;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--messages") && i + 1 < args.size())
            messages = args[++i].toInt();
        else if (args[i] == QStringLiteral("--parallel") && i + 1 < args.size())
            parallel = args[++i].toInt();
        else if (args[i] == QStringLiteral("--pg-only"))
            pgOnly = true;
    }
    qputenv("TORVEL_SOURCE_DIR", TORVEL_SOURCE_DIR);
    for (const char* name : {"http_proxy", "HTTP_PROXY"})
        qunsetenv(name);
    // The library reads its settings from the folder it is loaded from.
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    QDir().mkpath(folder + QStringLiteral("data"));
    if (!QFile::copy(QStringLiteral(TORVEL_APP_DIR "/SMSAPI.so"),
                     folder + QStringLiteral("SMSAPI.so")))
        Fail(QStringLiteral("no SMSAPI.so in " TORVEL_APP_DIR));
    SetProgramFolder(folder);
    SmsGateway library(folder + QStringLiteral("SMSAPI.so"));
    if (!library.Load())
        Fail(library.LoadError());
    if (!pgOnly)
        Run(QStringLiteral("sqlite"), messages, parallel, library, folder);
    if (!TestDatabase::PostgresServer().isEmpty())
        Run(QStringLiteral("postgresql"), messages, parallel, library, folder);
    return 0;
}
