// Adding (and removing) a user-defined column of OrderData at 5,000,000
// orders, through the 自定义信息 dialog's 添加 and 删除, against the database's
// own command-line program running the plain `alter table` in the same run.
//
//   bench_customfields [--folder DIR] [--orders N] [--runs N] [--pg CONNECTION]
//
// SQLite: works on a copy DIR/bench_customfields.db of DIR/bench_orders.db
// when that file holds N orders (bench_orders makes it), else on N generated
// orders; the copy is removed at the end. PostgreSQL (--pg): the schema
// bench_customfields of that server, made once with N orders.
// Adds are the median of --runs (3) columns added one after another; removal
// is timed once (on SQLite it rewrites the table). The dialog runs with a
// scripted prompt, which counts the progress window's steps.

#include "BenchData.h"
#include "QueryBenchSupport.h"

#include "ScriptedPrompt.h"
#include "db/DbConnection.h"
#include "framework/CustomizeDefineDlg.h"
#include "ui/GridCtrl.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>

#include <vector>

namespace {

struct Cli {
    const char* name;
    std::function<double(const QString&)> run; // seconds of one statement, -1 on failure
};

// 添加 in the dialog, naming the column `name`; seconds.
double DialogAdd(CCustomizeDefineDlg& dialog, ScriptedPrompt& prompt, const QString& name) {
    prompt.QueueModal([name](QDialog& ask) {
        ask.findChild<QLineEdit*>(QStringLiteral("FieldName"))->setText(name);
        return int(QDialog::Accepted);
    });
    const int rows = dialog.Grid()->GetRowCount();
    QElapsedTimer timer;
    timer.start();
    dialog.OnAdd();
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (dialog.Grid()->GetRowCount() != rows + 1)
        bench::Fail(QStringLiteral("adding %1 failed: %2").arg(name, prompt.LastMessage()));
    return seconds;
}

// 删除 of the dialog's last row; seconds.
double DialogRemove(CCustomizeDefineDlg& dialog, ScriptedPrompt& prompt) {
    CGridCtrl& grid = *dialog.Grid();
    const int rows = grid.GetRowCount();
    grid.SetSelectedRange(rows - 1, 2, rows - 1, CCustomizeDefineDlg::ColumnCount - 1);
    prompt.QueueAnswer(Prompt::Answer::Ok);
    QElapsedTimer timer;
    timer.start();
    dialog.OnDelete();
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (grid.GetRowCount() != rows - 1)
        bench::Fail(QStringLiteral("removing failed: ") + prompt.LastMessage());
    return seconds;
}

void Line(const char* what, double seconds) {
    std::printf("  %-44s %10.1f ms\n", what, seconds * 1e3);
    std::fflush(stdout);
}

void MeasureAll(const char* engine, DbConnection& db, const Cli& cli, const QString& textType,
                int runs) {
    ScriptedPrompt prompt;
    CCustomizeDefineDlg dialog(prompt, db, QStringLiteral("OrderData"));
    std::vector<double> program, reference;
    for (int i = 1; i <= runs; ++i) {
        program.push_back(DialogAdd(dialog, prompt, QStringLiteral("d%1").arg(i)));
        const double seconds =
            cli.run(QStringLiteral("alter table OrderData add e%1 %2").arg(i).arg(textType));
        if (seconds < 0)
            bench::Fail(QStringLiteral("%1 failed").arg(QString::fromLatin1(cli.name)));
        reference.push_back(seconds);
    }
    std::printf("%s, add a text column to OrderData (median of %d)\n", engine, runs);
    Line(cli.name, bench::Median(reference));
    Line("自定义信息 添加 (alter + definition)", bench::Median(program));
    std::printf("  progress window shown %d times, %d steps\n", int(prompt.progressTexts.size()),
                prompt.progressSteps);

    std::printf("%s, remove a column (once)\n", engine);
    const double cliDrop = cli.run(QStringLiteral("alter table OrderData drop column e1"));
    Line(cli.name, cliDrop);
    Line("自定义信息 删除 (alter + definition)", DialogRemove(dialog, prompt));
    // The rest goes untimed.
    while (dialog.Grid()->GetRowCount() > 1)
        DialogRemove(dialog, prompt);
    for (int i = 2; i <= runs; ++i)
        cli.run(QStringLiteral("alter table OrderData drop column e%1").arg(i));
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QString folder = QStringLiteral("/tmp");
    QString pg;
    qint64 orders = 5000000;
    int runs = 3;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--folder"))
            folder = args[++i];
        else if (args[i] == QLatin1String("--orders"))
            orders = args[++i].toLongLong();
        else if (args[i] == QLatin1String("--runs"))
            runs = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--pg"))
            pg = args[++i];
    }

