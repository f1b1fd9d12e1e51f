#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QWidget>

class DbConnection;
class QCalendarWidget;
class QLabel;
class QTableWidget;

// The plan calendar: a month calendar whose days with follow-up plans
// (TrackPlan) stand out, and the plans of the selected day beside it. A user
// sees the plans he handles; admin sees everyone's.
//
// The view reads through the program's connection with recordsets only; it
// never opens or closes connections of its own.
class PlanCalendarView final : public QWidget {
    Q_OBJECT

public:
    PlanCalendarView(DbConnection* connection, const QString& userName, QWidget* parent = nullptr);

private:
    struct Plan {
        QDate date;
        QString time;
        QString customer;
        QString contact;
        QString handler;
        QString title;
        QString comment;
    };

    void LoadMonth(int year, int month);
    void ShowDay(const QDate& date);
    // The selected day's plans among those of the loaded month.
    void ShowSelection();
    QString MonthQuery(int year, int month) const;

    DbConnection* connection_;
    QString userName_;
    bool admin_;
    int loadedYear_ = 0;
    int loadedMonth_ = 0;
    QList<Plan> plans_;
    QString loadError_;

    QCalendarWidget* calendar_;
    QLabel* summary_;
    QTableWidget* table_;
};
