#include "base/CNumber.h"
#include "db/FieldInfoList.h"
#include "db/InsertBuilder.h"
#include "db/QueryBinder.h"
#include "db/UpdateBuilder.h"

#include <QLocale>
#include <QtTest>

using namespace Qt::StringLiterals;

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
    builder.SetTable(u"CustomerData"_s);
    QVERIFY(builder.Build().isNull()); // nothing set: the caller skips the write

    // A German desktop writes 1,5 for one and a half; SQL must not.
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    builder.SetLong(u"KeyId"_s, -2147483647 - 1);
    builder.SetText(u"CustomerName"_s, u"李四's"_s);
    builder.SetDouble(u"Price"_s, 1234.5);
    builder.SetText(u"Comment"_s, u"'"_s);
    builder.SetText(u"Memo"_s, QString());
    const QString sql = builder.Build();
    QLocale::setDefault(before);
    QCOMPARE(sql, u"insert into CustomerData(KeyId,CustomerName,Price,Comment,Memo) "
                  "values (-2147483648,'李四''s',1234.500000,'''','')"_s);

    // Setting a column again replaces its value and keeps the pairs together.
    builder.SetDouble(u"KeyId"_s, 1.0000005);
    QVERIFY(builder.Build().startsWith(
        u"insert into CustomerData(KeyId,CustomerName,Price,Comment,Memo) values (1.000001,"_s));
    builder.Clear();
    QVERIFY(builder.Build().isNull());
}

void tst_Builders::updateStatement() {
    UpdateBuilder builder;
    builder.SetTable(u"T"_s);
    builder.AddCondition(u"KeyId=12"_s);
    QVERIFY(builder.Build().isNull());
    builder.SetText(u"A"_s, u"x"_s);
    builder.SetLong(u"B"_s, 5);
    QCOMPARE(builder.Build(), u"update T set A ='x',B =5 where KeyId=12"_s);
    builder.AddCondition(u"Handler='admin'"_s);
    builder.SetDouble(u"C"_s, -0.1);
    QCOMPARE(builder.Build(), u"update T set A ='x',B =5,C =-0.100000 where "
                              "KeyId=12 and Handler='admin'"_s);

    // Without a condition every row is updated; a text ending in a comma
    // keeps it, only the separator is trimmed.
    UpdateBuilder all;
    all.SetTable(u"CustomerData"_s);
    all.SetText(u"ClassPath"_s, u"未分类,"_s);
    QCOMPARE(all.Build(), u"update CustomerData set ClassPath ='未分类,'"_s);
}

void tst_Builders::selectAndWhere() {
    QueryBinder binder;
    binder.SetTable(u"CustomerData"_s);
    binder.AddCondition(u"IsProvider<1"_s);
    QVERIFY(binder.BuildSelect().isNull());
    QVERIFY(binder.BuildWhere().isNull());

    binder.AddColumn(u"KeyId"_s, u"编号"_s);
    binder.AddColumn(u"CustomerName"_s);
    QCOMPARE(binder.BuildSelect(),
             u"select KeyId,CustomerName from CustomerData where IsProvider<1 "_s);
    binder.SetOrderClause(u" order by LastTime desc "_s);
    binder.AddCondition(u"Handler='张三'"_s);
    QCOMPARE(binder.BuildSelect(),
             u"select KeyId,CustomerName from CustomerData where IsProvider<1 and "
             "Handler='张三'  order by LastTime desc "_s);
    QCOMPARE(binder.BuildWhere(), u" where IsProvider<1 and Handler='张三'"_s);
    binder.ClearConditions();
    QVERIFY(!binder.BuildWhere().isNull());
    QVERIFY(binder.BuildWhere().isEmpty());
}

void tst_Builders::fieldInfoLookups() {
    FieldInfoList list;
    QCOMPARE(list.GetType(u"x"_s), 200);
    list.Add(u"CustomerName"_s, u"客户名称"_s);
    list.Add(u"Quantity"_s, u"数量"_s, u"1"_s, 3);
    list.Add(u"Price"_s, u"单价"_s, QString(), 5);
    list.Add(u"Memo"_s, u"备注"_s, QString(), 0);
    list.Add(u"Remark"_s, u"price"_s); // a caption like a name

    QCOMPARE(list.GetType(u"QUANTITY"_s), 3);
    QCOMPARE(list.GetType(u"Memo"_s), 200);
    QCOMPARE(list.GetType(u"数量"_s), 200); // types go by name only
    QCOMPARE(list.GetDefault(u"quantity"_s), u"1"_s);
    QVERIFY(list.GetDefault(u"Nothing"_s).isNull());
    QCOMPARE(list.NameOf(u"客户名称"_s), u"CustomerName"_s);
    QCOMPARE(list.CaptionOf(u"CUSTOMERNAME"_s), u"客户名称"_s);
    QCOMPARE(list.CaptionOf(u"price"_s), u"单价"_s); // first match
    QVERIFY(list.NameOf(u"Phone"_s).isNull());
}

void tst_Builders::cNumbers() {
    QCOMPARE(AtoF(u"  -3.25abc"_s), -3.25);
    QCOMPARE(AtoF(u"+.5"_s), 0.5);
    QCOMPARE(AtoF(u"1.e2x"_s), 100.0);
    QCOMPARE(AtoF(u"2e"_s), 2.0);
    QCOMPARE(AtoF(u"12,5"_s), 12.0);
    QCOMPARE(AtoF(u"１２"_s), 0.0); // full-width digits are no digits to atof
}

QTEST_GUILESS_MAIN(tst_Builders)
#include "tst_builders.moc"
