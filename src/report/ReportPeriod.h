#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

// The stretch of time a report covers: from the first day up to, not
// including, the day after the last. Times are stored as text
// "YYYY-MM-DD HH:MM:SS", so the period is a text range on the time column,
// which the time indexes answer on both engines.
class ReportPeriod final {
public:
    enum class Kind { Month, Quarter, Year, Range };

    ReportPeriod() = default;
    static ReportPeriod Month(int year, int month);
    static ReportPeriod Quarter(int year, int quarter);
    static ReportPeriod Year(int year);
    // From `first` to `last`, both days included; swapped when given backwards.
    static ReportPeriod Range(const QDate& first, const QDate& last);

    Kind GetKind() const { return kind_; }
    QDate First() const { return first_; }
    QDate End() const { return end_; } // the day after the last
    bool IsValid() const { return first_.isValid() && end_ > first_; }

    // The same days one year earlier (the comparison bars of the monthly chart).
    ReportPeriod PreviousYear() const;

    // "(column >= 'YYYY-MM-DD' and column < 'YYYY-MM-DD')".
    QString Condition(const QString& column) const;

    // The months the period touches, as "YYYY-MM", in order.
    QStringList Months() const;

    // How the period is named in titles and file names: "2012年", "2012年3月",
    // "2012年第1季度", "2012-03-01 至 2012-05-31".
    QString Text() const;

private:
    ReportPeriod(Kind kind, const QDate& first, const QDate& end)
        : kind_(kind), first_(first), end_(end) {}

    Kind kind_ = Kind::Year;
    QDate first_;
    QDate end_;
};
