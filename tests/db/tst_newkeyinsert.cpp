#include "TestDatabases.h"

#include "db/DbConnection.h"
#include "db/NewKeyInsert.h"

#include <QtTest>

class tst_NewKeyInsert : public QObject {
    Q_OBJECT

private slots:
    void secondDeskTakesTheKey_data() { TestDatabase::AddEngineRows(); }
    void secondDeskTakesTheKey();
};

// Two desks read the same largest key; the other desk stores its row under
// that key first, so this desk's insert collides and goes on with the next
// key. Any other failure is not tried again.
void tst_NewKeyInsert::secondDeskTakesTheKey() {
    TORVEL_TEST_CONNECTION(database);
    DbConnection other;
    QCOMPARE(other.Open(database.ConnectionString()), 1);
    const QString insert =
        QStringLiteral("insert into CustomerClass (KeyId,Name) values (%1,'%2')");
    QCOMPARE(db.Execute(insert.arg(5).arg(QStringLiteral("first"))), 1);

    QList<int> tried;
    auto statementFor = [&](int key) {
        if (tried.isEmpty())
            other.Execute(insert.arg(key).arg(QStringLiteral("other")));
        tried.append(key);
        return insert.arg(key).arg(tried.size() < 3 ? QStringLiteral("mine")
                                                    : QStringLiteral("x',"));
    };
    QString statement;
    QCOMPARE(NewKeyInsert(db, QStringLiteral("CustomerClass"), statementFor, statement), 7);
    QCOMPARE(tried, QList<int>({6, 7}));
    QString names;
    db.JoinColumnValues(QStringLiteral("select Name from CustomerClass order by KeyId"), names);
    QCOMPARE(names, QStringLiteral("first;other;mine"));

    QCOMPARE(NewKeyInsert(db, QStringLiteral("CustomerClass"), statementFor, statement), 0);
    QCOMPARE(tried, QList<int>({6, 7, 8}));
    QCOMPARE(statement, insert.arg(8).arg(QStringLiteral("x',")));
    QVERIFY(!db.GetLastError().isEmpty());
}

QTEST_GUILESS_MAIN(tst_NewKeyInsert)
#include "tst_newkeyinsert.moc"
