// Every write path of the program run under injected faults: once per point
// where SQLite or the file system could fail it (all points with
// TORVEL_FAULTS_FULL=1, a spread of them otherwise), with PostgreSQL sessions
// killed half-way, and in a child process killed at random moments. After
// each fault the data is as before the action or as after it, never between,
// a failure was shown to the user, and the next action works again.
// TORVEL_FAULTS_TABLE=<file> writes the table of what was tried.

#include "FaultInjector.h"
#include "OldSchema.h"
#include "ScriptedPrompt.h"
#include "TestDatabases.h"

#include "base/IniFile.h"
#include "customer/CustomerStatements.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/SchemaUpgrade.h"
#include "db/TableImporter.h"
#include "framework/ClassMaintenance.h"
#include "framework/ClassTreeCtrl.h"
#include "framework/SelectedRows.h"
#include "migrate/AccessMigration.h"
#include "shell/DatabaseBackup.h"

#include <QApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

#include <csignal>
#include <cstdio>

using namespace Qt::StringLiterals;
using namespace FaultInjector;

Q_DECLARE_METATYPE(FaultInjector::Fault)

namespace {

bool FullRun() {
    return qEnvironmentVariableIntValue("TORVEL_FAULTS_FULL") > 0;
}

// Every failure point in the full run; else the first, the last and three between.
QList<int> Points(int total) {
    QList<int> points;
    const int step = FullRun() ? 1 : qMax(1, total / 4);
    for (int n = 1; n <= total; n += step)
        points << n;
    if (!points.isEmpty() && points.last() != total)
        points << total;
    return points;
}

struct Tried {
    QString path;
    QString fault;
    int points;
    int total;
};
QList<Tried> tried;

QString Column(DbConnection& db, const QString& sql) {
    QString out;
    return db.JoinColumnValues(sql, out) < 0 ? u"failed: "_s + db.GetLastError() : out;
}

// Runs `attempt` once to count the points where the fault can strike, then
// once per point to try. Each attempt makes its own fresh state, arms the
// injector around the action alone and checks the outcome.
void OverPoints(const QString& path, const Fault& fault, const std::function<void(int)>& attempt) {
    attempt(0);
    const int total = Seen();
    if (QTest::currentTestFailed())
        return;
    const QList<int> points = Points(total);
    for (const int n : points) {
        attempt(n);
        if (QTest::currentTestFailed()) {
            qWarning("%s: %s at point %d of %d", qPrintable(path), qPrintable(Describe(fault)), n,
                     total);
            return;
        }
    }
    tried.append({path, Describe(fault), int(points.size()), total});
}

void AddFaultRows(std::initializer_list<Fault> faults) {
    QTest::addColumn<Fault>("fault");
    for (const Fault& fault : faults)
        QTest::newRow(qPrintable(Describe(fault))) << fault;
}

const std::initializer_list<Fault> kSqliteFaults = {{Layer::Sqlite, Op::Write, Error::IoErr},
                                                    {Layer::Sqlite, Op::Write, Error::Full},
                                                    {Layer::Sqlite, Op::Sync, Error::IoErr},
                                                    {Layer::Sqlite, Op::Lock, Error::Busy},
                                                    {Layer::Sqlite, Op::Lock, Error::IoErr}};
const std::initializer_list<Fault> kFileFaults = {{Layer::Files, Op::Write, Error::Full},
                                                  {Layer::Files, Op::Write, Error::IoErr},
                                                  {Layer::Files, Op::Sync, Error::IoErr},
                                                  {Layer::Files, Op::Rename, Error::IoErr}};

// Four customers, each with a contact, an order and a trace record, filed in
// class A (1) or its subclass B (2).
const QString kCustomers = uR"(
insert into CustomerClass (KeyId,ParentId,Name,ClassPath) values (1,0,'A','/A');
insert into CustomerClass (KeyId,ParentId,Name,ClassPath) values (2,1,'B','/A/B');
insert into CustomerClass (KeyId,ParentId,Name,ClassPath) values (3,0,'C','/C');
insert into CustomerData (KeyId,CustomerClass,ClassPath) values (1,1,'/A/');
insert into CustomerData (KeyId,CustomerClass,ClassPath) values (2,2,'/A/B/');
insert into CustomerData (KeyId,CustomerClass,ClassPath) values (3,2,'/A/B/');
insert into CustomerData (KeyId,CustomerClass,ClassPath) values (4,1,'/A/');
insert into ContactData (CustomerId) select KeyId from CustomerData;
insert into OrderData (CustomerId, FDTotal) select KeyId, 10 from CustomerData;
insert into TraceData (CustomerId) select KeyId from CustomerData
)"_s;

