#include "ScriptedPrompt.h"
#include "TempProgramFolder.h"
#include "TestDatabases.h"

#include "base/CsvReader.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/QueryBinder.h"
#include "framework/CommandIds.h"
#include "framework/CsvImport.h"
#include "framework/DataListView.h"
#include "framework/DataRecordDlg.h"
#include "framework/ExportWriter.h"
#include "framework/ListToolbar.h"
#include "framework/QueryExport.h"
#include "net/Gbk.h"
#include "ui/GridCtrl.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class tst_DataListView : public QObject {
    Q_OBJECT

private slots:
    void addEditSearchCountDelete_data() { TestDatabase::AddEngineRows(); }
    void addEditSearchCountDelete();
    void deleteFindsKeyColumnByName_data() { TestDatabase::AddEngineRows(); }
    void deleteFindsKeyColumnByName();
    void exportReadsBackExactly_data() { TestDatabase::AddEngineRows(); }
    void exportReadsBackExactly();
    void csvFieldQuoting();
};

namespace {

QStringList Column(const CDataListView_& view, int column) {
    QStringList texts;
    CGridCtrl* grid = view.Grid();
    for (int row = grid->GetFixedRowCount(); row < grid->GetRowCount(); ++row)
        texts << grid->GetItemText(row, column);
    return texts;
}

void SelectRows(CDataListView_& view, int first, int last) {
    CGridCtrl* grid = view.Grid();
    grid->SetSelectedRange(first, 1, last, grid->GetColumnCount() - 1);
}

QString NamesInTable(DbConnection& db) {
    DbRecordset rs(db);
    if (!rs.Open(QStringLiteral("select Name from PayMode order by KeyId")))
        return rs.GetLastError();
    QStringList names;
    for (; !rs.IsEOF(); rs.MoveNext())
        names << rs.GetString(0);
    return names.join(u',');
}

// Fills the record form's Name box and presses 确定.
std::function<int(QDialog&)> TypeName(const QString& name, bool* keyReadOnly = nullptr) {
    return [name, keyReadOnly](QDialog& dialog) {
        auto& form = static_cast<CDataRecordDlg&>(dialog);
        if (keyReadOnly)
            *keyReadOnly = form.Box(QStringLiteral("KeyId"))->isReadOnly();
        form.Box(QStringLiteral("Name"))->setText(name);
        return form.OnOK() ? int(QDialog::Accepted) : int(QDialog::Rejected);
    };
}

} // namespace

