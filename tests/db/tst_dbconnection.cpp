#include "TestDatabases.h"

#include "db/ConnectionString.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"

#include "db/DbTransaction.h"
#include <QFile>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_DbConnection : public QObject {
    Q_OBJECT

private slots:
    void neverOpened();
    void refusedConnectionStrings();
    void connectionStringParsing();
    void openCloseReopen_data() { TestDatabase::AddEngineRows(); }
    void openCloseReopen();
    void execute_data() { TestDatabase::AddEngineRows(); }
    void execute();
    void maxIdAndJoin_data() { TestDatabase::AddEngineRows(); }
    void maxIdAndJoin();
    void textIgnoresCase_data() { TestDatabase::AddEngineRows(); }
    void textIgnoresCase();
    void serverGoneAway();
    void explicitKeysKeepCounterAhead_data() { TestDatabase::AddEngineRows(); }
    void explicitKeysKeepCounterAhead();
    void backslashInLiteralStays();
    void commitAndRollback_data() { TestDatabase::AddEngineRows(); }
    void commitAndRollback();
    void savepointsKeepTheRest_data() { TestDatabase::AddEngineRows(); }
    void savepointsKeepTheRest();
};

void tst_DbConnection::neverOpened() {
    DbConnection db;
    QCOMPARE(db.GetState(), -1);
    long affected = 99;
    QCOMPARE(db.Execute(u"delete from UserData"_s, &affected), 0);
    QCOMPARE(db.GetLastError(), u"Connection Not open!\r\n"_s);
    QCOMPARE(affected, 99L);
    QCOMPARE(db.GetMaxId(u"UserData"_s), -1);
    QString out = u"stale"_s;
    QCOMPARE(db.JoinColumnValues(u"select Name from PayMode"_s, out), -1);
    QVERIFY(out.isEmpty());

    DbRecordset rs(db);
    QCOMPARE(rs.Open(u"select * from UserData"_s), 0);
    QVERIFY(rs.IsEOF() && rs.IsEmpty());
}

// Every string that cannot be opened says why, keeps the string, and never
// leaves a file behind.
void tst_DbConnection::refusedConnectionStrings() {
    QTemporaryDir dir;
    const QString missing = dir.filePath(u"nowhere.db"_s);
    const QString junk = dir.filePath(u"junk.bak"_s);
    {
        QFile file(junk);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
    }
    const struct {
        QString text;
        QString mentions;
    } cases[] = {
        {QString(), u"连接字符串为空"_s},
        // Text without a single key=value pair is malformed, not empty.
        {u"torvel.db"_s, u"连接字符串格式不正确：'torvel.db'"_s},
        {u"Provider=Oracle;Data Source=x"_s, u"Oracle"_s},
        {u"Data Source="_s + missing, u"Provider"_s},
        {u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\crm\\torvel.mdb"_s,
         u"请先将其迁移为 SQLite 数据库"_s},
        {u"Provider=SQLite;Data Source=/old/torvel.MDB"_s,
         u"不支持 Access 数据库文件 '/old/torvel.MDB'"_s},
        {u"Provider=SQLite;Data Source="_s + missing, missing},
        {u"Provider=SQLite"_s, u"Data Source"_s},
        {u"Provider=SQLite;Data Source="_s + dir.path(), dir.path()},
        {u"Provider=SQLite;Data Source="_s + junk, junk},
        {u"Provider=PostgreSQL;Host=127.0.0.1;Port=1;Database=x;User ID=x"_s, u"127.0.0.1"_s},
    };
    for (const auto& c : cases) {
        DbConnection db;
        QCOMPARE(db.Open(c.text), 0);
        QCOMPARE(db.GetState(), 0);
        QCOMPARE(db.GetConnectionString(), c.text);
        QVERIFY2(db.GetLastError().contains(c.mentions),
                 qPrintable(c.text + u" -> "_s + db.GetLastError()));
        QCOMPARE(db.Execute(u"select 1"_s), 0);
    }
    QVERIFY(!QFile::exists(missing));
}

