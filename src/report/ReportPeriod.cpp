#include "report/ReportPeriod.h"

#include "db/SqlLiteral.h"

namespace {

QString Day(const QDate& date) {
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

} // namespace

ReportPeriod ReportPeriod::Month(int year, int month) {
    const QDate first(year, month, 1);
    return {Kind::Month, first, first.addMonths(1)};
}

ReportPeriod ReportPeriod::Quarter(int year, int quarter) {
    const QDate first(year, (quarter - 1) * 3 + 1, 1);
    return {Kind::Quarter, first, first.addMonths(3)};
}

ReportPeriod ReportPeriod::Year(int year) {
    const QDate first(year, 1, 1);
    return {Kind::Year, first, first.addYears(1)};
}

ReportPeriod ReportPeriod::Range(const QDate& first, const QDate& last) {
    if (last < first)
        return {Kind::Range, last, first.addDays(1)};
    return {Kind::Range, first, last.addDays(1)};
}

ReportPeriod ReportPeriod::PreviousYear() const {
    return {kind_, first_.addYears(-1), end_.addYears(-1)};
}

QString ReportPeriod::Condition(const QString& column) const {
    return QStringLiteral("(") + column + QStringLiteral(" >= ") + SqlLiteral::Text(Day(first_)) +
           QStringLiteral(" and ") + column + QStringLiteral(" < ") + SqlLiteral::Text(Day(end_)) +
           QStringLiteral(")");
}

QStringList ReportPeriod::Months() const {
    QStringList months;
    if (!IsValid())
        return months;
    for (QDate month(first_.year(), first_.month(), 1); month < end_; month = month.addMonths(1))
        months << month.toString(QStringLiteral("yyyy-MM"));
    return months;
}

QString ReportPeriod::Text() const {
    switch (kind_) {
    case Kind::Month:
        return QStringLiteral("%1年%2月").arg(first_.year()).arg(first_.month());
    case Kind::Quarter:
        return QStringLiteral("%1年第%2季度").arg(first_.year()).arg((first_.month() - 1) / 3 + 1);
    case Kind::Year:
        return QStringLiteral("%1年").arg(first_.year());
    case Kind::Range:
        break;
    }
    return Day(first_) + QStringLiteral(" 至 ") + Day(end_.addDays(-1));
}
