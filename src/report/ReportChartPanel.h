#pragma once

#include "report/ReportTable.h"

#include <QImage>
#include <QWidget>

class DbConnection;
class Prompt;
class QChartView;
class QLabel;
class QTableWidget;

// One chart of the report with the numbers behind it: the bars on the left,
// the table (with its 合计 line) on the right, and under them the commands to
// export the table as CSV, the chart as PNG, and to print both.
class CReportChartPanel final : public QWidget {
    Q_OBJECT

public:
    // The connection only names the live database file, which no export may
    // overwrite.
    CReportChartPanel(Prompt& prompt, DbConnection& connection, QWidget* parent = nullptr);

    // Shows the table and draws its chart; `period` goes into titles and
    // suggested file names.
    void SetTable(const ReportTable& table, const QString& period);
    const ReportTable& Table() const { return table_; }
    QTableWidget* Grid() const { return grid_; }
    QChartView* ChartView() const { return chartView_; }

    // The chart as a picture (also when the panel is not on screen).
    QImage ChartImage();

    // The three commands; each asks through the prompt and reports the outcome.
    bool ExportCsv();
    bool ExportPng();
    bool Print();

private:
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
};
