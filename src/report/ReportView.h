#pragma once

#include "report/ReportQueries.h"

#include <QDateTime>
#include <QList>
#include <QWidget>

class CReportChartPanel;
class DbConnection;
class Prompt;
class QComboBox;
class QDateEdit;
class QSpinBox;
class QTabWidget;

struct ReportViewArgs {
    QString userName;
    bool admin = false; // the administrator sees everyone's figures and may pick a handler
};

// 经营报表: the business of a period at a glance. Sales (by month against the
// year before, by product, handler, customer class and source), purchases and
// margins (administrator only: purchases are the company's), and the
// follow-up work (plans, records, new customers). An ordinary user's figures
// are always their own rows only, as in the order list.
class CReportView final : public QWidget {
    Q_OBJECT

public:
    CReportView(DbConnection& connection, Prompt& prompt, const ReportViewArgs& args,
                QWidget* parent = nullptr);

    // Chooses the period and, for the administrator, the handler ("" for
    // everyone; ignored for an ordinary user), then draws every chart again.
    // False when a statement failed (the message was shown).
    bool Show(const ReportPeriod& period, const QString& handler = QString());
    // Draws the charts for what the controls say.
    bool Refresh();

    const ReportScope& Scope() const { return scope_; }
    // The statements the last Refresh ran.
    const QStringList& LastStatements() const { return statements_; }
    QList<CReportChartPanel*> Panels() const { return panels_; }
    // The panel whose table has this title ("月度销售额"), or null.
    CReportChartPanel* Panel(const QString& title) const;

    // Today's date and the time "now" of the overdue plans; tests fix them.
    void SetNow(const QDateTime& now) { now_ = now; }

private:
    void BuildControls();
    ReportPeriod PeriodFromControls() const;
    void ShowPeriodControls();
    CReportChartPanel* AddPanel(QWidget* page);
    QWidget* AddPage(const QString& name);

    DbConnection& connection_;
    Prompt& prompt_;
    ReportViewArgs args_;
    ReportScope scope_;
    QDateTime now_;
    QStringList statements_;

    QComboBox* kind_ = nullptr;
    QSpinBox* year_ = nullptr;
    QSpinBox* part_ = nullptr; // month or quarter
    QDateEdit* from_ = nullptr;
    QDateEdit* to_ = nullptr;
    QComboBox* handler_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QList<CReportChartPanel*> panels_;
    // Panels in the order Refresh fills them.
    CReportChartPanel* salesAmount_ = nullptr;
    CReportChartPanel* salesCount_ = nullptr;
    CReportChartPanel* byProduct_ = nullptr;
    CReportChartPanel* byHandler_ = nullptr;
    CReportChartPanel* byClass_ = nullptr;
    CReportChartPanel* bySource_ = nullptr;
    CReportChartPanel* purchases_ = nullptr;
    CReportChartPanel* bySupplier_ = nullptr;
    CReportChartPanel* margin_ = nullptr;
    CReportChartPanel* followUp_ = nullptr;
    CReportChartPanel* records_ = nullptr;
    CReportChartPanel* newCustomers_ = nullptr;
};
