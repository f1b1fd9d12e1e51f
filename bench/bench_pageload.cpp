// Time from the list command to a filled grid for one page of the customer
// list, against the database's own command-line program running the same
// query with LIMIT/OFFSET.
//
//   bench_pageload [--folder DIR] [--rows N] [--runs N] [--pg CONNECTION]
//
// Makes (or reuses) DIR/bench_pageload.db (DIR default /tmp): CustomerData
// from the delivered schema, with its (LastTime, IsProvider) index, filled
// with N (1,000,000) generated customers of Chinese text. Then, for page 0
// and page 2,500 of "where IsProvider<1 order by LastTime desc" (200 rows,
// KeyId and the 15 text columns):
//   - QueryBinder::Load into a shown CGridCtrl, up to the grid painted;
//   - the same Load into a grid that only keeps texts (the query's share);
//   - sqlite3 running the same SELECT with LIMIT 200 OFFSET page*200.
// With --pg the same table is made in the schema bench_pageload of that
// PostgreSQL server (a connection string as TORVEL_TEST_PG gives it) and
// compared with psql's \timing of the same query.
// Median of --runs (7) after one warm-up load each.

#include "QueryBenchSupport.h"

#include "db/DbConnection.h"
#include "base/GridTarget.h"
#include "MemoryGridTarget.h"
#include "db/QueryBinder.h"
#include "ui/GridCtrl.h"
#include "ui/GridCtrlTarget.h"

#include <QApplication>
#include <QFileInfo>
#include <QWindow>

#include <vector>

