#include "PlanCalendarView.h"

#include "TaskState.h"

#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/SqlLiteral.h"

#include <QBrush>
#include <QCalendarWidget>
#include <QColor>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QSet>
#include <QSplitter>
#include <QTableWidget>
#include <QTextCharFormat>
#include <QVBoxLayout>

namespace {

enum Column { Kind, Time, Customer, Contact, Title, Handler, Comment, ColumnCount };

const QString kPlan = QStringLiteral("计划");
const QString kTask = QStringLiteral("任务");
const QString kLeave = QStringLiteral("请假");
const QString kDateFormat = QStringLiteral("yyyy-MM-dd");

QDate DateOf(const QString& text) {
    return QDate::fromString(text.left(10), kDateFormat);
}

} // namespace

PlanCalendarView::PlanCalendarView(DbConnection* connection, const QString& userName,
                                   QWidget* parent)
    : QWidget(parent), connection_(connection), userName_(userName),
      admin_(userName == QLatin1String("admin")) {
    setObjectName(QStringLiteral("planCalendar"));

    calendar_ = new QCalendarWidget;
    calendar_->setObjectName(QStringLiteral("calendar"));
    calendar_->setGridVisible(true);
    calendar_->setFirstDayOfWeek(Qt::Monday);

    summary_ = new QLabel;
    summary_->setObjectName(QStringLiteral("summary"));
    summary_->setWordWrap(true);
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    table_ = new QTableWidget(0, ColumnCount);
    table_->setObjectName(QStringLiteral("plans"));
    table_->setHorizontalHeaderLabels({QStringLiteral("类别"), QStringLiteral("时间"),
                                       QStringLiteral("客户名称"), QStringLiteral("联系人"),
                                       QStringLiteral("标题"), QStringLiteral("经理人"),
                                       QStringLiteral("内容")});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->setVisible(false);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setColumnHidden(Handler, !admin_);

    auto* right = new QWidget;
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(summary_);
    rightLayout->addWidget(table_, 1);

    auto* splitter = new QSplitter(Qt::Horizontal);
    splitter->addWidget(calendar_);
    splitter->addWidget(right);
    splitter->setStretchFactor(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter);

    connect(calendar_, &QCalendarWidget::currentPageChanged, this, [this](int year, int month) {
        LoadMonth(year, month);
        ShowSelection();
    });
    connect(calendar_, &QCalendarWidget::selectionChanged, this,
            [this] { ShowDay(calendar_->selectedDate()); });

    const QDate today = QDate::currentDate();
    calendar_->setSelectedDate(today);
    ShowDay(today);
}

bool PlanCalendarView::Open(DbRecordset& rows, const QString& sql) {
    if (rows.Open(sql))
        return true;
    loadError_ = sql + QStringLiteral("\n") + rows.GetLastError();
    return false;
}

bool PlanCalendarView::LoadPlans(const QDate& first) {
    QString sql = QStringLiteral("select CustomerName, Contact, Handler, Title, PlanTime, Comment "
                                 "from TrackPlan where PlanTime like '") +
                  first.toString(QStringLiteral("yyyy-MM")) + QStringLiteral("%'");
    if (!admin_)
        sql += QStringLiteral(" and Handler=") + SqlLiteral::Text(userName_);
    DbRecordset rows(*connection_);
    if (!Open(rows, sql + QStringLiteral(" order by PlanTime")))
        return false;
    for (; !rows.IsEOF(); rows.MoveNext()) {
        const QString when = rows.GetString(QStringLiteral("PlanTime"));
        Entry plan;
        plan.date = DateOf(when);
        if (!plan.date.isValid())
            continue;
        plan.kind = kPlan;
        plan.time = when.mid(11, 5);
        plan.customer = rows.GetString(QStringLiteral("CustomerName"));
        plan.contact = rows.GetString(QStringLiteral("Contact"));
        plan.handler = rows.GetString(QStringLiteral("Handler"));
        plan.title = rows.GetString(QStringLiteral("Title"));
        plan.comment = rows.GetString(QStringLiteral("Comment"));
        entries_.append(plan);
    }
    return true;
}

bool PlanCalendarView::LoadTasks(const QDate& first) {
    // Bounds rather than "like" let the (Assignee, State, DueDate) index
    // answer.
    const QString sql =
        QStringLiteral("select Title, Assigner, Priority, State, DueDate from WorkerTask where "
                       "Assignee=%1 and %2 and DueDate>=%3 and DueDate<%4 order by DueDate, KeyId")
            .arg(SqlLiteral::Text(userName_), TaskState::OpenCondition(),
                 SqlLiteral::Text(first.toString(kDateFormat)),
                 SqlLiteral::Text(first.addMonths(1).toString(kDateFormat)));
    DbRecordset rows(*connection_);
    if (!Open(rows, sql))
        return false;
    for (; !rows.IsEOF(); rows.MoveNext()) {
        Entry task;
        task.date = DateOf(rows.GetString(QStringLiteral("DueDate")));
        if (!task.date.isValid())
            continue;
        task.kind = kTask;
        task.handler = userName_;
        task.title = rows.GetString(QStringLiteral("Title"));
        task.comment = QStringLiteral("交办人: %1, 优先级: %2, 状态: %3")
                           .arg(rows.GetString(QStringLiteral("Assigner")),
                                TaskState::PriorityName(rows.GetLong(QStringLiteral("Priority"))),
                                rows.GetString(QStringLiteral("State")));
        entries_.append(task);
    }
    return true;
}