void tst_DbConnection::connectionStringParsing() {
    const ConnectionString cs(
        u" provider = sqlite ;DATA SOURCE=/a b/c.db; Password=\"x;y\"\"z\" ;flag;User ID='o''k';"_s);
    QCOMPARE(cs.Value("Provider"), u"sqlite"_s);
    QCOMPARE(cs.Value("datasource"), u"/a b/c.db"_s);
    QCOMPARE(cs.Value("Password"), u"x;y\"z"_s);
    QCOMPARE(cs.Value({"UID", "User ID"}), u"o'k"_s);
    QVERIFY(cs.Value("flag").isNull());
    QVERIFY(!cs.Has("Port"));

    // The database file of backup and restore.
    QCOMPARE(ConnectionString::FilePath(u"Provider=SQLite;Data Source=/p/torvel.db"_s),
             u"/p/torvel.db"_s);
    QCOMPARE(ConnectionString::FilePath(u"Data Source=;x"_s), u";x"_s);
    QVERIFY(ConnectionString::FilePath(u"Provider=PostgreSQL;Host=h"_s).isEmpty());
}

void tst_DbConnection::openCloseReopen() {
    TORVEL_TEST_DATABASE(test);
    const int namesBefore = QSqlDatabase::connectionNames().size();
    {
        DbConnection db;
        QCOMPARE(db.Open(test.ConnectionString()), 1);
        QCOMPARE(db.GetState(), 1);
        QCOMPARE(db.GetEngine(), test.IsPostgres() ? DbConnection::Engine::PostgreSQL
                                                   : DbConnection::Engine::SQLite);
        db.Close();
        QCOMPARE(db.GetState(), 0);
        db.Close(); // twice is harmless

        // As restore does: reopen with the stored string, while a second
        // connection on the same database is open beside it.
        DbConnection second;
        QCOMPARE(second.Open(test.ConnectionString()), 1);
        QCOMPARE(db.Open(db.GetConnectionString()), 1);
        QCOMPARE(db.Open(db.GetConnectionString()), 1); // open again while open
        QCOMPARE(db.GetMaxId(u"UserData"_s), 1);
        QCOMPARE(QSqlDatabase::connectionNames().size(), namesBefore + 2);
    }
    QCOMPARE(QSqlDatabase::connectionNames().size(), namesBefore);
}

void tst_DbConnection::execute() {
    TORVEL_TEST_CONNECTION(test);

    long affected = -5;
    for (int i = 1; i <= 3; ++i) {
        QCOMPARE(db.Execute(u"insert into TraceData (CustomerId, Title) values (7, "
                            "'第%1次 O''Neil')"_s.arg(i),
                            &affected),
                 1);
        QCOMPARE(affected, 1L);
    }
    QCOMPARE(db.Execute(u"update TraceData set Handler='admin' where customerid=7"_s, &affected),
             1);
    QCOMPARE(affected, 3L);
    QCOMPARE(db.Execute(u"delete from TraceData where customerid=8"_s, &affected), 1);
    QCOMPARE(affected, 0L);

    // A failure keeps the provider's text and leaves the connection usable.
    QCOMPARE(db.Execute(u"update NoSuchTable set x=1"_s), 0);
    QVERIFY(db.GetLastError().contains(u"nosuchtable"_s, Qt::CaseInsensitive));
    QCOMPARE(db.Execute(u"insert into UserData (UserName) values ('bob')"_s), 1);
    QCOMPARE(db.GetMaxId(u"UserData"_s), 2);
}

void tst_DbConnection::maxIdAndJoin() {
    TORVEL_TEST_CONNECTION(test);

    QCOMPARE(db.GetMaxId(u"CustomerData"_s), 0);
    QCOMPARE(db.Execute(u"insert into CustomerData (KeyId, CustomerName) values "
                        "(%1, '甲')"_s.arg(db.GetMaxId(u"CustomerData"_s) + 1)),
             1);
    QCOMPARE(db.GetMaxId(u"customerdata"_s), 1);
    QCOMPARE(db.GetMaxId(u"NoSuchTable"_s), -1);
    QVERIFY(!db.GetLastError().isEmpty());

    QString out = u"stale"_s;
    QCOMPARE(db.JoinColumnValues(u"select Name from PayMode order by KeyId"_s, out), 5);
    QCOMPARE(out, u"现金;银行转账;支票;支付宝;微信支付"_s);
    QCOMPARE(db.JoinColumnValues(u"select Name, KeyId from PayMode where KeyId > 4"_s, out), 1);
    QCOMPARE(out, u"微信支付"_s);
    QCOMPARE(db.JoinColumnValues(u"select Name from PayMode where 1=0"_s, out), 0);
    QCOMPARE(out, QString());
    out = u"stale"_s;
    QCOMPARE(db.JoinColumnValues(u"select Nothing from PayMode"_s, out), -1);
    QCOMPARE(out, QString());
}

