#include "PlanCalendarView.h"

#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/SqlLiteral.h"

#include <QBrush>
#include <QCalendarWidget>
#include <QColor>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QSplitter>
#include <QTableWidget>
#include <QTextCharFormat>
#include <QVBoxLayout>

namespace {

enum Column { Time, Customer, Contact, Title, Handler, Comment, ColumnCount };

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
    table_->setHorizontalHeaderLabels({QStringLiteral("时间"), QStringLiteral("客户名称"),
                                       QStringLiteral("联系人"), QStringLiteral("标题"),
                                       QStringLiteral("经理人"), QStringLiteral("内容")});
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

QString PlanCalendarView::MonthQuery(int year, int month) const {
    const QString prefix = QDate(year, month, 1).toString(QStringLiteral("yyyy-MM"));
    QString sql = QStringLiteral("select CustomerName, Contact, Handler, Title, PlanTime, Comment "
                                 "from TrackPlan where PlanTime like '") +
                  prefix + QStringLiteral("%'");
    if (!admin_)
        sql += QStringLiteral(" and Handler=") + SqlLiteral::Text(userName_);
    return sql + QStringLiteral(" order by PlanTime");
}

void PlanCalendarView::LoadMonth(int year, int month) {
    if (year == loadedYear_ && month == loadedMonth_)
        return;
    loadedYear_ = year;
    loadedMonth_ = month;
    plans_.clear();
    loadError_.clear();
    calendar_->setDateTextFormat(QDate(), QTextCharFormat());

    const QString sql = MonthQuery(year, month);
    if (!connection_) {
        loadError_ = QStringLiteral("没有可用的数据库连接");
        return;
    }
    DbRecordset rows(*connection_);
    if (!rows.Open(sql)) {
        loadError_ = sql + QStringLiteral("\n") + rows.GetLastError();
        return;
    }
    for (; !rows.IsEOF(); rows.MoveNext()) {
        const QString when = rows.GetString(QStringLiteral("PlanTime"));
        Plan plan;
        plan.date = QDate::fromString(when.left(10), QStringLiteral("yyyy-MM-dd"));
        if (!plan.date.isValid())
            continue;
        plan.time = when.mid(11, 5);
        plan.customer = rows.GetString(QStringLiteral("CustomerName"));
        plan.contact = rows.GetString(QStringLiteral("Contact"));
        plan.handler = rows.GetString(QStringLiteral("Handler"));
        plan.title = rows.GetString(QStringLiteral("Title"));
        plan.comment = rows.GetString(QStringLiteral("Comment"));
        plans_.append(plan);
    }

    // Days with plans: bold on a light background, the count as a tip.
    QHash<QDate, int> perDay;
    for (const Plan& plan : std::as_const(plans_))
        ++perDay[plan.date];
    for (auto it = perDay.cbegin(); it != perDay.cend(); ++it) {
        QTextCharFormat format;
        format.setFontWeight(QFont::Bold);
        format.setBackground(QBrush(QColor(0xE0, 0xFF, 0xE0)));
        format.setToolTip(QStringLiteral("%1 项计划").arg(it.value()));
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
    for (const Plan& plan : std::as_const(plans_)) {
        if (plan.date != date)
            continue;
        const int row = table_->rowCount();
        table_->insertRow(row);
        const QString cells[ColumnCount] = {plan.time,  plan.customer, plan.contact,
                                            plan.title, plan.handler,  plan.comment};
        for (int column = 0; column < ColumnCount; ++column)
            table_->setItem(row, column, new QTableWidgetItem(cells[column]));
    }

    if (!loadError_.isEmpty()) {
        summary_->setText(loadError_);
        return;
    }
    const QString month = QDate(loadedYear_, loadedMonth_, 1).toString(QStringLiteral("yyyy-MM"));
    summary_->setText(QStringLiteral("%1 共有计划 %2 项；%3 的计划 %4 项")
                          .arg(month)
                          .arg(plans_.size())
                          .arg(date.toString(QStringLiteral("yyyy-MM-dd")))
                          .arg(table_->rowCount()));
}
