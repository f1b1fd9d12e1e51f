// Speed of TableImporter against the databases' own bulk loaders on the same
// CSV file.
//
//   bench_import [--folder DIR] [--rows N] [--runs N] [--batch ROWS] [--pg CONNECTION]
//   bench_import --stray-quote [--folder DIR] [--rows N] [--runs N]
//
// Writes DIR/bench_import.csv (DIR default /tmp): a header line and N
// (100,000) customers with every column of CustomerData, KeyId first, Chinese
// text, some fields quoted around a comma. Then, each time into a fresh
// database made from the delivered schema (indexes included):
//   - TableImporter::Import with the key column "#" and integer types from a
//     field list, as the customer import runs it;
//   - sqlite3's ".import --csv --skip 1" of the same file.
// With --pg the importer also runs against a fresh schema bench_import of that
// PostgreSQL server, beside psql's "\copy ... csv header" of the same file.
// Median of --runs (3); the database files are made before the clock starts.
// --batch sets the importer's rows per transaction (its default otherwise).
//
// --stray-quote instead compares a file without any quoted field against the
// same file with one stray quote at the start of a field in row 2, which
// never closes: reading alone and the whole import, with progress counted.
//
//   bench_import --dialog [--folder DIR] [--rows N] [--runs N] [--pg CONNECTION] [--no-sqlite]
//
// --dialog measures the customer import as the user runs it: a file written
// as Chinese Excel writes it (GBK, CR LF, Chinese captions in the header,
// quotes only around fields with a comma), N (1,000,000) rows; the mapping
// dialog opened on it (encoding detection, header, preview, preselection),
// then ImportCsvMapped with the dialog's mapping, KeyId numbered and
// LastTime/RegTime stamped as the customer import does, beside sqlite3's
// .import and psql's \copy (encoding 'GBK') of the same file. The process's
// peak resident memory is printed after the file is written and at the end.

#include "QueryBenchSupport.h"

#include "base/CsvReader.h"
#include "base/CsvRecordParser.h"
#include "customer/CustomerImport.h"
#include "db/DbConnection.h"
#include "db/FieldInfoList.h"
#include "db/TableImporter.h"
#include "framework/ImportCSVDlg.h"
#include "net/Gbk.h"
#include "ui/Prompt.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>

