#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

// The numbers behind one chart: one row per bar group (a month, a product, a
// handler), one column per series. The chart, its table, the CSV file and the
// printout are all drawn from this.
struct ReportTable {
    QString title;                 // "月度销售额"
    QString labelCaption;          // caption of the label column: "月份", "产品"
    QStringList valueCaptions;     // one per series: "本期", "去年同期"
    QStringList labels;            // one per row
    QList<QVector<double>> values; // values[row][series]
    int decimals = 2;              // 0 for counts
    // How many leading series the chart draws (-1: all); the table shows all.
    // Amounts and counts are not drawn against one axis.
    int chartSeries = -1;
    // Months and weeks stand as upright bars in time order; names (products,
    // handlers) lie as horizontal bars, largest first, so long names fit.
    bool timeAxis = false;

    int RowCount() const { return labels.size(); }
    void AddRow(const QString& label, const QVector<double>& rowValues) {
        labels << label;
        values << rowValues;
    }
    // The sum of one series over every row.
    double Total(int series) const {
        double total = 0;
        for (const QVector<double>& row : values)
            total += row.value(series);
        return total;
    }
    // A value as the table and the CSV file write it.
    QString Text(double value) const { return QString::number(value, 'f', decimals); }
};
