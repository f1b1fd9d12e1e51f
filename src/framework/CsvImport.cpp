#include "framework/CsvImport.h"

#include "base/CsvReader.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/TableImporter.h"
#include "framework/ImportCSVDlg.h"
#include "ui/Prompt.h"

#include <QDialog>
#include <QElapsedTimer>

#include <map>

namespace {

const QString kOpenFailed = QStringLiteral("打开源文件失败!");
const QString kCrLf = QStringLiteral("\r\n");

// The lines as "3、7、12", all of them: the user fixes the file by them.
QString JoinLines(const std::vector<int>& lines) {
    QStringList texts;
    texts.reserve(qsizetype(lines.size()));
    for (const int line : lines)
        texts << QString::number(line);
    return texts.join(QStringLiteral("、"));
}

// Every failure with its line, those with the same error text together, so
// that a thousand rows failing for one reason read as one paragraph.
QString DescribeFailures(const std::vector<TableImporter::Failure>& failures) {
    std::vector<QString> order;
    std::map<QString, std::vector<int>> linesByError;
    for (const TableImporter::Failure& failure : failures) {
        const QString error = failure.error.trimmed();
        auto& lines = linesByError[error];
        if (lines.empty())
            order.push_back(error);
        lines.push_back(failure.line);
    }
    QString text = QStringLiteral("以下%1行没有导入:").arg(failures.size());
    for (const QString& error : order)
        text += kCrLf + QStringLiteral("第%1行: %2").arg(JoinLines(linesByError[error]), error);
    return text;
}

} // namespace

CsvImportResult ImportCsvFile(Prompt& prompt, const CsvImportArgs& args) {
    const QString path =
        prompt.OpenFileName(QStringLiteral("导入数据"), QString(),
                            QStringLiteral("CSV文本文件 (*.csv *.CSV);;所有文件 (*)"));
    if (path.isEmpty())
        return {};

    // The file is looked at before the dialog: one that cannot be read,
    // has no header line or nothing after it gets its answer at once.
    CsvReader reader;
    if (!reader.Open(path)) {
        prompt.Message(kOpenFailed + kCrLf + reader.GetLastError());
        return {};
    }
    const TextEncoding encoding = reader.Encoding();
    QStringList fields;
    const int names = reader.ReadRecord(fields);
    if (names == 0 || fields.join(QString()).trimmed().isEmpty()) {
        prompt.Message(QStringLiteral("读取字段名失败"));
        return {};
    }
    if (reader.ReadRecord(fields) == 0) {
        prompt.Message(QStringLiteral("文件中只有字段名一行, 没有可以导入的记录"));
        return {};
    }
    reader.Close();

    CImportCSVDlg dialog(prompt, path, args.targets, encoding, args.settingsKey, args.parent);
    if (prompt.RunModal(dialog) != QDialog::Accepted)
        return {};
    QStringList columns;
    for (const QString& caption : dialog.Mapping())
        columns << (caption.isEmpty() ? QString() : args.targets.NameOf(caption));
    return ImportCsvMapped(prompt, args, path, dialog.Encoding(), columns);
}

CsvImportResult ImportCsvMapped(Prompt& prompt, const CsvImportArgs& args, const QString& path,
                                TextEncoding encoding, const QStringList& columns) {
    CsvImportResult result;
    if (!args.connection) {
        prompt.Message(QStringLiteral("Connection Not open!"));
        return result;
    }
    {
        // The table must answer before any row is tried.
        DbRecordset rs(*args.connection);
        if (!rs.Open(QStringLiteral("select * from %1 where 1=0").arg(args.table))) {
            prompt.Message(rs.GetLastError());
            return result;
        }
    }

    TableImporter importer;
    importer.SetConnection(args.connection);
    importer.SetFieldInfo(&args.targets);
    importer.SetEncoding(encoding);
    importer.SetFixedValues(args.fixedValues);
    importer.SetSkipEmptyRecords(true);
    QStringList mapped = columns;
    if (!args.keyColumn.isEmpty()) {
        // Past the last field of the file, so it takes no field's place.
        importer.SetKeyColumn(args.keyColumn);
        mapped << QStringLiteral("#");
    }
    bool askAgain = args.onFailure == CsvImportArgs::OnFailure::Ask;
    if (askAgain) {
        importer.SetOnFailure([&](int line, const QString& error) {
            if (!askAgain)
                return true;
            const Prompt::Answer answer =
                prompt.Ask(QStringLiteral("第%1行: %2\r\n\r\n继续?").arg(line).arg(error.trimmed()),
                           Prompt::Buttons::YesAllNo, QStringLiteral("出现异常"));
            if (answer == Prompt::Answer::YesToAll)
                askAgain = false;
            return answer == Prompt::Answer::Yes || answer == Prompt::Answer::YesToAll;
        });
    }
    {
        WaitCursor wait(prompt);
        ProgressScope progress(prompt, QStringLiteral("正在导入数据"));
        // The window is told when the bar moves a thousandth or a tenth of a
        // second has passed, not at every row: each step handles the
        // window's events, which would cost more than the row.
        qint64 shown = -1;
        QElapsedTimer sinceShown;
        sinceShown.start();
        importer.SetProgress([&](qint64 done, qint64 total) {
            if (shown >= 0 && done - shown < total / 1000 && sinceShown.elapsed() < 100)
                return true;
            shown = done;
            sinceShown.restart();
            return progress.Step(done, total);
        });
        result.imported = importer.Import(path, args.table, mapped);
    }
    if (importer.GetErrorText() == kOpenFailed) {
        prompt.Message(kOpenFailed + kCrLf + importer.GetFileError());
        return result;
    }
    result.ran = true;
    result.stopped = importer.Stopped();
    for (const TableImporter::Failure& failure : importer.GetFailures())
        result.failures
            << QStringLiteral("第%1行: %2").arg(failure.line).arg(failure.error.trimmed());

    // The count first, then whatever the user must know to fix the file.
    QString text = QStringLiteral("%1条记录成功导入").arg(result.imported);
    if (result.stopped)
        text = QStringLiteral("导入已停止, 此前的记录已经保存。") + kCrLf + text;
    if (args.onFailure == CsvImportArgs::OnFailure::Collect && !importer.GetFailures().empty())
        text += kCrLf + kCrLf + DescribeFailures(importer.GetFailures());
    if (!importer.GetLongRecordLines().empty())
        text += kCrLf + kCrLf +
                QStringLiteral("第%1行的字段比标题行多, 多出的字段没有导入。")
                    .arg(JoinLines(importer.GetLongRecordLines()));
    if (!importer.GetReadNote().isEmpty())
        text += kCrLf + kCrLf + importer.GetReadNote().trimmed();
    prompt.Message(text);
    return result;
}
