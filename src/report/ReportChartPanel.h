#pragma once

#include "report/ReportTable.h"

#include <QImage>
#include <QWidget>

class DbConnection;
class Prompt;
class QAbstractBarSeries;
class QBarCategoryAxis;
class QChart;
class QChartView;
class QLabel;
class QTableWidget;
class QValueAxis;

// One chart of the report with the numbers behind it: the bars on the left,
// the table (with its 合计 line) on the right, and under them the commands to
// export the table as CSV, the chart as PNG, and to print both.
//
// A report refreshes a dozen panels at once, most of them on tabs not shown,
// so a panel draws only when it is on screen (or its grid, chart or picture
// is asked for), and keeps its chart and axes from one table to the next,
// replacing only the bars and the axes' ranges.
class CReportChartPanel final : public QWidget {
    Q_OBJECT

public:
    // The connection only names the live database file, which no export may
    // overwrite.
    CReportChartPanel(Prompt& prompt, DbConnection& connection, QWidget* parent = nullptr);

    // Shows the table and draws its chart (now when the panel is on screen,
    // otherwise when it is shown); `period` goes into titles and suggested
    // file names.
    void SetTable(const ReportTable& table, const QString& period);
    const ReportTable& Table() const { return table_; }
    // The grid and the chart, drawn for the current table.
    QTableWidget* Grid();
    QChartView* ChartView();

    // The chart as a picture (also when the panel is not on screen).
    QImage ChartImage();

    // The three commands; each asks through the prompt and reports the outcome.
    bool ExportCsv();
    bool ExportPng();
    bool Print();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Draw();
    void MakeChart(bool upright);
    void DrawChart();
    void FillGrid();
    // Asks for a file to write; "" when cancelled or refused.
    QString AskTarget(const QString& caption, const QString& filter, const QString& suffix);
    QString Title() const;

    Prompt& prompt_;
    DbConnection& connection_;
    ReportTable table_;
    QString period_;
    QLabel* title_ = nullptr;
    QChartView* chartView_ = nullptr;
    QTableWidget* grid_ = nullptr;
    // The table has not been drawn yet.
    bool stale_ = false;
    // The chart's parts, kept between tables; `upright_` says which kind of
    // bars `bars_` is.
    QChart* chart_ = nullptr;
    QAbstractBarSeries* bars_ = nullptr;
    QBarCategoryAxis* names_ = nullptr;
    QValueAxis* values_ = nullptr;
    bool upright_ = false;
};
