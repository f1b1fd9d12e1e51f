// The purchase-opportunity list at its full size, against the database's own
// command-line program running the same statements.
//
//   bench_opportunities [--folder DIR] [--chances N] [--runs N] [--pg CONNECTION]
//                       [--pg-only]
//
// Makes (or reuses) DIR/bench_opportunities.db (DIR default /tmp) from the
// delivered schema: a StockClass tree of 2,020 classes (20 top-level classes,
// 10 below each, 9 below each of those) and N opportunities (200,000) spread
// evenly over all classes. Then measures, as the view runs them:
//   - loading the tree (one statement, built in memory) against the CLI
//     reading the same rows;
//   - a node's first page: a leaf class, a class with 9 subclasses, a
//     top-level class (101 classes, a twentieth of the table) and the root,
//     each the view's FilterByNode (load into the grid and paint) against the
//     CLI running the page's SELECT with LIMIT 200;
//   - renaming a top-level class, which rewrites the stored paths of its 101
//     classes and their ~10,000 opportunities in one transaction, against the
//     CLI running the same updates in one transaction.
// With --pg the same tables are made in the schema bench_opportunities of
// that PostgreSQL server and compared with psql's \timing; --pg-only skips
// SQLite. Median of --runs (7) after one warm-up each.

#include "QueryBenchSupport.h"

#include "ScriptedPrompt.h"

#include "business/StockChanceListView.h"
#include "db/DbConnection.h"
#include "db/QueryBinder.h"
#include "db/SqlLiteral.h"
#include "db/UpdateBuilder.h"
#include "framework/ClassMaintenance.h"
#include "framework/ClassTreeCtrl.h"
#include "ui/GridCtrl.h"

#include <QApplication>
#include <QFileInfo>
#include <QWindow>

#include <vector>

