#include "TestDatabases.h"

#include "db/DbConnection.h"
#include "db/DbTransaction.h"

#include <QtTest>

class tst_DbTransaction : public QObject {
    Q_OBJECT

private slots:
    void commitAndRollback_data() { TestDatabase::AddEngineRows(); }
    void commitAndRollback();
    void savepointsKeepTheRest_data() { TestDatabase::AddEngineRows(); }
    void savepointsKeepTheRest();
};

namespace {
int Count(DbConnection& db, const QString& where) {
    QString out;
    db.JoinColumnValues(QStringLiteral("select count(*) from PayMode where ") + where, out);
    return out.toInt();
}
} // namespace

void tst_DbTransaction::commitAndRollback() {
    TORVEL_TEST_CONNECTION(database);
    {
        DbTransaction kept(db);
        QVERIFY(kept.IsActive());
        QCOMPARE(db.TransactionDepth(), 1);
        QCOMPARE(db.Execute(QStringLiteral("insert into PayMode (Name) values ('kept')")), 1);
        QVERIFY(kept.Commit());
    }
    {
        // Not committed: undone when it goes out of scope.
        DbTransaction dropped(db);
        QCOMPARE(db.Execute(QStringLiteral("insert into PayMode (Name) values ('dropped')")), 1);
    }
    QCOMPARE(db.TransactionDepth(), 0);
    QCOMPARE(Count(db, QStringLiteral("Name='kept'")), 1);
    QCOMPARE(Count(db, QStringLiteral("Name='dropped'")), 0);
}

// A failing row inside a savepoint is undone alone; the rows around it stay,
// also on PostgreSQL, where a failed statement would otherwise poison the
// whole transaction.
void tst_DbTransaction::savepointsKeepTheRest() {
    TORVEL_TEST_CONNECTION(database);
    DbTransaction action(db);
    QVERIFY(action.IsActive());
    for (const QString& value : {QStringLiteral("1"), QStringLiteral("x"), QStringLiteral("3")}) {
        DbTransaction row(db);
        QVERIFY(row.IsActive());
        QCOMPARE(db.TransactionDepth(), 2);
        const QString sql =
            value == u"x"
                ? QStringLiteral("insert into NoSuchTable (Name) values ('x')")
                : QStringLiteral("insert into PayMode (Name) values ('row%1')").arg(value);
        if (db.Execute(sql) == 1)
            QVERIFY(row.Commit());
        else
            row.Rollback();
        QCOMPARE(db.TransactionDepth(), 1);
    }
    QVERIFY(action.Commit());
    QCOMPARE(Count(db, QStringLiteral("Name like 'row%'")), 2);

    // A savepoint released into a transaction that is then rolled back is gone too.
    {
        DbTransaction outer(db);
        DbTransaction inner(db);
        QCOMPARE(db.Execute(QStringLiteral("insert into PayMode (Name) values ('inner')")), 1);
        QVERIFY(inner.Commit());
        outer.Rollback();
    }
    QCOMPARE(Count(db, QStringLiteral("Name='inner'")), 0);
}

QTEST_GUILESS_MAIN(tst_DbTransaction)
#include "tst_dbtransaction.moc"