void tst_DataListView::addEditSearchCountDelete() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    ScriptedPrompt prompt;
    std::unique_ptr<CDataListView_> view(
        CDataListView_::Open(db, prompt, QStringLiteral("PayMode"), QStringLiteral("测试表")));
    QVERIFY(view);
    QCOMPARE(prompt.Messages(), QStringList());
    QCOMPARE(view->objectName(), QStringLiteral("CDataListView_PayMode"));
    QCOMPARE(Column(*view, 1).join(u','), QStringLiteral("现金,银行转账,支票,支付宝,微信支付"));
    QVERIFY(view->Toolbar()->Button(QStringLiteral("导出")));

    // 添加: an empty key is inserted; the database's key comes back to the row.
    bool keyReadOnly = true;
    prompt.QueueModal(TypeName(QStringLiteral("O'Neil 汇款"), &keyReadOnly));
    QVERIFY(view->OnCommand(Command::DataAdd));
    QVERIFY(!keyReadOnly);
    QCOMPARE(view->Grid()->GetItemText(1, 1), QStringLiteral("O'Neil 汇款"));
    QCOMPARE(view->Grid()->GetItemText(1, 0), QStringLiteral("6"));
    QCOMPARE(NamesInTable(db), QStringLiteral("现金,银行转账,支票,支付宝,微信支付,O'Neil 汇款"));

    // 编辑: without a selection nothing opens; with one the key box is
    // read-only and the row is updated by its key.
    view->Grid()->ResetSelectedRange();
    view->OnCommand(Command::DataEdit);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("请选择要编辑的信息!"));
    SelectRows(*view, 3, 3); // 银行转账, key 2
    prompt.QueueModal(TypeName(QStringLiteral("电汇"), &keyReadOnly));
    view->OnCommand(Command::DataEdit);
    QVERIFY(keyReadOnly);
    QCOMPARE(view->Grid()->GetItemText(3, 1), QStringLiteral("电汇"));
    QCOMPARE(NamesInTable(db), QStringLiteral("现金,电汇,支票,支付宝,微信支付,O'Neil 汇款"));

    // 查询: like finds anywhere, typed quotes stay text, a number is one number.
    QVERIFY(view->Search({{QStringLiteral("Name"), QStringLiteral("支")}}));
    QCOMPARE(Column(*view, 1).join(u','), QStringLiteral("支票,支付宝,微信支付"));
    QVERIFY(view->Search({{QStringLiteral("Name"), QStringLiteral("%') or ('1'='1")}}));
    QCOMPARE(Column(*view, 1), QStringList());
    QVERIFY(view->Search({{QStringLiteral("Name"), QStringLiteral("'Neil")}}));
    QCOMPARE(Column(*view, 1).join(u','), QStringLiteral("O'Neil 汇款"));
    QVERIFY(!view->Search({{QStringLiteral("KeyId"), QStringLiteral("3 or 1=1")}}));
    QCOMPARE(prompt.LastMessage(), QStringLiteral("KeyId必须是一个数字"));
    QVERIFY(view->Search({{QStringLiteral("KeyId"), QStringLiteral("3")}}));
    QCOMPARE(Column(*view, 1).join(u','), QStringLiteral("支票"));

    // 统计 counts under the search; a new search starts on the first page.
    QCOMPARE(view->Count(), 1);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("记录个数: 1"));
    view->Binder().SetPageSize(2);
    view->OnCommand(Command::DataNextPage);
    QVERIFY(view->Search({}));
    QCOMPARE(view->Binder().GetPageIndex(), 0);
    QCOMPARE(Column(*view, 1).join(u','), QStringLiteral("现金,电汇"));
    view->Binder().SetPageSize(QueryBinder::kDefaultPageSize);
    QVERIFY(view->Search({}));
    QCOMPARE(view->Count(), 6);

    // 删除: asks, then deletes the selected rows by key, bottom first.
    SelectRows(*view, 2, 3); // 电汇, 支票
    prompt.QueueAnswer(Prompt::Answer::Ok);
    view->OnCommand(Command::DataDelete);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("确定要删除选择的信息吗?"));
    QCOMPARE(NamesInTable(db), QStringLiteral("现金,支付宝,微信支付,O'Neil 汇款"));
    QCOMPARE(Column(*view, 1).join(u','), QStringLiteral("现金,支付宝,微信支付,O'Neil 汇款"));

    // A required field left empty names the field and writes nothing.
    ListDefinition definition = view->Definition();
    definition.Document().SetInt(QStringLiteral("Field2"), QStringLiteral("NotNull"), 1);
    definition.Document().SetString(QStringLiteral("Field2"), QStringLiteral("Caption"),
                                    QStringLiteral("名称"));
    prompt.QueueModal(TypeName(QString()));
    QVERIFY(!RunDataRecordForm(prompt, db, definition, nullptr));
    QCOMPARE(prompt.LastMessage(), QStringLiteral("名称不能为空"));
    QCOMPARE(view->Count(), 4);
}

