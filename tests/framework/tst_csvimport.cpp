#include "ScriptedPrompt.h"
#include "TempProgramFolder.h"
#include "TestDatabases.h"

#include "base/CsvReader.h"
#include "db/DbConnection.h"
#include "framework/CsvImport.h"
#include "framework/ImportCSVDlg.h"
#include "net/Gbk.h"
#include "ui/GridCellCombo.h"
#include "ui/GridCtrl.h"

#include <QComboBox>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_CsvImport : public QObject {
    Q_OBJECT

private slots:
    void dialogMapsColumnsAndShowsEncoding();
    void failedRowAsksYesAllNo_data() { TestDatabase::AddEngineRows(); }
    void failedRowAsksYesAllNo();

private:
    QString Write(const QByteArray& bytes) {
        QFile file(dir_.filePath(u"f%1.csv"_s.arg(++files_)));
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
        return file.fileName();
    }
    QTemporaryDir dir_;
    int files_ = 0;
};

namespace {

FieldInfoList Targets() {
    FieldInfoList targets;
    targets.Add(u"KeyId"_s, u"编号"_s, QString(), 3);
    targets.Add(u"CustomerName"_s, u"客户名称"_s);
    targets.Add(u"Contact"_s, u"联系人"_s);
    targets.Add(u"Phone"_s, u"电话"_s);
    targets.Add(u"Category"_s, u"类别"_s, u"直接客户"_s); // has a default: not offered
    return targets;
}

void SetTarget(CImportCSVDlg& dialog, int sourceColumn, const QString& caption) {
    dialog.Grid().SetItemText(1 + sourceColumn, CImportCSVDlg::TargetColumn, caption);
}

} // namespace

void tst_CsvImport::dialogMapsColumnsAndShowsEncoding() {
    TempProgramFolder folder(false);
    ScriptedPrompt prompt;
    const FieldInfoList targets = Targets();
    // UTF-8 without a BOM; names matched by caption or by column name,
    // without regard to case.
    const QString path = Write(u"客户名称,CONTACT,传真,电话\r\n"
                               "\"北京, 东方\",张三,010-1,\"多\r\n行\"\r\n"
                               "上海,李四\r\n"_s.toUtf8());
    TextEncoding encoding = TextEncoding::Gbk;
    QString error;
    QVERIFY(CsvReader::DetectEncoding(path, encoding, error));
    QCOMPARE(encoding, TextEncoding::Utf8);

    CImportCSVDlg dialog(prompt, path, targets, encoding, u"CImportCSVDlg"_s);
    QCOMPARE(dialog.windowTitle(), u"导入数据"_s);
    CGridCtrl& grid = dialog.Grid();
    QCOMPARE(grid.GetRowCount(), 5);
    QCOMPARE(dialog.Mapping(), QStringList({u"客户名称"_s, u"联系人"_s, QString(), u"电话"_s}));
    auto* combo = dynamic_cast<CGridCellCombo*>(grid.GetCell(1, CImportCSVDlg::TargetColumn));
    QVERIFY(combo);
    QCOMPARE(combo->GetOptions(),
             QStringList({QString(), u"编号"_s, u"客户名称"_s, u"联系人"_s, u"电话"_s}));
    // The preview: the first rows' values of each column, line breaks shown flat.
    QCOMPARE(grid.GetItemText(1, CImportCSVDlg::FirstPreviewColumn), u"北京, 东方"_s);
    QCOMPARE(grid.GetItemText(4, CImportCSVDlg::FirstPreviewColumn), u"多 行"_s);
    QCOMPARE(grid.GetItemText(2, CImportCSVDlg::FirstPreviewColumn + 1), u"李四"_s);
    QCOMPARE(dialog.EncodingBox().currentText(), u"UTF-8"_s);

    // Read as GBK the names no longer match; back in UTF-8 they do again.
    dialog.SetEncoding(TextEncoding::Gbk);
    QCOMPARE(dialog.EncodingBox().currentText(), u"GBK (简体中文)"_s);
    QCOMPARE(dialog.Mapping().at(0), QString());
    QVERIFY(grid.GetItemText(1, CImportCSVDlg::SourceColumn) != u"客户名称"_s);
    dialog.SetEncoding(TextEncoding::Utf8);
    QCOMPARE(dialog.Mapping().at(0), u"客户名称"_s);

    // OK refuses a target chosen twice and a mapping with nothing chosen.
    SetTarget(dialog, 2, u"联系人"_s);
    QVERIFY(!dialog.OnOK());
    QCOMPARE(prompt.LastMessage(), u"目标字段“联系人”被选择了不止一次"_s);
    for (int column = 0; column < 4; ++column)
        SetTarget(dialog, column, QString());
    QVERIFY(!dialog.OnOK());
    QCOMPARE(prompt.LastMessage(), u"请至少为一个源字段选择目标字段"_s);
    SetTarget(dialog, 2, u"电话"_s);
    QVERIFY(dialog.OnOK());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));

    // Files refused before the dialog, each with its own answer.
    CsvImportArgs args;
    args.targets = targets;
    const auto refused = [&](const QByteArray& bytes) {
        prompt.Reset();
        prompt.QueueFileName(Write(bytes));
        const CsvImportResult result = ImportCsvFile(prompt, args);
        return !result.ran && prompt.shown.size() == 2 ? prompt.LastMessage() : u"<ran>"_s;
    };
    QCOMPARE(refused("a,b\r\n"), u"文件中只有字段名一行, 没有可以导入的记录"_s);
    QCOMPARE(refused(""), u"读取字段名失败"_s);
    QVERIFY(refused("\xFF\xFE" + QByteArray("a\0,\0b\0", 6)).contains(u"UTF-16"_s));
    QVERIFY(
        refused(QByteArray("PK\x03\x04\x14\x00\x06\x00,a\r\n", 12)).contains(u"不是文本文件"_s));
}

