#pragma once

#include "report/ReportPeriod.h"
#include "report/ReportTable.h"

#include <QString>

class DbConnection;

// Whose figures a report shows: the period, and one handler's rows or
// everyone's. An ordinary user's reports always name that user.
struct ReportScope {
    ReportPeriod period;
    QString handler; // empty: every handler
};

// The statements behind the report's charts. Each chart is one or two
// aggregate statements (sum/count ... group by) whose few result rows become a
// ReportTable; no order, record or plan is ever read one by one. Every method
// returns false on a failed statement, with LastError() holding the statement
// and the database's reason.
class ReportQueries final {
public:
    ReportQueries(DbConnection& connection, const ReportScope& scope);

    // Sales amount and number of orders by month, each with the same months
    // one year earlier beside them.
    bool MonthlySales(ReportTable& amount, ReportTable& count);
    // Sales by product: the ten largest and the rest as one row.
    bool SalesByProduct(ReportTable& table);
    bool SalesByHandler(ReportTable& table);
    // By the top level of the customer's class; orders of customers that are
    // gone or not filed count as 未分类.
    bool SalesByCustomerClass(ReportTable& table);
    bool SalesBySource(ReportTable& table);
    // Purchases are the company's, not a handler's: the handler plays no part.
    bool MonthlyPurchases(ReportTable& table);
    bool PurchasesBySupplier(ReportTable& table);
    // Products sold in the period that were also bought (same name): sales,
    // purchases and their difference.
    bool MarginByProduct(ReportTable& table);
    // Per week (from Monday): plans falling due, those of them already past
    // `now`, and communication records written (completing a plan writes one).
    bool FollowUpByWeek(const QString& now, ReportTable& table);
    bool RecordsByHandler(ReportTable& table);
    bool NewCustomersByMonth(ReportTable& table);

    QString LastError() const { return lastError_; }
    // Every statement run so far, in order (the benchmark runs them in the
    // databases' own programs to compare).
    const QStringList& Statements() const { return statements_; }

    // The condition on OrderData of the scope (period, and handler when named).
    QString OrderWhere() const;

private:
    // Runs `sql`: column 0 is the label, the next `valueColumns` the numbers.
    bool Read(const QString& sql, int valueColumns, ReportTable& table);
    QString Where(const ReportPeriod& period, const QString& timeColumn,
                  const QString& handlerColumn) const;
    // Orders by a column of their customer (left join: every order counts).
    bool SalesByCustomerColumn(const QString& column, ReportTable& grouped);

    DbConnection& connection_;
    ReportScope scope_;
    QString lastError_;
    QStringList statements_;
};

// Keeps the `keep` largest rows of a table sorted by its first series and
// adds the rest up into one row "其他".
void KeepLargest(ReportTable& table, int keep);