// Per customer 1-4: "1111" when it and its related rows are all there.
QStringList CustomerStates(DbConnection& db) {
    QStringList states;
    for (int key = 1; key <= 4; ++key) {
        QString state;
        for (const char* table : {"CustomerData where KeyId", "ContactData where CustomerId",
                                  "OrderData where CustomerId", "TraceData where CustomerId"})
            state += Column(db, u"select count(*) from %1=%2"_s.arg(QLatin1String(table)).arg(key));
        states << state;
    }
    return states;
}

// The program's database on one engine, opened, with the four customers.
struct Database {
    explicit Database(const QString& engine) : file(engine) {}
    bool Open() {
        return file.Create() && file.RunScript(kCustomers) && db.Open(file.ConnectionString()) == 1;
    }
    // What a fresh connection finds: the check of the whole file on SQLite.
    QString Check(const QString& sql = u"pragma integrity_check"_s) {
        DbConnection other;
        return other.Open(file.ConnectionString()) == 1 ? Column(other, sql)
                                                        : u"unopenable: "_s + other.GetLastError();
    }
    TestDatabase file;
    DbConnection db;
    ScriptedPrompt prompt;
};

QString WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? path : QString();
}

// ---- the crash child: imports, deletes and saves until it is killed ----

constexpr int kChildRows = 50;

void Say(const QString& line) {
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

// Batch `tag` is kChildRows customers whose Contact is the tag; each gets a
// contact record, and the batch two before is deleted customer by customer
// with its related rows. The settings file is saved with the tag each round.
int RunCrashChild(const QString& folder, int from) {
    DbConnection db;
    if (db.Open(u"Provider=SQLite;Data Source="_s + folder + u"/torvel.db"_s) != 1)
        return 2;
    TableImporter importer;
    importer.SetConnection(&db);
    for (int tag = from; tag < from + 1000; ++tag) {
        QByteArray csv = "Name,Tag\r\n";
        for (int i = 0; i < kChildRows; ++i)
            csv += QByteArray("c") + QByteArray::number(i) + ',' + QByteArray::number(tag) + "\r\n";
        const QString path = WriteFile(folder + u"/batch.csv"_s, csv);
        if (importer.Import(path, u"CustomerData"_s, {u"CustomerName"_s, u"Contact"_s, u"#"_s}) !=
            kChildRows)
            return 3;
        Say(u"import %1"_s.arg(tag));
        if (db.Execute(u"insert into ContactData (CustomerId) select KeyId from CustomerData "
                       "where Contact='%1'"_s.arg(tag)) != 1)
            return 4;
        Say(u"contacts %1"_s.arg(tag));
        if (tag - 2 >= from) {
            Say(u"deleting %1"_s.arg(tag - 2));
            QString keys;
            db.JoinColumnValues(u"select KeyId from CustomerData where Contact='%1'"_s.arg(tag - 2),
                                keys);
            QString error;
            for (const QString& key : keys.split(u';', Qt::SkipEmptyParts)) {
                if (!CustomerStatements::DeleteWithRelatedRows(db, key.toInt(), error))
                    return 5;
            }
            Say(u"deleted %1"_s.arg(tag - 2));
        }
        IniFile settings;
        settings.SetInt(u"Faults"_s, u"Version"_s, tag);
        for (int i = 0; i < 200; ++i)
            settings.SetString(u"Padding"_s, u"Line%1"_s.arg(i), u"第%1行"_s.arg(tag));
        if (!settings.Save(folder + u"/torvel.ini"_s))
            return 6;
        Say(u"ini %1"_s.arg(tag));
    }
    return 0;
}

} // namespace

class tst_Faults : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Install(); }
    void importRows_data() { AddFaultRows(kSqliteFaults); }
    void importRows();
    void listDeleteAndMove_data() { AddFaultRows(kSqliteFaults); }
    void listDeleteAndMove();
    void classRename_data() { AddFaultRows(kSqliteFaults); }
    void classRename();
    void columnTypeChange_data() { AddFaultRows(kSqliteFaults); }
    void columnTypeChange();
    void backup_data() { AddFaultRows(kSqliteFaults); }
    void backup();
    void restore_data() { AddFaultRows(kFileFaults); }
    void restore();
    void settingsSave_data() { AddFaultRows(kFileFaults); }
    void settingsSave();
    void schemaUpgrade_data() { AddFaultRows(kSqliteFaults); }
    void schemaUpgrade();
    void migration_data() {
        AddFaultRows({{Layer::Sqlite, Op::Write, Error::Full},
                      {Layer::Files, Op::Sync, Error::IoErr},
                      {Layer::Files, Op::Rename, Error::IoErr}});
    }
    void migration();
    void postgresSessionKilled_data();
    void postgresSessionKilled();
    void postgresServerStopped();
    void killedAtRandomMoments();
    void cleanupTestCase();
};

