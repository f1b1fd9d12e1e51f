// The wage sheets at the size of a large office's history, against the
// database's own command-line program running the same statements.
//
//   bench_wages [--folder DIR] [--staff N] [--months N] [--runs N]
//               [--pg CONNECTION] [--pg-only]
//
// Makes DIR/bench_wages.db (DIR default /tmp) from the delivered schema: N
// working staff (5,000) and a sheet for each of N months (120) before
// 2030-01, every figure filled. Then measures, as the views run them:
//   - one month's sheet: the view's switch to the month (its first page of
//     200 rows and the month's totals) against the CLI running the same page
//     SELECT and totals;
//   - one person's slips (查询工资 for an ordinary user) against the same
//     SELECT in the CLI;
//   - making the sheet of 2030-01 from 2029-12 (the check, the latest earlier
//     month, the one insert ... select, in one transaction) against the CLI
//     running the same statements in one transaction. The sheet is deleted
//     again between runs, outside the times.
// With --pg the same rows go into the schema bench_wages of that PostgreSQL
// server and the CLI is psql. Median of --runs (7) after one warm-up each.

#include "QueryBenchSupport.h"

#include "ScriptedPrompt.h"
#include "WageSearchView.h"
#include "WageSheet.h"
#include "WageView.h"

#include "db/DbConnection.h"
#include "db/QueryBinder.h"
#include "ui/GridCtrl.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>

#include <vector>