// The program looks users up and searches as the desktop database did:
// without regard to case, with like patterns that also match numbers.
void tst_DbConnection::textIgnoresCase() {
    TORVEL_TEST_CONNECTION(test);
    QCOMPARE(
        db.Execute(u"insert into CustomerData (KeyId, CustomerName, Phone, ClassPath) values "
                   "(12, 'Acme 上海', '021-5550', '/A/B/'), (13, 'acme back\\slash', '', '/A/'), "
                   "(14, 'O''Brien''s', '', '/')"_s),
        1);
    QString out;
    QCOMPARE(db.JoinColumnValues(u"Select UserName from UserData where "
                                 "UserName='ADMIN'"_s,
                                 out),
             1);
    QCOMPARE(out, u"admin"_s);
    const struct {
        const char* where;
        const char* keys;
    } searches[] = {
        {" CustomerName like '%ACME%'", "12;13"},
        {" CustomerName like '%上海%'", "12"},
        {" classpath like '/a/%' ", "12;13"},
        {" ClassPath like '/A/B/%' ", "12"},
        {" CustomerName not like 'acme b%'", "12;14"},
        {" CustomerName like '%k\\s%'", "13"},
        {" KeyId like '1%' and Phone like '%555%'", "12"},
        {" Title like '%x%' or CustomerName = 'ACME 上海'", nullptr}, // no such column: fails
        {" CustomerName = 'I like it' or City like 'x'", ""},
        // A doubled quote inside a pattern is one quote, also where the
        // statement goes on after the pattern.
        {" CustomerName like '%o''brien%'", "14"},
        {" CustomerName like '%''s' and KeyId like '1%'", "14"},
        {" CustomerName = 'it''s like' or CustomerName not like '%''%'", "12;13"},
    };
    for (const auto& s : searches) {
        const QString sql = u"select KeyId from CustomerData where"_s + QString::fromUtf8(s.where) +
                            u" order by KeyId"_s;
        const int rows = db.JoinColumnValues(sql, out);
        if (!s.keys) {
            QCOMPARE(rows, -1);
            continue;
        }
        QVERIFY2(rows >= 0, qPrintable(sql + QLatin1Char(' ') + db.GetLastError()));
        QCOMPARE(out, QString::fromUtf8(s.keys));
    }
}

// A server that drops the session: the next statement fails with a text, and
// opening again recovers.
void tst_DbConnection::serverGoneAway() {
    TORVEL_ENGINE_DATABASE(test, u"postgresql"_s, true);

    DbConnection db;
    QCOMPARE(db.Open(test.ConnectionString()), 1);
    QString pid;
    QCOMPARE(db.JoinColumnValues(u"select pg_backend_pid()"_s, pid), 1);

    DbConnection killer;
    QCOMPARE(killer.Open(test.ConnectionString()), 1);
    QString killed;
    QCOMPARE(killer.JoinColumnValues(u"select pg_terminate_backend(%1)"_s.arg(pid), killed), 1);

    QCOMPARE(db.Execute(u"update UserData set Privilege='' where 1=0"_s), 0);
    QVERIFY(!db.GetLastError().isEmpty());
    DbRecordset rs(db);
    QCOMPARE(rs.Open(u"select * from UserData"_s), 0);
    QCOMPARE(rs.GetLastError(), u"与数据库的连接已经断开，请重新打开数据库。"_s);

    QCOMPARE(db.Open(db.GetConnectionString()), 1);
    QCOMPARE(db.Execute(u"update UserData set Privilege='x' where UserName='admin'"_s), 1);
    QCOMPARE(db.GetMaxId(u"UserData"_s), 1);
}