// Each row of the file is written and counted, or named in the error text;
// the count is what the table holds.
void tst_Faults::importRows() {
    QFETCH(Fault, fault);
    QTemporaryDir dir;
    QByteArray csv = "Name\r\n";
    for (int i = 1; i <= 40; ++i)
        csv += "row" + QByteArray::number(i) + "\r\n";
    const QString path = WriteFile(dir.filePath(u"in.csv"_s), csv);
    const QStringList columns = {u"CustomerName"_s, u"#"_s};
    OverPoints(u"导入 (import)"_s, fault, [&](int failAt) {
        Database s(u"sqlite"_s);
        QVERIFY(s.Open());
        TableImporter importer;
        importer.SetConnection(&s.db);
        importer.SetBatchRows(8);
        int written = 0;
        {
            Armed armed(fault, failAt);
            written = importer.Import(path, u"CustomerData"_s, columns);
        }
        const QString rows = Column(s.db, u"select CustomerName from CustomerData where "
                                          "CustomerName like 'row%'"_s);
        const QStringList names = rows.split(u';', Qt::SkipEmptyParts);
        const QString errors = importer.GetErrorText();
        QCOMPARE(names.size(), written);
        // Stopped before the first row (the key numbering could not be read),
        // or each row is there or reported.
        if (!errors.startsWith(u"select max(keyid)"_s)) {
            for (int i = 1; i <= 40; ++i) {
                const QString name = u"row%1"_s.arg(i);
                QVERIFY2(names.contains(name) || errors.contains(u"'"_s + name + u"'"_s),
                         qPrintable(name + u" lost: "_s + errors));
            }
        } else {
            QCOMPARE(written, 0);
        }
        // The numbers go on after the customers already there.
        QCOMPARE(Column(s.db, u"select count(*) from CustomerData where KeyId < 5 and "
                              "CustomerName like 'row%'"_s),
                 u"0"_s);
        QCOMPARE(s.Check(), u"ok"_s);
        QCOMPARE(importer.Import(path, u"CustomerData"_s, columns), 40);
    });
}

// The delete and move commands of the lists: one transaction over the
// selected rows, a savepoint per row. A customer goes with all its related
// rows or stays with all of them; a moved customer has the new class and
// path, or the old ones.
void tst_Faults::listDeleteAndMove() {
    QFETCH(Fault, fault);
    const QList<int> rows = {3, 2, 1, 0};
    OverPoints(u"列表删除 (list delete, cascade)"_s, fault, [&](int failAt) {
        Database s(u"sqlite"_s);
        QVERIFY(s.Open());
        for (int i = 0; i < 4; ++i)
            s.prompt.QueueAnswer(Prompt::Answer::Yes);
        auto run = [&] {
            return SelectedRows::RunRows(s.db, s.prompt, rows, [&](int row, QString& error) {
                return CustomerStatements::DeleteWithRelatedRows(s.db, row + 1, error);
            });
        };
        {
            Armed armed(fault, failAt);
            run();
        }
        const QStringList states = CustomerStates(s.db);
        for (const QString& state : states)
            QVERIFY2(state == u"1111"_s || state == u"0000"_s, qPrintable(states.join(u' ')));
        QCOMPARE(s.prompt.Messages().isEmpty(), !states.contains(u"1111"_s));
        QCOMPARE(s.Check(), u"ok"_s);
        s.prompt.Reset();
        QCOMPARE(run().failed, 0);
        QCOMPARE(CustomerStates(s.db), QStringList(4, u"0000"_s));
    });
    OverPoints(u"列表移动 (list move)"_s, fault, [&](int failAt) {
        Database s(u"sqlite"_s);
        QVERIFY(s.Open());
        for (int i = 0; i < 4; ++i)
            s.prompt.QueueAnswer(Prompt::Answer::Yes);
        auto run = [&] {
            return SelectedRows::RunRows(s.db, s.prompt, rows, [&](int row, QString& error) {
                if (s.db.Execute(CustomerStatements::MoveStatement(3, u"/C/"_s, row + 1)) == 1)
                    return true;
                error = s.db.GetLastError();
                return false;
            });
        };
        {
            Armed armed(fault, failAt);
            run();
        }
        const QStringList filed =
            Column(s.db, u"select CustomerClass || ClassPath from CustomerData order by KeyId"_s)
                .split(u';');
        const QStringList before = {u"1/A/"_s, u"2/A/B/"_s, u"2/A/B/"_s, u"1/A/"_s};
        for (int i = 0; i < 4; ++i)
            QVERIFY2(filed[i] == before[i] || filed[i] == u"3/C/"_s, qPrintable(filed.join(u' ')));
        QCOMPARE(s.prompt.Messages().isEmpty(), filed == QStringList(4, u"3/C/"_s));
        QCOMPARE(s.Check(), u"ok"_s);
        QCOMPARE(run().failed, 0);
    });
}

