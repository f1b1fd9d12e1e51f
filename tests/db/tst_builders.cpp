#include "db/CNumber.h"
#include "db/FieldInfoList.h"
#include "db/InsertBuilder.h"
#include "db/QueryBinder.h"
#include "db/SqlLiteral.h"
#include "db/UpdateBuilder.h"

#include <QLocale>
#include <QtTest>

#include <clocale>

// The statement texts every form and view writes records and reads lists with.
class tst_Builders : public QObject {
    Q_OBJECT

private slots:
    void literals();
    void literalsIgnoreTheDesktopLocale();
    void insertStatement();
    void updateStatement();
    void selectAndWhere();
    void fieldInfoLookups();
    void cNumbers();
};

void tst_Builders::literals() {
    QCOMPARE(SqlLiteral::Text(QStringLiteral("O'Brien")), QStringLiteral("'O''Brien'"));
    QCOMPARE(SqlLiteral::Text(QStringLiteral("'")), QStringLiteral("''''"));
    QCOMPARE(SqlLiteral::Text(QStringLiteral("''x'")), QStringLiteral("'''''x'''"));
    QCOMPARE(SqlLiteral::Text(QString()), QStringLiteral("''"));
    QCOMPARE(SqlLiteral::Text(QStringLiteral("张三's 公司")), QStringLiteral("'张三''s 公司'"));
    // Double quotes and backslashes are no escape characters in this dialect.
    QCOMPARE(SqlLiteral::Text(QStringLiteral("a\"b\\c")), QStringLiteral("'a\"b\\c'"));

    QCOMPARE(SqlLiteral::Long(0), QStringLiteral("0"));
    QCOMPARE(SqlLiteral::Long(-42), QStringLiteral("-42"));
    QCOMPARE(SqlLiteral::Long(2147483647), QStringLiteral("2147483647"));
    QCOMPARE(SqlLiteral::Long(-2147483647 - 1), QStringLiteral("-2147483648"));

    QCOMPARE(SqlLiteral::Double(12.5), QStringLiteral("12.500000"));
    QCOMPARE(SqlLiteral::Double(0.0), QStringLiteral("0.000000"));
    QCOMPARE(SqlLiteral::Double(-0.1), QStringLiteral("-0.100000"));
    QCOMPARE(SqlLiteral::Double(1.0000005), QStringLiteral("1.000001"));
    QCOMPARE(SqlLiteral::Double(1234567.25), QStringLiteral("1234567.250000"));
}

void tst_Builders::literalsIgnoreTheDesktopLocale() {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const char* cBefore = std::setlocale(LC_NUMERIC, nullptr);
    const std::string cSaved = cBefore ? cBefore : "C";
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8"); // may not be installed; Qt's default still is

    InsertBuilder insert;
    insert.SetTable(QStringLiteral("OrderData"));
    insert.SetDouble(QStringLiteral("Price"), 1234.5);
    insert.SetLong(QStringLiteral("Quantity"), 1000000);
    const QString sql = insert.Build();
    const double parsed = AtoF(QStringLiteral("12.5"));

    std::setlocale(LC_NUMERIC, cSaved.c_str());
    QLocale::setDefault(before);
    QCOMPARE(sql,
             QStringLiteral("insert into OrderData(Price,Quantity) values (1234.500000,1000000)"));
    QCOMPARE(parsed, 12.5);
}

void tst_Builders::insertStatement() {
    InsertBuilder builder;
    builder.SetTable(QStringLiteral("CustomerData"));
    QVERIFY(builder.Build().isNull()); // nothing set: the caller skips the write

    builder.SetLong(QStringLiteral("KeyId"), 7);
    builder.SetText(QStringLiteral("CustomerName"), QStringLiteral("李四's"));
    builder.SetDouble(QStringLiteral("Price"), 3.25);
    builder.SetText(QStringLiteral("Comment"), QString());
    QCOMPARE(builder.Build(),
             QStringLiteral("insert into CustomerData(KeyId,CustomerName,Price,Comment) values "
                            "(7,'李四''s',3.250000,'')"));

    // Setting a column again replaces its value and keeps the pairs together.
    builder.SetText(QStringLiteral("KeyId"), QStringLiteral("x"));
    QCOMPARE(builder.Build(),
             QStringLiteral("insert into CustomerData(KeyId,CustomerName,Price,Comment) values "
                            "('x','李四''s',3.250000,'')"));
    QCOMPARE(builder.Statement(), builder.Build());

    builder.Clear();
    QVERIFY(builder.Build().isNull());
    QVERIFY(builder.Statement().isEmpty());
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
    builder.SetDouble(QStringLiteral("C"), -2);
    QCOMPARE(builder.Build(), QStringLiteral("update T set A ='x',B =5,C =-2.000000 where "
                                             "KeyId=12 and Handler='admin'"));

    // Without a condition every row is updated.
    UpdateBuilder all;
    all.SetTable(QStringLiteral("CustomerData"));
    all.SetText(QStringLiteral("ClassPath"), QStringLiteral("未分类/"));
    QCOMPARE(all.Build(), QStringLiteral("update CustomerData set ClassPath ='未分类/'"));
    // A text ending in a comma keeps it: only the separators are trimmed.
    all.SetText(QStringLiteral("ClassPath"), QStringLiteral("a,"));
    QCOMPARE(all.Build(), QStringLiteral("update CustomerData set ClassPath ='a,'"));
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
    QCOMPARE(binder.GetSelectText(), binder.BuildSelect());
    QCOMPARE(binder.BuildWhere(), QStringLiteral(" where IsProvider<1 and Handler='张三'"));

    binder.ClearConditions();
    QVERIFY(!binder.BuildWhere().isNull());
    QCOMPARE(binder.BuildWhere(), QString());
    QCOMPARE(
        binder.BuildSelect(),
        QStringLiteral("select KeyId,CustomerName from CustomerData  order by LastTime desc "));

    // Captions and column lookups ignore case; a column without caption shows itself.
    QCOMPARE(binder.GetCaption(0), QStringLiteral("编号"));
    QCOMPARE(binder.GetCaption(1), QStringLiteral("CustomerName"));
    QCOMPARE(binder.GetCaption(2), QString());
    QCOMPARE(binder.FindColumn(QStringLiteral("keyid")), 0);
    QCOMPARE(binder.FindColumn(QStringLiteral("编号")), 0);
    QCOMPARE(binder.FindColumn(QStringLiteral("CUSTOMERNAME")), 1);
    QCOMPARE(binder.FindColumn(QStringLiteral("Phone")), -1);
    QCOMPARE(binder.FindColumn(QString()), -1);
}

