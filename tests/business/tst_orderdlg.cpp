#include "RefusingTrigger.h"
#include "ScriptedPrompt.h"
#include "TestDatabases.h"

#include "base/IniFile.h"
#include "business/OrderDlg.h"
#include "business/OrderInput.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QtTest>

class tst_OrderDlg : public QObject {
    Q_OBJECT

private slots:
    void newOrderIsOneRowAndStampsCustomer_data() { TestDatabase::AddEngineRows(); }
    void newOrderIsOneRowAndStampsCustomer();
    void badInputSavesNothing_data() { TestDatabase::AddEngineRows(); }
    void badInputSavesNothing();
    void editKeepsAmountAndNoticesDeletedOrder_data() { TestDatabase::AddEngineRows(); }
    void editKeepsAmountAndNoticesDeletedOrder();
    void refusedWrites_data() { TestDatabase::AddEngineRows(); }
    void refusedWrites();
};

namespace {

const QString kBag = QStringLiteral(".");

const char* kRows = R"(
insert into CustomerData (KeyId,CustomerName,Handler,LastTime)
  values (40,'老客户','zhang','2001-01-01 00:00:00');
insert into OrderData (CustomerId,CustomerName,ProductName,Handler,Price,Quantity,Carriage,FDTotal,
  Bank,FDTime,Comment)
  values (40,'老客户','旧产品','zhang',5,2,1,11,'现金','2008-01-01 08:00:00','old')
)";

QString Value(DbConnection& db, const QString& sql) {
    QString out;
    if (db.JoinColumnValues(sql, out) < 0)
        return QStringLiteral("<failed>");
    return out;
}

int OrderCount(DbConnection& db) {
    return Value(db, QStringLiteral("select count(*) from OrderData")).toInt();
}

int FirstOrderKey(DbConnection& db) {
    return Value(db, QStringLiteral("select min(KeyId) from OrderData")).toInt();
}

void Fill(COrderDlg& form, const QString& price, const QString& quantity, const QString& freight,
          const QString& time) {
    form.Field(QStringLiteral("Price"))->setText(price);
    form.Field(QStringLiteral("Quantity"))->setText(quantity);
    form.Field(QStringLiteral("Carriage"))->setText(freight);
    form.Field(QStringLiteral("FDTime"))->setText(time);
}

} // namespace

void tst_OrderDlg::newOrderIsOneRowAndStampsCustomer() {
    TORVEL_TEST_CONNECTION(database);
    QVERIFY(database.RunScript(QString::fromUtf8(kRows)));
    // A higher key elsewhere in the table's history: the new key must come
    // from the insert, not from a guess.
    QCOMPARE(db.Execute(QStringLiteral("delete from OrderData")), 1);
    ScriptedPrompt prompt;
    OrderFormArgs args;
    args.customerKey = 40;
    IniFile bag;
    {
        COrderDlg form(prompt, db, args, bag);
        QCOMPARE(form.Field(QStringLiteral("CustomerName"))->text(), QStringLiteral("老客户"));
        QCOMPARE(form.Field(QStringLiteral("Handler"))->text(), QStringLiteral("zhang"));
        QCOMPARE(form.Field(QStringLiteral("Quantity"))->text(), QStringLiteral("1"));
        QCOMPARE(form.Field(QStringLiteral("Carriage"))->text(), QStringLiteral("0"));
        QVERIFY(OrderInput::IsValidTime(form.Field(QStringLiteral("FDTime"))->text()));
        QCOMPARE(form.ProductBox()->currentIndex(), -1);

        Fill(form, QStringLiteral("12.5"), QStringLiteral("3"), QStringLiteral("10"),
             QStringLiteral("2008-03-05 10:00:00"));
        QVERIFY(form.OnTotal());
        QCOMPARE(form.Field(QStringLiteral("FDTotal"))->text(), QStringLiteral("47.50"));
        form.ProductBox()->setCurrentIndex(form.ProductBox()->findText(QStringLiteral("专业版")));
        form.BankBox()->setCurrentIndex(form.BankBox()->findText(QStringLiteral("支票")));
        form.Field(QStringLiteral("SerialCode"))->setText(QStringLiteral("S'1 --"));
        form.CommentEdit()->setPlainText(QStringLiteral("it's 100%\n-- next"));
        QVERIFY(form.OnOK());
    }
    QCOMPARE(prompt.Messages(), QStringList());
    const int key = bag.GetInt(kBag, QStringLiteral("KeyId"));
    QCOMPARE(key, 2); // the first row's key is never given again
    QCOMPARE(Value(db, QStringLiteral("select ProductName||'|'||SerialCode||'|'||Bank||'|'||"
                                      "Quantity||'|'||Handler||'|'||CustomerId from OrderData")),
             QStringLiteral("专业版|S'1 --|支票|3|zhang|40"));
    QCOMPARE(Value(db, QStringLiteral("select Comment from OrderData")),
             QStringLiteral("it's 100%\n-- next"));
    QCOMPARE(Value(db, QStringLiteral("select Price+Carriage+FDTotal from OrderData")),
             QStringLiteral("70"));
    QCOMPARE(Value(db, QStringLiteral("select LastTime from CustomerData where KeyId=40")),
             QStringLiteral("2008-03-05 10:00:00"));
    // The bag carries what the list shows.
    QCOMPARE(bag.GetString(kBag, QStringLiteral("FDTotal")), QStringLiteral("47.5"));
    QCOMPARE(bag.GetString(kBag, QStringLiteral("Quantity")), QStringLiteral("3"));
    QCOMPARE(bag.GetString(kBag, QStringLiteral("FDTime")), QStringLiteral("2008-03-05 10:00:00"));
}

