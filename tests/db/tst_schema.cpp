#include "OldSchema.h"
#include "TestDatabases.h"

#include "db/AdoType.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/DbTransaction.h"
#include "db/SchemaUpgrade.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Every table with every column the program reads or writes.
const struct {
    const char* table;
    const char* columns;
    bool databaseKeys;
    // A text column that must be unique: rows added for the test differ in it.
    const char* uniqueText = nullptr;
} kTables[] = {
    {"CustomerData",
     "KeyId,CustomerName,Contact,Handler,Phone,Mobile,Fax,Email,Address,ZIPCode,Province,City,"
     "Homepage,FDSource,FDLevel,Comment,IsReseller,IsProvider,Category,CustomerClass,ClassPath,"
     "RegTime,LastTime,FDTotal",
     false},
    {"CustomerClass", "KeyId,ParentId,Name,ClassPath", false},
    {"StockClass", "KeyId,ParentId,Name,ClassPath", false},
    {"ContactData",
     "KeyId,CustomerId,CustomerName,Name,Mobile,Phone,Email,ICQ,NetCodeClass,NetCode", true},
    {"OrderData",
     "KeyId,CustomerId,CustomerName,ProductName,SerialCode,Handler,Price,Quantity,Carriage,FDTotal,"
     "Bank,FDTime,Comment,FDId",
     true},
    {"PurchaseData",
     "KeyId,CustomerId,CustomerName,StockName,SerialCode,Price,Quantity,Carriage,FDTotal,FDTime,"
     "Comment",
     true},
    {"StockChance", "KeyId,CustomerId,CustomerName,Name,Price,Comment,StockClass,ClassPath", false},
    {"TraceData", "KeyId,CustomerId,CustomerName,Contact,Handler,Title,FDText,FDTime", true},
    {"TrackPlan", "KeyId,CustomerId,CustomerName,Contact,Handler,Title,PlanTime,Comment", true},
    {"UserData",
     "KeyId,UserName,UserPass,Privilege,FullName,Department,Position,Phone,Mobile,Email,QQ,"
     "JoinDate,Remarks,Dimission,DimissionDate",
     true},
    {"ProductData", "KeyId,Name,Code,Size,Unit,Price,Remarks", true},
    {"Appliance", "KeyId,Name,Size,Unit,Stock,MinStock,Remarks", true},
    {"ApplianceMove", "KeyId,ApplianceId,MoveTime,Kind,Quantity,Person,Handler,Remarks", true},
    {"WageData",
     "KeyId,WageMonth,UserName,BasePay,Bonus,Allowance,Deduction,Insurance,Tax,NetPay,Remarks",
     true, "UserName"},
    {"SmsTask",
     "KeyId,Kind,Title,Body,Recipients,SendAt,State,Created,Creator,Total,Sent,Failed,Skipped",
     true},
    {"SmsTaskItem", "KeyId,TaskId,Mobile,Text,CustomerId,Name,State,Reply,SentTime", true,
     "Mobile"},
    {"WorkerTask", "KeyId,Title,Content,Assigner,Assignee,Priority,State,Created,DueDate,Finished",
     true},
    {"WorkerTaskNote", "KeyId,TaskId,Author,Written,Text", true},
    {"WorkLog", "KeyId,Kind,UserName,WorkDate,Title,Content,Written", true},
    {"Advice", "KeyId,Author,Anonymous,Title,Content,Written,Reply,Replier,ReplyTime", true},
    {"Bulletin", "KeyId,Title,Content,Publisher,Published,ValidFrom,ValidTo", true},
    {"BulletinRead", "KeyId,BulletinId,UserName,ReadTime", true, "UserName"},
    {"Holiday",
     "KeyId,UserName,Kind,FromDate,ToDate,Reason,Applied,State,Approver,Answer,AnswerTime", true},
    {"MailTask",
     "KeyId,Title,Subject,Body,Attachments,Recipients,State,Created,Creator,Total,Sent,Failed,"
     "Skipped",
     true},
    {"MailTaskItem", "KeyId,TaskId,Address,Name,CustomerId,Subject,Body,State,Reply,SentTime", true,
     "Address"},
    {"MailRecv",
     "KeyId,Account,ServerKey,Sender,SenderName,Subject,MailDate,Received,FileName,ByteSize,"
     "AttachCount,CustomerId,ContactId,Seen",
     true, "ServerKey"},
    {"PayMode", "KeyId,Name", true},
    {"CustomizeField",
     "KeyId,TableName,FieldName,Caption,DataType,Nullable,DefaultValue,ForeignKey,Description",
     true},
};

