#include "TestDatabases.h"

#include "db/ConnectionString.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"

#include <QFile>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QtTest>

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
};

void tst_DbConnection::neverOpened() {
    DbConnection db;
    QCOMPARE(db.GetState(), -1);
    long affected = 99;
    QCOMPARE(db.Execute(QStringLiteral("delete from UserData"), &affected), 0);
    QCOMPARE(db.GetLastError(), QStringLiteral("Connection Not open!\r\n"));
    QCOMPARE(affected, 99L);
    QCOMPARE(db.GetMaxId(QStringLiteral("UserData")), -1);
    QString out = QStringLiteral("stale");
    QCOMPARE(db.JoinColumnValues(QStringLiteral("select Name from PayMode"), out), -1);
    QVERIFY(out.isEmpty());

    DbRecordset rs(db);
    QCOMPARE(rs.Open(QStringLiteral("select * from UserData")), 0);
    QVERIFY(rs.IsEOF() && rs.IsEmpty());
}

// Every string that cannot be opened says why, keeps the string, and never
// leaves a file behind.
void tst_DbConnection::refusedConnectionStrings() {
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("nowhere.db"));
    const QString junk = dir.filePath(QStringLiteral("junk.bak"));
    {
        QFile file(junk);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
    }
    const struct {
        QString text;
        QString mentions;
    } cases[] = {
        {QString(), QStringLiteral("连接字符串为空")},
        // Text without a single key=value pair is malformed, not empty.
        {QStringLiteral("torvel.db"), QStringLiteral("连接字符串格式不正确：'torvel.db'")},
        {QStringLiteral("Provider=Oracle;Data Source=x"), QStringLiteral("Oracle")},
        {QStringLiteral("Data Source=") + missing, QStringLiteral("Provider")},
        {QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\crm\\torvel.mdb"),
         QStringLiteral("请先将其迁移为 SQLite 数据库")},
        {QStringLiteral("Provider=SQLite;Data Source=/old/torvel.MDB"),
         QStringLiteral("不支持 Access 数据库文件 '/old/torvel.MDB'")},
        {QStringLiteral("Provider=SQLite;Data Source=") + missing, missing},
        {QStringLiteral("Provider=SQLite"), QStringLiteral("Data Source")},
        {QStringLiteral("Provider=SQLite;Data Source=") + dir.path(), dir.path()},
        {QStringLiteral("Provider=SQLite;Data Source=") + junk, junk},
        {QStringLiteral("Provider=PostgreSQL;Host=127.0.0.1;Port=1;Database=x;User ID=x"),
         QStringLiteral("127.0.0.1")},
    };
    for (const auto& c : cases) {
        DbConnection db;
        QCOMPARE(db.Open(c.text), 0);
        QCOMPARE(db.GetState(), 0);
        QCOMPARE(db.GetConnectionString(), c.text);
        QVERIFY2(db.GetLastError().contains(c.mentions),
                 qPrintable(c.text + QStringLiteral(" -> ") + db.GetLastError()));
        QCOMPARE(db.Execute(QStringLiteral("select 1")), 0);
    }
    QVERIFY(!QFile::exists(missing));
}

void tst_DbConnection::connectionStringParsing() {
    const ConnectionString cs(QStringLiteral(
        " provider = sqlite ;DATA SOURCE=/a b/c.db; Password=\"x;y\"\"z\" ;flag;User ID='o''k';"));
    QCOMPARE(cs.Value("Provider"), QStringLiteral("sqlite"));
    QCOMPARE(cs.Value("datasource"), QStringLiteral("/a b/c.db"));
    QCOMPARE(cs.Value("Password"), QStringLiteral("x;y\"z"));
    QCOMPARE(cs.Value({"UID", "User ID"}), QStringLiteral("o'k"));
    QVERIFY(cs.Value("flag").isNull());
    QVERIFY(!cs.Has("Port"));

    // The database file of backup and restore.
    QCOMPARE(ConnectionString::FilePath(QStringLiteral("Provider=SQLite;Data Source=/p/torvel.db")),
             QStringLiteral("/p/torvel.db"));
    QCOMPARE(ConnectionString::FilePath(QStringLiteral("Data Source=;x")), QStringLiteral(";x"));
    QVERIFY(ConnectionString::FilePath(QStringLiteral("Provider=PostgreSQL;Host=h")).isEmpty());
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
        QCOMPARE(db.GetMaxId(QStringLiteral("UserData")), 1);
        QCOMPARE(QSqlDatabase::connectionNames().size(), namesBefore + 2);

        // Keys of the connection string ignore case.
        QString lower = test.ConnectionString();
        lower.replace(QStringLiteral("Provider"), QStringLiteral("PROVIDER"));
        lower.replace(QStringLiteral("Data Source"), QStringLiteral("data source"));
        DbConnection third;
        QCOMPARE(third.Open(lower), 1);
    }
    QCOMPARE(QSqlDatabase::connectionNames().size(), namesBefore);
}