// Forms write typed keys into tables whose keys the database assigns; the next
// insert without a key continues after the highest one, on both engines,
// for delivered tables and for tables made at run time.
void tst_DbConnection::explicitKeysKeepCounterAhead() {
    TORVEL_TEST_CONNECTION(test);
    auto keyOf = [&](const QString& table, const QString& name) {
        QString key;
        db.JoinColumnValues(u"select KeyId from %1 where Name='%2'"_s.arg(table, name), key);
        return key;
    };
    QVERIFY(db.Execute(u"insert into PayMode (KeyId,Name) values (6,'汇票')"_s));
    QVERIFY(db.Execute(u"insert into PayMode (Name) values ('赊账')"_s));
    QCOMPARE(keyOf(u"PayMode"_s, u"赊账"_s), u"7"_s);
    // A lower key never moves the counter back; an update to a higher key
    // moves it on.
    for (const char* sql :
         {"insert into PayMode (KeyId,Name) values (40,'a')",
          "insert into PayMode (KeyId,Name) values (20,'b')",
          "update PayMode set KeyId=60 where Name='b'", "insert into PayMode (Name) values ('c')",
          "create table [Made Later] (KeyId COUNTER PRIMARY KEY, Name TEXT(20))",
          "insert into [Made Later] (KeyId,Name) values (9,'x')",
          "insert into [Made Later] (Name) values ('y')",
          // a counter under another name is left to the database
          "create table OtherCounter (Num COUNTER PRIMARY KEY)"})
        QVERIFY2(db.Execute(QString::fromUtf8(sql)), qPrintable(db.GetLastError()));
    QCOMPARE(keyOf(u"PayMode"_s, u"c"_s), u"61"_s);
    QCOMPARE(keyOf(u"[Made Later]"_s, u"y"_s), u"10"_s);
}

// Statements embed texts with only the quote doubled: a backslash is a plain
// character even when the server's or the role's default says otherwise.
void tst_DbConnection::backslashInLiteralStays() {
    TORVEL_ENGINE_DATABASE(test, u"postgresql"_s, true);
    const QByteArray saved = qgetenv("PGOPTIONS");
    qputenv("PGOPTIONS", "-c standard_conforming_strings=off");
    DbConnection db;
    const int opened = db.Open(test.ConnectionString());
    qputenv("PGOPTIONS", saved);
    QCOMPARE(opened, 1);
    QVERIFY(db.Execute(u"insert into PayMode (Name) values ('C:\\新\\n')"_s));
    QString out;
    QCOMPARE(db.JoinColumnValues(u"select Name from PayMode where Name like 'C:%'"_s, out), 1);
    QCOMPARE(out, u"C:\\新\\n"_s);
}

namespace {
int Count(DbConnection& db, const QString& where) {
    QString out;
    db.JoinColumnValues(u"select count(*) from PayMode where "_s + where, out);
    return out.toInt();
}
} // namespace

void tst_DbConnection::commitAndRollback() {
    TORVEL_TEST_CONNECTION(database);
    {
        DbTransaction kept(db);
        QVERIFY(kept.IsActive());
        QCOMPARE(db.TransactionDepth(), 1);
        QCOMPARE(db.Execute(u"insert into PayMode (Name) values ('kept')"_s), 1);
        QVERIFY(kept.Commit());
    }
    {
        // Not committed: undone when it goes out of scope.
        DbTransaction dropped(db);
        QCOMPARE(db.Execute(u"insert into PayMode (Name) values ('dropped')"_s), 1);
    }
    QCOMPARE(db.TransactionDepth(), 0);
    QCOMPARE(Count(db, u"Name='kept'"_s), 1);
    QCOMPARE(Count(db, u"Name='dropped'"_s), 0);
}

// A failing row inside a savepoint is undone alone; the rows around it stay,
// also on PostgreSQL, where a failed statement would otherwise poison the
// whole transaction.
void tst_DbConnection::savepointsKeepTheRest() {
    TORVEL_TEST_CONNECTION(database);
    DbTransaction action(db);
    QVERIFY(action.IsActive());
    for (const QString& value : {u"1"_s, u"x"_s, u"3"_s}) {
        DbTransaction row(db);
        QVERIFY(row.IsActive());
        QCOMPARE(db.TransactionDepth(), 2);
        const QString sql = value == u"x"
                                ? u"insert into NoSuchTable (Name) values ('x')"_s
                                : u"insert into PayMode (Name) values ('row%1')"_s.arg(value);
        if (db.Execute(sql) == 1)
            QVERIFY(row.Commit());
        else
            row.Rollback();
        QCOMPARE(db.TransactionDepth(), 1);
    }
    QVERIFY(action.Commit());
    QCOMPARE(Count(db, u"Name like 'row%'"_s), 2);

    // A savepoint released into a transaction that is then rolled back is gone too.
    {
        DbTransaction outer(db);
        DbTransaction inner(db);
        QCOMPARE(db.Execute(u"insert into PayMode (Name) values ('inner')"_s), 1);
        QVERIFY(inner.Commit());
        outer.Rollback();
    }
    QCOMPARE(Count(db, u"Name='inner'"_s), 0);
}

QTEST_GUILESS_MAIN(tst_DbConnection)
#include "tst_dbconnection.moc"
