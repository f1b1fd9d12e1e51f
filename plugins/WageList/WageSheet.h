#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class DbConnection;

// The wage sheets: one row of WageData per working staff member and month
// (yyyy-MM). Net pay is never typed: it is base pay + bonus + allowance -
// deduction - social insurance - tax, computed whenever a row is written.
namespace WageSheet {

// The typed figures of a row, in the order of Columns().
struct Figures {
    double basePay = 0;
    double bonus = 0;
    double allowance = 0;
    double deduction = 0;
    double insurance = 0;
    double tax = 0;

    double NetPay() const;
    double& operator[](int index);
    double operator[](int index) const;
};

struct Column {
    QString name;
    QString caption;
};
// The typed figures' columns (BasePay ... Tax) with their captions.
const QList<Column>& FigureColumns();

// The staff member's full name beside a row's UserName, as a column of a
// list over WageData.
QString FullNameColumn();

// "yyyy-MM" with a real month.
bool IsMonth(const QString& text);
// The month after `month` (yyyy-MM).
QString NextMonth(const QString& month);

// The months that have a sheet, latest first; false with `error`.
bool Months(DbConnection& connection, QStringList& months, QString& error);

enum class Outcome { Made, Exists, Failed };
struct Made {
    Outcome outcome = Outcome::Failed;
    int rows = 0;       // staff rows made
    QString copiedFrom; // the earlier month whose figures were copied, or ""
    QString error;
};
// Makes the sheet of `month`: a row for each working staff member, with the
// figures of the latest earlier sheet where that person has a row there and
// zeros for the others (staff who joined since). Exists when the month has a
// sheet, also when another desk made it at the same moment.
Made Create(DbConnection& connection, const QString& month);

// Deletes every row of the month in one transaction; the rows deleted, or -1
// with `error`.
int DeleteMonth(DbConnection& connection, const QString& month, QString& error);

struct Totals {
    int people = 0;
    Figures figures;
    double netPay = 0;
};
// The sums of the month's sheet; false with `error`.
bool MonthTotals(DbConnection& connection, const QString& month, Totals& totals, QString& error);

// Reads a figure as typed: an empty box is 0, anything else one finite number.
bool ParseFigure(const QString& text, double& value);
// A figure as the lists show it: two decimals.
QString FigureText(double value);

} // namespace WageSheet
