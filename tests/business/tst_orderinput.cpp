#include "business/OrderInput.h"
#include "business/OrderSearchDlg.h"

#include <QtTest>

// What the order form takes as a number or a time, and the month condition of
// the order search: the rules that decide whether a typo is stored. (The form
// test checks the messages of the common mistakes.)
class tst_OrderInput : public QObject {
    Q_OBJECT

private slots:
    void numbersAndTimes();
    void amountAndMonth();
};

void tst_OrderInput::numbersAndTimes() {
    double money = -1;
    qint32 quantity = 0;
    QString error;
    QVERIFY(OrderInput::ParseMoney(QStringLiteral("价格"), QStringLiteral(" -.5 "), money, error));
    QCOMPARE(money, -0.5);
    for (const QString& bad : {QStringLiteral("1e400"), QStringLiteral("1.2.3"),
                               QStringLiteral("0x10"), QStringLiteral("1 or 1=1")})
        QVERIFY2(!OrderInput::ParseMoney(QStringLiteral("价格"), bad, money, error),
                 qPrintable(bad));
    QVERIFY(!OrderInput::ParseMoney(QStringLiteral("价格"), QStringLiteral("12，5"), money, error));
    QCOMPARE(error, QStringLiteral("价格请用小数点(.)分隔小数，不能用逗号: 12，5"));
    // Only where the caller allows it does an empty box mean a value.
    const double zero = 0;
    QVERIFY(
        OrderInput::ParseMoney(QStringLiteral("金额"), QStringLiteral(" "), money, error, &zero));
    QCOMPARE(money, 0.0);

    QVERIFY(
        OrderInput::ParseQuantity(QStringLiteral("数量"), QStringLiteral(" -2 "), quantity, error));
    QCOMPARE(quantity, -2);
    for (const QString& bad : {QStringLiteral("1.5"), QStringLiteral("2147483648")})
        QVERIFY2(!OrderInput::ParseQuantity(QStringLiteral("数量"), bad, quantity, error),
                 qPrintable(bad));

    QVERIFY(OrderInput::IsValidTime(QStringLiteral("2008-02-29 23:59:59")));
    for (const QString& bad :
         {QStringLiteral("2007-02-29 10:00:00"), QStringLiteral("2008-03-05 24:00:00"),
          QStringLiteral("2008-3-5 10:00:00"), QStringLiteral("2008-03-05"),
          QStringLiteral("2008-03-05T10:00:00"), QStringLiteral("明天")})
        QVERIFY2(!OrderInput::IsValidTime(bad), qPrintable(bad));
}

void tst_OrderInput::amountAndMonth() {
    QCOMPARE(OrderInput::AmountText(0.1, 3, 0), QStringLiteral("0.30"));
    QString next;
    QVERIFY(OrderInput::ParseMonth(QStringLiteral("2008-12"), next));
    QCOMPARE(next, QStringLiteral("2009-01"));
    QVERIFY(!OrderInput::ParseMonth(QStringLiteral("2008-13"), next));
    QVERIFY(!OrderInput::ParseMonth(QStringLiteral("9999-12"), next));
    // A month is a range the index answers, kept exact by the like; anything
    // else is only the like, with its quotes doubled.
    QCOMPARE(MonthCondition(QStringLiteral("2008-03")),
             QStringLiteral("(FDTime >= '2008-03' and FDTime < '2008-04' and FDTime like "
                            "'2008-03%')"));
    QCOMPARE(MonthCondition(QStringLiteral("2008' or '1'='1")),
             QStringLiteral("(FDTime like '2008'' or ''1''=''1%')"));
}

QTEST_GUILESS_MAIN(tst_OrderInput)
#include "tst_orderinput.moc"
