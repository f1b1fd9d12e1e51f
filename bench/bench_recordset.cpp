// Reading speed of DbRecordset against the sqlite3 program on the same query.
//
//   bench_recordset [folder] [--rows N] [--runs N]
//
// Makes (or reuses) <folder>/bench_recordset.db, default folder /tmp: a
// customer-like table of N rows (1,000,000) with 15 text columns of Chinese
// text. Then reads every row through DbRecordset, reading each of the 15
// fields by name as text, the way the list views fill their grids; reads the
// same rows through Qt SQL alone (the floor the layer stands on); and runs the
// same SELECT through the sqlite3 program with its output thrown away. Each is
// timed best of --runs (3) after one warm-up read, and the ratios are printed.
// Both wall time and CPU time are shown (this process's for the readers inside
// it, the child's for sqlite3): on a shared machine the CPU times are the
// steadier figures.

#include "db/DbConnection.h"
#include "db/DbRecordset.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

const char* const kColumns[] = {"CustomerName", "Contact",  "Handler",  "Phone",   "Mobile",
                                "Fax",          "Email",    "Address",  "ZIPCode", "Province",
                                "City",         "Homepage", "FDSource", "FDLevel", "Comment"};
constexpr int kColumnCount = 15;

QString SelectText() {
    QStringList columns;
    for (const char* column : kColumns)
        columns << QString::fromLatin1(column);
    return QStringLiteral("select ") + columns.join(QLatin1Char(',')) +
           QStringLiteral(" from BenchRows");
}

// Deterministic Chinese text of 2 to 12 characters.
class TextMaker {
public:
    QString Next() {
        static const QString pool = QStringLiteral(
            "上海北京广州深圳杭州南京天津重庆成都武汉西安苏州公司有限责任贸易科技发展"
            "电子商务网络服务中心办公用品客户经理联系电话地址街道路号楼室区县市省张王"
            "李赵刘陈杨黄周吴徐孙马朱胡林郭何高罗郑梁谢宋唐许邓冯韩曹曾彭萧蔡潘田董袁");
        const int length = 2 + int(Step() % 11);
        QString text;
        text.reserve(length);
        for (int i = 0; i < length; ++i)
            text += pool[int(Step() % quint64(pool.size()))];
        return text;
    }

private:
    quint64 Step() {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return state_ >> 33;
    }
    quint64 state_ = 20080305;
};

qint64 CountRows(DbConnection& db) {
    DbRecordset rs(db);
    if (!rs.Open(QStringLiteral("select count(*) as n from BenchRows")) || rs.IsEOF())
        return -1;
    return rs.GetString(QStringLiteral("n")).toLongLong();
}

bool MakeDatabase(const QString& path, qint64 rows) {
    std::fprintf(stderr, "making %s with %lld rows...\n", qPrintable(path), rows);
    QFile::remove(path);
    QFile created(path);
    if (!created.open(QIODevice::WriteOnly))
        return false;
    created.close();

    DbConnection db;
    if (!db.Open(QStringLiteral("Provider=SQLite;Data Source=") + path))
        return false;
    QStringList definitions;
    for (const char* column : kColumns)
        definitions << QString::fromLatin1(column) + QStringLiteral(" VARCHAR(100)");
    if (!db.Execute(QStringLiteral("create table BenchRows (KeyId INTEGER PRIMARY KEY, ") +
                    definitions.join(QLatin1Char(',')) + QStringLiteral(")"))) {
        std::fprintf(stderr, "%s\n", qPrintable(db.GetLastError()));
        return false;
    }
    // Bulk loading goes around the program's statement-at-a-time interface.
    QSqlDatabase raw = db.Database();
    raw.transaction();
    QSqlQuery insert(raw);
    QStringList marks;
    for (int i = 0; i < kColumnCount; ++i)
        marks << QStringLiteral("?");
    insert.prepare(QStringLiteral("insert into BenchRows values (?, ") +
                   marks.join(QLatin1Char(',')) + QStringLiteral(")"));
    TextMaker maker;
    for (qint64 row = 1; row <= rows; ++row) {
        insert.bindValue(0, row);
        for (int i = 0; i < kColumnCount; ++i)
            insert.bindValue(i + 1, maker.Next());
        if (!insert.exec()) {
            std::fprintf(stderr, "%s\n", qPrintable(insert.lastError().text()));
            return false;
        }
    }
    return raw.commit();
}

struct Timing {
    double wall = 1e300; // seconds
    double cpu = 1e300;
    qint64 checksum = 0; // what the last run returned
};