namespace {

struct Sizes {
    qint64 staff = 5000;
    qint64 months = 120;
};

// Staff user1..userN, and every month's sheet of them.
void Fill(bench::RawDb& db, const Sizes& sizes) {
    const bool pg = db.IsPostgres();
    const QString series =
        pg ? QStringLiteral("generate_series(1::bigint, %1) as g(x)")
           : QStringLiteral("(with recursive c(x) as (select 1 union all select x + 1 from c "
                            "where x < %1) select x from c)");
    db.Exec(QStringLiteral("insert into UserData (UserName, FullName, Department, Dimission) "
                           "select 'user' || x, '职员' || x, '部门' || (x % 20), 0 from ") +
            series.arg(sizes.staff));
    // Month m (1..months) counts back from 2029-12.
    const QString month =
        pg ? QStringLiteral("to_char(date '2030-01-01' - (m || ' month')::interval, 'YYYY-MM')")
           : QStringLiteral("strftime('%Y-%m', '2030-01-01', '-' || m || ' months')");
    const QString months =
        pg ? QStringLiteral("generate_series(1::bigint, %1) as h(m)")
           : QStringLiteral("(with recursive d(m) as (select 1 union all "
                            "select m + 1 from d where m < %1) select m from d)");
    db.Exec(QStringLiteral("insert into WageData (WageMonth, UserName, BasePay, Bonus, Allowance, "
                           "Deduction, Insurance, Tax, NetPay, Remarks) select ") +
            month +
            QStringLiteral(", 'user' || x, 3000 + x % 500, m % 7 * 100, 200, x % 3 * 50, 300, "
                           "80, 3000 + x % 500 + m % 7 * 100 + 200 - x % 3 * 50 - 380, '' from ") +
            series.arg(sizes.staff) + QStringLiteral(" cross join ") + months.arg(sizes.months));
    db.Exec(QStringLiteral("analyze"));
}

using Cli = std::function<double(const QByteArray& script)>;

double CliMedian(const Cli& cli, const QByteArray& script, int runs,
                 const std::function<void()>& between = {}) {
    std::vector<double> times;
    for (int i = 0; i <= runs; ++i) {
        const double seconds = cli(script);
        if (seconds < 0)
            bench::Fail(QStringLiteral("the CLI failed on: ") + QString::fromUtf8(script));
        if (i > 0)
            times.push_back(seconds);
        if (between)
            between();
    }
    return bench::Median(times);
}

void Line(const char* what, double ours, double cli) {
    const double allowed = 1.5 * cli + 0.030;
    std::printf("  %-36s %8.1f ms   CLI %8.1f ms   allowed %8.1f ms: %s\n", what, ours * 1e3,
                cli * 1e3, allowed * 1e3, ours <= allowed ? "within" : "OVER");
}

QByteArray Utf8(const QString& text) {
    return text.toUtf8() + ";\n";
}

void Measure(const char* engine, DbConnection& db, const Cli& cli, int runs) {
    std::printf("%s\n", engine);
    ScriptedPrompt prompt;
    WageView sheets(db, prompt);
    sheets.resize(1200, 800);
    const QString month = QStringLiteral("2025-06");
    const QString other = QStringLiteral("2025-07");
    // The view switches between two months so that each switch loads.
    bool flip = false;
    const double show = bench::Median(bench::TimeRuns(runs, [&] {
        flip = !flip;
        sheets.SelectMonth(flip ? month : other);
    }));
    if (sheets.Grid()->GetRowCount() != 201)
        bench::Fail(QStringLiteral("the sheet did not show a full page"));
    QString sums;
    for (const WageSheet::Column& column : WageSheet::FigureColumns())
        sums += QStringLiteral(",sum(") + column.name + QStringLiteral(")");
    const QByteArray sheetScript =
        Utf8(sheets.Binder().GetSelectText() + QStringLiteral(" limit 200")) +
        Utf8(QStringLiteral("select count(*)") + sums +
             QStringLiteral(",sum(NetPay) from WageData where WageMonth='") + other +
             QStringLiteral("'"));
    Line("a month's sheet and its totals", show, CliMedian(cli, sheetScript, runs));

    const double slips = bench::Median(bench::TimeRuns(
        runs, [&] { WageSearchView own(db, prompt, QStringLiteral("user77"), false); }));
    WageSearchView own(db, prompt, QStringLiteral("user77"), false);
    Line("one person's slips (view made)", slips,
         CliMedian(cli, Utf8(own.Binder().GetSelectText() + QStringLiteral(" limit 200")), runs));

    const QString next = QStringLiteral("2030-01");
    QString error;
    std::vector<double> makes;
    for (int i = 0; i <= runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        const WageSheet::Made made = WageSheet::Create(db, next);
        const double seconds = timer.nsecsElapsed() / 1e9;
        if (made.outcome != WageSheet::Outcome::Made ||
            made.copiedFrom != QStringLiteral("2029-12"))
            bench::Fail(QStringLiteral("the sheet was not made: ") + made.error);
        if (i > 0)
            makes.push_back(seconds);
        WageSheet::DeleteMonth(db, next, error);
    }
    const QByteArray makeScript =
        "begin;\n" +
        Utf8(QStringLiteral("select count(*) from WageData where WageMonth='2030-01'")) +
        Utf8(QStringLiteral("select max(WageMonth) from WageData where WageMonth<'2030-01'")) +
        Utf8(QStringLiteral(
            "insert into WageData (WageMonth,UserName,BasePay,Bonus,Allowance,Deduction,"
            "Insurance,Tax,NetPay,Remarks) select '2030-01',u.UserName,coalesce(w.BasePay,0),"
            "coalesce(w.Bonus,0),coalesce(w.Allowance,0),coalesce(w.Deduction,0),"
            "coalesce(w.Insurance,0),coalesce(w.Tax,0),coalesce(w.BasePay,0)+coalesce(w.Bonus,0)"
            "+coalesce(w.Allowance,0)-coalesce(w.Deduction,0)-coalesce(w.Insurance,0)-"
            "coalesce(w.Tax,0),'' from (select distinct UserName from UserData where "
            "coalesce(Dimission,0)=0 and UserName<>'') u left join WageData w on "
            "w.UserName=u.UserName and w.WageMonth='2029-12'")) +
        "commit;\n";
    Line("making a month's sheet", bench::Median(makes),
         CliMedian(cli, makeScript, runs, [&] { WageSheet::DeleteMonth(db, next, error); }));
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
        else if (args[i] == QLatin1String("--staff"))
            sizes.staff = args[++i].toLongLong();
        else if (args[i] == QLatin1String("--months"))
            sizes.months = args[++i].toLongLong();
        else if (args[i] == QLatin1String("--runs"))
            runs = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--pg"))
            pg = args[++i];
    }
    if (sizes.staff < 200 || sizes.months < 60)
        bench::Fail(QStringLiteral("at least 200 staff and 60 months"));

    if (!pgOnly) {
        const QString path = folder + QStringLiteral("/bench_wages.db");
        std::fprintf(stderr, "making %s...\n", qPrintable(path));
        const QString connection = bench::MakeSqlite(path);
        {
            bench::RawDb raw(connection);
            Fill(raw, sizes);
        }
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
    const QString schema = QStringLiteral("bench_wages");
    std::fprintf(stderr, "making schema %s...\n", qPrintable(schema));
    const QString pgConnection = bench::MakePostgres(pg, schema);
    {
        bench::RawDb raw(pg);
        raw.Exec(QStringLiteral("set search_path to %1, public").arg(schema));
        Fill(raw, sizes);
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