void tst_DbConnection::execute() {
    TORVEL_TEST_CONNECTION(test);

    long affected = -5;
    for (int i = 1; i <= 3; ++i) {
        QCOMPARE(db.Execute(QStringLiteral("insert into TraceData (CustomerId, Title) values (7, "
                                           "'第%1次 O''Neil')")
                                .arg(i),
                            &affected),
                 1);
        QCOMPARE(affected, 1L);
    }
    QCOMPARE(db.Execute(QStringLiteral("update TraceData set Handler='admin' where customerid=7"),
                        &affected),
             1);
    QCOMPARE(affected, 3L);
    QCOMPARE(db.Execute(QStringLiteral("delete from TraceData where customerid=8"), &affected), 1);
    QCOMPARE(affected, 0L);

    // A failure keeps the provider's text and leaves the connection usable.
    QCOMPARE(db.Execute(QStringLiteral("update NoSuchTable set x=1")), 0);
    QVERIFY(db.GetLastError().contains(QStringLiteral("nosuchtable"), Qt::CaseInsensitive));
    QCOMPARE(db.Execute(QStringLiteral("insert into UserData (UserName) values ('bob')")), 1);
    QCOMPARE(db.GetMaxId(QStringLiteral("UserData")), 2);
}

void tst_DbConnection::maxIdAndJoin() {
    TORVEL_TEST_CONNECTION(test);

    QCOMPARE(db.GetMaxId(QStringLiteral("CustomerData")), 0);
    QCOMPARE(db.Execute(QStringLiteral("insert into CustomerData (KeyId, CustomerName) values "
                                       "(%1, '甲')")
                            .arg(db.GetMaxId(QStringLiteral("CustomerData")) + 1)),
             1);
    QCOMPARE(db.GetMaxId(QStringLiteral("customerdata")), 1);
    QCOMPARE(db.GetMaxId(QStringLiteral("NoSuchTable")), -1);
    QVERIFY(!db.GetLastError().isEmpty());

    QString out = QStringLiteral("stale");
    QCOMPARE(db.JoinColumnValues(QStringLiteral("select Name from PayMode order by KeyId"), out),
             5);
    QCOMPARE(out, QStringLiteral("现金;银行转账;支票;支付宝;微信支付"));
    QCOMPARE(
        db.JoinColumnValues(QStringLiteral("select Name, KeyId from PayMode where KeyId > 4"), out),
        1);
    QCOMPARE(out, QStringLiteral("微信支付"));
    QCOMPARE(db.JoinColumnValues(QStringLiteral("select Name from PayMode where 1=0"), out), 0);
    QCOMPARE(out, QString());
    out = QStringLiteral("stale");
    QCOMPARE(db.JoinColumnValues(QStringLiteral("select Nothing from PayMode"), out), -1);
    QCOMPARE(out, QString());
}

