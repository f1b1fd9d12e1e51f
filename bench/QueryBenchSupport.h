#pragma once

// Shared pieces of the page-load and import benchmarks: databases made from
// the delivered schema scripts, a generated customer table, and timing of the
// database's own command-line programs for comparison.

#include "db/ConnectionString.h"
#include "db/SqlTokenizer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace bench {

// The 15 text columns of CustomerData that the list benchmarks read.
inline QStringList TextColumns() {
    return {QStringLiteral("CustomerName"), QStringLiteral("Contact"), QStringLiteral("Handler"),
            QStringLiteral("Phone"),        QStringLiteral("Mobile"),  QStringLiteral("Fax"),
            QStringLiteral("Email"),        QStringLiteral("Address"), QStringLiteral("ZIPCode"),
            QStringLiteral("Province"),     QStringLiteral("City"),    QStringLiteral("Homepage"),
            QStringLiteral("FDSource"),     QStringLiteral("FDLevel"), QStringLiteral("Comment")};
}

inline void Fail(const QString& what) {
    std::fprintf(stderr, "%s\n", qPrintable(what));
    std::exit(1);
}

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// Seconds of each of `runs` calls, after one warm-up call.
inline std::vector<double> TimeRuns(int runs, const std::function<void()>& work) {
    work();
    std::vector<double> seconds;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        seconds.push_back(timer.nsecsElapsed() / 1e9);
    }
    return seconds;
}