void tst_OrderDlg::badInputSavesNothing() {
    TORVEL_TEST_CONNECTION(database);
    QVERIFY(database.RunScript(QString::fromUtf8(kRows)));
    ScriptedPrompt prompt;
    OrderFormArgs args;
    args.customerKey = 40;
    IniFile bag;
    COrderDlg form(prompt, db, args, bag);
    const QString goodTime = QStringLiteral("2008-03-05 10:00:00");
    struct Case {
        QString price, quantity, freight, time, message;
    };
    const QList<Case> cases = {
        {QStringLiteral("12,5"), QStringLiteral("1"), QStringLiteral("0"), goodTime,
         QStringLiteral("价格请用小数点(.)分隔小数，不能用逗号: 12,5")},
        {QString(), QStringLiteral("1"), QStringLiteral("0"), goodTime,
         QStringLiteral("请填写价格")},
        {QStringLiteral("1"), QStringLiteral("x"), QStringLiteral("0"), goodTime,
         QStringLiteral("数量必须是整数: x")},
        {QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("0"),
         QStringLiteral("2008-02-30 10:00:00"),
         OrderInput::TimeError(QStringLiteral("付款时间"), QStringLiteral("2008-02-30 10:00:00"))},
        {QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("0"),
         QStringLiteral("2008-03-05' where 1=1 --"),
         OrderInput::TimeError(QStringLiteral("付款时间"),
                               QStringLiteral("2008-03-05' where 1=1 --"))},
    };
    for (const Case& c : cases) {
        Fill(form, c.price, c.quantity, c.freight, c.time);
        QVERIFY(!form.OnOK());
        QCOMPARE(prompt.LastMessage(), c.message);
        // What was typed stays for the user to correct.
        QCOMPARE(form.Field(QStringLiteral("Price"))->text(), c.price);
    }
    QCOMPARE(OrderCount(db), 1);
    QCOMPARE(Value(db, QStringLiteral("select LastTime from CustomerData where KeyId=40")),
             QStringLiteral("2001-01-01 00:00:00"));
    QCOMPARE(bag.Find(kBag, QStringLiteral("KeyId")), std::nullopt);

    // The amount button says the same instead of counting a typo as 0.
    Fill(form, QStringLiteral("2,5"), QStringLiteral("2"), QStringLiteral("0"), goodTime);
    form.Field(QStringLiteral("FDTotal"))->setText(QStringLiteral("9"));
    QVERIFY(!form.OnTotal());
    QCOMPARE(prompt.LastMessage(), QStringLiteral("价格请用小数点(.)分隔小数，不能用逗号: 2,5"));
    QCOMPARE(form.Field(QStringLiteral("FDTotal"))->text(), QStringLiteral("9"));
}