// A class rename rewrites the paths of the class, its subclasses and their
// customers all together, or leaves them all and restores the caption.
void tst_Faults::classRename() {
    QFETCH(Fault, fault);
    const QString paths = u"select ClassPath from CustomerClass where KeyId < 3 union all "
                          "select ClassPath || KeyId from CustomerData order by 1"_s;
    OverPoints(u"分类改名 (class rename)"_s, fault, [&](int failAt) {
        Database s(u"sqlite"_s);
        QVERIFY(s.Open());
        ClassTreeCtrl tree(s.db, s.prompt);
        tree.SetTable(u"CustomerClass"_s, u"客户分类"_s);
        QVERIFY(tree.Load());
        ClassMaintenance classes(tree, s.db, s.prompt,
                                 {u"CustomerData"_s, u"CustomerClass"_s, u"ClassPath"_s, QString()},
                                 nullptr);
        const QString old = Column(s.db, paths);
        bool renamed = false;
        {
            Armed armed(fault, failAt);
            renamed = classes.Rename(tree.FindNode(1), u"X"_s);
        }
        const QString now = Column(s.db, paths);
        if (renamed) {
            QCOMPARE(now, u"/X/;/X/1;/X/4;/X/B/;/X/B/2;/X/B/3"_s);
        } else {
            QCOMPARE(now, old);
            QCOMPARE(tree.FindNode(1)->text(0), u"A"_s);
            QCOMPARE(s.prompt.Messages().size(), 1);
        }
        QCOMPARE(s.Check(), u"ok"_s);
        QVERIFY(classes.Rename(tree.FindNode(1), u"Y"_s));
    });
}

// A user-defined column's new type: SQLite has no ALTER COLUMN, so the table is
// rebuilt. The table keeps its old column and values, or has the new ones;
// either way every row, the indexes and the triggers are there.
void tst_Faults::columnTypeChange() {
    QFETCH(Fault, fault);
    const QString shape = u"select type || name from sqlite_master where tbl_name = 'OrderData' "
                          "order by name"_s;
    const QString values = u"select typeof(d1) || d1 from OrderData order by KeyId"_s;
    OverPoints(u"自定义字段类型 (user column type change)"_s, fault, [&](int failAt) {
        Database s(u"sqlite"_s);
        QVERIFY(s.Open());
        QVERIFY(s.db.Execute(u"alter table OrderData add d1 VARCHAR(100)"_s));
        QVERIFY(s.db.Execute(u"update OrderData set d1 = KeyId || '.6'"_s));
        const QString tables = Column(s.db, shape);
        const QString old = Column(s.db, values);
        int changed = 0;
        {
            Armed armed(fault, failAt);
            changed = s.db.Execute(u"alter table OrderData alter column d1 Integer"_s);
        }
        QCOMPARE(Column(s.db, shape), tables);
        QCOMPARE(Column(s.db, values), changed ? u"integer2;integer3;integer4;integer5"_s : old);
        QCOMPARE(s.Check(), u"ok"_s);
        QCOMPARE(s.db.Execute(u"alter table OrderData alter column d1 Double"_s), 1);
    });
}

// A backup is a whole copy of the database or no file at all, the database
// itself untouched, and the user is told which.
void tst_Faults::backup() {
    QFETCH(Fault, fault);
    OverPoints(u"备份 (backup)"_s, fault, [&](int failAt) {
        Database s(u"sqlite"_s);
        QVERIFY(s.Open());
        DatabaseBackup backup(s.prompt, s.db);
        const QString target = QFileInfo(s.file.FilePath()).absolutePath() + u"/copy.bak"_s;
        s.prompt.QueueFileName(target);
        bool done = false;
        {
            Armed armed(fault, failAt);
            done = backup.Backup(u"admin"_s);
        }
        const QString states = CustomerStates(s.db).join(u' ');
        QCOMPARE(s.prompt.Messages(), QStringList(done ? u"备份成功\r\n"_s + target
                                                       : u"备份失败,目标文件可能已经存在!"_s));
        QCOMPARE(states, u"1111 1111 1111 1111"_s);
        QCOMPARE(s.Check(), u"ok"_s);
        if (done) {
            DbConnection copy;
            QCOMPARE(copy.Open(u"Provider=SQLite;Data Source="_s + target), 1);
            QCOMPARE(CustomerStates(copy).join(u' '), states);
            QCOMPARE(Column(copy, u"pragma integrity_check"_s), u"ok"_s);
        } else {
            QVERIFY(!QFile::exists(target));
        }
        QFile::remove(target);
        s.prompt.QueueFileName(target);
        QVERIFY(backup.Backup(u"admin"_s));
    });
}