// The program looks users up and searches as the desktop database did:
// without regard to case, with like patterns that also match numbers.
void tst_DbConnection::textIgnoresCase() {
    TORVEL_TEST_CONNECTION(test);
    QCOMPARE(db.Execute(QStringLiteral(
                 "insert into CustomerData (KeyId, CustomerName, Phone, ClassPath) values "
                 "(12, 'Acme 上海', '021-5550', '/A/B/'), (13, 'acme back\\slash', '', '/A/')")),
             1);
    QString out;
    QCOMPARE(db.JoinColumnValues(QStringLiteral("Select UserName from UserData where "
                                                "UserName='ADMIN'"),
                                 out),
             1);
    QCOMPARE(out, QStringLiteral("admin"));
    const struct {
        const char* where;
        const char* keys;
    } searches[] = {
        {" CustomerName like '%ACME%'", "12;13"},
        {" CustomerName like '%上海%'", "12"},
        {" classpath like '/a/%' ", "12;13"},
        {" ClassPath like '/A/B/%' ", "12"},
        {" CustomerName not like 'acme b%'", "12"},
        {" CustomerName like '%k\\s%'", "13"},
        {" KeyId like '1%' and Phone like '%555%'", "12"},
        {" Title like '%x%' or CustomerName = 'ACME 上海'", nullptr}, // no such column: fails
        {" CustomerName = 'I like it' or City like 'x'", ""},
    };
    for (const auto& s : searches) {
        const QString sql = QStringLiteral("select KeyId from CustomerData where") +
                            QString::fromUtf8(s.where) + QStringLiteral(" order by KeyId");
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
    TORVEL_ENGINE_DATABASE(test, QStringLiteral("postgresql"), true);

    DbConnection db;
    QCOMPARE(db.Open(test.ConnectionString()), 1);
    QString pid;
    QCOMPARE(db.JoinColumnValues(QStringLiteral("select pg_backend_pid()"), pid), 1);

    DbConnection killer;
    QCOMPARE(killer.Open(test.ConnectionString()), 1);
    QString killed;
    QCOMPARE(
        killer.JoinColumnValues(QStringLiteral("select pg_terminate_backend(%1)").arg(pid), killed),
        1);

    QCOMPARE(db.Execute(QStringLiteral("update UserData set Privilege='' where 1=0")), 0);
    QVERIFY(!db.GetLastError().isEmpty());
    DbRecordset rs(db);
    QCOMPARE(rs.Open(QStringLiteral("select * from UserData")), 0);
    QCOMPARE(rs.GetLastError(), QStringLiteral("与数据库的连接已经断开，请重新打开数据库。"));

    QCOMPARE(db.Open(db.GetConnectionString()), 1);
    QCOMPARE(db.Execute(QStringLiteral("update UserData set Privilege='x' where UserName='admin'")),
             1);
    QCOMPARE(db.GetMaxId(QStringLiteral("UserData")), 1);
}

// Forms write typed keys into tables whose keys the database assigns; the next
// insert without a key continues after the highest one, on both engines,
// for delivered tables and for tables made at run time.
void tst_DbConnection::explicitKeysKeepCounterAhead() {
    TORVEL_TEST_CONNECTION(test);
    auto keyOf = [&](const QString& table, const QString& name) {
        QString key;
        db.JoinColumnValues(QStringLiteral("select KeyId from %1 where Name='%2'").arg(table, name),
                            key);
        return key;
    };
    QVERIFY(db.Execute(QStringLiteral("insert into PayMode (KeyId,Name) values (6,'汇票')")));
    QVERIFY(db.Execute(QStringLiteral("insert into PayMode (Name) values ('赊账')")));
    QCOMPARE(keyOf(QStringLiteral("PayMode"), QStringLiteral("赊账")), QStringLiteral("7"));
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
    QCOMPARE(keyOf(QStringLiteral("PayMode"), QStringLiteral("c")), QStringLiteral("61"));
    QCOMPARE(keyOf(QStringLiteral("[Made Later]"), QStringLiteral("y")), QStringLiteral("10"));
}

// Statements embed texts with only the quote doubled: a backslash is a plain
// character even when the server's or the role's default says otherwise.
void tst_DbConnection::backslashInLiteralStays() {
    TestDatabase test(QStringLiteral("postgresql"));
    if (!test.IsAvailable())
        QSKIP(qPrintable(test.Why()));
    QVERIFY2(test.Create(), qPrintable(test.Why()));
    const QByteArray saved = qgetenv("PGOPTIONS");
    qputenv("PGOPTIONS", "-c standard_conforming_strings=off");
    DbConnection db;
    const int opened = db.Open(test.ConnectionString());
    qputenv("PGOPTIONS", saved);
    QCOMPARE(opened, 1);
    QVERIFY(db.Execute(QStringLiteral("insert into PayMode (Name) values ('C:\\新\\n')")));
    QString out;
    QCOMPARE(
        db.JoinColumnValues(QStringLiteral("select Name from PayMode where Name like 'C:%'"), out),
        1);
    QCOMPARE(out, QStringLiteral("C:\\新\\n"));
}

QTEST_GUILESS_MAIN(tst_DbConnection)
#include "tst_dbconnection.moc"