namespace {

// Every column of CustomerData in table order; the integer ones are marked.
struct Column {
    const char* name;
    bool integer;
};
const Column kColumns[] = {
    {"KeyId", true},      {"CustomerName", false}, {"Contact", false},  {"Handler", false},
    {"Phone", false},     {"Mobile", false},       {"Fax", false},      {"Email", false},
    {"Address", false},   {"ZIPCode", false},      {"Province", false}, {"City", false},
    {"Homepage", false},  {"FDSource", false},     {"FDLevel", false},  {"Comment", false},
    {"IsReseller", true}, {"IsProvider", true},    {"Category", false}, {"CustomerClass", true},
    {"ClassPath", false}, {"RegTime", false},      {"LastTime", false}};

class TextMaker {
public:
    QString Next(int minimum, int spread) {
        static const QString pool = QStringLiteral(
            "上海北京广州深圳杭州南京天津重庆成都武汉西安苏州公司有限责任贸易科技发展电子商务"
            "网络服务中心办公用品客户经理联系电话地址街道路号楼室区县市省张王李赵刘陈杨黄周吴");
        const int length = minimum + int(Step() % quint64(spread));
        QString text;
        for (int i = 0; i < length; ++i)
            text += pool[int(Step() % quint64(pool.size()))];
        return text;
    }
    quint64 Step() {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return state_ >> 33;
    }

private:
    quint64 state_ = 20080305;
};

// With quoteAddress the address field is quoted around a comma; without it no
// field is quoted. strayRow > 0 puts one stray quote at the start of that
// row's customer name, which then never closes.
void WriteCsv(const QString& path, int rows, bool quoteAddress = true, int strayRow = 0) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        bench::Fail(QStringLiteral("cannot write ") + path);
    QStringList header;
    for (const Column& column : kColumns)
        header << QString::fromLatin1(column.name);
    QByteArray out = header.join(QLatin1Char(',')).toUtf8() + "\r\n";
    TextMaker maker;
    for (int row = 1; row <= rows; ++row) {
        const QString time = QStringLiteral("2008-%1-%2 %3:%4:%5")
                                 .arg(1 + maker.Step() % 12, 2, 10, QLatin1Char('0'))
                                 .arg(1 + maker.Step() % 28, 2, 10, QLatin1Char('0'))
                                 .arg(maker.Step() % 24, 2, 10, QLatin1Char('0'))
                                 .arg(maker.Step() % 60, 2, 10, QLatin1Char('0'))
                                 .arg(maker.Step() % 60, 2, 10, QLatin1Char('0'));
        QStringList fields;
        const QString stray = row == strayRow ? QStringLiteral("\"") : QString();
        fields << QString::number(row) << stray + maker.Next(4, 8) + QStringLiteral("有限公司")
               << maker.Next(2, 2) << maker.Next(2, 2)
               << QStringLiteral("010-%1").arg(maker.Step() % 100000000, 8, 10, QLatin1Char('0'))
               << QStringLiteral("13%1").arg(maker.Step() % 1000000000, 9, 10, QLatin1Char('0'))
               << QStringLiteral("010-%1").arg(maker.Step() % 100000000, 8, 10, QLatin1Char('0'))
               << QStringLiteral("user%1@example.com").arg(row)
               << (quoteAddress ? QStringLiteral("\"%1路%2号,%3室\"")
                                : QStringLiteral("%1路%2号 %3室"))
                      .arg(maker.Next(2, 4))
                      .arg(maker.Step() % 999)
                      .arg(maker.Step() % 2000)
               << QString::number(100000 + maker.Step() % 900000) << maker.Next(2, 2)
               << maker.Next(2, 2) << QStringLiteral("http://www.example.com/%1").arg(row)
               << maker.Next(2, 3) << maker.Next(1, 2) << maker.Next(5, 30)
               << QString::number(row % 5 == 0 ? 1 : 0) << QString::number(row % 10 == 0 ? 1 : 0)
               << QStringLiteral("直接客户") << QString::number(maker.Step() % 20)
               << QStringLiteral("未分类/") << time << time;
        out += fields.join(QLatin1Char(',')).toUtf8() + "\r\n";
    }
    if (file.write(out) != out.size())
        bench::Fail(QStringLiteral("cannot write ") + path);
}

struct ImportRun {
    double seconds = 0;
    int rows = 0;
    QString errors;
};

ImportRun RunImporter(const QString& connection, const QString& csv, int batchRows) {
    DbConnection db;
    if (!db.Open(connection))
        bench::Fail(db.GetLastError());
    FieldInfoList fields;
    QStringList columns;
    for (const Column& column : kColumns) {
        const QString name = QString::fromLatin1(column.name);
        fields.Add(name, name, QString(), column.integer ? 3 : 200);
        columns << name;
    }
    columns[0] = QStringLiteral("#");
    TableImporter importer;
    importer.SetConnection(&db);
    importer.SetFieldInfo(&fields);
    if (batchRows > 0)
        importer.SetBatchRows(batchRows);
    QElapsedTimer timer;
    timer.start();
    ImportRun run;
    run.rows = importer.Import(csv, QStringLiteral("CustomerData"), columns);
    run.seconds = timer.nsecsElapsed() / 1e9;
    run.errors = importer.GetErrorText();
    return run;
}

void Print(const char* what, double seconds, int rows) {
    std::printf("  %-34s %8.3f s  %8.0f rows/s\n", what, seconds, rows / seconds);
}