// Money and prices are floating, quantities, keys and flags integers.
int ExpectedType(const QString& column) {
    static const QStringList floating = {u"Price"_s,  u"Carriage"_s,  u"FDTotal"_s,   u"BasePay"_s,
                                         u"Bonus"_s,  u"Allowance"_s, u"Deduction"_s, u"Tax"_s,
                                         u"NetPay"_s, u"Insurance"_s};
    static const QStringList integers = {
        u"KeyId"_s,      u"CustomerId"_s, u"ParentId"_s,    u"Quantity"_s, u"FDId"_s,
        u"IsReseller"_s, u"IsProvider"_s, u"DataType"_s,    u"Nullable"_s, u"CustomerClass"_s,
        u"StockClass"_s, u"Dimission"_s,  u"ApplianceId"_s, u"Stock"_s,    u"MinStock"_s,
        u"TaskId"_s,     u"Total"_s,      u"Sent"_s,        u"Failed"_s,   u"Skipped"_s,
        u"Priority"_s,   u"Anonymous"_s,  u"BulletinId"_s,  u"ByteSize"_s, u"AttachCount"_s,
        u"ContactId"_s,  u"Seen"_s};
    if (floating.contains(column))
        return AdoType::Double;
    if (integers.contains(column))
        return AdoType::Integer;
    return AdoType::VarChar;
}

QByteArray Digest(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

// The running order totals of customers 1, 2 and 3, as "a b c".
QString CustomerTotals(DbConnection& db) {
    DbRecordset rs(db);
    if (!rs.Open(u"select FDTotal from CustomerData where KeyId in (1, 2, 3) "
                 "order by KeyId"_s))
        return rs.GetLastError();
    QStringList totals;
    for (; !rs.IsEOF(); rs.MoveNext())
        totals << QString::number(rs.GetDouble(u"FDTotal"_s), 'f', 2);
    return totals.join(QLatin1Char(' '));
}

} // namespace

class tst_Schema : public QObject {
    Q_OBJECT

private slots:
    void tablesColumnsAndTypes_data() { TestDatabase::AddEngineRows(); }
    void tablesColumnsAndTypes();
    void keysAndDefaults_data() { TestDatabase::AddEngineRows(); }
    void keysAndDefaults();
    void initialRows_data() { TestDatabase::AddEngineRows(); }
    void initialRows();
    void customerTotalFollowsOrders_data() { TestDatabase::AddEngineRows(); }
    void customerTotalFollowsOrders();
    void upgradeFromAnOlderSchema_data() { TestDatabase::AddEngineRows(); }
    void upgradeFromAnOlderSchema();
    void deliveredDatabaseIsMadeOnce();
    void postgresSchemaScript();
};

void tst_Schema::tablesColumnsAndTypes() {
    TORVEL_TEST_CONNECTION(test);
    for (const auto& t : kTables) {
        const QStringList columns = QString::fromLatin1(t.columns).split(QLatin1Char(','));
        DbRecordset rs(db);
        QVERIFY2(rs.Open(u"select * from %1"_s.arg(QLatin1String(t.table))),
                 qPrintable(rs.GetLastError()));
        QCOMPARE(rs.GetFieldCount(), columns.size());
        for (int i = 0; i < columns.size(); ++i) {
            QCOMPARE(rs.GetFieldName(i), columns[i]);
            QVERIFY2(rs.GetFieldType(i) == ExpectedType(columns[i]),
                     qPrintable(QLatin1String(t.table) + QLatin1Char('.') + columns[i]));
        }
    }
}

