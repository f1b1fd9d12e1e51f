// The customer detail tabs at full size: from selecting a customer to the
// shown tab painted, for each list tab, against the database's own
// command-line program running the tab's statement; and how often the tabs
// read while the selection is moved down the customer list with the arrow key.
//
//   bench_tabs [--folder DIR] [--customers N] [--orders N] [--records N]
//              [--plans N] [--runs N] [--pg CONNECTION] [--pg-only]
//
// Makes (or reuses) DIR/bench_tabs.db (DIR default /tmp) from the delivered
// schema with the generators the order and follow-up benchmarks use:
// N customers (1,000,000), N orders (5,000,000), N records (5,000,000) and
// N plans (1,000,000) spread over the customers. Then, on a shown tab view:
//   - for the plan, record and order tabs: SetCustomer and the repaint of the
//     tab's grid, against the CLI running the tab's SELECT with LIMIT 200;
//   - the customer search view with the tabs in its lower pane, the order tab
//     in front: 50 presses of the down arrow sent to the customer grid as
//     fast as they come, and 50 at a held key's repeat rate (one every 33 ms);
//     the reads the tabs made for each run.
// With --pg the same in the schema bench_tabs of that PostgreSQL server,
// against psql's \timing; --pg-only skips SQLite. Median of --runs (7) after
// one warm-up each.

#include "BenchData.h"
#include "QueryBenchSupport.h"

#include "ScriptedPrompt.h"

#include "business/CustomerTabView.h"
#include "customer/CustomerSearchView.h"
#include "db/DbConnection.h"
#include "db/QueryBinder.h"
#include "framework/RecordListView.h"
#include "ui/GridCtrl.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QTabWidget>
#include <QWindow>

#include <vector>

namespace {

struct Sizes {
    qint64 customers = 1000000;
    qint64 orders = 5000000;
    qint64 records = 5000000;
    qint64 plans = 1000000;
};

void Fill(bench::RawDb& db, const Sizes& sizes) {
    bench::FillCustomers(db, sizes.customers);
    bench::FillOrders(db, sizes.orders, sizes.customers);
    bench::FillFollowUp(db, sizes.customers, sizes.records, sizes.plans);
    db.Exec(QStringLiteral("analyze"));
}

// A command-line program's time for a script, in seconds (-1 on failure).
using Cli = std::function<double(const QByteArray& script)>;

double CliMedian(const Cli& cli, const QByteArray& script, int runs) {
    std::vector<double> times;
    cli(script);
    for (int i = 0; i < runs; ++i) {
        const double seconds = cli(script);
        if (seconds < 0)
            bench::Fail(QStringLiteral("the CLI failed on: ") + QString::fromUtf8(script));
        times.push_back(seconds);
    }
    return bench::Median(times);
}

void Line(const char* what, double ours, double cli) {
    const double allowed = 1.5 * cli + 0.030;
    std::printf("  %-32s %8.1f ms   CLI %8.1f ms   allowed %8.1f ms: %s\n", what, ours * 1e3,
                cli * 1e3, allowed * 1e3, ours <= allowed ? "within" : "OVER");
}

void Show(QWidget& view) {
    view.resize(1200, 800);
    view.show();
    while (!view.windowHandle() || !view.windowHandle()->isExposed())
        QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

// Lets the event loop run for `ms` milliseconds.
void Pump(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

CustomerTabArgs Admin() {
    return {QStringLiteral("admin"), [](const QString&) { return true; }};
}

// The customer with the most orders among the first thousand: a full tab.
int BusyCustomer(DbConnection& db) {
    QString key;
    db.JoinColumnValues(QStringLiteral("select CustomerId from OrderData where CustomerId <= 1000 "
                                       "group by CustomerId order by count(*) desc, CustomerId "
                                       "limit 1"),
                        key);
    return key.toInt();
}

void MeasureTabs(const char* engine, DbConnection& db, const Cli& cli, int runs) {
    std::printf("%s\n", engine);
    ScriptedPrompt prompt;
    CCustomerTabView tabs(db, prompt, Admin());
    Show(tabs);
    const int customer = BusyCustomer(db);
    const struct {
        CCustomerTabView::Tab tab;
        const char* name;
    } lists[] = {{CCustomerTabView::Plans, "plan tab (跟踪计划)"},
                 {CCustomerTabView::Records, "record tab (沟通记录)"},
                 {CCustomerTabView::Orders, "order tab (销售记录)"}};
    for (const auto& list : lists) {
        tabs.Tabs()->setCurrentIndex(list.tab);
        auto& view = *static_cast<CRecordListView*>(tabs.Page(list.tab));
        const int readsBefore = tabs.Reads();
        const double shown = bench::Median(bench::TimeRuns(runs, [&] {
            tabs.SetCustomer(customer);
            view.Grid()->viewport()->repaint();
        }));
        if (tabs.Reads() - readsBefore < runs || !prompt.Messages().isEmpty())
            bench::Fail(QStringLiteral("the tab did not read: ") + prompt.LastMessage());
        const int rows = view.Grid()->GetRowCount() - 1;
        const QByteArray sql =
            (view.Binder().GetSelectText() + QStringLiteral(" limit 200;\n")).toUtf8();
        char what[64];
        std::snprintf(what, sizeof what, "%s, %d rows", list.name, rows);
        Line(what, shown, CliMedian(cli, sql, runs));
    }
}

void PressDown(QWidget& grid) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(&grid, &press);
    QApplication::sendEvent(&grid, &release);
}

void MeasureArrowKeys(DbConnection& db) {
    ScriptedPrompt prompt;
    CustomerViewArgs args{
        QStringLiteral("admin"), QStringLiteral(" IsProvider < 1 "), true, {}, {}};
    args.detailPane = [](DbConnection& connection, Prompt& shown, const CustomerViewArgs&,
                         QWidget* parent) {
        return new CCustomerTabView(connection, shown, Admin(), parent);
    };
    CCustomerSearchView view(db, prompt, args);
    auto& tabs = *static_cast<CCustomerTabView*>(view.DetailPane());
    Show(view);
    tabs.Tabs()->setCurrentIndex(CCustomerTabView::Orders);
    CGridCtrl& grid = *view.Grid();
    if (grid.GetRowCount() < 110)
        bench::Fail(QStringLiteral("the customer list did not fill"));

    for (const int gap : {0, 33}) {
        grid.SetFocusCell(1 + (gap ? 55 : 0), 1);
        Pump(3 * CCustomerTabView::kSettleMilliseconds);
        const int before = tabs.Reads();
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 50; ++i) {
            PressDown(grid);
            if (gap)
                Pump(gap);
            else
                QCoreApplication::processEvents();
        }
        const double keys = double(clock.nsecsElapsed()) / 1e9;
        // Until the order tab shows where the selection came to rest.
        while (tabs.Customer() != view.ShownCustomer())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const double settled = double(clock.nsecsElapsed()) / 1e9 - keys;
        std::printf("  50 x down arrow, %s: %d tab reads (%.0f ms of keys; shown %.0f ms after "
                    "the last key)\n",
                    gap ? "one every 33 ms" : "as fast as they come", tabs.Reads() - before,
                    keys * 1e3, settled * 1e3);
    }
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QString folder = QStringLiteral("/tmp");
    QString pg;
    Sizes sizes;
    int runs = 7;
    const QStringList args = app.arguments();
    const bool pgOnly = args.contains(QStringLiteral("--pg-only"));
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--folder"))
            folder = args[++i];
        else if (args[i] == QLatin1String("--customers"))
            sizes.customers = args[++i].toLongLong();
        else if (args[i] == QLatin1String("--orders"))
            sizes.orders = args[++i].toLongLong();
        else if (args[i] == QLatin1String("--records"))
            sizes.records = args[++i].toLongLong();
        else if (args[i] == QLatin1String("--plans"))
            sizes.plans = args[++i].toLongLong();
        else if (args[i] == QLatin1String("--runs"))
            runs = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--pg"))
            pg = args[++i];
    }
    const auto complete = [&sizes](bench::RawDb& probe, const QString& prefix) {
        return probe.Count(QStringLiteral("select count(*) from %1CustomerData").arg(prefix)) ==
                   sizes.customers &&
               probe.Count(QStringLiteral("select count(*) from %1OrderData").arg(prefix)) ==
                   sizes.orders &&
               probe.Count(QStringLiteral("select count(*) from %1TraceData").arg(prefix)) ==
                   sizes.records &&
               probe.Count(QStringLiteral("select count(*) from %1TrackPlan").arg(prefix)) ==
                   sizes.plans;
    };