void tst_DataListView::deleteFindsKeyColumnByName() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    // The key listed second, newest first.
    QVERIFY(folder.Write(QStringLiteral("res/list_PayMode.ini"),
                         Gbk::Encode(QStringLiteral(
                             "[.]\r\nName=List_PayMode\r\nTableName=PayMode\r\n"
                             "ShowToolBar=1\r\nAutoIncrement=1\r\nOrderBy=order by KeyId desc\r\n"
                             "[Field7]\r\nName=Name\r\nCaption=名称\r\nList=1\r\n"
                             "[Field3]\r\nName=KeyId\r\nDataType=3\r\nList=1\r\n"
                             "[Action1]\r\nName=AddData\r\nCaption=添加\r\nImage=add.gif\r\n"
                             "[Action2]\r\nName=x\r\nCaption=删除\r\nId=6003\r\n"))));
    // The delivered picture, drawn with white transparent; a missing one
    // leaves the button without.
    QFile picture(qEnvironmentVariable("TORVEL_SOURCE_DIR") +
                  QStringLiteral("/app-data/images/add.gif"));
    QVERIFY(picture.open(QIODevice::ReadOnly));
    QVERIFY(folder.Write(QStringLiteral("images/add.gif"), picture.readAll()));
    ScriptedPrompt prompt;
    std::unique_ptr<CDataListView_> view(
        CDataListView_::Open(db, prompt, QStringLiteral("PayMode"), QStringLiteral("测试表")));
    QVERIFY(view);
    QCOMPARE(prompt.Messages(), QStringList());
    QCOMPARE(Column(*view, 0).join(u','), QStringLiteral("微信支付,支付宝,支票,银行转账,现金"));
    QCOMPARE(Column(*view, 1).join(u','), QStringLiteral("5,4,3,2,1"));
    QPushButton* add = view->Toolbar()->Button(QStringLiteral("添加"));
    QVERIFY(add && !add->icon().isNull());
    QPushButton* drop = view->Toolbar()->Button(QStringLiteral("删除"));
    QVERIFY(drop && drop->icon().isNull());
    QCOMPARE(drop->property("command").toInt(), Command::DataDelete);

    // With AutoIncrement the key box of a new row is disabled and no key is
    // written.
    prompt.QueueModal([](QDialog& dialog) {
        auto& form = static_cast<CDataRecordDlg&>(dialog);
        if (form.Box(QStringLiteral("KeyId"))->isEnabled())
            return int(QDialog::Rejected);
        form.findChild<QLineEdit*>(QStringLiteral("6008"))->setText(QStringLiteral("赊账"));
        return form.OnOK() ? int(QDialog::Accepted) : int(QDialog::Rejected);
    });
    view->OnCommand(Command::DataAdd);
    QCOMPARE(view->Grid()->GetItemText(1, 1), QStringLiteral("6"));

    SelectRows(*view, 2, 2); // 微信支付, key 5
    prompt.QueueAnswer(Prompt::Answer::Ok);
    view->OnCommand(Command::DataDelete);
    QCOMPARE(NamesInTable(db), QStringLiteral("现金,银行转账,支票,支付宝,赊账"));
}