// Database-assigned keys count up; a partial insert leaves no NULL behind.
void tst_Schema::keysAndDefaults() {
    TORVEL_TEST_CONNECTION(test);
    for (const auto& t : kTables) {
        const QString table = QLatin1String(t.table);
        const int before = db.GetMaxId(table);
        if (t.databaseKeys) {
            for (const QString& text : {u"a"_s, u"b"_s}) {
                QCOMPARE(db.Execute(t.uniqueText ? u"insert into %1 (%2) values ('%3')"_s.arg(
                                                       table, QLatin1String(t.uniqueText), text)
                                                 : u"insert into %1 default values"_s.arg(table)),
                         1);
            }
            QCOMPARE(db.GetMaxId(table), before + 2);
        } else {
            QCOMPARE(db.Execute(u"insert into %1 (KeyId) values (%2)"_s.arg(table).arg(before + 1)),
                     1);
            QCOMPARE(db.Execute(u"insert into %1 (KeyId) values (%2)"_s.arg(table).arg(before + 1)),
                     0); // the key is unique
        }
        DbRecordset rs(db);
        QCOMPARE(rs.Open(u"select * from %1 where KeyId = %2"_s.arg(table).arg(db.GetMaxId(table))),
                 1);
        QVERIFY(!rs.IsEOF());
        for (int i = 0; i < rs.GetFieldCount(); ++i) {
            QVERIFY2(!rs.GetString(i).isNull(),
                     qPrintable(table + QLatin1Char('.') + rs.GetFieldName(i)));
        }
    }
    DbRecordset rs(db);
    QCOMPARE(rs.Open(u"select * from CustomerData"_s), 1);
    QCOMPARE(rs.GetString(u"ClassPath"_s), u"未分类/"_s);
    QCOMPARE(rs.GetString(u"Category"_s), u"直接客户"_s);
    QCOMPARE(rs.GetString(u"LastTime"_s), u""_s);
}

// The administrator's row: the password and the wage right the login needs.
void tst_Schema::initialRows() {
    TORVEL_TEST_CONNECTION(test);
    QString admin;
    QCOMPARE(
        db.JoinColumnValues(
            u"select UserPass || '/' || Privilege from UserData where UserName='admin'"_s, admin),
        1);
    QVERIFY2(admin.startsWith(u"admin/"_s) && admin.contains(u"发放工资"_s), qPrintable(admin));
}

// A database made before versions were kept (no SchemaVersion) counts as
// version 1 and is brought up step by step; a second run changes nothing,
// and a newer number is reported as it stands for start-up to refuse.
void tst_Schema::upgradeFromAnOlderSchema() {
    TORVEL_TEST_CONNECTION(test);
    SchemaUpgrade upgrade(db);
    QCOMPARE(upgrade.StoredVersion(), SchemaUpgrade::CurrentVersion());

    QVERIFY2(MakeVersionOneDatabase(db), qPrintable(db.GetLastError()));
    QCOMPARE(db.Execute(u"insert into PayMode (Name) values ('赊账')"_s), 1);
    QCOMPARE(upgrade.StoredVersion(), 1);
    QVERIFY2(upgrade.Run(), qPrintable(upgrade.GetLastError()));
    QCOMPARE(upgrade.StoredVersion(), SchemaUpgrade::CurrentVersion());
    QVERIFY2(upgrade.Run(), qPrintable(upgrade.GetLastError()));
    QString rows;
    QCOMPARE(db.JoinColumnValues(u"select count(*) from SchemaVersion"_s, rows), 1);
    QCOMPARE(rows, u"1"_s);
    QCOMPARE(db.JoinColumnValues(u"select count(*) from PayMode where Name='赊账'"_s, rows), 1);
    QCOMPARE(rows, u"1"_s);
    const QString index =
        db.GetEngine() == DbConnection::Engine::SQLite
            ? u"select count(*) from sqlite_master where name='CustomerData_ClassSource'"_s
            : u"select count(*) from pg_indexes where schemaname=current_schema() "
              "and indexname='customerdata_classsource'"_s;
    QCOMPARE(db.JoinColumnValues(index, rows), 1);
    QCOMPARE(rows, u"1"_s);
    // The staff details arrive on the rows that were there, with their defaults.
    QCOMPARE(db.JoinColumnValues(
                 u"select UserName || '/' || Dimission || '/' || FullName from UserData"_s, rows),
             1);
    QCOMPARE(rows, u"admin/0/"_s);
    QCOMPARE(db.JoinColumnValues(u"select count(*) from WageData"_s, rows), 1);
    QCOMPARE(db.JoinColumnValues(u"select count(*) from SmsTaskItem"_s, rows), 1);
    QCOMPARE(db.JoinColumnValues(u"select count(*) from MailRecv"_s, rows), 1);

    QCOMPARE(db.Execute(u"update SchemaVersion set Version=99"_s), 1);
    QCOMPARE(upgrade.StoredVersion(), 99);
}