double ProcessCpu() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// CPU time of the children that have ended and been waited for.
double ChildrenCpu() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

Timing BestOf(int runs, double (*cpuClock)(), const std::function<qint64()>& read) {
    read(); // warm-up: pages in memory, code paths hot
    Timing best;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        const double cpuBefore = cpuClock();
        timer.start();
        best.checksum = read();
        best.wall = std::min(best.wall, timer.nsecsElapsed() / 1e9);
        best.cpu = std::min(best.cpu, cpuClock() - cpuBefore);
    }
    return best;
}

// The characters of every field read by name through the program's layer.
qint64 ReadThroughLayer(DbConnection& db, const QString& select) {
    static const QStringList names = [] {
        QStringList list;
        for (const char* column : kColumns)
            list << QString::fromLatin1(column);
        return list;
    }();
    qint64 chars = 0;
    DbRecordset rs(db);
    rs.Open(select);
    while (!rs.IsEOF()) {
        for (const QString& name : names)
            chars += rs.GetString(name).size();
        rs.MoveNext();
    }
    return chars;
}

// The same characters read by position through Qt SQL alone.
qint64 ReadThroughQt(DbConnection& db, const QString& select) {
    qint64 chars = 0;
    QSqlQuery query(db.Database());
    query.setForwardOnly(true);
    query.exec(select);
    while (query.next()) {
        for (int i = 0; i < kColumnCount; ++i)
            chars += query.value(i).toString().size();
    }
    return chars;
}

// The sqlite3 program's exit code (-1 when it crashed), its output thrown away.
qint64 RunSqliteProgram(const QString& path, const QString& select) {
    QProcess sqlite;
    sqlite.setStandardOutputFile(QProcess::nullDevice());
    sqlite.start(QStringLiteral("sqlite3"), {path, select});
    sqlite.waitForFinished(-1);
    return qint64(sqlite.exitStatus() == QProcess::NormalExit ? sqlite.exitCode() : -1);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString folder = QStringLiteral("/tmp");
    qint64 rows = 1000000;
    int runs = 3;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--rows") && i + 1 < args.size())
            rows = args[++i].toLongLong();
        else if (args[i] == QLatin1String("--runs") && i + 1 < args.size())
            runs = std::max(1, args[++i].toInt());
        else
            folder = args[i];
    }
    const QString path = folder + QStringLiteral("/bench_recordset.db");

    {
        DbConnection probe;
        const bool reusable = QFileInfo::exists(path) &&
                              probe.Open(QStringLiteral("Provider=SQLite;Data Source=") + path) &&
                              CountRows(probe) == rows;
        probe.Close();
        if (!reusable && !MakeDatabase(path, rows)) {
            std::fprintf(stderr, "could not make %s\n", qPrintable(path));
            return 1;
        }
    }

    DbConnection db;
    if (!db.Open(QStringLiteral("Provider=SQLite;Data Source=") + path)) {
        std::fprintf(stderr, "%s\n", qPrintable(db.GetLastError()));
        return 1;
    }
    const QString select = SelectText();
    const Timing layer = BestOf(runs, ProcessCpu, [&] { return ReadThroughLayer(db, select); });
    const Timing qtOnly = BestOf(runs, ProcessCpu, [&] { return ReadThroughQt(db, select); });
    const Timing cli = BestOf(runs, ChildrenCpu, [&] { return RunSqliteProgram(path, select); });
    if (cli.checksum != 0) {
        std::fprintf(stderr, "sqlite3 failed (is the sqlite3 program installed?)\n");
        return 1;
    }

    std::printf("rows: %lld x %d text fields (%lld characters read), best of %d\n", rows,
                kColumnCount, layer.checksum, runs);
    std::printf("                              wall s    cpu s\n");
    std::printf("DbRecordset, GetString(name)  %7.3f  %7.3f\n", layer.wall, layer.cpu);
    std::printf("Qt SQL alone, value(i)        %7.3f  %7.3f\n", qtOnly.wall, qtOnly.cpu);
    std::printf("sqlite3 program > /dev/null   %7.3f  %7.3f\n", cli.wall, cli.cpu);
    std::printf("DbRecordset / sqlite3         %7.2fx %7.2fx\n", layer.wall / cli.wall,
                layer.cpu / cli.cpu);
    std::printf("DbRecordset / Qt SQL          %7.2fx %7.2fx\n", layer.wall / qtOnly.wall,
                layer.cpu / qtOnly.cpu);
    return layer.checksum == qtOnly.checksum ? 0 : 2;
}