void tst_Builders::fieldInfoLookups() {
    FieldInfoList empty;
    QCOMPARE(empty.GetType(QStringLiteral("x")), 200);
    QVERIFY(empty.GetDefault(QStringLiteral("x")).isNull());
    QVERIFY(empty.NameOf(QStringLiteral("x")).isNull());

    FieldInfoList list;
    list.Add(QStringLiteral("CustomerName"), QStringLiteral("客户名称"));
    list.Add(QStringLiteral("Quantity"), QStringLiteral("数量"), QStringLiteral("1"), 3);
    list.Add(QStringLiteral("Price"), QStringLiteral("单价"), QString(), 5);
    list.Add(QStringLiteral("Memo"), QStringLiteral("备注"), QString(), 0);
    // A caption equal to another field's name: the first match wins.
    list.Add(QStringLiteral("Remark"), QStringLiteral("price"));

    QCOMPARE(list.Count(), 5);
    QCOMPARE(list.GetType(QStringLiteral("QUANTITY")), 3);
    QCOMPARE(list.GetType(QStringLiteral("price")), 5);
    QCOMPARE(list.GetType(QStringLiteral("Memo")), 200);
    QCOMPARE(list.GetType(QStringLiteral("数量")), 200); // types are looked up by name only
    QCOMPARE(list.GetDefault(QStringLiteral("quantity")), QStringLiteral("1"));
    QVERIFY(!list.GetDefault(QStringLiteral("Price")).isNull());
    QVERIFY(list.GetDefault(QStringLiteral("Price")).isEmpty());
    QVERIFY(list.GetDefault(QStringLiteral("Nothing")).isNull());

    QCOMPARE(list.NameOf(QStringLiteral("客户名称")), QStringLiteral("CustomerName"));
    QCOMPARE(list.NameOf(QStringLiteral("customername")), QStringLiteral("CustomerName"));
    QCOMPARE(list.CaptionOf(QStringLiteral("CUSTOMERNAME")), QStringLiteral("客户名称"));
    QCOMPARE(list.CaptionOf(QStringLiteral("数量")), QStringLiteral("数量"));
    QCOMPARE(list.NameOf(QStringLiteral("PRICE")), QStringLiteral("Price"));
    QCOMPARE(list.CaptionOf(QStringLiteral("price")), QStringLiteral("单价"));
    QVERIFY(list.NameOf(QStringLiteral("Phone")).isNull());
    QVERIFY(list.CaptionOf(QStringLiteral("Phone")).isNull());
}

void tst_Builders::cNumbers() {
    QCOMPARE(AtoF(QStringLiteral("12.5")), 12.5);
    QCOMPARE(AtoF(QStringLiteral("  -3.25abc")), -3.25);
    QCOMPARE(AtoF(QStringLiteral("+7")), 7.0);
    QCOMPARE(AtoF(QStringLiteral(".5")), 0.5);
    QCOMPARE(AtoF(QStringLiteral("-.5")), -0.5);
    QCOMPARE(AtoF(QStringLiteral("5.")), 5.0);
    QCOMPARE(AtoF(QStringLiteral("1.5e3x")), 1500.0);
    QCOMPARE(AtoF(QStringLiteral("2e")), 2.0);
    QCOMPARE(AtoF(QStringLiteral("1.e2")), 100.0);
    QCOMPARE(AtoF(QStringLiteral("12,5")), 12.0);
    QCOMPARE(AtoF(QStringLiteral("")), 0.0);
    QCOMPARE(AtoF(QStringLiteral("abc")), 0.0);
    QCOMPARE(AtoF(QStringLiteral(".")), 0.0);
    QCOMPARE(AtoF(QStringLiteral("-")), 0.0);
    QCOMPARE(AtoF(QStringLiteral("１２")), 0.0); // full-width digits are no digits to atof
}

QTEST_GUILESS_MAIN(tst_Builders)
#include "tst_builders.moc"
