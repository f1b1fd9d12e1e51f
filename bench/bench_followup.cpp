// The communication-record and plan lists at their full size, against the
// database's own command-line program running the same statements.
//
//   bench_followup [--folder DIR] [--customers N] [--records N] [--plans N]
//                  [--runs N] [--pg CONNECTION] [--pg-only]
//
// Makes (or reuses) DIR/bench_followup.db (DIR default /tmp) from the
// delivered schema: N customers (1,000,000), N records (5,000,000) and N plans
// (1,000,000) spread over them and over 20 handlers, record times over two
// years, plan times from a year ago to a year ahead. Then measures, as the
// views run them:
//   - the plan list's first page for admin and for one handler: the view's
//     Reload (load into its grid and colour the rows by date), the colouring
//     alone, and the CLI running the same SELECT with LIMIT 200;
//   - the record list's first page and page 2,500 (admin), one handler's
//     first page, and a search by month and handler;
//   - completing a plan (select, insert of the record, delete of the plan in
//     one transaction) against the CLI running the same four statements in
//     one transaction.
// With --pg the same tables are made in the schema bench_followup of that
// PostgreSQL server and compared with psql's \timing; --pg-only skips SQLite.
// Median of --runs (7) after one warm-up each.

#include "BenchData.h"
#include "QueryBenchSupport.h"

#include "ScriptedPrompt.h"

#include "business/TraceRowColours.h"
#include "business/TraceSearchDlg.h"
#include "business/TraceSearchView.h"
#include "business/TraceStatements.h"
#include "business/TrackPlanSearchView.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/QueryBinder.h"
#include "ui/GridCtrl.h"

#include <QApplication>
#include <QDate>
#include <QFileInfo>
#include <QWindow>

#include <vector>