// One stray quote against the same file without it: reading alone (load,
// decode, every record) and the whole import into SQLite, each with a
// progress callback that counts its calls. The quote opens a field that
// never closes, so everything after it is carried into one record.
int StrayQuoteFigures(const QString& folder, int rows, int runs) {
    struct Case {
        const char* name;
        QString path;
    };
    const Case cases[] = {
        {"without the quote", folder + QStringLiteral("/bench_quote.csv")},
        {"one stray quote (row 2)", folder + QStringLiteral("/bench_quote_stray.csv")}};
    WriteCsv(cases[0].path, rows, false, 0);
    WriteCsv(cases[1].path, rows, false, 2);
    std::printf("%d rows, %lld bytes, no quoted field\n", rows, QFileInfo(cases[0].path).size());

    const QString base = folder + QStringLiteral("/bench_quote_template.db");
    const QString target = folder + QStringLiteral("/bench_quote.db");
    bench::MakeSqlite(base);
    double read[2] = {0, 0};
    double import[2] = {0, 0};
    for (int k = 0; k < 2; ++k) {
        const QString& path = cases[k].path;
        int records = 0;
        int progress = 0;
        read[k] = bench::Median(bench::TimeRuns(runs, [&] {
            QString text;
            QString error;
            if (!CsvRecordParser::LoadFile(path, text, error))
                bench::Fail(error);
            CsvRecordParser parser(text);
            progress = 0;
            parser.SetProgress([&](qsizetype, qsizetype) { return ++progress > 0; });
            QStringList fields;
            records = 0;
            while (parser.ReadRecord(fields) > 0)
                ++records;
        }));
        std::printf("  %-26s read   %8.3f s  %6d records, %4d progress calls inside a record\n",
                    cases[k].name, read[k], records, progress);

        std::vector<double> times;
        int imported = 0;
        int calls = 0;
        for (int run = 0; run < runs; ++run) {
            QFile::remove(target);
            if (!QFile::copy(base, target))
                bench::Fail(QStringLiteral("cannot copy ") + base);
            DbConnection db;
            if (!db.Open(QStringLiteral("Provider=SQLite;Data Source=") + target))
                bench::Fail(db.GetLastError());
            QStringList columns;
            for (const Column& column : kColumns)
                columns << QString::fromLatin1(column.name);
            columns[0] = QStringLiteral("#");
            TableImporter importer;
            importer.SetConnection(&db);
            calls = 0;
            importer.SetProgress([&](qint64, qint64) { return ++calls > 0; });
            QElapsedTimer timer;
            timer.start();
            imported = importer.Import(path, QStringLiteral("CustomerData"), columns);
            times.push_back(timer.nsecsElapsed() / 1e9);
        }
        import[k] = bench::Median(times);
        std::printf("  %-26s import %8.3f s  %6d rows,    %6d progress calls\n", cases[k].name,
                    import[k], imported, calls);
    }
    std::printf("  stray / without: read %.2f x, import %.2f x (allowed 3 x)\n", read[1] / read[0],
                import[1] / import[0]);
    for (const Case& c : cases)
        QFile::remove(c.path);
    QFile::remove(target);
    QFile::remove(base);
    return 0;
}

// The captions Chinese users give the columns, in table order (FDTotal last,
// so that sqlite3's .import finds every column of the table).
const char* const kCaptions[] = {
    "编号",     "客户名称", "联系人", "经理人", "电话",     "手机号码", "传真",     "电子邮件",
    "通讯地址", "邮政编码", "省份",   "城市",   "网站主页", "客户来源", "等级",     "备注",
    "经销商",   "供应商",   "类别",   "分类",   "分类路径", "登记时间", "更新时间", "总额"};

// Peak resident memory of this process so far, in MB (VmHWM).
double PeakMegabytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