    const QString shared = folder + QStringLiteral("/bench_orders.db");
    const QString path = folder + QStringLiteral("/bench_customfields.db");
    QFile::remove(path);
    bool copied = false;
    if (QFileInfo::exists(shared)) {
        qint64 count = -1;
        {
            bench::RawDb probe(QStringLiteral("Provider=SQLite;Data Source=") + shared);
            count = probe.Count(QStringLiteral("select count(*) from OrderData"));
        }
        if (count == orders) {
            std::fprintf(stderr, "copying %s...\n", qPrintable(shared));
            copied = QFile::copy(shared, path);
        }
    }
    const QString connection = QStringLiteral("Provider=SQLite;Data Source=") + path;
    if (!copied) {
        std::fprintf(stderr, "making %s with %lld orders...\n", qPrintable(path), orders);
        bench::MakeSqlite(path);
        bench::RawDb db(connection);
        bench::FillOrders(db, orders, 1000);
    }
    {
        DbConnection db;
        if (!db.Open(connection))
            bench::Fail(db.GetLastError());
        const Cli sqlite = {"sqlite3, .timer of the alter table", [&](const QString& sql) {
                                QString output;
                                if (bench::RunProgram(QStringLiteral("sqlite3"), {path},
                                                      ".timer on\n" + sql.toUtf8() + ";\n", &output,
                                                      true) < 0)
                                    return -1.0;
                                return bench::LastSqliteTime(output);
                            }};
        MeasureAll("SQLite", db, sqlite, QStringLiteral("VARCHAR(100) COLLATE NOCASE"), runs);
    }
    QFile::remove(path);

    if (pg.isEmpty())
        return 0;
    const QString schema = QStringLiteral("bench_customfields");
    QString pgConnection = pg + QStringLiteral(";Schema=") + schema;
    bool reuse = false;
    {
        bench::RawDb probe(pg);
        reuse =
            probe.Count(QStringLiteral("select count(*) from %1.OrderData").arg(schema)) == orders;
    }
    if (!reuse) {
        std::fprintf(stderr, "making schema %s with %lld orders...\n", qPrintable(schema), orders);
        pgConnection = bench::MakePostgres(pg, schema);
        bench::RawDb db(pg);
        db.Exec(QStringLiteral("set search_path to %1, public").arg(schema));
        bench::FillOrders(db, orders, 1000);
        db.Exec(QStringLiteral("vacuum analyze OrderData"));
    }
    DbConnection db;
    if (!db.Open(pgConnection))
        bench::Fail(db.GetLastError());
    const bench::PsqlCommand psql = bench::Psql(pgConnection);
    const Cli psqlCli = {"psql, \\timing of the alter table", [&](const QString& sql) {
                             QString output;
                             if (bench::RunProgram(QStringLiteral("psql"), psql.arguments,
                                                   "\\timing on\n" + sql.toUtf8() + ";\n", &output,
                                                   true, psql.environment) < 0)
                                 return -1.0;
                             return bench::LastPsqlTime(output) / 1e3;
                         }};
    MeasureAll("PostgreSQL", db, psqlCli, QStringLiteral("citext"), runs);
    return 0;
}
