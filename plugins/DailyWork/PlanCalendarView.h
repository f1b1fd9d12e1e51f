#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QWidget>

class DbConnection;
class DbRecordset;
class QCalendarWidget;
class QLabel;
class QTableWidget;

// The plan calendar: a month calendar whose days with follow-up plans
// (TrackPlan), open tasks the user was given (WorkerTask, by due date) or
// approved leave (Holiday, every day it covers) stand out, and what the
// selected day holds beside it, each row with its kind (计划 / 任务 / 请假).
// A user sees the plans he handles; admin sees everyone's plans. Tasks and
// leave are always the user's own. A month is read with one statement per
// kind, since the calendar opens at every login.
//
// The view reads through the program's connection with recordsets only; it
// never opens or closes connections of its own.
class PlanCalendarView final : public QWidget {
    Q_OBJECT

public:
    PlanCalendarView(DbConnection* connection, const QString& userName, QWidget* parent = nullptr);

private:
    struct Entry {
        QDate date;
        QString kind;
        QString time;
        QString customer;
        QString contact;
        QString handler;
        QString title;
        QString comment;
    };

    void LoadMonth(int year, int month);
    // Each reads its kind of the loaded month into entries_; false with
    // loadError_ set.
    bool LoadPlans(const QDate& first);
    bool LoadTasks(const QDate& first);
    bool LoadLeave(const QDate& first);
    // Marks the days that hold entries.
    void MarkDays();
    void ShowDay(const QDate& date);
    // The selected day's plans among those of the loaded month.
    void ShowSelection();
    bool Open(DbRecordset& rows, const QString& sql);

    DbConnection* connection_;
    QString userName_;
    bool admin_;
    int loadedYear_ = 0;
    int loadedMonth_ = 0;
    QList<Entry> entries_;
    QString loadError_;

    QCalendarWidget* calendar_;
    QLabel* summary_;
    QTableWidget* table_;
};
