#include "report/ReportExport.h"

#include "framework/ExportWriter.h"

#include <QImage>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QSaveFile>

namespace {

bool Commit(QSaveFile& file, QString& error) {
    if (file.commit())
        return true;
    error = file.errorString();
    return false;
}

} // namespace

bool ReportExport::WriteCsv(const QString& path, const ReportTable& table, TextEncoding encoding,
                            QString& error) {
    ExportWriter writer(encoding);
    if (!writer.Open(path)) {
        error = writer.LastError();
        return false;
    }
    writer.WriteRecord(QStringList{table.labelCaption} + table.valueCaptions);
    for (int row = 0; row < table.RowCount(); ++row) {
        QStringList fields{table.labels.at(row)};
        for (int series = 0; series < table.valueCaptions.size(); ++series)
            fields << table.Text(table.values.at(row).value(series));
        writer.WriteRecord(fields);
    }
    QStringList total{QStringLiteral("合计")};
    for (int series = 0; series < table.valueCaptions.size(); ++series)
        total << table.Text(table.Total(series));
    writer.WriteRecord(total);
    if (!writer.Commit()) {
        error = writer.LastError();
        return false;
    }
    return true;
}

bool ReportExport::WritePng(const QString& path, const QImage& chart, QString& error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    if (!chart.save(&file, "PNG")) {
        file.cancelWriting();
        error = QStringLiteral("图片无法写成PNG格式");
        return false;
    }
    return Commit(file, error);
}

void ReportExport::PaintPage(QPainter& painter, const QRect& page, const QString& title,
                             const QImage& chart, const ReportTable& table,
                             QPagedPaintDevice* device) {
    const int line = painter.fontMetrics().height() + 4;
    int y = page.top();
    QFont bold = painter.font();
    bold.setBold(true);
    painter.save();
    painter.setFont(bold);
    painter.drawText(QRect(page.left(), y, page.width(), line), Qt::AlignLeft, title);
    painter.restore();
    y += line * 2;

    // The chart keeps its proportions in the upper half of the page.
    const QSize chartSize =
        chart.size().scaled(page.width(), page.height() / 2, Qt::KeepAspectRatio);
    painter.drawImage(QRect(QPoint(page.left(), y), chartSize), chart);
    y += chartSize.height() + line;

    const int columns = table.valueCaptions.size() + 1;
    const int width = page.width() / columns;
    const auto row = [&](const QStringList& cells, bool strong) {
        if (y + line > page.bottom()) {
            if (!device || !device->newPage())
                return false;
            y = page.top();
        }
        painter.save();
        if (strong)
            painter.setFont(bold);
        for (int column = 0; column < cells.size(); ++column)
            painter.drawText(QRect(page.left() + column * width, y, width - 4, line),
                             column == 0 ? Qt::AlignLeft : Qt::AlignRight, cells.at(column));
        painter.restore();
        y += line;
        return true;
    };
    row(QStringList{table.labelCaption} + table.valueCaptions, true);
    for (int r = 0; r < table.RowCount(); ++r) {
        QStringList cells{table.labels.at(r)};
        for (int series = 0; series < table.valueCaptions.size(); ++series)
            cells << table.Text(table.values.at(r).value(series));
        if (!row(cells, false))
            return;
    }
    QStringList total{QStringLiteral("合计")};
    for (int series = 0; series < table.valueCaptions.size(); ++series)
        total << table.Text(table.Total(series));
    row(total, true);
}
