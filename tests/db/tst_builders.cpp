#include "base/CNumber.h"
#include "db/FieldInfoList.h"
#include "db/InsertBuilder.h"
#include "db/QueryBinder.h"
#include "db/UpdateBuilder.h"

#include <QLocale>
#include <QtTest>

// The statement texts every form and view writes records and reads lists with.
class tst_Builders : public QObject {
    Q_OBJECT

private slots:
    void insertStatement();
    void updateStatement();
    void selectAndWhere();
    void fieldInfoLookups();
    void cNumbers();
};

void tst_Builders::insertStatement() {
    InsertBuilder builder;
    builder.SetTable(QStringLiteral("CustomerData"));
    QVERIFY(builder.Build().isNull()); // nothing set: the caller skips the write

    // A German desktop writes 1,5 for one and a half; SQL must not.
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    builder.SetLong(QStringLiteral("KeyId"), -2147483647 - 1);
    builder.SetText(QStringLiteral("CustomerName"), QStringLiteral("李四's"));
    builder.SetDouble(QStringLiteral("Price"), 1234.5);
    builder.SetText(QStringLiteral("Comment"), QStringLiteral("'"));
    builder.SetText(QStringLiteral("Memo"), QString());
    const QString sql = builder.Build();
    QLocale::setDefault(before);
    QCOMPARE(sql, QStringLiteral("insert into CustomerData(KeyId,CustomerName,Price,Comment,Memo) "
                                 "values (-2147483648,'李四''s',1234.500000,'''','')"));

    // Setting a column again replaces its value and keeps the pairs together.
    builder.SetDouble(QStringLiteral("KeyId"), 1.0000005);
    QVERIFY(builder.Build().startsWith(QStringLiteral(
        "insert into CustomerData(KeyId,CustomerName,Price,Comment,Memo) values (1.000001,")));
    builder.Clear();
    QVERIFY(builder.Build().isNull());
}

void tst_Builders::updateStatement() {
    UpdateBuilder builder;
    builder.SetTable(QStringLiteral("T"));
    builder.AddCondition(QStringLiteral("KeyId=12"));
    QVERIFY(builder.Build().isNull());
    builder.SetText(QStringLiteral("A"), QStringLiteral("x"));
    builder.SetLong(QStringLiteral("B"), 5);
    QCOMPARE(builder.Build(), QStringLiteral("update T set A ='x',B =5 where KeyId=12"));
    builder.AddCondition(QStringLiteral("Handler='admin'"));
    builder.SetDouble(QStringLiteral("C"), -0.1);
    QCOMPARE(builder.Build(), QStringLiteral("update T set A ='x',B =5,C =-0.100000 where "
                                             "KeyId=12 and Handler='admin'"));

    // Without a condition every row is updated; a text ending in a comma
    // keeps it, only the separator is trimmed.
    UpdateBuilder all;
    all.SetTable(QStringLiteral("CustomerData"));
    all.SetText(QStringLiteral("ClassPath"), QStringLiteral("未分类,"));
    QCOMPARE(all.Build(), QStringLiteral("update CustomerData set ClassPath ='未分类,'"));
}

void tst_Builders::selectAndWhere() {
    QueryBinder binder;
    binder.SetTable(QStringLiteral("CustomerData"));
    binder.AddCondition(QStringLiteral("IsProvider<1"));
    QVERIFY(binder.BuildSelect().isNull());
    QVERIFY(binder.BuildWhere().isNull());

    binder.AddColumn(QStringLiteral("KeyId"), QStringLiteral("编号"));
    binder.AddColumn(QStringLiteral("CustomerName"));
    QCOMPARE(binder.BuildSelect(),
             QStringLiteral("select KeyId,CustomerName from CustomerData where IsProvider<1 "));
    binder.SetOrderClause(QStringLiteral(" order by LastTime desc "));
    binder.AddCondition(QStringLiteral("Handler='张三'"));
    QCOMPARE(binder.BuildSelect(),
             QStringLiteral("select KeyId,CustomerName from CustomerData where IsProvider<1 and "
                            "Handler='张三'  order by LastTime desc "));
    QCOMPARE(binder.BuildWhere(), QStringLiteral(" where IsProvider<1 and Handler='张三'"));
    binder.ClearConditions();
    QVERIFY(!binder.BuildWhere().isNull());
    QVERIFY(binder.BuildWhere().isEmpty());

    // Columns are found by text or caption, case ignored.
    QCOMPARE(binder.GetCaption(1), QStringLiteral("CustomerName"));
    QCOMPARE(binder.FindColumn(QStringLiteral("keyid")), 0);
    QCOMPARE(binder.FindColumn(QStringLiteral("编号")), 0);
    QCOMPARE(binder.FindColumn(QStringLiteral("Phone")), -1);
}

void tst_Builders::fieldInfoLookups() {
    FieldInfoList list;
    QCOMPARE(list.GetType(QStringLiteral("x")), 200);
    list.Add(QStringLiteral("CustomerName"), QStringLiteral("客户名称"));
    list.Add(QStringLiteral("Quantity"), QStringLiteral("数量"), QStringLiteral("1"), 3);
    list.Add(QStringLiteral("Price"), QStringLiteral("单价"), QString(), 5);
    list.Add(QStringLiteral("Memo"), QStringLiteral("备注"), QString(), 0);
    list.Add(QStringLiteral("Remark"), QStringLiteral("price")); // a caption like a name

    QCOMPARE(list.GetType(QStringLiteral("QUANTITY")), 3);
    QCOMPARE(list.GetType(QStringLiteral("Memo")), 200);
    QCOMPARE(list.GetType(QStringLiteral("数量")), 200); // types go by name only
    QCOMPARE(list.GetDefault(QStringLiteral("quantity")), QStringLiteral("1"));
    QVERIFY(list.GetDefault(QStringLiteral("Nothing")).isNull());
    QCOMPARE(list.NameOf(QStringLiteral("客户名称")), QStringLiteral("CustomerName"));
    QCOMPARE(list.CaptionOf(QStringLiteral("CUSTOMERNAME")), QStringLiteral("客户名称"));
    QCOMPARE(list.CaptionOf(QStringLiteral("price")), QStringLiteral("单价")); // first match
    QVERIFY(list.NameOf(QStringLiteral("Phone")).isNull());
}

void tst_Builders::cNumbers() {
    QCOMPARE(AtoF(QStringLiteral("  -3.25abc")), -3.25);
    QCOMPARE(AtoF(QStringLiteral("+.5")), 0.5);
    QCOMPARE(AtoF(QStringLiteral("1.e2x")), 100.0);
    QCOMPARE(AtoF(QStringLiteral("2e")), 2.0);
    QCOMPARE(AtoF(QStringLiteral("12,5")), 12.0);
    QCOMPARE(AtoF(QStringLiteral("１２")), 0.0); // full-width digits are no digits to atof
}

QTEST_GUILESS_MAIN(tst_Builders)
#include "tst_builders.moc"