void tst_DataListView::exportReadsBackExactly() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    QVERIFY(database.RunScript(
        QStringLiteral("delete from PayMode;"
                       "insert into PayMode (KeyId,Name) values (1,'他说\"好\",行');"
                       "insert into PayMode (KeyId,Name) values (2,'两行\r\n第二行');"
                       "insert into PayMode (KeyId,Name) values (3,'');"
                       "insert into PayMode (KeyId,Name) values (4,NULL)")));
    ScriptedPrompt prompt;
    std::unique_ptr<CDataListView_> view(
        CDataListView_::Open(db, prompt, QStringLiteral("PayMode"), QString()));
    QVERIFY(view);
    const QString target = folder.File(QStringLiteral("out/付款方式.csv"));
    QVERIFY(QDir().mkpath(QFileInfo(target).absolutePath()));

    // The default suffix is added; the file is GBK, RFC 4180, CR LF.
    prompt.QueueFileName(folder.File(QStringLiteral("out/付款方式")));
    view->OnCommand(Command::DataExport);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("共导出 4 条记录\r\n") + target);
    QCOMPARE(prompt.progressDepth, 0);
    const QByteArray expected =
        Gbk::Encode(QStringLiteral("KeyId,Name\r\n1,\"他说\"\"好\"\",行\"\r\n"
                                   "2,\"两行\r\n第二行\"\r\n3,\"\"\r\n4,\r\n"));
    const QByteArray written = folder.Read(QStringLiteral("out/付款方式.csv"));
    QCOMPARE(written.toLower(), expected.toLower()); // PostgreSQL names columns in lower case

    // The reader takes every field back as written, and the file imports
    // back into the same rows.
    CsvReader reader;
    QVERIFY(reader.Open(target));
    QStringList records;
    for (QStringList fields; reader.ReadRecord(fields) > 0;)
        records << fields.join(u'|');
    reader.Close();
    QCOMPARE(records.mid(1),
             QStringList({QStringLiteral("1|他说\"好\",行"), QStringLiteral("2|两行\r\n第二行"),
                          QStringLiteral("3|"), QStringLiteral("4|")}));
    const QString before = NamesInTable(db);
    QVERIFY(database.RunScript(QStringLiteral("delete from PayMode")));
    CsvImportArgs args;
    args.connection = &db;
    args.table = QStringLiteral("PayMode");
    args.targets.Add(QStringLiteral("KeyId"), QStringLiteral("KeyId"), QString(), 3);
    args.targets.Add(QStringLiteral("Name"), QStringLiteral("Name"));
    QCOMPARE(ImportCsvMapped(prompt, args, target, TextEncoding::Gbk,
                             {QStringLiteral("KeyId"), QStringLiteral("Name")})
                 .imported,
             4);
    QCOMPARE(NamesInTable(db), before);

    // An existing file is replaced only when the user says so.
    prompt.QueueFileName(target);
    prompt.QueueAnswer(Prompt::Answer::No);
    QVERIFY(database.RunScript(QStringLiteral("delete from PayMode where KeyId>1")));
    view->OnCommand(Command::DataExport);
    QCOMPARE(prompt.LastMessage(), target + QStringLiteral(" 已存在。\r\n要替换它吗?"));
    QCOMPARE(folder.Read(QStringLiteral("out/付款方式.csv")), written);

    // A stop keeps the old file whole.
    QVERIFY(database.RunScript(
        QStringLiteral("insert into PayMode (Name) with recursive n(i) as (select 1 union all "
                       "select i+1 from n where i<5000) select 'x' || i from n")));
    prompt.QueueFileName(target);
    prompt.QueueAnswer(Prompt::Answer::Yes);
    prompt.stopProgressAt = QueryExport::kRowsPerStep;
    view->OnCommand(Command::DataExport);
    QCOMPARE(folder.Read(QStringLiteral("out/付款方式.csv")), written);
    QCOMPARE(view->LastNote(), QStringLiteral("导出已停止, 没有写入文件"));
    prompt.stopProgressAt = -1;

    prompt.QueueFileName(target);
    prompt.QueueAnswer(Prompt::Answer::Yes);
    view->OnCommand(Command::DataExport);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("共导出 5001 条记录\r\n") + target);
    QCOMPARE(folder.Read(QStringLiteral("out/付款方式.csv")).count("\r\n"), 5002);

    // A file that cannot be made is reported.
    prompt.QueueFileName(folder.File(QStringLiteral("no/such/folder/x.csv")));
    view->OnCommand(Command::DataExport);
    QVERIFY(prompt.LastMessage().startsWith(QStringLiteral("无法创建文件 ") +
                                            folder.File(QStringLiteral("no/such/folder/x.csv"))));

    // The database the program works on is never a target.
    if (!database.IsPostgres()) {
        for (const QString& live :
             {database.FilePath(), database.FilePath() + QStringLiteral("-wal")}) {
            prompt.QueueFileName(live);
            view->OnCommand(Command::DataExport);
            QCOMPARE(prompt.LastMessage(),
                     QStringLiteral("不能导出到正在使用的数据库文件:\r\n") + live);
        }
        QFile file(database.FilePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.read(16).startsWith("SQLite format 3"));
    }
}

void tst_DataListView::csvFieldQuoting() {
    QCOMPARE(ExportWriter::CsvField(QStringLiteral("a,b"), false), QStringLiteral("\"a,b\""));
    QCOMPARE(ExportWriter::CsvField(QStringLiteral("say \"hi\""), false),
             QStringLiteral("\"say \"\"hi\"\"\""));
    QCOMPARE(ExportWriter::CsvField(QStringLiteral("a\nb"), false), QStringLiteral("\"a\nb\""));
    QCOMPARE(ExportWriter::CsvField(QStringLiteral("12"), false), QStringLiteral("12"));
    QCOMPARE(ExportWriter::CsvField(QStringLiteral("12"), true), QStringLiteral("\"12\""));
    QCOMPARE(ExportWriter::CsvField(QString(), true), QString());
}

QTEST_MAIN(tst_DataListView)
#include "tst_datalistview.moc"
