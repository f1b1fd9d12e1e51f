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
    // By the top level of the customer's class and by the customer's source,
    // from one statement; orders of customers that are gone count as 未分类 /
    // (未填), so both add up to the period's sales.
    bool SalesByCustomer(ReportTable& byClass, ReportTable& bySource);
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
    // Runs `sql`: the first `labelColumns` columns make the label (joined by
    // kLabelSeparator), the next `valueColumns` are the numbers.
    bool Read(const QString& sql, int valueColumns, ReportTable& table, int labelColumns = 1);
    QString Where(const ReportPeriod& period, const QString& timeColumn,
                  const QString& handlerColumn) const;
    // The period's orders grouped by month, product and handler at once (a
    // few hundred rows), which the monthly, product, handler and margin
    // charts fold: one pass over the orders instead of one per chart.
    bool LoadSales();
    // Folds the loaded sales by one of month (0), product (1), handler (2).
    void FoldSales(int key, ReportTable& table) const;

    struct SalesGroup {
        QString keys[3]; // month, product, handler
        double amount = 0;
        double orders = 0;
    };

    DbConnection& connection_;
    ReportScope scope_;
    QString lastError_;
    QStringList statements_;
    QList<SalesGroup> sales_;
    bool salesLoaded_ = false;
};

// Keeps the `keep` largest rows of a table sorted by its first series and
// adds the rest up into one row "其他".
void KeepLargest(ReportTable& table, int keep);
