#include "report/ReportView.h"

#include "db/DbConnection.h"
#include "report/ReportChartPanel.h"
#include "ui/Prompt.h"

#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const QString kEveryone = QStringLiteral("全部");

enum KindIndex { kMonth, kQuarter, kYear, kRange };

} // namespace

CReportView::CReportView(DbConnection& connection, Prompt& prompt, const ReportViewArgs& args,
                         QWidget* parent)
    : QWidget(parent), connection_(connection), prompt_(prompt), args_(args),
      now_(QDateTime::currentDateTime()) {
    setObjectName(QStringLiteral("ReportView"));
    BuildControls();

    QWidget* sales = AddPage(QStringLiteral("销售"));
    salesAmount_ = AddPanel(sales);
    salesCount_ = AddPanel(sales);
    byProduct_ = AddPanel(sales);
    byHandler_ = AddPanel(sales);
    byClass_ = AddPanel(sales);
    bySource_ = AddPanel(sales);
    if (args_.admin) {
        QWidget* purchases = AddPage(QStringLiteral("采购与毛利"));
        purchases_ = AddPanel(purchases);
        bySupplier_ = AddPanel(purchases);
        margin_ = AddPanel(purchases);
    }
    QWidget* followUp = AddPage(QStringLiteral("跟踪与客户"));
    followUp_ = AddPanel(followUp);
    records_ = AddPanel(followUp);
    newCustomers_ = AddPanel(followUp);

    // Opens on the current year.
    Refresh();
}