    if (!pgOnly) {
        const QString path = folder + QStringLiteral("/bench_tabs.db");
        QString connection = QStringLiteral("Provider=SQLite;Data Source=") + path;
        bool reuse = false;
        if (QFileInfo::exists(path)) {
            bench::RawDb probe(connection);
            reuse = complete(probe, QString());
        }
        if (!reuse) {
            std::fprintf(stderr, "making %s...\n", qPrintable(path));
            connection = bench::MakeSqlite(path);
            bench::RawDb db(connection);
            Fill(db, sizes);
        }
        DbConnection db;
        if (!db.Open(connection))
            bench::Fail(db.GetLastError());
        const Cli sqlite = [&](const QByteArray& script) {
            QString output;
            if (bench::RunProgram(QStringLiteral("sqlite3"), {path},
                                  ".timer on\n.output /dev/null\n" + script, &output, true) < 0)
                return -1.0;
            return bench::LastSqliteTime(output);
        };
        MeasureTabs("SQLite", db, sqlite, runs);
        MeasureArrowKeys(db);
    }

    if (pg.isEmpty())
        return 0;
    const QString schema = QStringLiteral("bench_tabs");
    QString pgConnection = pg + QStringLiteral(";Schema=") + schema;
    bool pgReuse = false;
    {
        bench::RawDb probe(pg);
        pgReuse = probe.Count(QStringLiteral("select count(*) from information_schema.schemata "
                                             "where schema_name='%1'")
                                  .arg(schema)) == 1 &&
                  complete(probe, schema + QLatin1Char('.'));
    }
    if (!pgReuse) {
        std::fprintf(stderr, "making schema %s...\n", qPrintable(schema));
        pgConnection = bench::MakePostgres(pg, schema);
        bench::RawDb db(pg);
        db.Exec(QStringLiteral("set search_path to %1, public").arg(schema));
        Fill(db, sizes);
    }
    DbConnection db;
    if (!db.Open(pgConnection))
        bench::Fail(db.GetLastError());
    const bench::PsqlCommand psql = bench::Psql(pgConnection);
    const Cli psqlCli = [&](const QByteArray& script) {
        QString output;
        if (bench::RunProgram(QStringLiteral("psql"), psql.arguments,
                              "\\timing on\n\\o /dev/null\n" + script, &output, true,
                              psql.environment) < 0)
            return -1.0;
        return bench::LastPsqlTime(output) / 1e3;
    };
    MeasureTabs("PostgreSQL", db, psqlCli, runs);
    MeasureArrowKeys(db);
    return 0;
}
