#pragma once

#include <QColor>
#include <QDate>

class CGridCtrl;

// The colours that make current follow-up rows stand out, decided by the
// first ten characters (the date) of a row's time column.
namespace TraceRowColours {

QColor Today();     // light green: dated today (both lists)
QColor Yesterday(); // paler green: a record of yesterday
QColor Overdue();   // light red: a plan dated before today

// The colour of a communication record's row, invalid for the grid's own.
QColor ForRecord(QStringView time, const QString& today, const QString& yesterday);
// The colour of a plan's row, invalid for the grid's own.
QColor ForPlan(QStringView time, const QString& today);

// Colours every data row from column 1 on (rows whose date no longer matches
// go back to the grid's colour), then repaints. `timeColumn` is the grid
// column of the time; `today` is the local date.
void ColourRecords(CGridCtrl& grid, int timeColumn, const QDate& today);
void ColourPlans(CGridCtrl& grid, int timeColumn, const QDate& today);

} // namespace TraceRowColours