void CReportView::BuildControls() {
    kind_ = new QComboBox(this);
    kind_->addItems({QStringLiteral("月份"), QStringLiteral("季度"), QStringLiteral("年度"),
                     QStringLiteral("自定义")});
    kind_->setCurrentIndex(kYear);
    year_ = new QSpinBox(this);
    year_->setRange(1990, 2100);
    year_->setValue(now_.date().year());
    year_->setSuffix(QStringLiteral("年"));
    part_ = new QSpinBox(this);
    from_ = new QDateEdit(QDate(now_.date().year(), 1, 1), this);
    to_ = new QDateEdit(now_.date(), this);
    for (QDateEdit* edit : {from_, to_}) {
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        edit->setCalendarPopup(true);
    }
    auto* refresh = new QPushButton(QStringLiteral("刷新"), this);
    connect(refresh, &QPushButton::clicked, this, [this] { Refresh(); });
    connect(kind_, &QComboBox::currentIndexChanged, this, [this] { ShowPeriodControls(); });

    auto* bar = new QHBoxLayout;
    bar->addWidget(new QLabel(QStringLiteral("期间"), this));
    bar->addWidget(kind_);
    bar->addWidget(year_);
    bar->addWidget(part_);
    bar->addWidget(from_);
    bar->addWidget(new QLabel(QStringLiteral("至"), this));
    bar->addWidget(to_);
    if (args_.admin) {
        handler_ = new QComboBox(this);
        handler_->setEditable(true);
        handler_->addItem(kEveryone);
        QString users;
        if (connection_.JoinColumnValues(
                QStringLiteral("select UserName from UserData order by UserName"), users) == 1) {
            for (const QString& user : users.split(QLatin1Char(';'), Qt::SkipEmptyParts))
                handler_->addItem(user);
        }
        bar->addWidget(new QLabel(QStringLiteral("经理人"), this));
        bar->addWidget(handler_);
    }
    bar->addWidget(refresh);
    bar->addStretch(1);

    tabs_ = new QTabWidget(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(tabs_, 1);
    ShowPeriodControls();
}

void CReportView::ShowPeriodControls() {
    const int kind = kind_->currentIndex();
    year_->setVisible(kind != kRange);
    part_->setVisible(kind == kMonth || kind == kQuarter);
    from_->setVisible(kind == kRange);
    to_->setVisible(kind == kRange);
    if (kind == kMonth) {
        part_->setRange(1, 12);
        part_->setSuffix(QStringLiteral("月"));
        part_->setPrefix(QString());
        part_->setValue(now_.date().month());
    } else if (kind == kQuarter) {
        part_->setRange(1, 4);
        part_->setPrefix(QStringLiteral("第"));
        part_->setSuffix(QStringLiteral("季度"));
        part_->setValue((now_.date().month() - 1) / 3 + 1);
    }
}

ReportPeriod CReportView::PeriodFromControls() const {
    switch (kind_->currentIndex()) {
    case kMonth:
        return ReportPeriod::Month(year_->value(), part_->value());
    case kQuarter:
        return ReportPeriod::Quarter(year_->value(), part_->value());
    case kRange:
        return ReportPeriod::Range(from_->date(), to_->date());
    default:
        return ReportPeriod::Year(year_->value());
    }
}

QWidget* CReportView::AddPage(const QString& name) {
    auto* scroll = new QScrollArea(tabs_);
    scroll->setWidgetResizable(true);
    auto* page = new QWidget(scroll);
    new QVBoxLayout(page);
    scroll->setWidget(page);
    tabs_->addTab(scroll, name);
    return page;
}

CReportChartPanel* CReportView::AddPanel(QWidget* page) {
    auto* panel = new CReportChartPanel(prompt_, connection_, page);
    page->layout()->addWidget(panel);
    panels_ << panel;
    return panel;
}

CReportChartPanel* CReportView::Panel(const QString& title) const {
    for (CReportChartPanel* panel : panels_) {
        if (panel->Table().title == title)
            return panel;
    }
    return nullptr;
}

bool CReportView::Show(const ReportPeriod& period, const QString& handler) {
    switch (period.GetKind()) {
    case ReportPeriod::Kind::Month:
        kind_->setCurrentIndex(kMonth);
        part_->setValue(period.First().month());
        break;
    case ReportPeriod::Kind::Quarter:
        kind_->setCurrentIndex(kQuarter);
        part_->setValue((period.First().month() - 1) / 3 + 1);
        break;
    case ReportPeriod::Kind::Year:
        kind_->setCurrentIndex(kYear);
        break;
    case ReportPeriod::Kind::Range:
        kind_->setCurrentIndex(kRange);
        from_->setDate(period.First());
        to_->setDate(period.End().addDays(-1));
        break;
    }
    year_->setValue(period.First().year());
    if (handler_)
        handler_->setCurrentText(handler.isEmpty() ? kEveryone : handler);
    return Refresh();
}

bool CReportView::Refresh() {
    scope_.period = PeriodFromControls();
    // An ordinary user's report is built on their own rows whatever is asked.
    if (!args_.admin)
        scope_.handler = args_.userName;
    else if (handler_)
        scope_.handler =
            handler_->currentText() == kEveryone ? QString() : handler_->currentText().trimmed();

    WaitCursor wait(prompt_);
    ReportQueries queries(connection_, scope_);
    const QString period =
        scope_.period.Text() +
        (scope_.handler.isEmpty() ? QString() : QStringLiteral(" ") + scope_.handler);
    const QString now = now_.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    ReportTable amount;
    ReportTable count;
    ReportTable byClass;
    ReportTable bySource;
    const auto fill = [&](CReportChartPanel* panel, auto query) {
        if (!panel)
            return true;
        ReportTable table;
        if (!query(table))
            return false;
        panel->SetTable(table, period);
        return true;
    };
    const bool done =
        queries.MonthlySales(amount, count) && queries.SalesByCustomer(byClass, bySource) &&
        fill(salesAmount_,
             [&](ReportTable& t) {
                 t = amount;
                 return true;
             }) &&
        fill(salesCount_,
             [&](ReportTable& t) {
                 t = count;
                 return true;
             }) &&
        fill(byProduct_, [&](ReportTable& t) { return queries.SalesByProduct(t); }) &&
        fill(byHandler_, [&](ReportTable& t) { return queries.SalesByHandler(t); }) &&
        fill(byClass_,
             [&](ReportTable& t) {
                 t = byClass;
                 return true;
             }) &&
        fill(bySource_,
             [&](ReportTable& t) {
                 t = bySource;
                 return true;
             }) &&
        fill(purchases_, [&](ReportTable& t) { return queries.MonthlyPurchases(t); }) &&
        fill(bySupplier_, [&](ReportTable& t) { return queries.PurchasesBySupplier(t); }) &&
        fill(margin_, [&](ReportTable& t) { return queries.MarginByProduct(t); }) &&
        fill(followUp_, [&](ReportTable& t) { return queries.FollowUpByWeek(now, t); }) &&
        fill(records_, [&](ReportTable& t) { return queries.RecordsByHandler(t); }) &&
        fill(newCustomers_, [&](ReportTable& t) { return queries.NewCustomersByMonth(t); });
    statements_ = queries.Statements();
    if (!done)
        prompt_.Message(queries.LastError());
    return done;
}
