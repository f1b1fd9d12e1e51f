// The configurable list's CSV export at a million rows, against the
// database's own command-line program writing the same SELECT as CSV.
//
//   bench_export [--folder DIR] [--rows N] [--runs N] [--pg CONNECTION] [--pg-only]
//
// Makes (or reuses) DIR/bench_export.db (DIR default /tmp) from the delivered
// schema with N customers (1,000,000; 15 columns of varied Chinese text),
// opens CDataListView_ over CustomerData as the frame does (a definition
// generated from the table: every column listed) and times its 导出 command
// from the chosen file name to the renamed file (the SELECT streamed, GBK,
// RFC 4180 quoting, QSaveFile). sqlite3 writes the same SELECT with
// ".mode csv" and ".headers on" to a file in the same run. With --pg the same
// table in the schema bench_export of that server against psql --csv.
// Median of --runs (3) after one warm-up each; the goal is at most 1.5x.

#include "QueryBenchSupport.h"

#include "ScriptedPrompt.h"
#include "TempProgramFolder.h"

#include "db/DbConnection.h"
#include "db/QueryBinder.h"
#include "framework/CommandIds.h"
#include "framework/DataListView.h"

#include <QApplication>
#include <QFileInfo>

#include <memory>

#include <sys/resource.h>

namespace {

struct Figure {
    double ours = 0;
    double cli = 0;
    qint64 bytes = 0;
};

// Our export of the list's whole result into `target`, in seconds.
double ExportOnce(CDataListView_& view, ScriptedPrompt& prompt, const QString& target) {
    prompt.Reset();
    prompt.QueueFileName(target);
    prompt.QueueAnswer(Prompt::Answer::Yes); // replace the previous run's file
    QElapsedTimer timer;
    timer.start();
    view.OnCommand(Command::DataExport);
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (!prompt.LastMessage().startsWith(QStringLiteral("共导出")))
        bench::Fail(QStringLiteral("export failed: ") + prompt.LastMessage());
    return seconds;
}

Figure Measure(DbConnection& db, const QString& folder, int runs,
               const std::function<double(const QString& sql, const QString& target)>& cli) {
    ScriptedPrompt prompt;
    std::unique_ptr<CDataListView_> view(
        CDataListView_::Open(db, prompt, QStringLiteral("CustomerData"), QStringLiteral("客户")));
    if (!view)
        bench::Fail(prompt.LastMessage());
    const QString sql = view->Binder().BuildSelect();
    const QString ours = folder + QStringLiteral("/bench_export_ours.csv");
    const QString theirs = folder + QStringLiteral("/bench_export_cli.csv");
    Figure figure;
    figure.ours = bench::Median(bench::TimeRuns(runs, [&] { ExportOnce(*view, prompt, ours); }));
    std::vector<double> times;
    for (int i = 0; i <= runs; ++i) {
        const double seconds = cli(sql, theirs);
        if (seconds < 0)
            bench::Fail(QStringLiteral("the CLI failed on: ") + sql);
        if (i > 0)
            times.push_back(seconds);
    }
    figure.cli = bench::Median(times);
    figure.bytes = QFileInfo(ours).size();
    std::printf("  rows exported %lld, file %.1f MB (CLI's %.1f MB)\n",
                static_cast<long long>(db.GetMaxId(QStringLiteral("CustomerData"))),
                figure.bytes / 1e6, QFileInfo(theirs).size() / 1e6);
    QFile::remove(ours);
    QFile::remove(theirs);
    return figure;
}

void Report(const char* engine, const Figure& figure) {
    const double ratio = figure.ours / figure.cli;
    // The peak resident size of this process so far: the export streams, so
    // it stays near what opening the list took.
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf(
        "%s: export %8.2f s   CLI %8.2f s   ratio %.2fx (goal 1.5x): %s   peak RSS %.0f MB\n",
        engine, figure.ours, figure.cli, ratio, ratio <= 1.5 ? "within" : "OVER",
        usage.ru_maxrss / 1024.0);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QString folder = QStringLiteral("/tmp");
    QString pg;
    qint64 rows = 1000000;
    int runs = 3;
    const QStringList args = app.arguments();
    const bool pgOnly = args.contains(QStringLiteral("--pg-only"));
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--folder"))
            folder = args[++i];
        else if (args[i] == QLatin1String("--rows"))
            rows = args[++i].toLongLong();
        else if (args[i] == QLatin1String("--runs"))
            runs = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--pg"))
            pg = args[++i];
    }
    // The definition file and search texts go to a folder of their own.
    TempProgramFolder programFolder(false);
    const QString count = QStringLiteral("select count(*) from CustomerData");

    if (!pgOnly) {
        const QString path = folder + QStringLiteral("/bench_export.db");
        QString connection = QStringLiteral("Provider=SQLite;Data Source=") + path;
        if (!QFileInfo::exists(path) || bench::RawDb(connection).Count(count) != rows) {
            std::fprintf(stderr, "making %s...\n", qPrintable(path));
            connection = bench::MakeSqlite(path);
            bench::RawDb db(connection);
            bench::FillCustomers(db, rows);
        }
        DbConnection db;
        if (!db.Open(connection))
            bench::Fail(db.GetLastError());
        const Figure figure = Measure(db, folder, runs, [&](const QString& sql, const QString& to) {
            const QByteArray script =
                ".headers on\n.mode csv\n.output " + to.toUtf8() + "\n" + sql.toUtf8() + ";\n";
            return bench::RunProgram(QStringLiteral("sqlite3"), {path}, script);
        });
        Report("SQLite", figure);
    }

    if (pg.isEmpty())
        return 0;
    const QString schema = QStringLiteral("bench_export");
    QString pgConnection = pg + QStringLiteral(";Schema=") + schema;
    bool reuse = false;
    {
        bench::RawDb probe(pg);
        reuse =
            probe.Count(QStringLiteral("select count(*) from %1.CustomerData").arg(schema)) == rows;
    }
    if (!reuse) {
        std::fprintf(stderr, "making schema %s...\n", qPrintable(schema));
        pgConnection = bench::MakePostgres(pg, schema);
        bench::RawDb db(pg);
        db.Exec(QStringLiteral("set search_path to %1, public").arg(schema));
        bench::FillCustomers(db, rows);
        db.Exec(QStringLiteral("analyze"));
    }
    DbConnection db;
    if (!db.Open(pgConnection))
        bench::Fail(db.GetLastError());
    const bench::PsqlCommand psql = bench::Psql(pgConnection);
    const Figure figure = Measure(db, folder, runs, [&](const QString& sql, const QString& to) {
        QStringList arguments = psql.arguments;
        arguments << QStringLiteral("--csv") << QStringLiteral("-o") << to;
        return bench::RunProgram(QStringLiteral("psql"), arguments, sql.toUtf8() + ";\n", nullptr,
                                 false, psql.environment);
    });
    Report("PostgreSQL", figure);
    return 0;
}