// As Chinese Excel saves "CSV (逗号分隔)": GBK, CR LF, a field quoted only
// when it holds a comma, a quote or a line break. Written in slices, so the
// benchmark's own memory stays small.
void WriteExcelCsv(const QString& path, int rows) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        bench::Fail(QStringLiteral("cannot write ") + path);
    QStringList header;
    for (const char* caption : kCaptions)
        header << QString::fromUtf8(caption);
    QString out = header.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    TextMaker maker;
    for (int row = 1; row <= rows; ++row) {
        const QString time = QStringLiteral("2008-%1-%2 %3:%4:%5")
                                 .arg(1 + maker.Step() % 12, 2, 10, QLatin1Char('0'))
                                 .arg(1 + maker.Step() % 28, 2, 10, QLatin1Char('0'))
                                 .arg(maker.Step() % 24, 2, 10, QLatin1Char('0'))
                                 .arg(maker.Step() % 60, 2, 10, QLatin1Char('0'))
                                 .arg(maker.Step() % 60, 2, 10, QLatin1Char('0'));
        QStringList fields;
        fields << QString::number(row) << maker.Next(4, 8) + QStringLiteral("有限公司")
               << maker.Next(2, 2) << maker.Next(2, 2)
               << QStringLiteral("010-%1").arg(maker.Step() % 100000000, 8, 10, QLatin1Char('0'))
               << QStringLiteral("13%1").arg(maker.Step() % 1000000000, 9, 10, QLatin1Char('0'))
               << QStringLiteral("010-%1").arg(maker.Step() % 100000000, 8, 10, QLatin1Char('0'))
               << QStringLiteral("user%1@example.com").arg(row)
               << QStringLiteral("\"%1路%2号,%3室\"")
                      .arg(maker.Next(2, 4))
                      .arg(maker.Step() % 999)
                      .arg(maker.Step() % 2000)
               << QString::number(100000 + maker.Step() % 900000) << maker.Next(2, 2)
               << maker.Next(2, 2) << QStringLiteral("http://www.example.com/%1").arg(row)
               << maker.Next(2, 3) << maker.Next(1, 2) << maker.Next(5, 30)
               << QString::number(row % 5 == 0 ? 1 : 0) << QString::number(row % 10 == 0 ? 1 : 0)
               << QStringLiteral("直接客户") << QString::number(maker.Step() % 20)
               << QStringLiteral("未分类/") << time << time << QStringLiteral("0");
        out += fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
        if (row % 10000 == 0 || row == rows) {
            const QByteArray bytes = Gbk::Encode(out);
            if (file.write(bytes) != bytes.size())
                bench::Fail(QStringLiteral("cannot write ") + path);
            out.clear();
        }
    }
}

// The prompt of a run nobody watches: progress goes on, every question is
// answered "go on".
class SilentPrompt final : public Prompt {
public:
    void Message(const QString& text, const QString&, Icon) override { last = text; }
    Answer Ask(const QString& text, Buttons, const QString&, Icon) override {
        last = text;
        return Answer::Yes;
    }
    QString OpenFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString SaveFileName(const QString&, const QString&, const QString&) override { return {}; }
    bool OpenUrl(const QString&) override { return false; }
    bool StartProgram(const QString&, const QStringList&) override { return false; }
    void BeginWait() override {}
    void EndWait() override {}
    void BeginProgress(const QString&) override {}
    bool StepProgress(qint64, qint64) override {
        ++steps;
        return true;
    }
    void EndProgress() override {}
    int RunModal(QDialog&) override { return 1; }
    QString last;
    qint64 steps = 0;
};

// The mapping dialog on the file, then the import with its mapping; the rows
// the count message names.
int RunDialogImport(const QString& connection, const QString& csv) {
    DbConnection db;
    if (!db.Open(connection))
        bench::Fail(db.GetLastError());
    SilentPrompt prompt;
    CsvImportArgs args;
    QString error;
    if (!CustomerImportTargets(db, args.targets, error))
        bench::Fail(error);
    args.connection = &db;
    args.table = QStringLiteral("CustomerData");
    args.keyColumn = QStringLiteral("KeyId");
    const QString now =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    args.fixedValues = {{QStringLiteral("RegTime"), now}, {QStringLiteral("LastTime"), now}};
    args.onFailure = CsvImportArgs::OnFailure::Collect;
    TextEncoding encoding = TextEncoding::Gbk;
    if (!CsvReader::DetectEncoding(csv, encoding, error))
        bench::Fail(error);
    QStringList columns;
    {
        CImportCSVDlg dialog(prompt, csv, args.targets, encoding, args.settingsKey);
        for (const QString& caption : dialog.Mapping())
            columns << (caption.isEmpty() ? QString() : args.targets.NameOf(caption));
        encoding = dialog.Encoding();
    }
    const CsvImportResult result = ImportCsvMapped(prompt, args, csv, encoding, columns);
    if (!result.failures.isEmpty())
        bench::Fail(prompt.last);
    return result.imported;
}

