#pragma once

#include <QString>

class DbConnection;

// The two kinds of follow-up rows: communication records (TraceData) and
// plans (TrackPlan). They have the same columns except for the time and the
// free text, so their lists and forms share one implementation.
enum class TraceKind { Record, Plan };

namespace TraceStatements {

QString Table(TraceKind kind);       // TraceData or TrackPlan
QString TimeColumn(TraceKind kind);  // FDTime or PlanTime
QString TextColumn(TraceKind kind);  // FDText or Comment
QString FormTitle(TraceKind kind);   // 沟通记录 or 沟通计划
QString TimeCaption(TraceKind kind); // 时间 or 计划时间

// The current local time as every time column stores it.
QString Now();
// True for a complete "YYYY-MM-DD HH:MM:SS" time that exists on the calendar:
// the lists colour and the calendar files rows by this text, so nothing else
// may be stored.
bool IsValidTime(const QString& text);

QString SelectByKey(TraceKind kind, int key);
QString DeleteByKey(TraceKind kind, int key);
QString CustomerOfRow(TraceKind kind, int key);

// What completing a plan did.
enum class Completion {
    Done,     // the record was written and the plan removed, together
    NotFound, // the plan is gone (another desk completed or deleted it)
    Failed,   // nothing changed; `message` holds the statement and the reason
};

// Turns the plan into a communication record: a TraceData row with the plan's
// customer, contact, handler and title, its comment as the text and `now` as
// the time, and the plan deleted. Both happen in one transaction (a savepoint
// inside a caller's), so a failure at any step leaves neither the plan nor
// the records changed. `newKey` gets the record's key as the insert returned it.
Completion CompletePlan(DbConnection& connection, int planKey, const QString& now, QString& message,
                        int* newKey = nullptr);

} // namespace TraceStatements
