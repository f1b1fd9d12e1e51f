#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

// The day and time texts of the office tables. Days are stored as yyyy-MM-dd
// and times as yyyy-MM-dd hh:mm:ss so that they sort and compare as text;
// what a user types is only accepted in exactly these shapes.
namespace OfficeDates {

// The current local time, yyyy-MM-dd hh:mm:ss.
QString Now();
// A day as stored.
QString DayText(const QDate& day);
// A day typed as yyyy-MM-dd (two-digit month and day) that exists; false
// for anything else.
bool ParseDay(const QString& text, QDate& day);
// A moment of leave: a day, or a day and a time (yyyy-MM-dd hh:mm). A day
// alone stands for its start (`end` false) or for its whole last minute
// (`end` true), so a request from 05-02 14:00 to 05-02 is in order.
bool ParseLeaveTime(const QString& text, bool end, QDateTime& moment);

} // namespace OfficeDates
