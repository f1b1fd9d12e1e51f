#include "WageView.h"

#include "WageDlg.h"
#include "WageMonthDlg.h"
#include "WageSheet.h"

#include "base/IniFile.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/QueryBinder.h"
#include "db/SqlLiteral.h"
#include "framework/CommandIds.h"
#include "framework/ExportTarget.h"
#include "framework/ExportWriter.h"
#include "framework/ListToolbar.h"
#include "framework/QueryExport.h"
#include "ui/GridCtrl.h"
#include "ui/Prompt.h"

#include <QComboBox>
#include <QDate>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

QList<QPair<QString, QString>> SheetColumns() {
    QList<QPair<QString, QString>> columns = {
        {QStringLiteral("KeyId"), QStringLiteral("编号")},
        {QStringLiteral("UserName"), QStringLiteral("用户名")},
        {WageSheet::FullNameColumn(), QStringLiteral("姓名")}};
    for (const WageSheet::Column& column : WageSheet::FigureColumns())
        columns.append({column.name, column.caption});
    columns.append({QStringLiteral("NetPay"), QStringLiteral("实发工资")});
    columns.append({QStringLiteral("Remarks"), QStringLiteral("备注")});
    return columns;
}

} // namespace

WageView::WageView(DbConnection& connection, Prompt& prompt, QWidget* parent)
    : CRecordListView(connection, prompt, QStringLiteral("WageData"), QString(),
                      QStringLiteral("WageView"), parent) {
    setObjectName(QStringLiteral("WageView"));
    CreateParts(SheetColumns(), QStringLiteral(" order by UserName, KeyId "));
    toolbar_->AddButton(QStringLiteral("新建工资表"), kNewSheet, 80);
    toolbar_->AddButton(QStringLiteral("编辑"), Command::Edit, 50);
    toolbar_->AddButton(QStringLiteral("删除工资表"), kDeleteSheet, 80);
    toolbar_->AddButton(QStringLiteral("导出"), kExport, 50);

    auto* holder = new QWidget(this);
    auto* pickerRow = new QHBoxLayout;
    pickerRow->setContentsMargins(4, 2, 4, 2);
    pickerRow->addWidget(new QLabel(QStringLiteral("月份:"), holder));
    months_ = new QComboBox(holder);
    months_->setObjectName(QStringLiteral("WageMonth"));
    months_->setMinimumContentsLength(8);
    pickerRow->addWidget(months_);
    pickerRow->addStretch(1);
    auto* column = new QVBoxLayout(holder);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addLayout(pickerRow);
    column->addWidget(grid_, 1);
    totals_ = new QLabel(this);
    totals_->setObjectName(QStringLiteral("WageTotals"));
    totals_->setContentsMargins(4, 2, 4, 2);
    PlaceGrid(holder, totals_);
    connect(months_, &QComboBox::currentTextChanged, this, [this] { ShowMonth(); });

    LoadMonths(QString());
}

QString WageView::Month() const {
    return months_->currentText();
}

QString WageView::TotalsText() const {
    return totals_->text();
}

void WageView::SelectMonth(const QString& month) {
    months_->setCurrentText(month);
}

void WageView::LoadMonths(const QString& select) {
    QStringList months;
    QString error;
    if (!WageSheet::Months(connection_, months, error))
        prompt_.Message(error);
    {
        const QSignalBlocker blocker(months_);
        months_->clear();
        months_->addItems(months);
        if (!select.isEmpty())
            months_->setCurrentText(select);
    }
    ShowMonth();
}

void WageView::ShowMonth() {
    // Without a sheet the list shows nothing.
    SetConditions(
        {QStringLiteral("(WageMonth=") + SqlLiteral::Text(Month()) + QStringLiteral(")")});
    Reload();
}

void WageView::AfterLoad() {
    WageSheet::Totals totals;
    QString error;
    if (!WageSheet::MonthTotals(connection_, Month(), totals, error)) {
        totals_->setText(error);
        return;
    }
    QString text = QStringLiteral("合计 ") + QString::number(totals.people) + QStringLiteral(" 人");
    for (int i = 0; i < WageSheet::FigureColumns().size(); ++i)
        text += QStringLiteral("  ") + WageSheet::FigureColumns().at(i).caption +
                QStringLiteral(": ") + WageSheet::FigureText(totals.figures[i]);
    text += QStringLiteral("  实发工资: ") + WageSheet::FigureText(totals.netPay);
    totals_->setText(text);
}

bool WageView::OnCommand(int id) {
    switch (id) {
    case kNewSheet:
        NewSheet();
        return true;
    case Command::Edit:
        EditTopRow(QStringLiteral("请选择要编辑的工资"));
        return true;
    case kDeleteSheet:
        DeleteSheet();
        return true;
    case kExport:
        Export();
        return true;
    default:
        return CRecordListView::OnCommand(id);
    }
}

bool WageView::RunForm(IniFile& bag) {
    return RunWageForm(prompt_, connection_, bag, this);
}