bool PlanCalendarView::LoadLeave(const QDate& first) {
    // Leave that overlaps the month: it starts before the next month and
    // ends on or after the first. Times ("yyyy-MM-dd hh:mm") compare as text
    // with the bare dates.
    const QDate next = first.addMonths(1);
    const QString sql =
        QStringLiteral("select Kind, FromDate, ToDate, Reason from Holiday where UserName=%1 and "
                       "State=%2 and FromDate<%3 and ToDate>=%4 order by FromDate, KeyId")
            .arg(SqlLiteral::Text(userName_), SqlLiteral::Text(QStringLiteral("批准")),
                 SqlLiteral::Text(next.toString(kDateFormat)),
                 SqlLiteral::Text(first.toString(kDateFormat)));
    DbRecordset rows(*connection_);
    if (!Open(rows, sql))
        return false;
    for (; !rows.IsEOF(); rows.MoveNext()) {
        const QString from = rows.GetString(QStringLiteral("FromDate"));
        const QString to = rows.GetString(QStringLiteral("ToDate"));
        const QDate firstDay = DateOf(from);
        const QDate lastDay = DateOf(to);
        if (!firstDay.isValid() || !lastDay.isValid())
            continue;
        Entry leave;
        leave.kind = kLeave;
        leave.handler = userName_;
        leave.title = rows.GetString(QStringLiteral("Kind"));
        leave.comment = from + QStringLiteral(" 至 ") + to + QStringLiteral("  ") +
                        rows.GetString(QStringLiteral("Reason"));
        for (QDate day = qMax(firstDay, first); day <= lastDay && day < next;
             day = day.addDays(1)) {
            leave.date = day;
            // The hours of a part day show on the days they belong to.
            leave.time = day == firstDay ? from.mid(11, 5) : QString();
            if (day == lastDay && to.size() > 10)
                leave.time += QStringLiteral("-") + to.mid(11, 5);
            entries_.append(leave);
        }
    }
    return true;
}

void PlanCalendarView::LoadMonth(int year, int month) {
    if (year == loadedYear_ && month == loadedMonth_)
        return;
    loadedYear_ = year;
    loadedMonth_ = month;
    entries_.clear();
    loadError_.clear();
    calendar_->setDateTextFormat(QDate(), QTextCharFormat());

    if (!connection_) {
        loadError_ = QStringLiteral("没有可用的数据库连接");
        return;
    }
    const QDate first(year, month, 1);
    if (LoadPlans(first) && LoadTasks(first))
        LoadLeave(first);
    MarkDays();
}

void PlanCalendarView::MarkDays() {
    struct Counts {
        int plans = 0;
        int tasks = 0;
        bool leave = false;
    };
    QHash<QDate, Counts> perDay;
    for (const Entry& entry : std::as_const(entries_)) {
        Counts& counts = perDay[entry.date];
        if (entry.kind == kPlan)
            ++counts.plans;
        else if (entry.kind == kTask)
            ++counts.tasks;
        else
            counts.leave = true;
    }
    // Days that hold anything are bold; the background says what matters
    // most that day: leave (blue) before a task due (orange) before plans
    // (green). The tip counts everything.
    for (auto it = perDay.cbegin(); it != perDay.cend(); ++it) {
        const Counts& counts = it.value();
        QStringList tip;
        if (counts.plans > 0)
            tip << QStringLiteral("%1 项计划").arg(counts.plans);
        if (counts.tasks > 0)
            tip << QStringLiteral("%1 项任务").arg(counts.tasks);
        if (counts.leave)
            tip << kLeave;
        QTextCharFormat format;
        format.setFontWeight(QFont::Bold);
        format.setBackground(QBrush(counts.leave       ? QColor(0xD8, 0xE8, 0xFF)
                                    : counts.tasks > 0 ? QColor(0xFF, 0xE8, 0xC8)
                                                       : QColor(0xE0, 0xFF, 0xE0)));
        format.setToolTip(tip.join(QStringLiteral(", ")));
        calendar_->setDateTextFormat(it.key(), format);
    }
}

void PlanCalendarView::ShowDay(const QDate& date) {
    LoadMonth(date.year(), date.month());
    ShowSelection();
}

void PlanCalendarView::ShowSelection() {
    const QDate date = calendar_->selectedDate();
    table_->setRowCount(0);
    int plans = 0;
    int tasks = 0;
    QSet<QDate> leaveDays;
    for (const Entry& entry : std::as_const(entries_)) {
        if (entry.kind == kPlan)
            ++plans;
        else if (entry.kind == kTask)
            ++tasks;
        else
            leaveDays.insert(entry.date);
        if (entry.date != date)
            continue;
        const int row = table_->rowCount();
        table_->insertRow(row);
        const QString cells[ColumnCount] = {entry.kind,    entry.time,  entry.customer,
                                            entry.contact, entry.title, entry.handler,
                                            entry.comment};
        for (int column = 0; column < ColumnCount; ++column)
            table_->setItem(row, column, new QTableWidgetItem(cells[column]));
    }

    if (!loadError_.isEmpty()) {
        summary_->setText(loadError_);
        return;
    }
    const QString month = QDate(loadedYear_, loadedMonth_, 1).toString(QStringLiteral("yyyy-MM"));
    summary_->setText(QStringLiteral("%1 共有计划 %2 项、任务 %3 项、请假 %4 天；%5 共 %6 项")
                          .arg(month)
                          .arg(plans)
                          .arg(tasks)
                          .arg(leaveDays.size())
                          .arg(date.toString(kDateFormat))
                          .arg(table_->rowCount()));
}