namespace {

struct Sizes {
    qint64 customers = 1000000;
    qint64 records = 5000000;
    qint64 plans = 1000000;
};

void Fill(bench::RawDb& db, const Sizes& sizes) {
    bench::FillCustomers(db, sizes.customers);
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
    std::printf("  %-36s %8.1f ms   CLI %8.1f ms   allowed %8.1f ms: %s\n", what, ours * 1e3,
                cli * 1e3, allowed * 1e3, ours <= allowed ? "within" : "OVER");
}

// Shows a view at 1200 x 800 and waits until it can paint.
void Show(QWidget& view) {
    view.resize(1200, 800);
    view.show();
    while (!view.windowHandle() || !view.windowHandle()->isExposed())
        QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

QByteArray Page(QueryBinder& binder) {
    return (binder.GetSelectText() +
            QStringLiteral(" limit 200 offset %1;\n").arg(qint64(binder.GetPageIndex()) * 200))
        .toUtf8();
}

void MeasureLists(const char* engine, DbConnection& db, const Cli& cli, int runs) {
    std::printf("%s\n", engine);
    ScriptedPrompt prompt;
    const QString handler = QStringLiteral(" Handler='user07' ");
    for (const QString& filter : {QString(), handler}) {
        CTrackPlanSearchView view(db, prompt, filter);
        Show(view);
        CGridCtrl& grid = *view.Grid();
        // The view's Reload: the page loaded, coloured and painted.
        const double coloured = bench::Median(bench::TimeRuns(runs, [&] {
            view.Reload();
            grid.viewport()->repaint();
        }));
        if (grid.GetRowCount() != 201 || !prompt.Messages().isEmpty())
            bench::Fail(QStringLiteral("the plan list did not fill: ") + prompt.LastMessage());
        int marked = 0;
        for (int row = 1; row < grid.GetRowCount(); ++row)
            marked += grid.GetItemBkColour(row, 1) != grid.GetTextBkColor() ? 1 : 0;
        // The colouring of the loaded page with the repaint it asks for: an
        // upper bound of what colouring adds to a page (the page is painted
        // anyway).
        const double colouring = bench::Median(bench::TimeRuns(runs, [&] {
            TraceRowColours::ColourPlans(grid, view.Binder().FindColumn(QStringLiteral("PlanTime")),
                                         QDate::currentDate());
            grid.viewport()->repaint();
        }));
        const char* who = filter.isEmpty() ? "admin" : "handler";
        std::printf("  plan list page 0 (%s): %d of 200 rows coloured; colouring and its repaint "
                    "%.2f ms\n",
                    who, marked, colouring * 1e3);
        Line(filter.isEmpty() ? "plan list page 0, coloured (admin)"
                              : "plan list page 0, coloured (handler)",
             coloured, CliMedian(cli, Page(view.Binder()), runs));
    }

    CTraceSearchView records(db, prompt, QString());
    Show(records);
    for (int page : {0, 2500}) {
        records.Binder().SetPageIndex(page);
        const double reload = bench::Median(bench::TimeRuns(runs, [&] {
            records.Reload();
            records.Grid()->viewport()->repaint();
        }));
        if (records.Grid()->GetRowCount() != 201)
            bench::Fail(QStringLiteral("the record list did not fill"));
        Line(page == 0 ? "record list page 0 (admin)" : "record list page 2500 (admin)", reload,
             CliMedian(cli, Page(records.Binder()), runs));
    }
    CTraceSearchView own(db, prompt, handler);
    Show(own);
    const double ownReload = bench::Median(bench::TimeRuns(runs, [&] {
        own.Reload();
        own.Grid()->viewport()->repaint();
    }));
    Line("record list page 0 (handler)", ownReload, CliMedian(cli, Page(own.Binder()), runs));

    TraceCriteria criteria;
    criteria.time = QDate::currentDate().addMonths(-6).toString(QStringLiteral("yyyy-MM"));
    criteria.handler = QStringLiteral("user07");
    const double search = bench::Median(bench::TimeRuns(runs, [&] {
        own.Search(criteria);
        own.Grid()->viewport()->repaint();
    }));
    if (own.Grid()->GetRowCount() < 2)
        bench::Fail(QStringLiteral("the search found nothing"));
    Line("record search month+handler (handler)", search, CliMedian(cli, Page(own.Binder()), runs));

    // Completing: each run completes another plan of the first page.
    std::vector<int> keys;
    {
        DbRecordset rs(db);
        rs.Open(QStringLiteral("select KeyId from TrackPlan order by KeyId desc limit %1")
                    .arg(2 * runs + 4));
        for (; !rs.IsEOF(); rs.MoveNext())
            keys.push_back(rs.GetLong(QStringLiteral("KeyId")));
    }
    size_t next = 0;
    const double complete = bench::Median(bench::TimeRuns(runs, [&] {
        QString message;
        if (TraceStatements::CompletePlan(db, keys[next++], TraceStatements::Now(), message) !=
            TraceStatements::Completion::Done)
            bench::Fail(QStringLiteral("completing failed: ") + message);
    }));
    // The CLI does the same work on the following plans, one per run.
    std::vector<double> cliTimes;
    for (int i = 0; i <= runs; ++i) {
        const int key = keys[next++];
        const QByteArray script =
            QStringLiteral("begin;\nselect * from TrackPlan where KeyId=%1;\n"
                           "insert into TraceData (Handler, CustomerName, CustomerId, Contact, "
                           "Title, FDText, FDTime) select Handler, CustomerName, CustomerId, "
                           "Contact, Title, Comment, '%2' from TrackPlan where KeyId=%1 returning "
                           "KeyId;\ndelete from TrackPlan where KeyId=%1;\ncommit;\n")
                .arg(key)
                .arg(TraceStatements::Now())
                .toUtf8();
        const double seconds = cli(script);
        if (seconds < 0)
            bench::Fail(QStringLiteral("the CLI failed to complete a plan"));
        if (i > 0)
            cliTimes.push_back(seconds);
    }
    Line("completing a plan", complete, bench::Median(cliTimes));
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
        else if (args[i] == QLatin1String("--records"))
            sizes.records = args[++i].toLongLong();
        else if (args[i] == QLatin1String("--plans"))
            sizes.plans = args[++i].toLongLong();
        else if (args[i] == QLatin1String("--runs"))
            runs = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--pg"))
            pg = args[++i];
    }
    if (sizes.records / 200 <= 2500 || sizes.plans < 4000)
        bench::Fail(QStringLiteral("too few rows for page 2,500"));
    const QString count = QStringLiteral("select count(*) from TraceData");

    // SQLite. The completions of a run remove plans, so a database is reused
    // only while it still has most of its plans.
    const QString path = folder + QStringLiteral("/bench_followup.db");
    QString connection = QStringLiteral("Provider=SQLite;Data Source=") + path;
    bool reuse = pgOnly;
    if (!pgOnly && QFileInfo::exists(path)) {
        bench::RawDb probe(connection);
        reuse =
            probe.Count(QStringLiteral("select count(*) from CustomerData")) == sizes.customers &&
            probe.Count(count) >= sizes.records &&
            probe.Count(QStringLiteral("select count(*) from TrackPlan")) > sizes.plans - 1000;
    }
    if (!reuse) {
        std::fprintf(stderr, "making %s...\n", qPrintable(path));
        connection = bench::MakeSqlite(path);
        bench::RawDb db(connection);
        Fill(db, sizes);
    }
    if (!pgOnly) {
        DbConnection db;
        if (!db.Open(connection))
            bench::Fail(db.GetLastError());
        const Cli sqlite = [&](const QByteArray& script) {
            return bench::SqliteScriptSeconds(path, script);
        };
        MeasureLists("SQLite", db, sqlite, runs);
    }

    if (pg.isEmpty())
        return 0;
    const QString schema = QStringLiteral("bench_followup");
    QString pgConnection = pg + QStringLiteral(";Schema=") + schema;
    bool pgReuse = false;
    {
        bench::RawDb probe(pg);
        pgReuse = probe.Count(QStringLiteral("select count(*) from %1.CustomerData").arg(schema)) ==
                      sizes.customers &&
                  probe.Count(QStringLiteral("select count(*) from %1.TraceData").arg(schema)) >=
                      sizes.records &&
                  probe.Count(QStringLiteral("select count(*) from %1.TrackPlan").arg(schema)) >
                      sizes.plans - 1000;
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
        return bench::PsqlScriptSeconds(psql, script);
    };
    MeasureLists("PostgreSQL", db, psqlCli, runs);
    return 0;
}