// A restore leaves the old database or the whole backup in place, never a
// mixture, reports which, and leaves the connection working.
void tst_Faults::restore() {
    QFETCH(Fault, fault);
    OverPoints(u"恢复 (restore)"_s, fault, [&](int failAt) {
        Database s(u"sqlite"_s);
        QVERIFY(s.Open());
        DatabaseBackup backup(s.prompt, s.db);
        // Megabytes of data make the copy several writes.
        QVERIFY(s.db.Execute(u"create table Filler (Data BLOB)"_s));
        QVERIFY(s.db.Execute(u"insert into Filler values (zeroblob(2500000))"_s));
        const QString saved = QFileInfo(s.file.FilePath()).absolutePath() + u"/saved.bak"_s;
        s.prompt.QueueFileName(saved);
        QVERIFY(backup.Backup(u"admin"_s));
        QVERIFY(s.db.Execute(u"delete from CustomerData where KeyId > 2"_s));
        const QString keys = u"select KeyId from CustomerData order by KeyId"_s;
        const QString before = Column(s.db, keys);
        s.prompt.Reset();
        s.prompt.QueueFileName(saved);
        bool done = false;
        {
            Armed armed(fault, failAt);
            done = backup.Restore(u"admin"_s);
        }
        const QString now = s.Check(keys);
        QVERIFY2(now == before || now == u"1;2;3;4"_s, qPrintable(now));
        QCOMPARE(s.prompt.Messages().size(), 1);
        if (done)
            QCOMPARE(now, u"1;2;3;4"_s);
        QVERIFY(!QFile::exists(s.file.FilePath() + u".restore"_s));
        QCOMPARE(s.Check(), u"ok"_s);
        s.prompt.QueueFileName(saved);
        QVERIFY(backup.Restore(u"admin"_s));
        QCOMPARE(Column(s.db, keys), u"1;2;3;4"_s);
    });
}

// A settings file is the old one or the new one, never a piece of either,
// and no temporary file stays behind.
void tst_Faults::settingsSave() {
    QFETCH(Fault, fault);
    OverPoints(u"设置保存 (settings save)"_s, fault, [&](int failAt) {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"torvel.ini"_s);
        IniFile settings;
        settings.SetString(u"Login"_s, u"User"_s, u"admin"_s);
        QVERIFY(settings.Save(path));
        const QByteArray old = settings.ToBytes();
        for (int i = 0; i < 2000; ++i)
            settings.SetString(u"Grid"_s, u"Width%1"_s.arg(i), u"列宽 %1"_s.arg(i));
        bool saved = false;
        {
            Armed armed(fault, failAt);
            saved = settings.Save(path);
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), saved ? settings.ToBytes() : old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"torvel.ini"_s});
        QVERIFY(settings.Save(path));
    });
}

// An older database is upgraded step by step, each step whole or not at all;
// the customers are untouched, and a second try after the fault finishes it.
void tst_Faults::schemaUpgrade() {
    QFETCH(Fault, fault);
    const QString made =
        u"select count(*) from sqlite_master "
        "where name in ('SchemaVersion', 'CustomerData_ClassSource', 'WageData', 'SmsTask', "
        "'MailRecv')"_s;
    OverPoints(u"数据库升级 (schema upgrade)"_s, fault, [&](int failAt) {
        Database s(u"sqlite"_s);
        QVERIFY(s.Open());
        QVERIFY2(MakeVersionOneDatabase(s.db), qPrintable(s.db.GetLastError()));
        SchemaUpgrade upgrade(s.db);
        bool done = false;
        {
            Armed armed(fault, failAt);
            done = upgrade.Run();
        }
        // Each step is whole or absent: a failed commit may still have
        // reached the file, and then the version says so too. A fault in
        // the second step leaves the first one made.
        const QString state = Column(s.db, made);
        const int version = state == u"5"_s   ? 5
                            : state == u"4"_s ? 4
                            : state == u"3"_s ? 3
                            : state == u"2"_s ? 2
                            : state == u"0"_s ? 1
                                              : -1;
        QVERIFY2(version > 0 && (!done || version == 5), qPrintable(state));
        QCOMPARE(upgrade.StoredVersion(), version);
        QCOMPARE(CustomerStates(s.db).join(u' '), u"1111 1111 1111 1111"_s);
        QCOMPARE(s.Check(), u"ok"_s);
        QVERIFY2(upgrade.Run(), qPrintable(upgrade.GetLastError()));
        QCOMPARE(upgrade.StoredVersion(), SchemaUpgrade::CurrentVersion());
    });
}