void tst_OrderDlg::editKeepsAmountAndNoticesDeletedOrder() {
    TORVEL_TEST_CONNECTION(database);
    QVERIFY(database.RunScript(QString::fromUtf8(kRows)));
    const int key = FirstOrderKey(db);
    ScriptedPrompt prompt;
    IniFile bag;
    bag.SetInt(kBag, QStringLiteral("KeyId"), key);
    {
        COrderDlg form(prompt, db, OrderFormArgs(), bag);
        QCOMPARE(form.CustomerKey(), 40);
        // A product no longer sold shows as none chosen; a pay mode still there
        // is chosen.
        QCOMPARE(form.ProductBox()->currentIndex(), -1);
        QCOMPARE(form.BankBox()->currentText(), QStringLiteral("现金"));
        QCOMPARE(form.Field(QStringLiteral("FDTotal"))->text(), QStringLiteral("11"));
        form.Field(QStringLiteral("Quantity"))->setText(QStringLiteral("7"));
        form.Field(QStringLiteral("FDTime"))->setText(QStringLiteral("2008-04-01 09:30:00"));
        QVERIFY(form.OnOK());
    }
    QCOMPARE(prompt.Messages(), QStringList());
    // The amount stays what it was: only 合计 computes it.
    QCOMPARE(Value(db, QStringLiteral("select Quantity from OrderData")), QStringLiteral("7"));
    QCOMPARE(Value(db, QStringLiteral("select FDTotal from OrderData")), QStringLiteral("11"));
    QCOMPARE(Value(db, QStringLiteral("select ProductName||'|'||Bank from OrderData")),
             QStringLiteral("|现金"));
    QCOMPARE(Value(db, QStringLiteral("select LastTime from CustomerData where KeyId=40")),
             QStringLiteral("2008-04-01 09:30:00"));
    QCOMPARE(OrderCount(db), 1);

    // Another desk deletes the order while it is open here.
    COrderDlg form(prompt, db, OrderFormArgs(), bag);
    QCOMPARE(db.Execute(QStringLiteral("delete from OrderData")), 1);
    QVERIFY(!form.OnOK());
    QCOMPARE(prompt.LastMessage(), QStringLiteral("指定的数据不存在!"));
    QCOMPARE(OrderCount(db), 0);

    // Opening it afterwards says so at once, and the empty form is not saved.
    prompt.Reset();
    for (const QString& gone : {QString::number(key), QStringLiteral("1 or 1=1")}) {
        IniFile missing;
        missing.SetString(kBag, QStringLiteral("KeyId"), gone);
        COrderDlg again(prompt, db, OrderFormArgs(), missing);
        QCOMPARE(prompt.LastMessage(), QStringLiteral("指定的数据不存在!"));
        again.Field(QStringLiteral("Price"))->setText(QStringLiteral("1"));
        QVERIFY(!again.OnOK());
        QCOMPARE(OrderCount(db), 0);
    }
}

void tst_OrderDlg::refusedWrites() {
    TORVEL_TEST_CONNECTION(database);
    QVERIFY(database.RunScript(QString::fromUtf8(kRows)));
    ScriptedPrompt prompt;
    OrderFormArgs args;
    args.customerKey = 40;
    IniFile bag;
    // A refused insert: the statement and the reason; nothing stored, no stamp.
    QVERIFY(AddRefusingTrigger(db, QStringLiteral("OrderData"), QStringLiteral("insert"),
                               QStringLiteral("new.SerialCode='bad'")));
    COrderDlg form(prompt, db, args, bag);
    Fill(form, QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("0"),
         QStringLiteral("2008-05-01 00:00:00"));
    form.Field(QStringLiteral("SerialCode"))->setText(QStringLiteral("bad"));
    QVERIFY(!form.OnOK());
    QVERIFY2(prompt.LastMessage().startsWith(QStringLiteral("insert into OrderData(")),
             qPrintable(prompt.LastMessage()));
    QVERIFY(prompt.LastMessage().contains(QStringLiteral("refused")));
    QCOMPARE(OrderCount(db), 1);
    QCOMPARE(Value(db, QStringLiteral("select LastTime from CustomerData where KeyId=40")),
             QStringLiteral("2001-01-01 00:00:00"));

    // A refused stamp is reported, but the order is kept and the form closes.
    // (Only the stamp is refused: the order's insert updates the customer's
    // order total too.)
    QVERIFY(AddRefusingTrigger(db, QStringLiteral("CustomerData"),
                               QStringLiteral("update of LastTime"),
                               QStringLiteral("old.KeyId=40")));
    form.Field(QStringLiteral("SerialCode"))->setText(QStringLiteral("good"));
    QVERIFY(form.OnOK());
    QVERIFY2(prompt.LastMessage().startsWith(QStringLiteral(
                 "update CustomerData set LastTime='2008-05-01 00:00:00' where KeyId=40\r\n")),
             qPrintable(prompt.LastMessage()));
    QCOMPARE(OrderCount(db), 2);
    QCOMPARE(Value(db, QStringLiteral("select count(*) from OrderData where SerialCode='good'")),
             QStringLiteral("1"));
}

QTEST_MAIN(tst_OrderDlg)
#include "tst_orderdlg.moc"
