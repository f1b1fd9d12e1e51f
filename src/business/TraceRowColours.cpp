#include "business/TraceRowColours.h"

#include "ui/ColorRef.h"
#include "ui/GridCtrl.h"

#include <functional>

namespace TraceRowColours {

namespace {

QString DateText(const QDate& date) {
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

void ColourRows(CGridCtrl& grid, int timeColumn, const std::function<QColor(QStringView)>& pick) {
    if (timeColumn < 0 || timeColumn >= grid.GetColumnCount())
        return;
    const int columns = grid.GetColumnCount();
    const int first = qMax(1, grid.GetFixedColumnCount());
    for (int row = grid.GetFixedRowCount(); row < grid.GetRowCount(); ++row) {
        const QString time = grid.GetItemText(row, timeColumn);
        const QColor colour = pick(QStringView(time).left(10));
        for (int column = first; column < columns; ++column)
            grid.SetItemBkColour(row, column, colour);
    }
    grid.Refresh();
}

} // namespace

QColor Today() {
    return ColorRef::ToColor(0xE0FFE0);
}

QColor Yesterday() {
    return ColorRef::ToColor(0xF0FFF0);
}

QColor Overdue() {
    return ColorRef::ToColor(0xE0E0FF);
}

QColor ForRecord(QStringView time, const QString& today, const QString& yesterday) {
    const QStringView date = time.left(10);
    if (date == today)
        return Today();
    if (date == yesterday)
        return Yesterday();
    return QColor();
}

QColor ForPlan(QStringView time, const QString& today) {
    const QStringView date = time.left(10);
    // Dates compare as text: "YYYY-MM-DD" sorts in date order.
    const int order = date.compare(today);
    if (order < 0)
        return Overdue();
    if (order == 0)
        return Today();
    return QColor();
}

void ColourRecords(CGridCtrl& grid, int timeColumn, const QDate& today) {
    const QString todayText = DateText(today);
    const QString yesterdayText = DateText(today.addDays(-1));
    ColourRows(grid, timeColumn,
               [&](QStringView date) { return ForRecord(date, todayText, yesterdayText); });
}

void ColourPlans(CGridCtrl& grid, int timeColumn, const QDate& today) {
    const QString todayText = DateText(today);
    ColourRows(grid, timeColumn, [&](QStringView date) { return ForPlan(date, todayText); });
}

} // namespace TraceRowColours
