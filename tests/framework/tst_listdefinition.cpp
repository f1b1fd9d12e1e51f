#include "TempProgramFolder.h"
#include "TestDatabases.h"

#include "db/DbConnection.h"
#include "db/SqlTextCheck.h"
#include "framework/ListDefinition.h"
#include "net/Gbk.h"

#include <QtTest>

class tst_ListDefinition : public QObject {
    Q_OBJECT

private slots:
    void generateSaveLoadRoundTrip_data() { TestDatabase::AddEngineRows(); }
    void generateSaveLoadRoundTrip();
    void badFilesAreNamedAndKept_data() { TestDatabase::AddEngineRows(); }
    void badFilesAreNamedAndKept();
    void textsFromFilesAreChecked();
};

namespace {

QString Ini(const QString& main, const QString& fields) {
    return QStringLiteral("[.]\r\n") + main + QStringLiteral("\r\n") + fields;
}

const QString kGoodFields = QStringLiteral("[Field1]\r\nName=KeyId\r\nDataType=3\r\nList=1\r\n"
                                           "[Field2]\r\nName=Name\r\nCaption=名称\r\nList=1\r\n");

} // namespace

void tst_ListDefinition::generateSaveLoadRoundTrip() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);

    ListDefinition generated;
    QVERIFY(generated.Generate(db, QStringLiteral("PayMode"), QStringLiteral("测试表")));
    QVERIFY(generated.Save());
    QVERIFY(QFile::exists(folder.File(QStringLiteral("res/list_PayMode.ini"))));

    ListDefinition read;
    QCOMPARE(read.Load(QStringLiteral("PayMode")), ListDefinition::LoadResult::Loaded);
    QVERIFY2(read.Check(db), qPrintable(read.LastError()));
    QCOMPARE(read.Name(), QStringLiteral("List_PayMode"));
    QCOMPARE(read.Caption(), QStringLiteral("测试表"));
    QCOMPARE(read.TableName(), QStringLiteral("PayMode"));
    QCOMPARE(read.PrimaryKey(), QStringLiteral("KeyId"));
    QVERIFY(read.ShowToolBar());
    QVERIFY(!read.AutoIncrement());

    const QList<ListDefinition::Field> fields = read.Fields();
    QCOMPARE(fields.size(), 2);
    QCOMPARE(fields[0].name.toLower(), QStringLiteral("keyid"));
    QCOMPARE(fields[0].number, 1);
    QVERIFY(!ListDefinition::IsQuoted(fields[0].dataType));
    QCOMPARE(fields[1].name.toLower(), QStringLiteral("name"));
    QVERIFY(ListDefinition::IsQuoted(fields[1].dataType));
    QVERIFY(fields[0].list && fields[1].list && fields[1].search);
    QCOMPARE(read.KeyField()->section, QStringLiteral("Field1"));

    QStringList commands;
    for (const ListDefinition::Action& action : read.Actions())
        commands << action.caption + QString::number(action.command);
    QCOMPARE(commands.join(u' '), QStringLiteral("添加6001 编辑6002 删除6003 查询6004 统计6007 "
                                                 "导出6005 导入6006 上一页6009 下一页6010"));

    // Values ride along in the document and are cleared for a new form.
    read.SetValue(QStringLiteral("Field2"), QStringLiteral("x"));
    read.ClearValues();
    QCOMPARE(read.Value(QStringLiteral("Field2")), QString());

    // Section numbers as the file names them: MyField7 and Fields read as 0.
    QCOMPARE(ListDefinition::FieldNumber(QStringLiteral("Field12")), 12);
    QCOMPARE(ListDefinition::FieldNumber(QStringLiteral("MyField7")), 0);
    QCOMPARE(ListDefinition::FieldNumber(QStringLiteral("Fields")), 0);

    // Literals: numbers parsed as one number, text quoted.
    QString literal;
    QVERIFY(ListDefinition::Literal(3, QStringLiteral(" 42 "), literal));
    QCOMPARE(literal, QStringLiteral("42"));
    QVERIFY(!ListDefinition::Literal(3, QStringLiteral("4 or 1=1"), literal));
    QVERIFY(!ListDefinition::Literal(3, QStringLiteral("12abc"), literal));
    QVERIFY(ListDefinition::Literal(202, QStringLiteral("O'Neil"), literal));
    QCOMPARE(literal, QStringLiteral("'O''Neil'"));
}