void tst_CsvImport::failedRowAsksYesAllNo() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    ScriptedPrompt prompt;
    CsvImportArgs args;
    args.connection = &db;
    args.table = u"CustomerData"_s;
    args.targets = Targets();
    const auto run = [&](const QString& csv, std::initializer_list<Prompt::Answer> answers) {
        prompt.Reset();
        for (const Prompt::Answer answer : answers)
            prompt.QueueAnswer(answer);
        prompt.QueueFileName(Write(Gbk::Encode(csv)));
        prompt.QueueModal([](QDialog& dialog) {
            auto& mapping = dynamic_cast<CImportCSVDlg&>(dialog);
            return mapping.OnOK() ? mapping.result() : int(QDialog::Rejected);
        });
        return ImportCsvFile(prompt, args);
    };
    // Keys 1 and 2 come twice: the second of each fails.
    CsvImportResult result =
        run(u"编号,客户名称\r\n1,a\r\n1,b\r\n2,c\r\n2,d\r\n3,e\r\n"_s, {Prompt::Answer::YesToAll});
    QCOMPARE(result.imported, 3);
    QCOMPARE(result.failures.size(), 2);
    QVERIFY(result.failures[0].startsWith(u"第3行: "_s));
    QVERIFY(result.failures[1].startsWith(u"第5行: "_s));
    QStringList asked = prompt.Messages();
    QCOMPARE(asked.size(), 2); // 全部是 asks no more; then the count
    QVERIFY(asked[0].startsWith(u"第3行: "_s) && asked[0].endsWith(u"\r\n\r\n继续?"_s));
    QCOMPARE(prompt.shown[2].caption, u"出现异常"_s);
    QCOMPARE(asked[1], u"3条记录成功导入"_s);

    // 是 goes on, 否 stops there; the rows before stay.
    result = run(u"编号,客户名称\r\n10,a\r\n10,b\r\n11,c\r\n11,d\r\n12,e\r\n"_s,
                 {Prompt::Answer::Yes, Prompt::Answer::No});
    QCOMPARE(result.imported, 2);
    QVERIFY(result.stopped);
    QCOMPARE(prompt.LastMessage(), u"导入已停止, 此前的记录已经保存。\r\n2条记录成功导入"_s);
    QString names;
    db.JoinColumnValues(u"select CustomerName from CustomerData order by KeyId"_s, names);
    QCOMPARE(names, u"a;c;e;a;c"_s);
}

QTEST_MAIN(tst_CsvImport)
#include "tst_csvimport.moc"
