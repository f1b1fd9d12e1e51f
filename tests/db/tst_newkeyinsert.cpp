#include "TestDatabases.h"

#include "db/DbConnection.h"
#include "db/DbTransaction.h"
#include "db/NewKeyInsert.h"

#include <QtTest>

class tst_NewKeyInsert : public QObject {
    Q_OBJECT

private slots:
    void secondDeskTakesTheKey_data() { TestDatabase::AddEngineRows(); }
    void secondDeskTakesTheKey();
    void otherFailuresAreNotRetried_data() { TestDatabase::AddEngineRows(); }
    void otherFailuresAreNotRetried();
};

namespace {

QString ClassInsert(int key, const QString& name) {
    return QStringLiteral("insert into CustomerClass (KeyId,ParentId,Name,ClassPath) values "
                          "(%1,0,'%2','/%2')")
        .arg(key)
        .arg(name);
}

QString Names(DbConnection& db) {
    QString out;
    db.JoinColumnValues(QStringLiteral("select Name from CustomerClass order by KeyId"), out);
    return out;
}

} // namespace

// Two desks read the same largest key; the second desk stores its row under
// that key first, so the first desk's insert collides and must go on with the
// next key, also inside a transaction of its own caller.
void tst_NewKeyInsert::secondDeskTakesTheKey() {
    TORVEL_TEST_CONNECTION(database);
    DbConnection other;
    QCOMPARE(other.Open(database.ConnectionString()), 1);
    QCOMPARE(db.Execute(ClassInsert(5, QStringLiteral("first"))), 1);

    QList<int> tried;
    auto raceOnce = [&](int key) {
        if (tried.isEmpty())
            other.Execute(ClassInsert(key, QStringLiteral("other")));
        tried.append(key);
        return ClassInsert(key, QStringLiteral("mine"));
    };
    QString statement;
    QCOMPARE(NewKeyInsert(db, QStringLiteral("CustomerClass"), raceOnce, statement), 7);
    QCOMPARE(tried, QList<int>({6, 7}));
    QCOMPARE(Names(db), QStringLiteral("first;other;mine"));

    // The same race inside an open transaction: the lost attempt is undone
    // alone, the caller's earlier work and its commit still stand. (SQLite
    // lets one writer at a time, so there the race cannot happen.)
    if (!database.IsPostgres())
        return;
    tried.clear();
    {
        DbTransaction action(db);
        QCOMPARE(db.Execute(ClassInsert(100, QStringLiteral("before"))), 1);
        QCOMPARE(NewKeyInsert(db, QStringLiteral("CustomerClass"), raceOnce, statement), 102);
        QVERIFY(action.Commit());
    }
    QCOMPARE(Names(db), QStringLiteral("first;other;mine;before;other;mine"));
}

void tst_NewKeyInsert::otherFailuresAreNotRetried() {
    TORVEL_TEST_CONNECTION(database);
    int calls = 0;
    QString statement;
    const int key = NewKeyInsert(
        db, QStringLiteral("CustomerClass"),
        [&](int k) {
            ++calls;
            return QStringLiteral("insert into CustomerClass (KeyId,NoSuchColumn) values (%1,0)")
                .arg(k);
        },
        statement);
    QCOMPARE(key, 0);
    QCOMPARE(calls, 1);
    QCOMPARE(statement,
             QStringLiteral("insert into CustomerClass (KeyId,NoSuchColumn) values (1,0)"));
    QVERIFY2(db.GetLastError().contains(QStringLiteral("nosuchcolumn"), Qt::CaseInsensitive),
             qPrintable(db.GetLastError()));

    // A table that cannot be read: the statement named is the one that failed.
    QCOMPARE(NewKeyInsert(
                 db, QStringLiteral("NoSuchTable"), [](int) { return QStringLiteral("select 1"); },
                 statement),
             0);
    QVERIFY(statement.contains(QStringLiteral("max(keyid)")));
    QVERIFY(!db.GetLastError().isEmpty());
}

QTEST_GUILESS_MAIN(tst_NewKeyInsert)
#include "tst_newkeyinsert.moc"
