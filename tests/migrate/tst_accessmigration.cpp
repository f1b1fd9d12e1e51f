#include "TestDatabases.h"

#include "db/DbConnection.h"
#include "migrate/AccessFile.h"
#include "migrate/AccessMigration.h"

#include <QCryptographicHash>
#include <QDir>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

#include <map>

using namespace Qt::StringLiterals;

namespace {

QString SamplePath() {
    return qEnvironmentVariable("TORVEL_SOURCE_DIR") + u"/tests/data/torvel-sample.mdb"_s;
}

QByteArray Digest(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly)
               ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
               : QByteArray();
}

// A copy of the sample with its bytes changed or cut, for the bad inputs.
QString Damaged(const QTemporaryDir& dir, const QString& name,
                const std::function<void(QByteArray&)>& change) {
    QFile in(SamplePath());
    in.open(QIODevice::ReadOnly);
    QByteArray bytes = in.readAll();
    change(bytes);
    QFile out(dir.filePath(name));
    out.open(QIODevice::WriteOnly);
    out.write(bytes);
    return out.fileName();
}

// The files of a folder, to show that a failure left nothing behind.
QStringList FilesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class TestAccessMigration : public QObject {
    Q_OBJECT

private slots:
    void sampleArrivesValueForValue_data() { TestDatabase::AddEngineRows(); }
    // Every value of every table as libmdb reads it from the old file, the
    // user-added columns with their types, the counters, orphans and totals.
    void sampleArrivesValueForValue() {
        QFETCH(QString, engine);
        TORVEL_ENGINE_DATABASE(target, engine, false);
        QTemporaryDir dir;
        const QByteArray before = Digest(SamplePath());
        const QString file = dir.filePath(u"torvel.db"_s);
        AccessMigration migration;
        QVERIFY2(
            migration.Run(SamplePath(), target.IsPostgres() ? target.ConnectionString() : file),
            qPrintable(migration.GetLastError()));
        QCOMPARE(Digest(SamplePath()), before);
        if (!target.IsPostgres())
            QCOMPARE(FilesIn(dir.path()), QStringList{u"torvel.db"_s});

        DbConnection db;
        QCOMPARE(db.Open(target.IsPostgres() ? target.ConnectionString()
                                             : u"Provider=SQLite;Data Source="_s + file),
                 1);
        AccessFile old;
        QVERIFY(old.Open(SamplePath()));
        QCOMPARE(old.Tables().size(), size_t(13));
        int texts = 0;
        for (const AccessFile::Table& table : old.Tables()) {
            // The target's rows by key, each column by name.
            QSqlQuery query(db.Database());
            QVERIFY2(query.exec(u"select * from %1"_s.arg(table.name)), qPrintable(table.name));
            std::map<qint64, QSqlRecord> rows;
            while (query.next())
                rows[query.value(u"KeyId"_s).toLongLong()] = query.record();
            QCOMPARE(qint64(rows.size()), table.rowCount);
            const MigrationReport::Table* entry = migration.Report().Find(table.name);
            QVERIFY(entry);
            QCOMPARE(entry->read, table.rowCount);
            QCOMPARE(entry->written, table.rowCount);

            const bool read = old.ReadTable(table, [&](const std::vector<AccessFile::Cell>& row) {
                const QSqlRecord& stored = rows[row[0].integer];
                for (size_t c = 0; c < row.size(); ++c) {
                    const AccessFile::Column& column = table.columns[c];
                    const QVariant value = stored.value(column.name);
                    const QString where = table.name + u'.' + column.name + u" key "_s +
                                          QString::number(row[0].integer);
                    if (column.kind == AccessFile::Kind::Text) {
                        ++texts;
                        if (value.isNull() ||
                            value.toString() != QString::fromUtf8(row[c].text, row[c].textBytes))
                            qWarning("%s differs: '%s'", qPrintable(where),
                                     qPrintable(value.toString()));
                        else
                            continue;
                        return false;
                    }
                    const bool same = row[c].isNull ? value.isNull()
                                      : column.kind == AccessFile::Kind::Integer
                                          ? value.toLongLong() == row[c].integer
                                          : value.toDouble() == row[c].number;
                    if (!same) {
                        qWarning("%s differs: %s", qPrintable(where), qPrintable(value.toString()));
                        return false;
                    }
                }
                return true;
            });
            QVERIFY2(read, qPrintable(table.name + old.GetLastError()));
        }
        QVERIFY(texts > 3000);

        // The awkward values, named once more to show what was compared.
        QSqlQuery check(db.Database());
        QVERIFY(check.exec(u"select Comment from CustomerData where length(Comment) > 5000"_s));
        QVERIFY(check.next());
        QVERIFY(check.value(0).toString().contains(u"\r\n"_s));
        QVERIFY(check.exec(u"select FDTotal from OrderData where Price = 0.1 and Quantity = 3"_s));
        QVERIFY(check.next());
        QCOMPARE(check.value(0).toDouble(), 0.1 * 3); // 0.30000000000000004
        QVERIFY(check.exec(u"select UserPass from UserData where UserName = '郑经理'"_s));
        QVERIFY(check.next());
        QCOMPARE(check.value(0).toString(), u"zheng'08"_s);
        QVERIFY(check.exec(u"select count(*) from CustomerData where CustomerName = ''"_s));
        QVERIFY(check.next());

        // A customer's total is the sum of its orders (the old file had none).
        QVERIFY(check.exec(u"select c.FDTotal, (select sum(FDTotal) from OrderData o where "
                           "o.CustomerId = c.KeyId) from CustomerData c where c.KeyId = 36"_s));
        QVERIFY(check.next());
        QCOMPARE(check.value(0).toDouble(), check.value(1).toDouble());
        QVERIFY(check.value(0).toDouble() != 0);

        // The next database-assigned keys follow the largest ones.
        QCOMPARE(db.Execute(u"insert into OrderData (CustomerId) values (1)"_s), 1);
        QCOMPARE(db.Execute(u"insert into ContactData (CustomerId) values (1)"_s), 1);
        QCOMPARE(db.GetMaxId(u"OrderData"_s), 202);
        QCOMPARE(db.GetMaxId(u"ContactData"_s), 52);
        // The user-added columns take values of their own type.
        QCOMPARE(db.Execute(u"update OrderData set d2 = d2 + 1, d1 = 'x' where KeyId = 202"_s), 1);

        const MigrationReport& report = migration.Report();
        QCOMPARE(report.Find(u"CustomerData"_s)->addedColumns, QStringList{u"行业"_s});
        QCOMPARE(report.Find(u"OrderData"_s)->addedColumns, (QStringList{u"d1"_s, u"d2"_s}));
        QCOMPARE(report.Find(u"OrderData"_s)->orphans, 1);
        QCOMPARE(report.Find(u"ContactData"_s)->orphans, 1);
        QCOMPARE(report.Orphans(), 2);
        QCOMPARE(report.describedColumns, (QStringList{u"OrderData.d1"_s, u"OrderData.d2"_s}));
        QVERIFY(
            report.Text().contains(u"OrderData: 读出 200 行, 写入 200 行; 用户添加的列: d1, d2; "
                                   "其中 1 行所属的客户已不存在 (保留)\r\n"_s));

        // A second migration into the same target is refused, the data kept.
        AccessMigration again;
        QVERIFY(!again.Run(SamplePath(), target.IsPostgres() ? target.ConnectionString() : file));
        QCOMPARE(again.GetLastError(),
                 target.IsPostgres()
                     ? u"目标数据库中已经有本系统的数据表。为了不覆盖其中的数据，迁移没有进行；"
                       "请指定一个新的数据库或模式 (Schema)。"_s
                     : u"文件 '%1' 已经存在。为了不覆盖其中的数据，迁移没有进行；请指定一个新的"
                       "文件名。"_s.arg(QDir::toNativeSeparators(file)));
        QCOMPARE(db.GetMaxId(u"OrderData"_s), 202);
    }

    // Files that are no Jet 4 database, or cut short, get a clear answer and
    // leave no target behind; so do a folder that cannot be written and a stop.
    void badInputsCreateNothing() {
        QTemporaryDir dir;
        const QString out = dir.filePath(u"new.db"_s);
        const auto fails = [&](const QString& source, const QString& target) {
            AccessMigration migration;
            const bool ok = migration.Run(source, target);
            return ok ? QString() : migration.GetLastError();
        };
        const auto native = [](const QString& path) { return QDir::toNativeSeparators(path); };

        const QString text =
            Damaged(dir, u"text.mdb"_s, [](QByteArray& b) { b = "KeyId,Name\r\n1,x\r\n"; });
        QCOMPARE(fails(text, out),
                 u"文件 '%1' 不是 Access 数据库 (.mdb) 文件。"_s.arg(native(text)));
        const QString jet3 = Damaged(dir, u"old97.mdb"_s, [](QByteArray& b) { b[0x14] = 0; });
        QCOMPARE(fails(jet3, out),
                 u"'%1' 是 Access 97 (Jet 3) 格式的数据库，不能直接迁移。请先在 Access 2000 或更高"
                 "版本中把它转换为 Access 2000-2003 格式 (.mdb)，再进行迁移。"_s.arg(native(jet3)));
        const QString ace = Damaged(dir, u"new.accdb"_s, [](QByteArray& b) { b[0x14] = 2; });
        QVERIFY(fails(ace, out).startsWith(
            u"'%1' 是 Access 2007 或更高版本的数据库 (.accdb)"_s.arg(native(ace))));
        const QString cut = Damaged(dir, u"cut.mdb"_s, [](QByteArray& b) { b.chop(1000); });
        QCOMPARE(fails(cut, out),
                 u"文件 '%1' 不完整 (长度不是整页)，可能在复制时被截断。"_s.arg(native(cut)));
        // Cut at a page boundary: found when a table gives fewer rows than it holds.
        const QString pages =
            Damaged(dir, u"pages.mdb"_s, [](QByteArray& b) { b.truncate(b.size() - 40 * 4096); });
        QVERIFY2(fails(pages, out).startsWith(u"文件 '%1' 已损坏或不完整"_s.arg(native(pages))),
                 qPrintable(fails(pages, out)));
        QCOMPARE(fails(dir.filePath(u"none.mdb"_s), out),
                 u"文件 '%1' 不存在。"_s.arg(native(dir.filePath(u"none.mdb"_s))));

        // A "folder" that is a file cannot take a new file, even for root.
        const QString blocked = text + u"/new.db"_s;
        QVERIFY(fails(SamplePath(), blocked)
                    .startsWith(u"无法在文件夹 '%1' 中建立新的数据库文件: "_s.arg(native(text))));

        AccessMigration stopped;
        int calls = 0;
        stopped.SetProgress([&](const QString&, qint64, qint64) { return ++calls < 5; });
        QVERIFY(!stopped.Run(SamplePath(), out));
        QVERIFY(stopped.WasStopped());
        QCOMPARE(stopped.GetLastError(), u"迁移已停止。"_s);

        QCOMPARE(FilesIn(dir.path()), (QStringList{u"cut.mdb"_s, u"new.accdb"_s, u"old97.mdb"_s,
                                                   u"pages.mdb"_s, u"text.mdb"_s}));
    }

    // A failure on the way leaves a PostgreSQL database as it was: the
    // tables made before it go with the transaction.
    void postgresFailureLeavesNothing() {
        TORVEL_ENGINE_DATABASE(target, u"postgresql"_s, false);
        DbConnection db;
        QCOMPARE(db.Open(target.ConnectionString()), 1);
        // Made by someone else: the migration's own PayMode cannot be created.
        QCOMPARE(db.Execute(u"create table PayMode (KeyId integer, Name integer)"_s), 1);
        AccessMigration migration;
        QVERIFY(!migration.Run(SamplePath(), target.ConnectionString()));
        QVERIFY2(migration.GetLastError().startsWith(u"无法建立本系统的数据表: "_s),
                 qPrintable(migration.GetLastError()));
        QSqlQuery query(db.Database());
        QVERIFY(query.exec(u"select count(*) from information_schema.tables where table_schema = "
                           "current_schema()"_s));
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toInt(), 1); // PayMode alone
    }
};

QTEST_GUILESS_MAIN(TestAccessMigration)
#include "tst_accessmigration.moc"