// A migration that fails leaves no database and no partial file behind,
// only the old file; one that succeeds leaves a whole database.
void tst_Faults::migration() {
    QFETCH(Fault, fault);
    const QString source =
        qEnvironmentVariable("TORVEL_SOURCE_DIR") + u"/tests/data/torvel-sample.mdb"_s;
    OverPoints(u"迁移 (Access migration)"_s, fault, [&](int failAt) {
        QTemporaryDir dir;
        const QString target = dir.filePath(u"torvel.db"_s);
        AccessMigration migration;
        bool done = false;
        {
            Armed armed(fault, failAt);
            done = migration.Run(source, target);
        }
        const QStringList left = QDir(dir.path()).entryList(QDir::Files);
        if (!done) {
            QVERIFY2(left.isEmpty(), qPrintable(left.join(u' ')));
            QVERIFY(!migration.GetLastError().isEmpty());
            QVERIFY2(AccessMigration().Run(source, target), qPrintable(migration.GetLastError()));
        }
        DbConnection db;
        QCOMPARE(db.Open(u"Provider=SQLite;Data Source="_s + target), 1);
        QCOMPARE(Column(db, u"pragma integrity_check"_s), u"ok"_s);
        QCOMPARE(Column(db, u"select count(*) from OrderData"_s), u"200"_s);
    });
}

void tst_Faults::postgresSessionKilled_data() {
    QTest::addColumn<QString>("path");
    for (const char* path : {"page load", "import batch", "cascade delete", "class rename"})
        QTest::newRow(path) << QString::fromLatin1(path);
}

// The server ends the session half-way: the action's transaction is gone as
// a whole, the user sees the failure, and a new session finds the data as
// before (or, for an import, every row counted and no other).
void tst_Faults::postgresSessionKilled() {
    QFETCH(QString, path);
    TORVEL_ENGINE_DATABASE(pg, u"postgresql"_s, true);
    QVERIFY2(pg.RunScript(kCustomers), qPrintable(pg.Why()));
    DbConnection db;
    QCOMPARE(db.Open(pg.ConnectionString()), 1);
    ScriptedPrompt prompt;
    const QString pid = Column(db, u"select pg_backend_pid()"_s);
    DbConnection killer;
    QCOMPARE(killer.Open(pg.ConnectionString()), 1);
    auto kill = [&] { return killer.Execute(u"select pg_terminate_backend(%1)"_s.arg(pid)) == 1; };
    // The session ends itself when the statement touches the table.
    auto killOn = [&](const QString& event, const QString& table) {
        return killer.Execute(u"create or replace function torvel_kill() returns trigger "
                              "language plpgsql as 'begin perform pg_terminate_backend("
                              "pg_backend_pid()); return null; end'"_s) == 1 &&
               killer.Execute(u"create trigger torvel_kill before %1 on %2 for each row "
                              "execute function torvel_kill()"_s.arg(event, table)) == 1;
    };
    const QString states = u"1111 1111 1111 1111"_s;

    if (path == u"page load"_s) {
        QVERIFY(kill());
        DbRecordset page(db);
        QCOMPARE(page.Open(u"select * from CustomerData order by KeyId"_s), 0);
        QVERIFY(!page.GetLastError().isEmpty());
    } else if (path == u"import batch"_s) {
        QTemporaryDir dir;
        QByteArray csv = "Name\r\n";
        for (int i = 1; i <= 30; ++i)
            csv += "row" + QByteArray::number(i) + "\r\n";
        TableImporter importer;
        importer.SetConnection(&db);
        importer.SetBatchRows(8);
        int records = 0;
        importer.SetProgress([&](qint64, qint64) { return ++records != 12 || kill(); });
        const int written = importer.Import(WriteFile(dir.filePath(u"in.csv"_s), csv),
                                            u"CustomerData"_s, {u"CustomerName"_s, u"#"_s});
        QCOMPARE(written, 8);
        QVERIFY(importer.GetErrorText().contains(u"'row30'"_s));
        QCOMPARE(Column(killer, u"select count(*) from CustomerData where CustomerName like "
                                "'row%'"_s),
                 u"8"_s);
    } else if (path == u"cascade delete"_s) {
        QVERIFY(killOn(u"delete"_s, u"OrderData"_s));
        for (int i = 0; i < 4; ++i)
            prompt.QueueAnswer(Prompt::Answer::Yes);
        SelectedRows::RunRows(db, prompt, {1, 0}, [&](int row, QString& error) {
            return CustomerStatements::DeleteWithRelatedRows(db, row + 1, error);
        });
        QVERIFY(!prompt.Messages().isEmpty());
        QCOMPARE(CustomerStates(killer).join(u' '), states);
    } else {
        QVERIFY(killOn(u"update"_s, u"CustomerData"_s));
        ClassTreeCtrl tree(db, prompt);
        tree.SetTable(u"CustomerClass"_s, u"客户分类"_s);
        QVERIFY(tree.Load());
        ClassMaintenance classes(tree, db, prompt,
                                 {u"CustomerData"_s, u"CustomerClass"_s, u"ClassPath"_s, QString()},
                                 nullptr);
        QVERIFY(!classes.Rename(tree.FindNode(1), u"X"_s));
        QCOMPARE(prompt.Messages().size(), 1);
        QCOMPARE(tree.FindNode(1)->text(0), u"A"_s);
        QCOMPARE(Column(killer, u"select ClassPath from CustomerClass order by KeyId"_s),
                 u"/A;/A/B;/C"_s);
    }
    // The program goes on: a new session works with the data.
    killer.Execute(u"drop trigger if exists torvel_kill on OrderData"_s);
    killer.Execute(u"drop trigger if exists torvel_kill on CustomerData"_s);
    QCOMPARE(db.Open(pg.ConnectionString()), 1);
    QCOMPARE(db.Execute(u"update CustomerData set Phone='1' where KeyId=1"_s), 1);
    tried.append({u"PostgreSQL: %1"_s.arg(path), u"pg_terminate_backend"_s, 1, 1});
}