namespace {

// Proves that the timed repaint really painted.
class PaintCounter final : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

void BindList(QueryBinder& binder, GridTarget& grid) {
    binder.SetGrid(&grid);
    binder.SetTable(QStringLiteral("CustomerData"));
    binder.AddColumn(QStringLiteral("KeyId"), QStringLiteral("编号"));
    for (const QString& column : bench::TextColumns())
        binder.AddColumn(column);
    binder.AddCondition(QStringLiteral("IsProvider<1"));
    binder.SetOrderClause(QStringLiteral(" order by LastTime desc "));
    binder.SetupGrid();
}

// A command-line program's time for a SELECT, in seconds (-1 on failure).
struct Reference {
    const char* name;
    std::function<double(const QString&)> run;
};

struct PageFigures {
    double grid = 0;     // Load into the shown grid, painted
    double textOnly = 0; // Load into the text-only grid
    std::vector<double> references;
    QString firstKey;
    QString lastKey;
};

PageFigures MeasurePage(DbConnection& db, CGridCtrl& widget, int page, int runs,
                        const std::vector<Reference>& references) {
    PageFigures figures;
    PaintCounter paintEvents;
    widget.viewport()->installEventFilter(&paintEvents);
    int paints = 0;
    GridCtrlTarget target(widget);
    QueryBinder binder;
    BindList(binder, target);
    binder.SetPageIndex(page);
    figures.grid = bench::Median(bench::TimeRuns(runs, [&] {
        if (binder.Load(&db) != 1 || !binder.GetLastError().isEmpty())
            bench::Fail(binder.GetLastError());
        widget.viewport()->repaint(); // the filled grid on the screen
        ++paints;
    }));
    if (paints == 0 || paintEvents.count == 0)
        bench::Fail(QStringLiteral("the grid was never painted"));
    figures.firstKey = widget.GetItemText(1, 0);
    figures.lastKey = widget.GetItemText(widget.GetRowCount() - 1, 0);
    if (widget.GetRowCount() != 201)
        bench::Fail(
            QStringLiteral("page %1 showed %2 rows").arg(page).arg(widget.GetRowCount() - 1));

    MemoryGridTarget texts;
    QueryBinder textBinder;
    BindList(textBinder, texts);
    textBinder.SetPageIndex(page);
    figures.textOnly = bench::Median(bench::TimeRuns(runs, [&] { textBinder.Load(&db); }));
    if (texts.GetItemText(1, 0) != figures.firstKey)
        bench::Fail(QStringLiteral("the two loads disagree"));

    const QString sql = textBinder.GetSelectText() +
                        QStringLiteral(" limit %1 offset %2").arg(200).arg(qint64(page) * 200);
    for (const Reference& reference : references) {
        std::vector<double> times;
        reference.run(sql); // warm-up
        for (int i = 0; i < runs; ++i) {
            const double seconds = reference.run(sql);
            if (seconds < 0)
                bench::Fail(QStringLiteral("%1 failed on: %2")
                                .arg(QString::fromLatin1(reference.name), sql));
            times.push_back(seconds);
        }
        figures.references.push_back(bench::Median(times));
    }
    return figures;
}

void Report(const char* engine, int page, const std::vector<Reference>& references,
            const PageFigures& f) {
    std::printf("%-10s page %5d  rows %s..%s\n", engine, page, qPrintable(f.firstKey),
                qPrintable(f.lastKey));
    for (size_t i = 0; i < references.size(); ++i)
        std::printf("  %-30s %9.1f ms\n", references[i].name, f.references[i] * 1e3);
    std::printf("  %-30s %9.1f ms\n", "QueryBinder, text-only grid", f.textOnly * 1e3);
    std::printf("  %-30s %9.1f ms  (grid share %.1f ms)\n", "QueryBinder, CGridCtrl", f.grid * 1e3,
                (f.grid - f.textOnly) * 1e3);
    for (size_t i = 0; i < references.size(); ++i) {
        const double allowed = 1.5 * f.references[i] + 0.030;
        std::printf("  allowed 1.5 x %s + 30 ms = %.1f ms: %s\n", references[i].name, allowed * 1e3,
                    f.grid <= allowed ? "within" : "OVER");
    }
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QString folder = QStringLiteral("/tmp");
    QString pg;
    qint64 rows = 1000000;
    int runs = 7;
    const QStringList args = app.arguments();
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
    const int pages[] = {0, 2500};
    if ((rows * 9 / 10) / 200 <= 2500)
        bench::Fail(QStringLiteral("--rows is too small for page 2,500"));

    CGridCtrl widget;
    widget.SetFixedColumnCount(1);
    widget.resize(1200, 800);
    widget.show();
    // Painting starts once the window is on the screen.
    while (!widget.windowHandle() || !widget.windowHandle()->isExposed())
        app.processEvents();
    app.processEvents();

    // SQLite.
    const QString path = folder + QStringLiteral("/bench_pageload.db");
    QString connection = QStringLiteral("Provider=SQLite;Data Source=") + path;
    bool reuse = false;
    if (QFileInfo::exists(path)) {
        bench::RawDb probe(connection);
        reuse = probe.Count(QStringLiteral("select count(*) from CustomerData")) == rows;
    }
    if (!reuse) {
        std::fprintf(stderr, "making %s with %lld customers...\n", qPrintable(path), rows);
        connection = bench::MakeSqlite(path);
        bench::RawDb db(connection);
        bench::FillCustomers(db, rows);
    }
    {
        DbConnection db;
        if (!db.Open(connection))
            bench::Fail(db.GetLastError());
        const std::vector<Reference> references = {
            {"sqlite3, whole run",
             [&](const QString& sql) {
                 return bench::RunProgram(QStringLiteral("sqlite3"), {path}, sql.toUtf8() + ";\n");
             }},
            {"sqlite3, .timer of the query",
             [&](const QString& sql) {
                 QString output;
                 if (bench::RunProgram(QStringLiteral("sqlite3"), {path},
                                       ".timer on\n.output /dev/null\n" + sql.toUtf8() + ";\n",
                                       &output, true) < 0)
                     return -1.0;
                 return bench::LastSqliteTime(output);
             }},
        };
        for (int page : pages)
            Report("SQLite", page, references, MeasurePage(db, widget, page, runs, references));
    }

    if (pg.isEmpty())
        return 0;
    const QString schema = QStringLiteral("bench_pageload");
    QString pgConnection = pg + QStringLiteral(";Schema=") + schema;
    bool pgReuse = false;
    {
        bench::RawDb probe(pg);
        pgReuse =
            probe.Count(QStringLiteral("select count(*) from %1.CustomerData").arg(schema)) == rows;
    }
    if (!pgReuse) {
        std::fprintf(stderr, "making schema %s with %lld customers...\n", qPrintable(schema), rows);
        pgConnection = bench::MakePostgres(pg, schema);
        bench::RawDb db(pg);
        db.Exec(QStringLiteral("set search_path to %1, public").arg(schema));
        bench::FillCustomers(db, rows);
        db.Exec(QStringLiteral("analyze CustomerData"));
    }
    DbConnection db;
    if (!db.Open(pgConnection))
        bench::Fail(db.GetLastError());
    const bench::PsqlCommand psql = bench::Psql(pgConnection);
    const std::vector<Reference> references = {
        {"psql, \\timing of the query", [&](const QString& sql) {
             QString output;
             if (bench::RunProgram(QStringLiteral("psql"), psql.arguments,
                                   "\\timing on\n\\o /dev/null\n" + sql.toUtf8() + ";\n", &output,
                                   true, psql.environment) < 0)
                 return -1.0;
             return bench::LastPsqlTime(output) / 1e3;
         }}};
    for (int page : pages)
        Report("PostgreSQL", page, references, MeasurePage(db, widget, page, runs, references));
    return 0;
}