int DialogFigures(const QString& folder, int rows, int runs, const QString& pg, bool withSqlite) {
    const QString csv = folder + QStringLiteral("/bench_import_excel.csv");
    WriteExcelCsv(csv, rows);
    std::printf("%d rows, %lld bytes of GBK: %s; peak memory after writing %.0f MB\n", rows,
                QFileInfo(csv).size(), qPrintable(csv), PeakMegabytes());

    const QString base = folder + QStringLiteral("/bench_import_template.db");
    const QString target = folder + QStringLiteral("/bench_import.db");
    bench::MakeSqlite(base);
    auto fresh = [&] {
        QFile::remove(target);
        if (!QFile::copy(base, target))
            bench::Fail(QStringLiteral("cannot copy ") + base);
        return QStringLiteral("Provider=SQLite;Data Source=") + target;
    };
    std::vector<double> ours;
    std::vector<double> theirs;
    for (int run = 0; run < (withSqlite ? runs : 0); ++run) {
        const QString connection = fresh();
        QElapsedTimer timer;
        timer.start();
        const int imported = RunDialogImport(connection, csv);
        ours.push_back(timer.nsecsElapsed() / 1e9);
        if (imported != rows)
            bench::Fail(QStringLiteral("imported %1 rows").arg(imported));

        fresh();
        QString output;
        const double seconds = bench::RunProgram(
            QStringLiteral("sqlite3"),
            {target, QStringLiteral(".import --csv --skip 1 %1 CustomerData").arg(csv)},
            QByteArray(), &output);
        bench::RawDb check(QStringLiteral("Provider=SQLite;Data Source=") + target);
        if (seconds < 0 || check.Count(QStringLiteral("select count(*) from CustomerData")) != rows)
            bench::Fail(QStringLiteral("sqlite3 .import failed: ") + output);
        theirs.push_back(seconds);
    }
    if (withSqlite) {
        const double dialog = bench::Median(ours);
        const double sqlite = bench::Median(theirs);
        std::printf("SQLite\n");
        Print("sqlite3 .import (whole run)", sqlite, rows);
        Print("mapping dialog + import", dialog, rows);
        std::printf("  dialog import / sqlite3 = %.2f x (allowed 2 x): %s\n", dialog / sqlite,
                    dialog <= 2 * sqlite ? "within" : "OVER");
    }
    QFile::remove(target);
    QFile::remove(base);

    if (!pg.isEmpty()) {
        // A schema of its own, so that a PostgreSQL-only run may go beside a full one.
        const QString schema =
            withSqlite ? QStringLiteral("bench_import") : QStringLiteral("bench_import_pg");
        ours.clear();
        theirs.clear();
        for (int run = 0; run < runs; ++run) {
            const QString connection = bench::MakePostgres(pg, schema);
            QElapsedTimer timer;
            timer.start();
            if (RunDialogImport(connection, csv) != rows)
                bench::Fail(QStringLiteral("PostgreSQL import incomplete"));
            ours.push_back(timer.nsecsElapsed() / 1e9);

            const QString copyTo = bench::MakePostgres(pg, schema);
            const bench::PsqlCommand psql = bench::Psql(copyTo);
            QString output;
            const double seconds = bench::RunProgram(
                QStringLiteral("psql"), psql.arguments,
                QStringLiteral("\\copy CustomerData from '%1' with (format csv, header true, "
                               "encoding 'GBK')\n")
                    .arg(csv)
                    .toUtf8(),
                &output, false, psql.environment);
            if (seconds < 0)
                bench::Fail(QStringLiteral("psql \\copy failed: ") + output);
            theirs.push_back(seconds);
        }
        {
            bench::RawDb db(pg);
            db.Exec(QStringLiteral("drop schema if exists %1 cascade").arg(schema));
        }
        const double pgDialog = bench::Median(ours);
        const double pgCopy = bench::Median(theirs);
        std::printf("PostgreSQL\n");
        Print("psql \\copy (whole run)", pgCopy, rows);
        Print("mapping dialog + import", pgDialog, rows);
        std::printf("  dialog import / psql \\copy = %.2f x (allowed 2 x): %s\n", pgDialog / pgCopy,
                    pgDialog <= 2 * pgCopy ? "within" : "OVER");
    }
    std::printf("peak memory of the whole run: %.0f MB\n", PeakMegabytes());
    QFile::remove(csv);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // The mapping dialog is a widget; no screen is needed to measure it.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // figures appear as they are taken
    QString folder = QStringLiteral("/tmp");
    QString pg;
    int rows = 100000;
    int runs = 3;
    int batchRows = 0;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--folder"))
            folder = args[++i];
        else if (args[i] == QLatin1String("--rows"))
            rows = args[++i].toInt();
        else if (args[i] == QLatin1String("--runs"))
            runs = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--pg"))
            pg = args[++i];
        else if (args[i] == QLatin1String("--batch"))
            batchRows = args[++i].toInt();
    }
    if (args.contains(QStringLiteral("--stray-quote")))
        return StrayQuoteFigures(folder, rows, runs);
    if (args.contains(QStringLiteral("--dialog")))
        return DialogFigures(folder, rows, runs, pg, !args.contains(QStringLiteral("--no-sqlite")));

    const QString csv = folder + QStringLiteral("/bench_import.csv");
    WriteCsv(csv, rows);
    std::printf("%d rows, %lld bytes: %s\n", rows, QFileInfo(csv).size(), qPrintable(csv));

    // SQLite: a template database once, a fresh copy of it for every run.
    const QString base = folder + QStringLiteral("/bench_import_template.db");
    const QString target = folder + QStringLiteral("/bench_import.db");
    bench::MakeSqlite(base);
    auto fresh = [&] {
        QFile::remove(target);
        if (!QFile::copy(base, target))
            bench::Fail(QStringLiteral("cannot copy ") + base);
        return QStringLiteral("Provider=SQLite;Data Source=") + target;
    };
    std::vector<double> ours;
    std::vector<double> theirs;
    for (int run = 0; run < runs; ++run) {
        const ImportRun result = RunImporter(fresh(), csv, batchRows);
        if (result.rows != rows || !result.errors.isEmpty())
            bench::Fail(QStringLiteral("imported %1 rows: %2").arg(result.rows).arg(result.errors));
        ours.push_back(result.seconds);

        fresh();
        QString output;
        const double seconds = bench::RunProgram(
            QStringLiteral("sqlite3"),
            {target, QStringLiteral(".import --csv --skip 1 %1 CustomerData").arg(csv)},
            QByteArray(), &output);
        bench::RawDb check(QStringLiteral("Provider=SQLite;Data Source=") + target);
        if (seconds < 0 || check.Count(QStringLiteral("select count(*) from CustomerData")) != rows)
            bench::Fail(QStringLiteral("sqlite3 .import failed: ") + output);
        theirs.push_back(seconds);
    }
    const double importer = bench::Median(ours);
    const double sqlite = bench::Median(theirs);
    std::printf("SQLite\n");
    Print("sqlite3 .import (whole run)", sqlite, rows);
    Print("TableImporter", importer, rows);
    std::printf("  TableImporter / sqlite3 = %.2f x (allowed 3 x): %s\n", importer / sqlite,
                importer <= 3 * sqlite ? "within" : "OVER");
    QFile::remove(target);
    QFile::remove(base);

    if (pg.isEmpty())
        return 0;
    const QString schema = QStringLiteral("bench_import");
    ours.clear();
    theirs.clear();
    for (int run = 0; run < runs; ++run) {
        const ImportRun result = RunImporter(bench::MakePostgres(pg, schema), csv, batchRows);
        if (result.rows != rows || !result.errors.isEmpty())
            bench::Fail(QStringLiteral("imported %1 rows: %2").arg(result.rows).arg(result.errors));
        ours.push_back(result.seconds);

        const QString connection = bench::MakePostgres(pg, schema);
        const bench::PsqlCommand psql = bench::Psql(connection);
        QString output;
        const double seconds = bench::RunProgram(
            QStringLiteral("psql"), psql.arguments,
            QStringLiteral("\\copy CustomerData from '%1' with (format csv, header true)\n")
                .arg(csv)
                .toUtf8(),
            &output, false, psql.environment);
        if (seconds < 0)
            bench::Fail(QStringLiteral("psql \\copy failed: ") + output);
        theirs.push_back(seconds);
    }
    {
        bench::RawDb db(pg);
        db.Exec(QStringLiteral("drop schema if exists %1 cascade").arg(schema));
    }
    const double pgImporter = bench::Median(ours);
    const double pgCopy = bench::Median(theirs);
    std::printf("PostgreSQL\n");
    Print("psql \\copy (whole run)", pgCopy, rows);
    Print("TableImporter", pgImporter, rows);
    std::printf("  TableImporter / psql \\copy = %.2f x\n", pgImporter / pgCopy);
    return 0;
}