// The server itself goes down (immediate shutdown) during an import: the
// rows counted are the rows there once it is back, the others are reported.
// Only in the full run: it makes and starts a server of its own, on a port of
// its own, never the shared one.
void tst_Faults::postgresServerStopped() {
    if (!FullRun())
        QSKIP("only with TORVEL_FAULTS_FULL=1 (starts a PostgreSQL server of its own)");
    QTemporaryDir dir;
    // As root the script runs the server as "postgres", which must reach the folder.
    QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | QFile::ExeOther);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"TORVEL_PG_PORT"_s, u"54391"_s);
    env.insert(u"TORVEL_PG_DIR"_s, dir.filePath(u"pg"_s));
    auto server = [&](const QString& command) {
        QProcess script;
        script.setProcessEnvironment(env);
        script.start(
            u"bash"_s,
            {qEnvironmentVariable("TORVEL_SOURCE_DIR") + u"/scripts/pg-test-server.sh"_s, command});
        script.waitForFinished(180000);
        const QString out = QString::fromUtf8(script.readAllStandardOutput());
        return script.exitCode() == 0 ? out.section(u'\'', 1, 1) : QString();
    };
    const QString shared = qEnvironmentVariable("TORVEL_TEST_PG");
    const QString own = server(u"start"_s);
    const auto stop = qScopeGuard([&] {
        qputenv("TORVEL_TEST_PG", shared.toUtf8());
        server(u"stop"_s);
    });
    QVERIFY(!own.isEmpty());
    qputenv("TORVEL_TEST_PG", own.toUtf8());
    {
        TestDatabase pg(u"postgresql"_s);
        QVERIFY2(pg.Create(), qPrintable(pg.Why()));
        DbConnection db;
        QCOMPARE(db.Open(pg.ConnectionString()), 1);
        QTemporaryDir files;
        QByteArray csv = "Name\r\n";
        for (int i = 1; i <= 30; ++i)
            csv += "row" + QByteArray::number(i) + "\r\n";
        TableImporter importer;
        importer.SetConnection(&db);
        importer.SetBatchRows(8);
        int records = 0;
        importer.SetProgress([&](qint64, qint64) {
            if (++records == 12) {
                QFile pid(dir.filePath(u"pg/data/postmaster.pid"_s));
                if (pid.open(QIODevice::ReadOnly))
                    ::kill(pid.readLine().trimmed().toInt(), SIGQUIT);
                QTest::qWait(2000);
            }
            return true;
        });
        QCOMPARE(importer.Import(WriteFile(files.filePath(u"in.csv"_s), csv), u"CustomerData"_s,
                                 {u"CustomerName"_s, u"#"_s}),
                 8);
        QVERIFY(importer.GetErrorText().contains(u"'row30'"_s));
        QCOMPARE(server(u"start"_s), own);
        QCOMPARE(db.Open(pg.ConnectionString()), 1);
        QCOMPARE(Column(db, u"select count(*) from CustomerData where CustomerName like 'row%'"_s),
                 u"8"_s);
    }
    tried.append({u"PostgreSQL: import batch"_s, u"server stopped"_s, 1, 1});
}

