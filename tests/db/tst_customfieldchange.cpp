// User-defined columns: the definitions and the table change together or not
// at all, on both engines.
#include "RefusingTrigger.h"
#include "TestDatabases.h"

#include "db/CustomFieldChange.h"
#include "db/CustomFields.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class tst_CustomFieldChange : public QObject {
    Q_OBJECT

private slots:
    void addRetypeRemove_data() { TestDatabase::AddEngineRows(); }
    void addRetypeRemove();
    void refusals_data() { TestDatabase::AddEngineRows(); }
    void refusals();
    void failedDefinitionUndoesAlter_data() { TestDatabase::AddEngineRows(); }
    void failedDefinitionUndoesAlter();
    void busyTableTimesOut();
    void namesAndChoices();
};

namespace {

QString Value(DbConnection& db, const QString& sql) {
    QString out;
    if (db.JoinColumnValues(sql, out) < 0)
        return u"<failed: "_s + db.GetLastError() + u'>';
    return out;
}

bool HasColumn(DbConnection& db, const QString& column) {
    DbRecordset rs(db);
    if (!rs.Open(u"select * from OrderData where 1=0"_s))
        return false;
    for (int i = 0; i < rs.GetFieldCount(); ++i) {
        if (rs.GetFieldName(i).compare(column, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

CustomField Field(DbConnection& db, const QString& name) {
    QList<CustomField> fields;
    QString error;
    LoadCustomFields(db, u"OrderData"_s, fields, error);
    for (const CustomField& field : std::as_const(fields)) {
        if (field.fieldName == name)
            return field;
    }
    return {};
}

} // namespace

void tst_CustomFieldChange::addRetypeRemove() {
    TORVEL_TEST_CONNECTION(database);
    QCOMPARE(db.Execute(u"insert into OrderData (CustomerName) values ('a')"_s), 1);
    QString error;
    int key = 0;
    QVERIFY2(CustomFieldChange::Add(db, u"OrderData"_s, u"d1"_s, u"颜色"_s, key, error),
             qPrintable(error));
    QVERIFY(key > 0);
    QVERIFY2(CustomFieldChange::Add(db, u"OrderData"_s, u"d2"_s, u"件数"_s, key, error),
             qPrintable(error));
    CustomField d1 = Field(db, u"d1"_s);
    QCOMPARE(d1.caption, u"颜色"_s);
    QCOMPARE(d1.dataType, 200);
    QVERIFY(d1.nullable);
    QVERIFY(HasColumn(db, u"d2"_s));

    // Text columns take text; a column of numbers in text becomes an integer.
    QCOMPARE(db.Execute(u"update OrderData set d1='红色', d2=' 12 '"_s), 1);
    QCOMPARE(db.Execute(u"insert into OrderData (CustomerName, d2) values ('b', '')"_s), 1);
    const CustomField d2 = Field(db, u"d2"_s);
    QVERIFY2(CustomFieldChange::Retype(db, d2, 3, error), qPrintable(error));
    QCOMPARE(Field(db, u"d2"_s).dataType, 3);
    QCOMPARE(Value(db, u"select d2 + 1 from OrderData where CustomerName='a'"_s), u"13"_s);
    QCOMPARE(Value(db, u"select count(*) from OrderData where d2 is null"_s), u"1"_s);

    // Text holding non-numbers is refused and nothing changes.
    QVERIFY(!CustomFieldChange::Retype(db, d1, 3, error));
    QVERIFY2(error.contains(u"红色"_s), qPrintable(error));
    QCOMPARE(Field(db, u"d1"_s).dataType, 200);
    QCOMPARE(Value(db, u"select d1 from OrderData where CustomerName='a'"_s), u"红色"_s);

    // Floating and back to text keep the values.
    QVERIFY2(CustomFieldChange::Retype(db, Field(db, u"d2"_s), 5, error), qPrintable(error));
    QCOMPARE(Field(db, u"d2"_s).dataType, 5);
    QVERIFY2(CustomFieldChange::Retype(db, Field(db, u"d2"_s), 200, error), qPrintable(error));
    QCOMPARE(Value(db, u"select d2 from OrderData where CustomerName='a'"_s), u"12"_s);

    QVERIFY2(CustomFieldChange::SetText(db, d1.key, u"ForeignKey"_s, u"红色;蓝色"_s, error),
             qPrintable(error));
    QVERIFY2(CustomFieldChange::SetNullable(db, d1.key, false, error), qPrintable(error));
    d1 = Field(db, u"d1"_s);
    QCOMPARE(d1.foreignKey, u"红色;蓝色"_s);
    QVERIFY(!d1.nullable);

    QVERIFY2(CustomFieldChange::Remove(db, d1, error), qPrintable(error));
    QVERIFY(!HasColumn(db, u"d1"_s));
    QCOMPARE(Field(db, u"d1"_s).key, 0);
    QCOMPARE(Value(db, u"select count(*) from CustomizeField"_s), u"1"_s);
    // The orders themselves are untouched.
    QCOMPARE(Value(db, u"select count(*) from OrderData"_s), u"2"_s);
}

void tst_CustomFieldChange::refusals() {
    TORVEL_TEST_CONNECTION(database);
    QString error;
    int key = 0;
    const QList<QPair<QString, QString>> names = {
        {u"select"_s, u"保留字"_s},  {u"Order"_s, u"保留字"_s},     {u"my col"_s, u"空格"_s},
        {u"d1;drop"_s, u"只能由"_s}, {u"Price"_s, u"已经有字段"_s}, {QString(), u"不能为空"_s}};
    for (const auto& [name, why] : names) {
        QVERIFY2(!CustomFieldChange::Add(db, u"OrderData"_s, name, QString(), key, error),
                 qPrintable(name));
        QVERIFY2(error.contains(why), qPrintable(error));
    }
    QCOMPARE(Value(db, u"select count(*) from CustomizeField"_s), u"0"_s);

    QVERIFY(CustomFieldChange::Add(db, u"OrderData"_s, u"d1"_s, QString(), key, error));
    QVERIFY(!CustomFieldChange::Add(db, u"OrderData"_s, u"D1"_s, QString(), key, error));
    QVERIFY(error.contains(u"已经有字段"_s));

    // The 65th definition is refused before anything is written.
    for (int k = 2; k <= 64; ++k)
        QCOMPARE(db.Execute(u"insert into CustomizeField (TableName, FieldName) "
                            "values ('OrderData', 'x%1')"_s.arg(k)),
                 1);
    QVERIFY(!CustomFieldChange::Add(db, u"OrderData"_s, u"e1"_s, QString(), key, error));
    QCOMPARE(error, u"自定义字段信息不能超过64个"_s);
    QVERIFY(!HasColumn(db, u"e1"_s));

    // A choice source that is not one SELECT is never stored.
    const int d1 = Field(db, u"d1"_s).key;
    QVERIFY(!CustomFieldChange::SetText(db, d1, u"ForeignKey"_s, u"delete from PayMode"_s, error));
    QVERIFY(!CustomFieldChange::SetText(db, d1, u"FieldName"_s, u"d9"_s, error));
    QCOMPARE(Field(db, u"d1"_s).foreignKey, QString());
}

void tst_CustomFieldChange::failedDefinitionUndoesAlter() {
    TORVEL_TEST_CONNECTION(database);
    QString error;
    int key = 0;
    QVERIFY(CustomFieldChange::Add(db, u"OrderData"_s, u"d1"_s, QString(), key, error));
    QCOMPARE(db.Execute(u"insert into OrderData (CustomerName, d1) values ('a', '7')"_s), 1);

    QVERIFY(AddRefusingTrigger(db, u"CustomizeField"_s, u"insert"_s, u"1=1"_s));
    QVERIFY(!CustomFieldChange::Add(db, u"OrderData"_s, u"d2"_s, QString(), key, error));
    QVERIFY2(error.contains(u"refused"_s), qPrintable(error));
    QVERIFY(!HasColumn(db, u"d2"_s));

    QVERIFY(AddRefusingTrigger(db, u"CustomizeField"_s, u"update"_s, u"1=1"_s));
    QVERIFY(!CustomFieldChange::Retype(db, Field(db, u"d1"_s), 3, error));
    QCOMPARE(Field(db, u"d1"_s).dataType, 200);
    QCOMPARE(Value(db, u"select count(*) from OrderData where d1='7'"_s), u"1"_s);

    QVERIFY(AddRefusingTrigger(db, u"CustomizeField"_s, u"delete"_s, u"1=1"_s));
    QVERIFY(!CustomFieldChange::Remove(db, Field(db, u"d1"_s), error));
    QVERIFY(HasColumn(db, u"d1"_s));
    QCOMPARE(Value(db, u"select d1 from OrderData"_s), u"7"_s);
}

void tst_CustomFieldChange::busyTableTimesOut() {
    TORVEL_ENGINE_DATABASE(database, u"postgresql"_s, true);
    DbConnection db;
    QCOMPARE(db.Open(database.ConnectionString()), 1);
    DbConnection other;
    QCOMPARE(other.Open(database.ConnectionString()), 1);
    // Another desk reading orders in an open transaction holds the table.
    QCOMPARE(other.Execute(u"begin"_s), 1);
    QCOMPARE(other.Execute(u"lock table OrderData in access share mode"_s), 1);
    QString error;
    int key = 0;
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!CustomFieldChange::Add(db, u"OrderData"_s, u"d1"_s, QString(), key, error));
    QVERIFY(timer.elapsed() < (CustomFieldChange::kLockSeconds + 5) * 1000);
    QVERIFY2(error.startsWith(u"表 OrderData 正被其他用户使用"_s), qPrintable(error));
    QCOMPARE(other.Execute(u"rollback"_s), 1);
    QCOMPARE(Value(db, u"select count(*) from CustomizeField"_s), u"0"_s);
    QVERIFY(!HasColumn(db, u"d1"_s));
}

void tst_CustomFieldChange::namesAndChoices() {
    QList<CustomField> fields;
    for (const QString& name : {u"d1"_s, u"D2"_s, u"d4"_s}) {
        CustomField field;
        field.fieldName = name;
        fields << field;
    }
    QCOMPARE(CustomFieldChange::NextFieldName(fields), u"d3"_s);
    QCOMPARE(CustomFieldChange::TypeName(4), u"浮点数"_s);
    QCOMPARE(CustomFieldChange::TypeName(129), u"文字"_s);
    QCOMPARE(CustomFieldChange::TypeOfName(u"整数"_s), 3);

    QVERIFY(IsSingleSelect(u"select Name from PayMode order by Name;"_s));
    QVERIFY(IsSingleSelect(u" SELECT a FROM t WHERE b='x;y'"_s));
    QVERIFY(!IsSingleSelect(u"select 1; delete from PayMode"_s));
    QVERIFY(!IsSingleSelect(u"delete from PayMode"_s));
    QVERIFY(!IsSingleSelect(u"select 1 -- comment"_s));
    QVERIFY(!IsSingleSelect(u"select * into t2 from PayMode"_s));

    DbConnection none; // a ';' list needs no database
    CustomField field;
    field.foreignKey = u"红色; 蓝色;"_s;
    QStringList choices;
    QString error;
    QVERIFY(LoadCustomFieldChoices(none, field, choices, error));
    QCOMPARE(choices, QStringList({u"红色"_s, u"蓝色"_s}));
    field.foreignKey = u"update PayMode set Name='x'"_s;
    QVERIFY(!LoadCustomFieldChoices(none, field, choices, error));
    QVERIFY(choices.isEmpty());
}

QTEST_GUILESS_MAIN(tst_CustomFieldChange)
#include "tst_customfieldchange.moc"
