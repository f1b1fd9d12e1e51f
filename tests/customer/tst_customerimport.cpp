#include "RefusingTrigger.h"
#include "ScriptedPrompt.h"
#include "TempProgramFolder.h"
#include "TestDatabases.h"

#include "customer/CustomerImport.h"
#include "customer/CustomerSearchView.h"
#include "db/DbConnection.h"
#include "framework/CommandIds.h"
#include "framework/ImportCSVDlg.h"
#include "net/Gbk.h"
#include "ui/GridCtrl.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_CustomerImport : public QObject {
    Q_OBJECT

private slots:
    void excelFileWithTroubleRows_data() { TestDatabase::AddEngineRows(); }
    void excelFileWithTroubleRows();
    void stopHalfWayKeepsRowsBefore_data() { TestDatabase::AddEngineRows(); }
    void stopHalfWayKeepsRowsBefore();
};

namespace {

QStringList Rows(DbConnection& db, const QString& sql) {
    QString joined;
    db.JoinColumnValues(sql, joined);
    return joined.isEmpty() ? QStringList() : joined.split(u';');
}

// Accepts the mapping dialog as it comes up, with its preselection.
void QueueAccept(ScriptedPrompt& prompt, QStringList* mapping = nullptr) {
    prompt.QueueModal([mapping](QDialog& dialog) {
        auto& csv = dynamic_cast<CImportCSVDlg&>(dialog);
        if (mapping)
            *mapping = csv.Mapping();
        return csv.OnOK() ? csv.result() : int(QDialog::Rejected);
    });
}

} // namespace

void tst_CustomerImport::excelFileWithTroubleRows() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    QTemporaryDir dir;
    // A user-defined column, offered after the fixed ones by its caption.
    QVERIFY(database.RunScript(u"alter table CustomerData add d1 varchar(50);"
                               "insert into CustomizeField (TableName,FieldName,Caption,DataType) "
                               "values ('CustomerData','d1','行业',200);"
                               "insert into CustomerData (KeyId,CustomerName,LastTime) "
                               "values (7,'老客户','2008-01-01 00:00:00')"_s));
    QVERIFY(AddRefusingTrigger(db, u"CustomerData"_s, u"insert"_s, u"new.CustomerName = '坏'"_s));

    // As Chinese Excel writes it: GBK, CR LF, quotes only where needed.
    const QString path = dir.filePath(u"客户.csv"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(Gbk::Encode(u"客户名称,联系人,手机号码,备注,行业,不要\r\n"
                           "\"东方, 北京\",O'Brien,139,\"第一行\r\n第二行\",贸易,x\r\n"
                           "坏,,,,,\r\n"
                           "短行,张三\r\n"
                           ",,,,,\r\n"
                           "\"说 \"\"好\"\"\",,,,,,多余\r\n"_s));
    file.close();

    ScriptedPrompt prompt;
    CCustomerSearchView view(db, prompt, {u"admin"_s, u"IsProvider=0"_s, true});
    prompt.QueueFileName(path);
    QStringList mapping;
    QueueAccept(prompt, &mapping);
    view.OnCommand(Command::ImportCustomers);
    QCOMPARE(mapping, QStringList({u"客户名称"_s, u"联系人"_s, u"手机号码"_s, u"备注"_s, u"行业"_s,
                                   QString()}));
    // The count, every failure with its line, and the line with a field too many.
    const QString message = prompt.LastMessage();
    QVERIFY2(message.startsWith(u"3条记录成功导入\r\n\r\n以下1行没有导入:\r\n第4行: "_s),
             qPrintable(message));
    QVERIFY2(message.endsWith(u"第7行的字段比标题行多, 多出的字段没有导入。"_s),
             qPrintable(message));

    QCOMPARE(
        Rows(db,
             u"select KeyId || '|' || CustomerName || '|' || Contact || '|' || Mobile"
             " || '|' || Comment || '|' || coalesce(d1, '') from CustomerData order by KeyId"_s),
        QStringList({u"7|老客户||||"_s, u"8|东方, 北京|O'Brien|139|第一行\r\n第二行|贸易"_s,
                     u"10|短行|张三|||"_s, u"11|说 \"好\"||||"_s}));
    // New customers are stamped now, so they head the list.
    QCOMPARE(Rows(db, u"select count(*) from CustomerData where LastTime > '2008-01-01 00:00:00'"
                      " and RegTime = LastTime"_s),
             QStringList{u"3"_s});
    QCOMPARE(view.Grid()->GetItemText(1, 0), u"11"_s);
}

void tst_CustomerImport::stopHalfWayKeepsRowsBefore() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    QTemporaryDir dir;
    // Enough rows for several transactions' worth of progress steps.
    QByteArray csv = Gbk::Encode(u"客户名称,电话\r\n"_s);
    for (int i = 1; i <= 2000; ++i)
        csv += Gbk::Encode(u"客户%1,010-%1\r\n"_s.arg(i));
    const QString path = dir.filePath(u"many.csv"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(csv) == csv.size());
    file.close();

    ScriptedPrompt prompt;
    prompt.stopProgressAt = csv.size() / 2;
    prompt.QueueFileName(path);
    QueueAccept(prompt);
    const CsvImportResult result = ImportCustomers(prompt, db, nullptr);
    QVERIFY(result.ran && result.stopped);
    QVERIFY2(result.imported > 500 && result.imported < 1500, qPrintable(prompt.LastMessage()));
    QCOMPARE(prompt.LastMessage(),
             u"导入已停止, 此前的记录已经保存。\r\n%1条记录成功导入"_s.arg(result.imported));
    QCOMPARE(prompt.progressTexts, QStringList{u"正在导入数据"_s});
    QCOMPARE(prompt.progressDepth, 0);
    QCOMPARE(prompt.waitDepth, 0);
    // Another desk sees exactly the rows counted, in file order.
    DbConnection other;
    QCOMPARE(other.Open(database.ConnectionString()), 1);
    QCOMPARE(Rows(other, u"select count(*) || '|' || max(KeyId) from CustomerData"_s),
             QStringList{u"%1|%1"_s.arg(result.imported)});
    QCOMPARE(Rows(other, u"select CustomerName || Phone from CustomerData where KeyId = %1"_s.arg(
                             result.imported)),
             QStringList{u"客户%1"_s.arg(result.imported) + u"010-%1"_s.arg(result.imported)});
}

QTEST_MAIN(tst_CustomerImport)
#include "tst_customerimport.moc"