// The build makes torvel.db from the script only when it is missing: a rebuild
// must never replace a database in use.
void tst_Schema::deliveredDatabaseIsMadeOnce() {
    const QString delivered = qEnvironmentVariable("TORVEL_APP_DIR") + u"/torvel.db"_s;
    DbConnection db;
    QVERIFY2(db.Open(u"Provider=SQLite;Data Source="_s + delivered), qPrintable(db.GetLastError()));
    QString out;
    QCOMPARE(db.JoinColumnValues(u"select UserPass from UserData where "
                                 "UserName='admin'"_s,
                                 out),
             1);
    QCOMPARE(out, u"admin"_s);

    const QString source = qEnvironmentVariable("TORVEL_SOURCE_DIR");
    QTemporaryDir dir;
    const QString target = dir.filePath(u"torvel.db"_s);
    auto make = [&] {
        return QProcess::execute(u"cmake"_s, {u"-DSQLITE3=sqlite3"_s,
                                              u"-DSCRIPT="_s + source + u"/schema/sqlite.sql"_s,
                                              u"-DDATABASE="_s + target, u"-P"_s,
                                              source + u"/schema/MakeDatabase.cmake"_s});
    };
    QCOMPARE(make(), 0);
    DbConnection made;
    QCOMPARE(made.Open(u"Provider=SQLite;Data Source="_s + target), 1);
    QCOMPARE(made.Execute(u"insert into PayMode (Name) values ('赊账')"_s), 1);
    made.Close();
    const QByteArray digest = Digest(target);
    QCOMPARE(make(), 0);
    QCOMPARE(Digest(target), digest);
    QVERIFY(!QFile::exists(target + u".partial"_s));
}

