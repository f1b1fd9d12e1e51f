#include "ScriptedPrompt.h"
#include "TempProgramFolder.h"
#include "TestDatabases.h"

#include "customer/AddressListExport.h"
#include "db/DbConnection.h"
#include "net/Gbk.h"

#include <QtTest>

class tst_AddressLists : public QObject {
    Q_OBJECT

private slots:
    void linesFollowTheListRules();
    void exportsTheSelectedCustomers_data() { TestDatabase::AddEngineRows(); }
    void exportsTheSelectedCustomers();
};

void tst_AddressLists::linesFollowTheListRules() {
    using namespace AddressListExport;
    QCOMPARE(Line(Kind::Email, QStringLiteral("a@b.cn"), QStringLiteral("星河, 有限")),
             QStringLiteral("a@b.cn,星河, 有限"));
    QCOMPARE(Line(Kind::Mobile, QString(), QStringLiteral("x")), QString());
    QCOMPARE(Line(Kind::Fax, QStringLiteral("010 - 8888-1234"), QStringLiteral("x")),
             QStringLiteral("01088881234"));
    QCOMPARE(Line(Kind::Fax, QStringLiteral("8888-1234"), QStringLiteral("x")), QString());
    QCOMPARE(Line(Kind::Fax, QStringLiteral(" - "), QStringLiteral("x")), QString());
}

void tst_AddressLists::exportsTheSelectedCustomers() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    QVERIFY(database.RunScript(QStringLiteral(
        "insert into CustomerData (KeyId,CustomerName,Email,Mobile,Fax,IsProvider) values "
        "(1,'甲,公司','x@a.cn','13800000001','021-6666 0000',0);"
        "insert into CustomerData (KeyId,CustomerName,Email,Mobile,Fax,IsProvider) values "
        "(2,'乙','x@a.cn','','6666-0000',0);"
        "insert into CustomerData (KeyId,CustomerName,Email,Mobile,Fax,IsProvider) values "
        "(3,'供应商','s@a.cn','13900000003','0755-1',1)")));
    const QString where = QStringLiteral(" where (IsProvider < 1)");
    const QString order = QStringLiteral("order by KeyId");
    const QString target = folder.File(QStringLiteral("list.txt"));
    ScriptedPrompt prompt;
    using AddressListExport::Kind;

    // Only the administrator; nobody else even gets the file dialog.
    QCOMPARE(AddressListExport::Run(prompt, db, Kind::Email, false, QStringLiteral("CustomerData"),
                                    where, order),
             -1);
    QCOMPARE(prompt.Messages(), QStringList{QStringLiteral("权限不足")});
    QVERIFY(prompt.fileNames.empty() && !QFile::exists(target));

    // Duplicates stay, a name with a comma is written as it is.
    prompt.QueueFileName(folder.File(QStringLiteral("list")));
    QCOMPARE(AddressListExport::Run(prompt, db, Kind::Email, true, QStringLiteral("CustomerData"),
                                    where, order),
             2);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("共导出 2 个邮件地址"));
    QCOMPARE(folder.Read(QStringLiteral("list.txt")),
             Gbk::Encode(QStringLiteral("x@a.cn,甲,公司\r\nx@a.cn,乙\r\n")));

    prompt.QueueFileName(target);
    prompt.QueueAnswer(Prompt::Answer::Yes);
    QCOMPARE(AddressListExport::Run(prompt, db, Kind::Mobile, true, QStringLiteral("CustomerData"),
                                    where, order),
             1);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("共导出 1 个手机号码"));
    QCOMPARE(folder.Read(QStringLiteral("list.txt")),
             Gbk::Encode(QStringLiteral("13800000001,甲,公司\r\n")));

    prompt.QueueFileName(target);
    prompt.QueueAnswer(Prompt::Answer::Yes);
    QCOMPARE(AddressListExport::Run(prompt, db, Kind::Fax, true, QStringLiteral("CustomerData"),
                                    where, order),
             1);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("共导出 1 个传真号码"));
    QCOMPARE(folder.Read(QStringLiteral("list.txt")), QByteArray("02166660000\r\n"));

    // No customer under the conditions: said, and no file made.
    const QString none = folder.File(QStringLiteral("none.txt"));
    prompt.QueueFileName(none);
    QCOMPARE(AddressListExport::Run(prompt, db, Kind::Fax, true, QStringLiteral("CustomerData"),
                                    QStringLiteral(" where (KeyId = 99)"), order),
             -1);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("没有符合条件的记录"));
    QVERIFY(!QFile::exists(none));
}

QTEST_MAIN(tst_AddressLists)
#include "tst_addresslists.moc"
