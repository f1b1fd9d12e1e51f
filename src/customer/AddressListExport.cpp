#include "customer/AddressListExport.h"

#include "db/DbRecordset.h"
#include "framework/ExportTarget.h"
#include "framework/ExportWriter.h"
#include "framework/QueryExport.h"
#include "ui/Prompt.h"

namespace AddressListExport {

namespace {

struct KindTexts {
    QString column;  // the address column
    QString caption; // the save dialog's title
    QString filter;
    QString counted; // "共导出 %1 个..."
};

KindTexts TextsOf(Kind kind) {
    switch (kind) {
    case Kind::Email:
        return {QStringLiteral("Email"), QStringLiteral("导出邮件地址"),
                QStringLiteral("邮件地址列表 (*.txt *.TXT);;所有文件 (*)"),
                QStringLiteral("共导出 %1 个邮件地址")};
    case Kind::Mobile:
        return {QStringLiteral("Mobile"), QStringLiteral("导出手机号码"),
                QStringLiteral("手机号码列表 (*.txt *.TXT);;所有文件 (*)"),
                QStringLiteral("共导出 %1 个手机号码")};
    case Kind::Fax:
        break;
    }
    return {QStringLiteral("Fax"), QStringLiteral("导出传真号码"),
            QStringLiteral("传真号码列表 (*.txt *.TXT);;所有文件 (*)"),
            QStringLiteral("共导出 %1 个传真号码")};
}

} // namespace

QString CleanFax(const QString& fax) {
    QString clean = fax;
    clean.remove(u'-');
    clean.remove(u' ');
    return clean;
}

QString Line(Kind kind, const QString& address, const QString& customerName) {
    if (kind == Kind::Fax) {
        const QString fax = CleanFax(address);
        return fax.startsWith(u'0') ? fax : QString();
    }
    if (address.isEmpty())
        return QString();
    return address + QStringLiteral(",") + customerName;
}

int Run(Prompt& prompt, DbConnection& connection, Kind kind, bool admin, const QString& table,
        const QString& where, const QString& order) {
    if (!admin) {
        prompt.Message(QStringLiteral("权限不足"));
        return -1;
    }
    const KindTexts texts = TextsOf(kind);
    const QString path = ExportTarget::Choose(prompt, connection, texts.caption, texts.filter,
                                              QStringLiteral("txt"));
    if (path.isEmpty())
        return -1;
    const QString sql = QStringLiteral("select ") + texts.column +
                        QStringLiteral(",CustomerName from ") + table + where +
                        (order.isEmpty() ? QString() : QStringLiteral(" ") + order);
    const QString column = texts.column;
    const QueryExport::Result result =
        QueryExport(connection, prompt)
            .WriteLines(sql, path, [kind, column](DbRecordset& row, ExportWriter& out) {
                const QString line = Line(kind, row.GetString(column),
                                          row.GetString(QStringLiteral("CustomerName")));
                if (line.isNull())
                    return false;
                out.WriteLine(line);
                return true;
            });
    switch (result.outcome) {
    case QueryExport::Outcome::Written:
        prompt.Message(texts.counted.arg(result.lines));
        return int(result.lines);
    case QueryExport::Outcome::NoRows:
        prompt.Message(QStringLiteral("没有符合条件的记录"));
        return -1;
    case QueryExport::Outcome::QueryFailed:
        prompt.Message(result.error + QStringLiteral("\r\n") + sql);
        return -1;
    case QueryExport::Outcome::Stopped:
        return -1;
    case QueryExport::Outcome::FileFailed:
        break;
    }
    prompt.Message(result.error);
    return -1;
}

} // namespace AddressListExport
