#include "report/ReportChartPanel.h"

#include "base/ProgramFolder.h"
#include "db/ConnectionString.h"
#include "db/DbConnection.h"
#include "report/ReportExport.h"
#include "ui/Prompt.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDir>
#include <QFileInfo>
#include <QGraphicsScene>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kChartWidth = 900;
constexpr int kChartHeight = 520;

QTableWidgetItem* Cell(const QString& text, bool number, bool strong = false) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    if (number)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    if (strong) {
        QFont font = item->font();
        font.setBold(true);
        item->setFont(font);
    }
    return item;
}

} // namespace

CReportChartPanel::CReportChartPanel(Prompt& prompt, DbConnection& connection, QWidget* parent)
    : QWidget(parent), prompt_(prompt), connection_(connection) {
    title_ = new QLabel(this);
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);

    chartView_ = new QChartView(this);
    chartView_->setRenderHint(QPainter::Antialiasing);
    chartView_->setMinimumSize(480, 300);
    grid_ = new QTableWidget(this);
    grid_->verticalHeader()->hide();
    grid_->setMinimumWidth(280);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);

    auto* csv = new QPushButton(QStringLiteral("导出CSV"), this);
    auto* png = new QPushButton(QStringLiteral("导出图片"), this);
    auto* print = new QPushButton(QStringLiteral("打印"), this);
    connect(csv, &QPushButton::clicked, this, [this] { ExportCsv(); });
    connect(png, &QPushButton::clicked, this, [this] { ExportPng(); });
    connect(print, &QPushButton::clicked, this, [this] { Print(); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(title_, 1);
    buttons->addWidget(csv);
    buttons->addWidget(png);
    buttons->addWidget(print);
    auto* body = new QHBoxLayout;
    body->addWidget(chartView_, 3);
    body->addWidget(grid_, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addLayout(body, 1);
    setMinimumHeight(360);
}

QString CReportChartPanel::Title() const {
    return table_.title + QStringLiteral(" ") + period_;
}

void CReportChartPanel::SetTable(const ReportTable& table, const QString& period) {
    table_ = table;
    period_ = period;
    title_->setText(Title());
    stale_ = true;
    if (isVisible())
        Draw();
}

void CReportChartPanel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (stale_)
        Draw();
}

void CReportChartPanel::Draw() {
    stale_ = false;
    FillGrid();
    DrawChart();
}

QTableWidget* CReportChartPanel::Grid() {
    if (stale_)
        Draw();
    return grid_;
}

QChartView* CReportChartPanel::ChartView() {
    if (stale_)
        Draw();
    return chartView_;
}

void CReportChartPanel::FillGrid() {
    const int series = table_.valueCaptions.size();
    grid_->clear();
    grid_->setColumnCount(series + 1);
    grid_->setRowCount(table_.RowCount() + 1);
    grid_->setHorizontalHeaderLabels(QStringList{table_.labelCaption} + table_.valueCaptions);
    for (int row = 0; row < table_.RowCount(); ++row) {
        grid_->setItem(row, 0, Cell(table_.labels.at(row), false));
        for (int column = 0; column < series; ++column)
            grid_->setItem(row, column + 1,
                           Cell(table_.Text(table_.values.at(row).value(column)), true));
    }
    const int total = table_.RowCount();
    grid_->setItem(total, 0, Cell(QStringLiteral("合计"), false, true));
    for (int column = 0; column < series; ++column)
        grid_->setItem(total, column + 1, Cell(table_.Text(table_.Total(column)), true, true));
    grid_->resizeColumnsToContents();
}

void CReportChartPanel::MakeChart(bool upright) {
    chart_ = new QChart;
    bars_ = upright ? static_cast<QAbstractBarSeries*>(new QBarSeries) : new QHorizontalBarSeries;
    names_ = new QBarCategoryAxis;
    values_ = new QValueAxis;
    upright_ = upright;
    chart_->addSeries(bars_);
    chart_->addAxis(names_, upright ? Qt::AlignBottom : Qt::AlignLeft);
    chart_->addAxis(values_, upright ? Qt::AlignLeft : Qt::AlignBottom);
    bars_->attachAxis(names_);
    bars_->attachAxis(values_);
    chart_->legend()->setAlignment(Qt::AlignBottom);
    // The view hands the old chart back rather than deleting it.
    QChart* old = chartView_->chart();
    chartView_->setChart(chart_);
    delete old;
    // A chart is a few hundred items that are replaced on every refresh; the
    // scene's spatial index costs more to keep up than it saves in lookups.
    chartView_->scene()->setItemIndexMethod(QGraphicsScene::NoIndex);
}

void CReportChartPanel::DrawChart() {
    if (!chart_ || upright_ != table_.timeAxis)
        MakeChart(table_.timeAxis);
    const int drawn = table_.chartSeries < 0
                          ? int(table_.valueCaptions.size())
                          : std::min(table_.chartSeries, int(table_.valueCaptions.size()));
    // Horizontal bars are drawn bottom-up: reversed, the largest stands on top
    // as in the table.
    QList<QList<qreal>> columns;
    double largest = 0;
    for (int series = 0; series < drawn; ++series) {
        QList<qreal> column;
        column.reserve(table_.RowCount());
        for (int i = 0; i < table_.RowCount(); ++i) {
            const int row = table_.timeAxis ? i : table_.RowCount() - 1 - i;
            const double value = table_.values.at(row).value(series);
            column << value;
            largest = std::max(largest, value);
        }
        columns << column;
    }
    // The months of one year ("2026-01" …) do not fit side by side under the
    // bars; the chart names them 1月 … 12月, the table beside it in full.
    bool oneYear = table_.timeAxis && table_.RowCount() > 0;
    for (const QString& label : table_.labels)
        oneYear = oneYear && label.size() == 7 && label.at(4) == QLatin1Char('-') &&
                  label.left(5) == table_.labels.first().left(5);
    QStringList categories;
    for (int i = 0; i < table_.RowCount(); ++i) {
        const QString& label = table_.labels.at(table_.timeAxis ? i : table_.RowCount() - 1 - i);
        categories << (oneYear ? QString::number(label.mid(5).toInt()) + QStringLiteral("月")
                               : label);
    }

    chart_->setTitle(Title());
    // Each bar is an item of the chart's scene, and making and dropping them
    // is most of a chart's cost: bars of the same number (the months of a
    // period, a top ten) only get their new values; otherwise the sets are
    // made whole and handed over in one call, so the chart lays out once.
    const QList<QBarSet*> existing = bars_->barSets();
    bool sameShape = existing.size() == drawn;
    for (int series = 0; sameShape && series < drawn; ++series)
        sameShape = existing.at(series)->count() == table_.RowCount();
    if (sameShape) {
        for (int series = 0; series < drawn; ++series) {
            QBarSet* set = existing.at(series);
            set->setLabel(table_.valueCaptions.at(series));
            for (int i = 0; i < table_.RowCount(); ++i) {
                if (set->at(i) != columns.at(series).at(i))
                    set->replace(i, columns.at(series).at(i));
            }
        }
    } else {
        QList<QBarSet*> sets;
        for (int series = 0; series < drawn; ++series) {
            sets << new QBarSet(table_.valueCaptions.at(series));
            sets.last()->append(columns.at(series));
        }
        bars_->clear();
        bars_->append(sets);
    }
    if (names_->categories() != categories)
        names_->setCategories(categories);
    if (table_.decimals == 0) {
        // Counts: whole-number ticks only, or a small count's axis would
        // label its fractional ticks 0, 0, 1, 1. The step is set before the
        // range: the kept axis still has the last table's step, and a range of
        // 40,000 at a step of 1 would make 40,000 ticks first.
        const double top = std::max(1.0, std::ceil(largest * 1.05));
        const double step = std::max(1.0, std::ceil(top / 5));
        values_->setLabelFormat(QStringLiteral("%.0f"));
        values_->setTickType(QValueAxis::TicksDynamic);
        values_->setTickAnchor(0);
        values_->setTickInterval(step);
        values_->setRange(0, std::ceil(top / step) * step);
    } else {
        values_->setLabelFormat(QStringLiteral("%.2f"));
        values_->setTickType(QValueAxis::TicksFixed);
        values_->setRange(0, largest > 0 ? largest * 1.05 : 1);
    }
    chart_->legend()->setVisible(drawn > 1);
    names_->setLabelsAngle(table_.timeAxis && table_.RowCount() > 12 ? -90 : 0);
}

QImage CReportChartPanel::ChartImage() {
    if (stale_)
        Draw();
    // A panel never shown has no layout yet; it is drawn at a fixed size.
    if (!chartView_->isVisible())
        chartView_->resize(kChartWidth, kChartHeight);
    return chartView_->grab().toImage();
}

QString CReportChartPanel::AskTarget(const QString& caption, const QString& filter,
                                     const QString& suffix) {
    QString path = prompt_.SaveFileName(
        caption, QDir::home().filePath(table_.title + QLatin1Char('_') + period_ + suffix), filter);
    if (path.isEmpty())
        return QString();
    if (QFileInfo(path).suffix().isEmpty())
        path += suffix;
    const QString database = ConnectionString::FilePath(connection_.GetConnectionString());
    const QFileInfo target(path);
    if (!database.isEmpty() &&
        target.absoluteFilePath() == QFileInfo(ResolveProgramPath(database)).absoluteFilePath()) {
        prompt_.Message(QStringLiteral("不能覆盖正在使用的数据库文件!"));
        return QString();
    }
    if (target.exists() && !prompt_.Confirm(path + QStringLiteral(" 已存在。\r\n要替换它吗?")))
        return QString();
    return path;
}

bool CReportChartPanel::ExportCsv() {
    const QString path = AskTarget(QStringLiteral("导出CSV"),
                                   QStringLiteral("CSV文本文件 (*.csv *.CSV);;所有文件 (*)"),
                                   QStringLiteral(".csv"));
    if (path.isEmpty())
        return false;
    const Prompt::Answer answer =
        prompt_.Ask(QStringLiteral("以 GBK 编码保存吗?\r\n选\"是\"保存为 GBK (旧版 Excel "
                                   "默认)，选\"否\"保存为 UTF-8。"),
                    Prompt::Buttons::YesNoCancel);
    if (answer == Prompt::Answer::Cancel)
        return false;
    QString error;
    if (!ReportExport::WriteCsv(
            path, table_, answer == Prompt::Answer::Yes ? TextEncoding::Gbk : TextEncoding::Utf8Bom,
            error)) {
        prompt_.Message(QStringLiteral("导出失败: ") + error);
        return false;
    }
    prompt_.Message(QStringLiteral("已导出到 ") + path);
    return true;
}

bool CReportChartPanel::ExportPng() {
    const QString path =
        AskTarget(QStringLiteral("导出图片"), QStringLiteral("PNG图片 (*.png *.PNG);;所有文件 (*)"),
                  QStringLiteral(".png"));
    if (path.isEmpty())
        return false;
    QString error;
    if (!ReportExport::WritePng(path, ChartImage(), error)) {
        prompt_.Message(QStringLiteral("导出失败: ") + error);
        return false;
    }
    prompt_.Message(QStringLiteral("已导出到 ") + path);
    return true;
}

bool CReportChartPanel::Print() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(Title());
    QPrintDialog dialog(&printer, this);
    if (prompt_.RunModal(dialog) != QDialog::Accepted)
        return false;
    const QImage chart = ChartImage();
    QPainter painter;
    if (!painter.begin(&printer)) {
        prompt_.Message(QStringLiteral("无法打印: 打印机没有准备好"));
        return false;
    }
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    ReportExport::PaintPage(painter, QRect(QPoint(0, 0), page.size()), Title(), chart, table_,
                            &printer);
    painter.end();
    return true;
}