// A raw Qt connection for making and filling benchmark databases; removed
// when it goes out of scope.
class RawDb final {
public:
    // connectionString: "Provider=SQLite;Data Source=..." or a PostgreSQL one.
    explicit RawDb(const QString& connectionString) {
        const ConnectionString cs(connectionString);
        postgres_ =
            cs.Value("Provider").compare(QLatin1String("PostgreSQL"), Qt::CaseInsensitive) == 0;
        QSqlDatabase db = QSqlDatabase::addDatabase(
            postgres_ ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"), kName);
        if (postgres_) {
            db.setHostName(cs.Value("Host"));
            db.setPort(cs.Value("Port").toInt());
            db.setDatabaseName(cs.Value("Database"));
            db.setUserName(cs.Value("User ID"));
            db.setPassword(cs.Value("Password"));
        } else {
            db.setDatabaseName(cs.Value("Data Source"));
        }
        if (!db.open())
            Fail(db.lastError().text());
        if (postgres_)
            Exec(QStringLiteral("set client_min_messages to warning"));
    }
    ~RawDb() {
        QSqlDatabase::database(kName, false).close();
        QSqlDatabase::removeDatabase(kName);
    }
    bool IsPostgres() const { return postgres_; }
    void Exec(const QString& sql) {
        QSqlQuery query(QSqlDatabase::database(kName, false));
        if (!query.exec(sql))
            Fail(query.lastError().text() + QStringLiteral("\n") + sql.left(300));
    }
    qint64 Count(const QString& sql) {
        QSqlQuery query(QSqlDatabase::database(kName, false));
        if (!query.exec(sql) || !query.next())
            return -1;
        return query.value(0).toLongLong();
    }
    // Every row of a query, each as its texts; fails the benchmark on an error.
    QList<QStringList> Rows(const QString& sql) {
        QSqlQuery query(QSqlDatabase::database(kName, false));
        if (!query.exec(sql))
            Fail(query.lastError().text() + QStringLiteral("\n") + sql.left(300));
        QList<QStringList> rows;
        while (query.next()) {
            QStringList row;
            for (int i = 0; i < query.record().count(); ++i)
                row << query.value(i).toString();
            rows << row;
        }
        return rows;
    }
    void RunScript(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            Fail(QStringLiteral("cannot read ") + path);
        for (const QString& statement :
             SqlTokenizer::SplitStatements(QString::fromUtf8(file.readAll())))
            Exec(statement);
    }

private:
    static inline const QString kName = QStringLiteral("bench-raw");
    bool postgres_ = false;
};

inline QString SchemaScript(bool postgres) {
    return QStringLiteral(TORVEL_SOURCE_DIR "/schema/") +
           (postgres ? QStringLiteral("postgresql.sql") : QStringLiteral("sqlite.sql"));
}

// A new SQLite file with the delivered schema; its connection string.
inline QString MakeSqlite(const QString& path) {
    QFile::remove(path);
    QFile created(path);
    if (!created.open(QIODevice::WriteOnly))
        Fail(QStringLiteral("cannot make ") + path);
    created.close();
    const QString connection = QStringLiteral("Provider=SQLite;Data Source=") + path;
    RawDb(connection).RunScript(SchemaScript(false));
    return connection;
}

// A new schema of the PostgreSQL server with the delivered tables; the
// connection string that selects it.
inline QString MakePostgres(const QString& server, const QString& schema) {
    {
        RawDb db(server);
        db.Exec(QStringLiteral("create extension if not exists citext schema public"));
        db.Exec(QStringLiteral("create extension if not exists pg_trgm schema public"));
        db.Exec(QStringLiteral("drop schema if exists %1 cascade").arg(schema));
        db.Exec(QStringLiteral("create schema %1").arg(schema));
    }
    const QString connection = server + QStringLiteral(";Schema=") + schema;
    RawDb db(server);
    db.Exec(QStringLiteral("set search_path to %1, public").arg(schema));
    db.RunScript(SchemaScript(true));
    return connection;
}

// Chinese text of 2 to 10 characters that varies with the row number.
inline QString TextExpression(int seed, bool postgres) {
    const QString pool = QStringLiteral(
        "上海北京广州深圳杭州南京天津重庆成都武汉西安苏州公司有限责任贸易科技发展电子商务"
        "网络服务中心办公用品客户经理联系电话地址街道路号楼室区县市省张王李赵刘陈杨黄周吴");
    const QString expression =
        postgres ? QStringLiteral("substr('%1'::text, (1 + ((x * %2) % %3))::int, (2 + ((x + %2) "
                                  "% 9))::int)")
                 : QStringLiteral("substr('%1', 1 + ((x * %2) % %3), 2 + ((x + %2) % 9))");
    return expression.arg(pool).arg(seed * 7919 + 13).arg(pool.size() - 10);
}

// Fills CustomerData with rows 1..rows, generated by the database itself:
// varied Chinese text in the 15 text columns, every tenth row a supplier,
// LastTime spread over two years.
inline void FillCustomers(RawDb& db, qint64 rows) {
    QStringList values;
    QStringList texts = TextColumns();
    for (int i = 0; i < texts.size(); ++i)
        values << TextExpression(i, db.IsPostgres());
    const QString lastTime =
        db.IsPostgres()
            ? QStringLiteral("to_char(to_timestamp(1199145600 + (x * 7919) % 63072000) at time "
                             "zone 'UTC', 'YYYY-MM-DD HH24:MI:SS')")
            : QStringLiteral("strftime('%Y-%m-%d %H:%M:%S', 1199145600 + (x * 7919) % 63072000, "
                             "'unixepoch')");
    const QString source =
        db.IsPostgres()
            ? QStringLiteral("generate_series(1::bigint, %1) as g(x)").arg(rows)
            : QStringLiteral("(with recursive c(x) as (select 1 union all select x + 1 from c "
                             "where x < %1) select x from c)")
                  .arg(rows);
    db.Exec(
        QStringLiteral("insert into CustomerData (KeyId, %1, IsProvider, RegTime, LastTime) "
                       "select x, %2, case when x % 10 = 0 then 1 else 0 end, %3, %3 from %4")
            .arg(texts.join(QLatin1Char(',')), values.join(QLatin1Char(',')), lastTime, source));
}

// Runs a program with `input` on its standard input and its output thrown
// away; the wall time in seconds, or -1 when it failed. `output` gets what it
// printed on standard error and, with keepOutput, on standard output.
inline double
RunProgram(const QString& program, const QStringList& arguments, const QByteArray& input,
           QString* output = nullptr, bool keepOutput = false,
           const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    if (!keepOutput)
        process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    if (!process.waitForStarted(-1))
        return -1;
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(-1);
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (output) {
        *output = QString::fromUtf8(process.readAllStandardError());
        if (keepOutput)
            *output += QString::fromUtf8(process.readAllStandardOutput());
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return -1;
    return seconds;
}

// psql's arguments and environment for a PostgreSQL connection string.
struct PsqlCommand {
    QStringList arguments;
    QProcessEnvironment environment;
};

inline PsqlCommand Psql(const QString& connectionString) {
    const ConnectionString cs(connectionString);
    PsqlCommand command;
    command.arguments = {QStringLiteral("-X"), QStringLiteral("-q"),
                         QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                         QStringLiteral("-h"), cs.Value("Host"),
                         QStringLiteral("-p"), cs.Value("Port"),
                         QStringLiteral("-U"), cs.Value("User ID"),
                         QStringLiteral("-d"), cs.Value("Database")};
    command.environment = QProcessEnvironment::systemEnvironment();
    command.environment.insert(QStringLiteral("PGPASSWORD"), cs.Value("Password"));
    command.environment.insert(QStringLiteral("PGOPTIONS"),
                               QStringLiteral("-c search_path=%1,public").arg(cs.Value("Schema")));
    return command;
}

// The number that `pattern` captures in the last of its matches in `output`,
// or -1 without a match.
inline double LastCapturedNumber(const QString& output, const QString& pattern) {
    double number = -1;
    auto it = QRegularExpression(pattern).globalMatch(output);
    while (it.hasNext())
        number = it.next().captured(1).toDouble();
    return number;
}

// The milliseconds of the last "Time: ..." line that psql's \timing printed.
inline double LastPsqlTime(const QString& output) {
    return LastCapturedNumber(output, QStringLiteral("Time: ([0-9.]+) ms"));
}

// The seconds of the last "Run Time: real ..." line of sqlite3's .timer.
inline double LastSqliteTime(const QString& output) {
    return LastCapturedNumber(output, QStringLiteral("Run Time: real ([0-9.]+)"));
}

// The sum of the numbers `pattern` captures in `output`.
inline double SumOfCapturedNumbers(const QString& output, const QString& pattern) {
    double total = 0;
    auto it = QRegularExpression(pattern).globalMatch(output);
    while (it.hasNext())
        total += it.next().captured(1).toDouble();
    return total;
}

// Seconds that sqlite3 spent in the statements of `script` on the database
// file `path` (the sum of .timer's lines, output discarded); -1 when sqlite3
// fails.
inline double SqliteScriptSeconds(const QString& path, const QByteArray& script) {
    QString output;
    if (RunProgram(QStringLiteral("sqlite3"), {path}, ".timer on\n.output /dev/null\n" + script,
                   &output, true) < 0)
        return -1.0;
    return SumOfCapturedNumbers(output, QStringLiteral("Run Time: real ([0-9.]+)"));
}

// The same through psql and its \timing; -1 when psql fails.
inline double PsqlScriptSeconds(const PsqlCommand& psql, const QByteArray& script) {
    QString output;
    if (RunProgram(QStringLiteral("psql"), psql.arguments, "\\timing on\n\\o /dev/null\n" + script,
                   &output, true, psql.environment) < 0)
        return -1.0;
    return SumOfCapturedNumbers(output, QStringLiteral("Time: ([0-9.]+) ms")) / 1e3;
}

} // namespace bench
