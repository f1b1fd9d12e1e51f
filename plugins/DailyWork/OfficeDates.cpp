#include "OfficeDates.h"

#include <QRegularExpression>

namespace OfficeDates {

QString Now() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

QString DayText(const QDate& day) {
    return day.toString(QStringLiteral("yyyy-MM-dd"));
}

bool ParseDay(const QString& text, QDate& day) {
    // QDate::fromString also takes one-digit months and days, which would
    // not sort with the others.
    static const QRegularExpression shape(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    if (!shape.match(text).hasMatch())
        return false;
    day = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    return day.isValid();
}

bool ParseLeaveTime(const QString& text, bool end, QDateTime& moment) {
    QDate day;
    if (ParseDay(text, day)) {
        moment = QDateTime(day, end ? QTime(23, 59) : QTime(0, 0));
        return true;
    }
    static const QRegularExpression shape(QStringLiteral("^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}$"));
    if (!shape.match(text).hasMatch())
        return false;
    moment = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd hh:mm"));
    return moment.isValid();
}

} // namespace OfficeDates