void WageView::NewSheet() {
    // The month after the latest sheet is the usual next one.
    const QString latest = months_->count() > 0 ? months_->itemText(0) : QString();
    WageMonthDlg dialog(prompt_,
                        latest.isEmpty() ? QDate::currentDate().toString(QStringLiteral("yyyy-MM"))
                                         : WageSheet::NextMonth(latest),
                        this);
    if (prompt_.RunModal(dialog) != QDialog::Accepted)
        return;
    const QString month = dialog.Month();
    WageSheet::Made made;
    {
        WaitCursor wait(prompt_);
        made = WageSheet::Create(connection_, month);
    }
    switch (made.outcome) {
    case WageSheet::Outcome::Exists:
        prompt_.Message(month + QStringLiteral(" 的工资表已经存在"));
        SelectMonth(month);
        return;
    case WageSheet::Outcome::Failed:
        prompt_.Message(QStringLiteral("新建工资表失败:\r\n") + made.error);
        return;
    case WageSheet::Outcome::Made:
        break;
    }
    if (made.rows == 0) {
        prompt_.Message(QStringLiteral("没有在职的职员, 没有建立 ") + month +
                        QStringLiteral(" 的工资表"));
        return;
    }
    LoadMonths(month);
    Note(month + QStringLiteral(" 的工资表已建立, 共 ") + QString::number(made.rows) +
         QStringLiteral(" 人") +
         (made.copiedFrom.isEmpty() ? QString() : QStringLiteral(", 数字取自 ") + made.copiedFrom));
}

void WageView::DeleteSheet() {
    const QString month = Month();
    if (month.isEmpty()) {
        prompt_.Message(QStringLiteral("没有可删除的工资表"));
        return;
    }
    if (prompt_.Ask(QStringLiteral("确定要删除 ") + month + QStringLiteral(" 的工资表吗?"),
                    Prompt::Buttons::OkCancel) != Prompt::Answer::Ok)
        return;
    QString error;
    if (WageSheet::DeleteMonth(connection_, month, error) < 0) {
        prompt_.Message(QStringLiteral("删除工资表失败:\r\n") + error);
        return;
    }
    LoadMonths(QString());
}

void WageView::Export() {
    const QString month = Month();
    if (month.isEmpty()) {
        prompt_.Message(QStringLiteral("没有可导出的工资表"));
        return;
    }
    const QString path = ExportTarget::Choose(
        prompt_, connection_, QStringLiteral("导出"),
        QStringLiteral("CSV文本文件 (*.csv *.CSV);;所有文件 (*)"), QStringLiteral("csv"));
    if (path.isEmpty())
        return;
    const Prompt::Answer answer =
        prompt_.Ask(QStringLiteral("以 GBK 编码保存吗?\r\n选\"是\"保存为 GBK (旧版 Excel "
                                   "默认)，选\"否\"保存为 UTF-8。"),
                    Prompt::Buttons::YesNoCancel);
    if (answer == Prompt::Answer::Cancel)
        return;
    const TextEncoding encoding =
        answer == Prompt::Answer::Yes ? TextEncoding::Gbk : TextEncoding::Utf8Bom;

    const QList<WageSheet::Column>& figures = WageSheet::FigureColumns();
    QString columns = QStringLiteral("WageMonth,UserName,") + WageSheet::FullNameColumn();
    QStringList header = {QStringLiteral("月份"), QStringLiteral("用户名"), QStringLiteral("姓名")};
    for (const WageSheet::Column& column : figures) {
        columns += QStringLiteral(",") + column.name;
        header.append(column.caption);
    }
    columns += QStringLiteral(",NetPay,Remarks");
    header << QStringLiteral("实发工资") << QStringLiteral("备注");
    const QString sql = QStringLiteral("select ") + columns +
                        QStringLiteral(" from WageData where WageMonth=") +
                        SqlLiteral::Text(month) + QStringLiteral(" order by UserName, KeyId");
    bool headerWritten = false;
    const int numbers = int(figures.size()) + 1;
    // Texts are always quoted, figures never (like the lists' own exports).
    QList<bool> quoted = {true, true, true};
    for (int i = 0; i < numbers; ++i)
        quoted.append(false);
    quoted.append(true);
    const QueryExport::Result result =
        QueryExport(connection_, prompt_, encoding)
            .WriteLines(sql, path, [&](DbRecordset& row, ExportWriter& out) {
                if (!headerWritten) {
                    out.WriteRecord(header);
                    headerWritten = true;
                }
                QStringList fields = {row.GetString(0), row.GetString(1), row.GetString(2)};
                for (int i = 0; i < numbers; ++i)
                    fields.append(WageSheet::FigureText(row.GetString(3 + i).toDouble()));
                fields.append(row.GetString(3 + numbers));
                return out.WriteRecord(fields, quoted);
            });
    ReportExport(result, path, sql, month + QStringLiteral(" 的工资表没有记录"));
}