namespace {

constexpr qint64 kClasses = 2020;

QString Series(bench::RawDb& db, qint64 rows) {
    return db.IsPostgres()
               ? QStringLiteral("generate_series(1::bigint, %1) as g(x)").arg(rows)
               : QStringLiteral("(with recursive c(x) as (select 1 union all select x + 1 from c "
                                "where x < %1) select x from c)")
                     .arg(rows);
}

void Fill(bench::RawDb& db, qint64 chances) {
    db.Exec(QStringLiteral("insert into StockClass (KeyId, ParentId, Name, ClassPath) select x, "
                           "case when x <= 20 then 0 when x <= 220 then 1 + (x - 21) / 10 "
                           "else 21 + (x - 221) / 9 end, 'cls' || x, '' from %1")
                .arg(Series(db, kClasses)));
    db.Exec(QStringLiteral("insert into StockChance (KeyId, CustomerId, CustomerName, Name, Price, "
                           "Comment, StockClass, ClassPath) select x, 1 + (x * 7919) % 100000, "
                           "%1, %2, x % 1000, %3, 1 + (x * 7919) % %4, '' from %5")
                .arg(bench::TextExpression(1, db.IsPostgres()),
                     bench::TextExpression(2, db.IsPostgres()),
                     bench::TextExpression(3, db.IsPostgres()))
                .arg(kClasses)
                .arg(Series(db, chances)));
    db.Exec(QStringLiteral("analyze"));
}

// A command-line program's time for a script, in seconds (-1 on failure).
using Cli = std::function<double(const QByteArray& script)>;

double CliMedian(const Cli& cli, const std::function<QByteArray()>& script, int runs) {
    std::vector<double> times;
    cli(script());
    for (int i = 0; i < runs; ++i) {
        const double seconds = cli(script());
        if (seconds < 0)
            bench::Fail(QStringLiteral("the CLI failed"));
        times.push_back(seconds);
    }
    return bench::Median(times);
}

void Line(const char* what, double ours, double cli) {
    const double allowed = 1.5 * cli + 0.030;
    std::printf("  %-40s %8.1f ms   CLI %8.1f ms   allowed %8.1f ms: %s\n", what, ours * 1e3,
                cli * 1e3, allowed * 1e3, ours <= allowed ? "within" : "OVER");
}

void Show(QWidget& view) {
    view.resize(1200, 800);
    view.show();
    while (!view.windowHandle() || !view.windowHandle()->isExposed())
        QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

QByteArray Page(QueryBinder& binder) {
    return (binder.GetSelectText() + QStringLiteral(" limit 200;\n")).toUtf8();
}

// The statements of a rename, as the class commands write them.
QByteArray RenameScript(ClassTreeCtrl& tree, QTreeWidgetItem* node, const QString& name) {
    const QString old = node->text(0);
    node->setText(0, name);
    QString script = QStringLiteral("begin;\n");
    for (QTreeWidgetItem* level : tree.Subtree(node)) {
        const QString key = SqlLiteral::Long(ClassTreeCtrl::KeyOf(level));
        const QString path = SqlLiteral::Text(tree.PathOf(level));
        script +=
            QStringLiteral("update StockClass set ") +
            (level == node ? QStringLiteral("Name=") + SqlLiteral::Text(name) + QStringLiteral(",")
                           : QString()) +
            QStringLiteral("ClassPath=") + path + QStringLiteral(" where KeyId=") + key +
            QStringLiteral(";\nupdate StockChance set ClassPath=") + path +
            QStringLiteral(" where StockClass=") + key + QStringLiteral(";\n");
    }
    node->setText(0, old);
    return (script + QStringLiteral("commit;\n")).toUtf8();
}

void Measure(const char* engine, DbConnection& db, const Cli& cli, int runs) {
    std::printf("%s\n", engine);
    ScriptedPrompt prompt;

    ClassTreeCtrl tree(db, prompt);
    tree.SetTable(QStringLiteral("StockClass"), QStringLiteral("采购项目分类"));
    const double load = bench::Median(bench::TimeRuns(runs, [&] {
        if (!tree.Load())
            bench::Fail(QStringLiteral("the tree did not load: ") + prompt.LastMessage());
    }));
    if (tree.Subtree(tree.RootNode()).size() != size_t(kClasses) + 1)
        bench::Fail(QStringLiteral("the tree is incomplete"));
    Line("loading the tree (2,020 classes)", load,
         CliMedian(
             cli,
             [] {
                 return QByteArray("select KeyId,ParentId,Name from StockClass order by KeyId;\n");
             },
             runs));

    CStockChanceListView view(db, prompt);
    Show(view);
    ClassTreeCtrl& shown = *view.Tree();
    const struct {
        const char* what;
        int key;
    } nodes[] = {{"node list: a leaf class", 2020},
                 {"node list: a class with 9 subclasses", 21},
                 {"node list: a top-level class (101)", 1},
                 {"node list: the root", 0}};
    for (const auto& [what, key] : nodes) {
        QTreeWidgetItem* node = key ? shown.FindNode(key) : shown.RootNode();
        const double list = bench::Median(bench::TimeRuns(runs, [&] {
            view.FilterByNode(node);
            view.Grid()->viewport()->repaint();
        }));
        if (view.Grid()->GetRowCount() < 2 || !prompt.Messages().isEmpty())
            bench::Fail(QStringLiteral("the node listed nothing: ") + prompt.LastMessage());
        Line(what, list,
             CliMedian(
                 cli, [&] { return Page(view.Binder()); }, runs));
    }

    // Each run gives the class another name, so every run rewrites the rows.
    QTreeWidgetItem* top = shown.FindNode(1);
    int round = 0;
    const double rename = bench::Median(bench::TimeRuns(runs, [&] {
        if (!view.Classes().Rename(top, QStringLiteral("改名%1").arg(++round)))
            bench::Fail(QStringLiteral("the rename failed: ") + prompt.LastMessage());
    }));
    Line("renaming a top-level class (~10,000 rows)", rename,
         CliMedian(
             cli, [&] { return RenameScript(shown, top, QStringLiteral("改名%1").arg(++round)); },
             runs));
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QString folder = QStringLiteral("/tmp");
    QString pg;
    qint64 chances = 200000;
    int runs = 7;
    const QStringList args = app.arguments();
    const bool pgOnly = args.contains(QStringLiteral("--pg-only"));
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--folder"))
            folder = args[++i];
        else if (args[i] == QLatin1String("--chances"))
            chances = args[++i].toLongLong();
        else if (args[i] == QLatin1String("--runs"))
            runs = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--pg"))
            pg = args[++i];
    }
    const QString countChances = QStringLiteral("select count(*) from StockChance");
    const QString countClasses = QStringLiteral("select count(*) from StockClass");

    const QString path = folder + QStringLiteral("/bench_opportunities.db");
    QString connection = QStringLiteral("Provider=SQLite;Data Source=") + path;
    bool reuse = pgOnly;
    if (!pgOnly && QFileInfo::exists(path)) {
        bench::RawDb probe(connection);
        reuse = probe.Count(countChances) == chances && probe.Count(countClasses) == kClasses;
    }
    if (!reuse) {
        std::fprintf(stderr, "making %s...\n", qPrintable(path));
        connection = bench::MakeSqlite(path);
        bench::RawDb db(connection);
        Fill(db, chances);
    }
    if (!pgOnly) {
        DbConnection db;
        if (!db.Open(connection))
            bench::Fail(db.GetLastError());
        const Cli sqlite = [&](const QByteArray& script) {
            return bench::SqliteScriptSeconds(path, script);
        };
        Measure("SQLite", db, sqlite, runs);
    }

    if (pg.isEmpty())
        return 0;
    const QString schema = QStringLiteral("bench_opportunities");
    QString pgConnection = pg + QStringLiteral(";Schema=") + schema;
    bool pgReuse = false;
    {
        bench::RawDb probe(pg);
        pgReuse = probe.Count(QStringLiteral("select count(*) from %1.StockChance").arg(schema)) ==
                      chances &&
                  probe.Count(QStringLiteral("select count(*) from %1.StockClass").arg(schema)) ==
                      kClasses;
    }
    if (!pgReuse) {
        std::fprintf(stderr, "making schema %s...\n", qPrintable(schema));
        pgConnection = bench::MakePostgres(pg, schema);
        bench::RawDb db(pg);
        db.Exec(QStringLiteral("set search_path to %1, public").arg(schema));
        Fill(db, chances);
    }
    {
        // The renames of earlier runs left dead row versions behind, which a
        // running office's autovacuum would have removed long since.
        bench::RawDb db(pg);
        db.Exec(QStringLiteral("vacuum analyze %1.StockChance").arg(schema));
    }
    DbConnection db;
    if (!db.Open(pgConnection))
        bench::Fail(db.GetLastError());
    const bench::PsqlCommand psql = bench::Psql(pgConnection);
    const Cli psqlCli = [&](const QByteArray& script) {
        return bench::PsqlScriptSeconds(psql, script);
    };
    Measure("PostgreSQL", db, psqlCli, runs);
    return 0;
}
