#pragma once

#include "base/TextDecoding.h"
#include "report/ReportTable.h"

#include <QString>

class QImage;
class QPagedPaintDevice;
class QPainter;
class QRect;

// Writing a report's table and chart to files and to paper. Files are saved
// atomically (QSaveFile): a failed or cancelled save leaves an existing file
// as it was.
namespace ReportExport {

// The table as CSV (RFC 4180: fields with a comma, quote or line break are
// quoted, quotes doubled; lines end in CRLF): the header, one line per row and
// the 合计 line. GBK, or UTF-8 with a BOM so that spreadsheets read it as such.
bool WriteCsv(const QString& path, const ReportTable& table, TextEncoding encoding, QString& error);

// The chart as a PNG picture.
bool WritePng(const QString& path, const QImage& chart, QString& error);

// The title, the chart picture and the table under it; a table longer than
// the page goes on over further pages of `device` (one page when null).
void PaintPage(QPainter& painter, const QRect& page, const QString& title, const QImage& chart,
               const ReportTable& table, QPagedPaintDevice* device = nullptr);

} // namespace ReportExport