void tst_ListDefinition::badFilesAreNamedAndKept() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    const QString file = QStringLiteral("res/list_PayMode.ini");

    const QList<QPair<QString, QString>> cases = {
        {QStringLiteral("[Field1]\r\nName=KeyId\r\nList=1\r\n"),
         QStringLiteral("未定义[.]TableName")},
        {QStringLiteral("garbage without sections\r\n=\r\n[[["),
         QStringLiteral("未定义[.]TableName")},
        {Ini(QStringLiteral("TableName=NoSuchTable"), kGoodFields),
         QStringLiteral("[.]TableName 应为 PayMode")},
        {Ini(QStringLiteral("TableName=PayMode"),
             kGoodFields + QStringLiteral("[Field3]\r\nName=Missing\r\nList=1\r\n")),
         QStringLiteral("[Field3]Name: 数据表 PayMode 中没有字段 Missing")},
        {Ini(QStringLiteral("TableName=PayMode\r\nOrderBy=order by Name; drop table PayMode"),
             kGoodFields),
         QStringLiteral("[.]OrderBy 只能是 order by 字段名[ asc|desc][, ...]: "
                        "order by Name; drop table PayMode")},
        {Ini(QStringLiteral("TableName=PayMode\r\nOrderBy=order by Name -- x"), kGoodFields),
         QStringLiteral("[.]OrderBy 只能是 order by 字段名[ asc|desc][, ...]: order by Name -- x")},
        {Ini(QStringLiteral("TableName=PayMode\r\nFilter=1=1; delete from PayMode"), kGoodFields),
         QStringLiteral("[.]Filter 不能含有分号(;): 1=1; delete from PayMode")},
        {Ini(QStringLiteral("TableName=PayMode"),
             QStringLiteral("[Field1]\r\nName=KeyId\r\n[Field2]\r\nName=Name\r\n")),
         QStringLiteral("未定义需要显示的数据项目[Fieldxx]Name")},
        {Ini(QStringLiteral("TableName=PayMode"),
             kGoodFields + QStringLiteral("[Action1]\r\nName=AddData\r\nImage=../../x.gif\r\n")),
         QStringLiteral("[Action1]Image 只能是images目录中的文件名: ../../x.gif")},
    };
    for (const auto& [text, reason] : cases) {
        const QByteArray bytes = text.toUtf8();
        QVERIFY(folder.Write(file, bytes));
        ListDefinition definition;
        QVERIFY(definition.OpenForList(db, QStringLiteral("PayMode"), QStringLiteral("测试表")));
        QCOMPARE(definition.Notice(),
                 QStringLiteral("列表定义文件有误, 已按数据表的字段显示:\r\n") +
                     ListDefinition::FilePath(QStringLiteral("PayMode")) + QStringLiteral("\r\n") +
                     reason);
        // The list still opens with the table's columns; the file is the
        // user's to mend and stays as written.
        QCOMPARE(definition.Fields().size(), 2);
        QCOMPARE(folder.Read(file), bytes);
    }

    // Binary junk is no text: named as unreadable, kept.
    const QByteArray junk("\x00\x01\x02\xff\xfe\x00garbage", 14);
    QVERIFY(folder.Write(file, junk));
    ListDefinition definition;
    QVERIFY(definition.OpenForList(db, QStringLiteral("PayMode"), QStringLiteral("测试表")));
    QVERIFY(definition.Notice().contains(QStringLiteral("无法读取")));
    QCOMPARE(folder.Read(file), junk);

    // A good file is used as it stands; a missing one is generated and saved.
    QVERIFY(folder.Write(
        file, Gbk::Encode(Ini(QStringLiteral("TableName=PayMode\r\nOrderBy=order by Name desc"),
                              kGoodFields))));
    QVERIFY(definition.OpenForList(db, QStringLiteral("PayMode"), QStringLiteral("测试表")));
    QCOMPARE(definition.Notice(), QString());
    QCOMPARE(definition.OrderBy(), QStringLiteral("order by Name desc"));
    QCOMPARE(definition.Fields()[1].caption, QStringLiteral("名称"));
    QVERIFY(QFile::remove(folder.File(file)));
    QVERIFY(definition.OpenForList(db, QStringLiteral("PayMode"), QStringLiteral("测试表")));
    QVERIFY(QFile::exists(folder.File(file)));

    // A table that cannot be read gives no list at all.
    QVERIFY(!definition.OpenForList(db, QStringLiteral("NoSuchTable"), QString()));
    QVERIFY(!definition.LastError().isEmpty());
    // A name that would leave res/ is refused before any file is touched.
    QCOMPARE(ListDefinition::FilePath(QStringLiteral("../../etc/passwd")), QString());
    QCOMPARE(definition.Load(QStringLiteral("../x")), ListDefinition::LoadResult::Bad);
    QVERIFY(!definition.OpenForList(db, QStringLiteral("PayMode where 1=1"), QString()));
}

void tst_ListDefinition::textsFromFilesAreChecked() {
    using namespace SqlTextCheck;
    QString why;
    QVERIFY(IsIdentifier(QStringLiteral("Pay_Mode2")));
    QVERIFY(IsIdentifier(QStringLiteral("客户")));
    for (const char* bad : {"", "2x", "a b", "a;b", "a-b", "a.b", "\"x\""})
        QVERIFY2(!IsIdentifier(QString::fromLatin1(bad)), bad);

    for (const char* good : {"", "order by Name", "ORDER BY KeyId desc, Name asc"})
        QVERIFY2(IsOrderClause(QString::fromLatin1(good), why), good);
    for (const char* bad : {"order by Name;", "order by (select 1)", "order by Name /* x */",
                            "Name", "order by", "order by Name, ", "order by 1 limit 5"})
        QVERIFY2(!IsOrderClause(QString::fromLatin1(bad), why), bad);

    for (const char* good : {"KeyId > 2 and (Name like 'a;b%' or Name = '--')", "Name<>''"})
        QVERIFY2(IsCondition(QString::fromLatin1(good), why), good);
    for (const char* bad : {"1=1; drop table x", "KeyId in (select KeyId from UserData)",
                            "1=1 -- x", "(1=1", "1=1)", "1=1 union select 1", "pg_sleep(10)>0"})
        QVERIFY2(!IsCondition(QString::fromLatin1(bad), why), bad);

    for (const char* good : {"select Name from PayMode order by Name", " SELECT 1;"})
        QVERIFY2(IsReadOnlySelect(QString::fromLatin1(good), why), good);
    for (const char* bad :
         {"delete from PayMode", "select 1; delete from PayMode", "select * into x from PayMode",
          "with d as (delete from PayMode returning *) select * from d",
          "select pg_read_file('/etc/passwd')", "select 1 for update", "select 1 /* */"})
        QVERIFY2(!IsReadOnlySelect(QString::fromLatin1(bad), why), bad);
}

QTEST_MAIN(tst_ListDefinition)
#include "tst_listdefinition.moc"