// CustomerData.FDTotal follows every kind of write to OrderData.
void tst_Schema::customerTotalFollowsOrders() {
    TORVEL_TEST_CONNECTION(test);
    for (int key = 1; key <= 3; ++key)
        QCOMPARE(db.Execute(u"insert into CustomerData (KeyId) values (%1)"_s.arg(key)), 1);
    QCOMPARE(CustomerTotals(db), u"0.00 0.00 0.00"_s);
    const auto run = [&db](const char* sql) {
        return db.Execute(QString::fromLatin1(sql)) == 1 ? QString() : db.GetLastError();
    };
    // Inserts, one without an amount and one of several rows at once.
    QCOMPARE(run("insert into OrderData (CustomerId, FDTotal) values (1, 100.5)"), QString());
    QCOMPARE(run("insert into OrderData (CustomerId) values (1)"), QString());
    QCOMPARE(run("insert into OrderData (CustomerId, FDTotal) values (1, null)"), QString());
    QCOMPARE(run("insert into OrderData (CustomerId, FDTotal) select 2, FDTotal * 2 from "
                 "OrderData where CustomerId = 1 and FDTotal > 0"),
             QString());
    QCOMPARE(CustomerTotals(db), u"100.50 201.00 0.00"_s);
    // A changed amount, an amount set to null and back, a move to another
    // customer and a change of both at once.
    QCOMPARE(run("update OrderData set FDTotal = 80 where CustomerId = 1 and FDTotal = 100.5"),
             QString());
    QCOMPARE(CustomerTotals(db), u"80.00 201.00 0.00"_s);
    QCOMPARE(run("update OrderData set FDTotal = null where CustomerId = 2"), QString());
    QCOMPARE(CustomerTotals(db), u"80.00 0.00 0.00"_s);
    QCOMPARE(run("update OrderData set FDTotal = 12.25 where CustomerId = 2"), QString());
    QCOMPARE(run("update OrderData set CustomerId = 3 where FDTotal = 80"), QString());
    QCOMPARE(CustomerTotals(db), u"0.00 12.25 80.00"_s);
    QCOMPARE(run("update OrderData set CustomerId = 1, FDTotal = 5 where CustomerId = 2"),
             QString());
    QCOMPARE(CustomerTotals(db), u"5.00 0.00 80.00"_s);
    // Writes that leave the amount and the customer alone change nothing.
    QCOMPARE(run("update OrderData set Comment = 'x', FDTotal = FDTotal"), QString());
    QCOMPARE(CustomerTotals(db), u"5.00 0.00 80.00"_s);
    // An order of a customer that does not exist (yet) touches no one.
    QCOMPARE(run("insert into OrderData (CustomerId, FDTotal) values (99, 1)"), QString());
    // Deletes, and a rolled-back write leaves the totals as they were.
    QCOMPARE(run("delete from OrderData where CustomerId = 3"), QString());
    {
        DbTransaction undone(db);
        QVERIFY(undone.IsActive());
        QCOMPARE(run("delete from OrderData"), QString());
        QCOMPARE(CustomerTotals(db), u"0.00 0.00 0.00"_s);
    }
    QCOMPARE(CustomerTotals(db), u"5.00 0.00 0.00"_s);
    // Changing a column type of CustomerData (SQLite rebuilds the table while
    // the OrderData triggers name it) keeps the triggers working.
    QCOMPARE(run("alter table CustomerData add d1 VARCHAR(100)"), QString());
    QCOMPARE(run("alter table CustomerData alter column d1 Integer"), QString());
    QCOMPARE(run("insert into OrderData (CustomerId, FDTotal) values (2, 4)"), QString());
    QCOMPARE(CustomerTotals(db), u"5.00 4.00 0.00"_s);
}

void tst_Schema::postgresSchemaScript() {
    TORVEL_ENGINE_DATABASE(test, u"postgresql"_s, false);
    QProcess script;
    script.start(qEnvironmentVariable("TORVEL_SOURCE_DIR") + u"/scripts/pg-create-schema.sh"_s,
                 {test.ConnectionString()});
    QVERIFY(script.waitForFinished(60000));
    QVERIFY2(script.exitCode() == 0, script.readAllStandardError().constData());

    DbConnection db;
    QCOMPARE(db.Open(test.ConnectionString()), 1);
    QString out;
    QCOMPARE(db.JoinColumnValues(u"select UserName from UserData"_s, out), 1);
    QCOMPARE(out, u"admin"_s);
    // The order-total trigger works in the schema psql made it in.
    QCOMPARE(db.Execute(u"insert into CustomerData (KeyId) values (1)"_s), 1);
    QCOMPARE(db.Execute(u"insert into OrderData (CustomerId, FDTotal) values (1, 3.5)"_s), 1);
    QCOMPARE(CustomerTotals(db), u"3.50"_s);
}

QTEST_GUILESS_MAIN(tst_Schema)
#include "tst_schema.moc"
