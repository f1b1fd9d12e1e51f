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
};

namespace {
QString ClassInsert(int key, const QString& name) {
    return QStringLiteral("insert into CustomerClass (KeyId,Name) values (%1,'%2')")
        .arg(key)
        .arg(name);
}
} // namespace

// Two desks read the same largest key; the second desk stores its row under
// that key first, so the first desk's insert collides and must go on with the
// next key, also inside a transaction of its caller. Any other failure is not
// tried again.
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

    QString names;
    db.JoinColumnValues(QStringLiteral("select Name from CustomerClass order by KeyId"), names);
    QCOMPARE(names, QStringLiteral("first;other;mine"));

    tried = {0};
    QCOMPARE(NewKeyInsert(
                 db, QStringLiteral("CustomerClass"),
                 [&](int key) {
                     tried.append(key);
                     return QStringLiteral("insert into CustomerClass (KeyId,NoSuchColumn) "
                                           "values (%1,0)")
                         .arg(key);
                 },
                 statement),
             0);
    QCOMPARE(tried, QList<int>({0, 8}));
    QVERIFY(statement.endsWith(QStringLiteral("values (8,0)")));
    QVERIFY(db.GetLastError().contains(QStringLiteral("nosuchcolumn"), Qt::CaseInsensitive));

    // SQLite lets one writer at a time, so only PostgreSQL can race inside a
    // transaction: the lost attempt is undone alone, the caller's work stays.
    if (!database.IsPostgres())
        return;
    tried.clear();
    DbTransaction action(db);
    QCOMPARE(db.Execute(ClassInsert(100, QStringLiteral("before"))), 1);
    QCOMPARE(NewKeyInsert(db, QStringLiteral("CustomerClass"), raceOnce, statement), 102);
    QVERIFY(action.Commit());
    db.JoinColumnValues(QStringLiteral("select Name from CustomerClass where KeyId>=100 order by KeyId"), names);
    QCOMPARE(names, QStringLiteral("before;other;mine"));
}

QTEST_GUILESS_MAIN(tst_NewKeyInsert)
#include "tst_newkeyinsert.moc"
