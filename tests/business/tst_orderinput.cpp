#include "business/OrderInput.h"
#include "business/OrderSearchDlg.h"

#include <QtTest>

// What the order form accepts as numbers and times, and the month condition of
// the order search: the rules that decide whether a typo is stored.
class tst_OrderInput : public QObject {
    Q_OBJECT

private slots:
    void money_data();
    void money();
    void quantityAndTime();
    void amountAndMonth();
};

void tst_OrderInput::money_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("error");
    QTest::newRow("decimal") << QStringLiteral(" 12.5 ") << true << 12.5 << QString();
    QTest::newRow("negative") << QStringLiteral("-3") << true << -3.0 << QString();
    QTest::newRow("leading point") << QStringLiteral(".5") << true << 0.5 << QString();
    QTest::newRow("comma") << QStringLiteral("12,5") << false << 0.0
                           << QStringLiteral("价格请用小数点(.)分隔小数，不能用逗号: 12,5");
    QTest::newRow("full-width comma")
        << QStringLiteral("12，5") << false << 0.0
        << QStringLiteral("价格请用小数点(.)分隔小数，不能用逗号: 12，5");
    QTest::newRow("empty") << QStringLiteral("  ") << false << 0.0 << QStringLiteral("请填写价格");
    QTest::newRow("text") << QStringLiteral("12元") << false << 0.0
                          << QStringLiteral("价格不是有效的数字: 12元");
    QTest::newRow("exponent") << QStringLiteral("1e400") << false << 0.0
                              << QStringLiteral("价格不是有效的数字: 1e400");
    QTest::newRow("two points") << QStringLiteral("1.2.3") << false << 0.0
                                << QStringLiteral("价格不是有效的数字: 1.2.3");
}

void tst_OrderInput::money() {
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(double, value);
    QFETCH(QString, error);
    double parsed = -1;
    QString why;
    QCOMPARE(OrderInput::ParseMoney(QStringLiteral("价格"), text, parsed, why), ok);
    QCOMPARE(why, error);
    if (ok)
        QCOMPARE(parsed, value);
    // Only where the caller allows it does an empty box mean a value.
    const double zero = 0;
    QVERIFY(OrderInput::ParseMoney(QStringLiteral("金额"), QString(), parsed, why, &zero));
    QCOMPARE(parsed, 0.0);
}

void tst_OrderInput::quantityAndTime() {
    qint32 quantity = 0;
    QString error;
    QVERIFY(
        OrderInput::ParseQuantity(QStringLiteral("数量"), QStringLiteral(" -2 "), quantity, error));
    QCOMPARE(quantity, -2);
    for (const QString& bad : {QStringLiteral("1.5"), QStringLiteral("3个"),
                               QStringLiteral("2147483648"), QStringLiteral("1 or 1=1")}) {
        QVERIFY2(!OrderInput::ParseQuantity(QStringLiteral("数量"), bad, quantity, error),
                 qPrintable(bad));
        QCOMPARE(error, QStringLiteral("数量必须是整数: ") + bad);
    }
    QVERIFY(!OrderInput::ParseQuantity(QStringLiteral("数量"), QString(), quantity, error));
    QCOMPARE(error, QStringLiteral("请填写数量"));

    QVERIFY(OrderInput::IsValidTime(QStringLiteral("2008-03-05 10:00:00")));
    QVERIFY(OrderInput::IsValidTime(QStringLiteral("2008-02-29 23:59:59")));
    for (const QString& bad :
         {QStringLiteral("2007-02-29 10:00:00"), QStringLiteral("2008-03-05 24:00:00"),
          QStringLiteral("2008-3-5 10:00:00"), QStringLiteral("2008-03-05"),
          QStringLiteral("2008-03-05T10:00:00"), QStringLiteral("2008-03-05 10:00:00'"),
          QStringLiteral("明天")})
        QVERIFY2(!OrderInput::IsValidTime(bad), qPrintable(bad));
}

void tst_OrderInput::amountAndMonth() {
    QCOMPARE(OrderInput::AmountText(12.5, 3, 10), QStringLiteral("47.50"));
    QCOMPARE(OrderInput::AmountText(0.1, 3, 0), QStringLiteral("0.30"));

    QString next;
    QVERIFY(OrderInput::ParseMonth(QStringLiteral("2008-12"), next));
    QCOMPARE(next, QStringLiteral("2009-01"));
    QVERIFY(!OrderInput::ParseMonth(QStringLiteral("2008-13"), next));
    QVERIFY(!OrderInput::ParseMonth(QStringLiteral("2008-3"), next));
    // A month is a range the index answers, kept exact by the like; anything
    // else is only the like, with its quote doubled.
    QCOMPARE(MonthCondition(QStringLiteral("2008-03")),
             QStringLiteral("(FDTime >= '2008-03' and FDTime < '2008-04' and FDTime like "
                            "'2008-03%')"));
    QCOMPARE(MonthCondition(QStringLiteral("2008' or '1'='1")),
             QStringLiteral("(FDTime like '2008'' or ''1''=''1%')"));
}

QTEST_GUILESS_MAIN(tst_OrderInput)
#include "tst_orderinput.moc"