// A child process imports, deletes and saves settings until it is killed
// (SIGKILL) at a random moment; after each kill the database is whole, every
// batch it reported is there, no batch is half there, a customer and its
// contact went together, and the settings file is the last saved or the one
// being saved.
void tst_Faults::killedAtRandomMoments() {
    TORVEL_ENGINE_DATABASE(file, u"sqlite"_s, true);
    const QString folder = QFileInfo(file.FilePath()).absolutePath();
    DbConnection db;
    QRandomGenerator random(20261206);
    const int kills = FullRun() ? 25 : 4;
    int lastIni = 0;
    for (int run = 1; run <= kills; ++run) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"TORVEL_FAULTS_CHILD"_s, folder);
        env.insert(u"TORVEL_FAULTS_CHILD_FROM"_s, QString::number(run * 1000));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForStarted());
        QTest::qWait(int(random.bounded(150, 900)));
        QCOMPARE(child.state(), QProcess::Running); // never stopped on its own
        child.kill();
        QVERIFY(child.waitForFinished());
        const QStringList said = QString::fromUtf8(child.readAllStandardOutput()).split(u'\n');

        QCOMPARE(db.Open(file.ConnectionString()), 1);
        QCOMPARE(Column(db, u"pragma integrity_check"_s), u"ok"_s);
        for (int tag = run * 1000; tag < run * 1000 + 1000; ++tag) {
            const QString count =
                Column(db, u"select count(*) from CustomerData where Contact='%1'"_s.arg(tag));
            if (said.contains(u"deleted %1"_s.arg(tag)))
                QCOMPARE(count, u"0"_s);
            else if (said.contains(u"deleting %1"_s.arg(tag)))
                continue; // customer by customer: checked with the contacts below
            else if (said.contains(u"import %1"_s.arg(tag)))
                QCOMPARE(count, QString::number(kChildRows));
            else
                QVERIFY2(count == u"0"_s || count == QString::number(kChildRows),
                         qPrintable(count));
            if (count == u"0"_s && !said.contains(u"import %1"_s.arg(tag)))
                break;
        }
        // Every contact has its customer, every reported customer its contact.
        QCOMPARE(Column(db, u"select count(*) from ContactData where CustomerId not in "
                            "(select KeyId from CustomerData)"_s),
                 u"0"_s);
        for (const QString& line : said) {
            if (line.startsWith(u"contacts "_s))
                QCOMPARE(Column(db, u"select count(*) from CustomerData where Contact='%1' and "
                                    "KeyId not in (select CustomerId from ContactData)"_s.arg(
                                        line.mid(9))),
                         u"0"_s);
            if (line.startsWith(u"ini "_s))
                lastIni = line.mid(4).toInt();
        }
        db.Close();
        IniFile settings;
        QVERIFY(settings.Load(folder + u"/torvel.ini"_s) || lastIni == 0);
        const int version = settings.GetInt(u"Faults"_s, u"Version"_s);
        QVERIFY2(version == lastIni || version == lastIni + 1 || version == run * 1000,
                 qPrintable(u"%1 after %2"_s.arg(version).arg(lastIni)));
        QCOMPARE(settings.GetString(u"Padding"_s, u"Line199"_s),
                 version ? u"第%1行"_s.arg(version) : QString());
    }
    tried.append({u"SIGKILL: import, cascade delete, settings save"_s, u"kill -9"_s, kills, kills});
}

// The table of docs/reliability.md.
void tst_Faults::cleanupTestCase() {
    QString table = u"| Path | Fault | Points tried | Points in all | Outcome |\n"
                    "|---|---|---|---|---|\n"_s;
    for (const Tried& t : std::as_const(tried))
        table += u"| %1 | %2 | %3 | %4 | %5 |\n"_s.arg(t.path, t.fault)
                     .arg(t.points)
                     .arg(t.total)
                     .arg(t.total ? u"nothing lost"_s : u"the path does no such operation"_s);
    qInfo().noquote() << table;
    const QString out = qEnvironmentVariable("TORVEL_FAULTS_TABLE");
    if (!out.isEmpty())
        WriteFile(out, table.toUtf8());
}

int main(int argc, char** argv) {
    const QString childFolder = qEnvironmentVariable("TORVEL_FAULTS_CHILD");
    if (!childFolder.isEmpty()) {
        QCoreApplication app(argc, argv);
        return RunCrashChild(childFolder, qEnvironmentVariableIntValue("TORVEL_FAULTS_CHILD_FROM"));
    }
    QApplication app(argc, argv);
    tst_Faults test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_faults.moc"
