#include "report/ReportQueries.h"

#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/SqlLiteral.h"

#include <QHash>
#include <QMap>

#include <algorithm>

namespace {

const QString kOther = QStringLiteral("其他");
const QString kUnfiled = QStringLiteral("未分类");
const QString kUnknown = QStringLiteral("(未填)");
// Joins the texts of a label of several columns; no stored name holds it.
const QChar kLabelSeparator(0x1f);

QString MonthOf(const QString& column) {
    return QStringLiteral("substr(") + column + QStringLiteral(",1,7)");
}

QString DayOf(const QString& column) {
    return QStringLiteral("substr(") + column + QStringLiteral(",1,10)");
}

// The top level of a stored class path ("/华东/上海/" gives 华东).
QString TopClass(const QString& path) {
    const QString name = path.section(QLatin1Char('/'), path.startsWith(QLatin1Char('/')) ? 1 : 0,
                                      path.startsWith(QLatin1Char('/')) ? 1 : 0);
    return name.isEmpty() ? kUnfiled : name;
}

// Adds up rows of the same label (after relabelling), keeping first-seen order.
void MergeLabels(ReportTable& table) {
    ReportTable merged = table;
    merged.labels.clear();
    merged.values.clear();
    QHash<QString, int> rowOf;
    for (int row = 0; row < table.RowCount(); ++row) {
        const QString& label = table.labels.at(row);
        const auto found = rowOf.constFind(label);
        if (found == rowOf.constEnd()) {
            rowOf.insert(label, merged.RowCount());
            merged.AddRow(label, table.values.at(row));
            continue;
        }
        QVector<double>& into = merged.values[*found];
        for (int series = 0; series < into.size(); ++series)
            into[series] += table.values.at(row).value(series);
    }
    table = merged;
}

QDate MondayOf(const QDate& day) {
    return day.addDays(1 - day.dayOfWeek());
}

} // namespace

void KeepLargest(ReportTable& table, int keep) {
    QList<int> order;
    for (int row = 0; row < table.RowCount(); ++row)
        order << row;
    std::stable_sort(order.begin(), order.end(), [&table](int a, int b) {
        return table.values.at(a).value(0) > table.values.at(b).value(0);
    });
    ReportTable kept = table;
    kept.labels.clear();
    kept.values.clear();
    QVector<double> rest;
    for (int i = 0; i < order.size(); ++i) {
        const QVector<double>& row = table.values.at(order.at(i));
        if (i < keep) {
            kept.AddRow(table.labels.at(order.at(i)), row);
            continue;
        }
        rest.resize(std::max(rest.size(), row.size()));
        for (int series = 0; series < row.size(); ++series)
            rest[series] += row.at(series);
    }
    if (!rest.isEmpty())
        kept.AddRow(kOther, rest);
    table = kept;
}

ReportQueries::ReportQueries(DbConnection& connection, const ReportScope& scope)
    : connection_(connection), scope_(scope) {}

QString ReportQueries::Where(const ReportPeriod& period, const QString& timeColumn,
                             const QString& handlerColumn) const {
    QString where = QStringLiteral(" where ") + period.Condition(timeColumn);
    if (!handlerColumn.isEmpty() && !scope_.handler.isEmpty())
        where += QStringLiteral(" and (") + handlerColumn + QStringLiteral("=") +
                 SqlLiteral::Text(scope_.handler) + QStringLiteral(")");
    return where;
}

QString ReportQueries::OrderWhere() const {
    return Where(scope_.period, QStringLiteral("FDTime"), QStringLiteral("Handler"));
}

bool ReportQueries::Read(const QString& sql, int valueColumns, ReportTable& table,
                         int labelColumns) {
    table.labels.clear();
    table.values.clear();
    statements_ << sql;
    DbRecordset rs(connection_);
    if (rs.Open(sql) != 1) {
        lastError_ = sql + QStringLiteral("\r\n") + rs.GetLastError();
        return false;
    }
    while (!rs.IsEOF()) {
        QVector<double> row(valueColumns);
        for (int column = 0; column < valueColumns; ++column)
            row[column] = rs.GetString(labelColumns + column).toDouble();
        QStringList label;
        for (int column = 0; column < labelColumns; ++column)
            label << rs.GetString(column);
        table.AddRow(label.join(kLabelSeparator), row);
        rs.MoveNext();
    }
    if (!rs.GetLastError().isEmpty()) {
        lastError_ = sql + QStringLiteral("\r\n") + rs.GetLastError();
        return false;
    }
    return true;
}

bool ReportQueries::MonthlySales(ReportTable& amount, ReportTable& count) {
    const QString month = MonthOf(QStringLiteral("FDTime"));
    const auto statement = [&](const ReportPeriod& period) {
        return QStringLiteral("select ") + month +
               QStringLiteral(", sum(FDTotal), count(*) from OrderData") +
               Where(period, QStringLiteral("FDTime"), QStringLiteral("Handler")) +
               QStringLiteral(" group by ") + month;
    };
    if (!LoadSales())
        return false;
    ReportTable current;
    FoldSales(0, current);
    ReportTable previous;
    if (!Read(statement(scope_.period.PreviousYear()), 2, previous))
        return false;

    // Every month of the period gets its bar pair, months without orders too.
    QMap<QString, QVector<double>> byMonth; // month -> this amount, last amount, this count, last
    for (const QString& label : scope_.period.Months())
        byMonth.insert(label, QVector<double>(4));
    for (int row = 0; row < current.RowCount(); ++row) {
        QVector<double>& into = byMonth[current.labels.at(row)];
        into.resize(4);
        into[0] += current.values.at(row).at(0);
        into[2] += current.values.at(row).at(1);
    }
    for (int row = 0; row < previous.RowCount(); ++row) {
        const QDate lastYear = QDate::fromString(previous.labels.at(row) + QStringLiteral("-01"),
                                                 QStringLiteral("yyyy-MM-dd"));
        if (!lastYear.isValid())
            continue;
        QVector<double>& into = byMonth[lastYear.addYears(1).toString(QStringLiteral("yyyy-MM"))];
        into.resize(4);
        into[1] += previous.values.at(row).at(0);
        into[3] += previous.values.at(row).at(1);
    }

    amount = ReportTable{QStringLiteral("月度销售额"),
                         QStringLiteral("月份"),
                         {QStringLiteral("本期"), QStringLiteral("去年同期")},
                         {},
                         {},
                         2};
    count = ReportTable{QStringLiteral("月度订单数"),
                        QStringLiteral("月份"),
                        {QStringLiteral("本期"), QStringLiteral("去年同期")},
                        {},
                        {},
                        0};
    amount.timeAxis = count.timeAxis = true;
    for (auto it = byMonth.constBegin(); it != byMonth.constEnd(); ++it) {
        amount.AddRow(it.key(), {it.value().at(0), it.value().at(1)});
        count.AddRow(it.key(), {it.value().at(2), it.value().at(3)});
    }
    return true;
}

bool ReportQueries::LoadSales() {
    if (salesLoaded_)
        return true;
    const QString month = MonthOf(QStringLiteral("FDTime"));
    const QString sql = QStringLiteral("select ") + month +
                        QStringLiteral(", ProductName, Handler, sum(FDTotal), count(*) "
                                       "from OrderData") +
                        OrderWhere() + QStringLiteral(" group by ") + month +
                        QStringLiteral(", ProductName, Handler");
    statements_ << sql;
    DbRecordset rs(connection_);
    if (rs.Open(sql) != 1) {
        lastError_ = sql + QStringLiteral("\r\n") + rs.GetLastError();
        return false;
    }
    sales_.clear();
    while (!rs.IsEOF()) {
        SalesGroup group;
        for (int key = 0; key < 3; ++key)
            group.keys[key] = rs.GetString(key);
        group.amount = rs.GetString(3).toDouble();
        group.orders = rs.GetString(4).toDouble();
        sales_ << group;
        rs.MoveNext();
    }
    if (!rs.GetLastError().isEmpty()) {
        lastError_ = sql + QStringLiteral("\r\n") + rs.GetLastError();
        return false;
    }
    salesLoaded_ = true;
    return true;
}

void ReportQueries::FoldSales(int key, ReportTable& table) const {
    table.labels.clear();
    table.values.clear();
    // The database compares names without regard to case; so does the fold.
    QHash<QString, int> rowOf;
    for (const SalesGroup& group : sales_) {
        const QString folded = group.keys[key].toCaseFolded();
        auto found = rowOf.constFind(folded);
        if (found == rowOf.constEnd()) {
            found = rowOf.insert(folded, table.RowCount());
            table.AddRow(group.keys[key], QVector<double>(2));
        }
        table.values[*found][0] += group.amount;
        table.values[*found][1] += group.orders;
    }
}

bool ReportQueries::SalesByProduct(ReportTable& table) {
    table = ReportTable{QStringLiteral("产品销售额"),
                        QStringLiteral("产品"),
                        {QStringLiteral("金额"), QStringLiteral("订单数")},
                        {},
                        {},
                        2};
    table.chartSeries = 1;
    if (!LoadSales())
        return false;
    FoldSales(1, table);
    KeepLargest(table, 10);
    return true;
}

bool ReportQueries::SalesByHandler(ReportTable& table) {
    table = ReportTable{QStringLiteral("经理人销售额"),
                        QStringLiteral("经理人"),
                        {QStringLiteral("金额"), QStringLiteral("订单数")},
                        {},
                        {},
                        2};
    table.chartSeries = 1;
    if (!LoadSales())
        return false;
    FoldSales(2, table);
    KeepLargest(table, 1000);
    return true;
}

bool ReportQueries::SalesByCustomer(ReportTable& byClass, ReportTable& bySource) {
    byClass = ReportTable{QStringLiteral("客户分类销售额"),
                          QStringLiteral("客户分类"),
                          {QStringLiteral("金额"), QStringLiteral("订单数")},
                          {},
                          {},
                          2};
    bySource = ReportTable{QStringLiteral("客户来源销售额"),
                           QStringLiteral("客户来源"),
                           {QStringLiteral("金额"), QStringLiteral("订单数")},
                           {},
                           {},
                           2};
    byClass.chartSeries = bySource.chartSeries = 1;
    if (!LoadSales())
        return false;
    // The orders are summed per customer first; the customers are then read
    // once through CustomerData_ClassSource, which holds both group columns,
    // instead of one wide customer row per order. (A join from each order to
    // its customer reads 400,000 scattered customer rows for a year.)
    ReportTable grouped;
    if (!Read(QStringLiteral("select c.ClassPath, c.FDSource, sum(s.Amount), sum(s.Orders) from "
                             "CustomerData c cross join (select CustomerId, sum(FDTotal) as "
                             "Amount, count(*) as Orders from OrderData") +
                  OrderWhere() +
                  QStringLiteral(" group by CustomerId) s where s.CustomerId = c.KeyId "
                                 "group by c.ClassPath, c.FDSource"),
              2, grouped, 2))
        return false;

    // Orders of customers that are gone: what the period's sales have more.
    ReportTable all;
    FoldSales(0, all);
    double amount = all.Total(0);
    double orders = all.Total(1);
    for (int row = 0; row < grouped.RowCount(); ++row) {
        const QString classPath = grouped.labels.at(row).section(kLabelSeparator, 0, 0);
        const QString source = grouped.labels.at(row).section(kLabelSeparator, 1);
        byClass.AddRow(TopClass(classPath), grouped.values.at(row));
        bySource.AddRow(source.trimmed().isEmpty() ? kUnknown : source, grouped.values.at(row));
        amount -= grouped.values.at(row).at(0);
        orders -= grouped.values.at(row).at(1);
    }
    if (orders > 0) {
        byClass.AddRow(kUnfiled, {amount, orders});
        bySource.AddRow(kUnknown, {amount, orders});
    }
    for (ReportTable* table : {&byClass, &bySource}) {
        MergeLabels(*table);
        KeepLargest(*table, 1000);
    }
    return true;
}

bool ReportQueries::MonthlyPurchases(ReportTable& table) {
    table = ReportTable{QStringLiteral("月度采购额"),
                        QStringLiteral("月份"),
                        {QStringLiteral("金额"), QStringLiteral("采购次数")},
                        {},
                        {},
                        2};
    table.chartSeries = 1;
    table.timeAxis = true;
    const QString month = MonthOf(QStringLiteral("FDTime"));
    ReportTable found = table;
    if (!Read(QStringLiteral("select ") + month +
                  QStringLiteral(", sum(FDTotal), count(*) from PurchaseData") +
                  Where(scope_.period, QStringLiteral("FDTime"), QString()) +
                  QStringLiteral(" group by ") + month,
              2, found))
        return false;
    for (const QString& label : scope_.period.Months()) {
        const int row = found.labels.indexOf(label);
        table.AddRow(label, row < 0 ? QVector<double>(2) : found.values.at(row));
    }
    return true;
}

bool ReportQueries::PurchasesBySupplier(ReportTable& table) {
    table = ReportTable{QStringLiteral("供应商采购额"),
                        QStringLiteral("供应商"),
                        {QStringLiteral("金额"), QStringLiteral("采购次数")},
                        {},
                        {},
                        2};
    table.chartSeries = 1;
    if (!Read(QStringLiteral("select CustomerName, sum(FDTotal), count(*) from PurchaseData") +
                  Where(scope_.period, QStringLiteral("FDTime"), QString()) +
                  QStringLiteral(" group by CustomerName"),
              2, table))
        return false;
    KeepLargest(table, 10);
    return true;
}

bool ReportQueries::MarginByProduct(ReportTable& table) {
    table =
        ReportTable{QStringLiteral("产品毛利"),
                    QStringLiteral("产品"),
                    {QStringLiteral("毛利"), QStringLiteral("销售额"), QStringLiteral("采购额")},
                    {},
                    {},
                    2};
    if (!LoadSales())
        return false;
    ReportTable bought;
    if (!Read(QStringLiteral("select StockName, sum(FDTotal) from PurchaseData") +
                  Where(scope_.period, QStringLiteral("FDTime"), QString()) +
                  QStringLiteral(" group by StockName"),
              1, bought))
        return false;
    // Names match without regard to case, as the database compares them.
    QHash<QString, double> boughtBy;
    for (int row = 0; row < bought.RowCount(); ++row)
        boughtBy[bought.labels.at(row).toCaseFolded()] += bought.values.at(row).at(0);
    ReportTable sold;
    FoldSales(1, sold);
    for (int row = 0; row < sold.RowCount(); ++row) {
        const auto found = boughtBy.constFind(sold.labels.at(row).toCaseFolded());
        if (found == boughtBy.constEnd())
            continue;
        const double sales = sold.values.at(row).at(0);
        table.AddRow(sold.labels.at(row), {sales - *found, sales, *found});
    }
    KeepLargest(table, 1000);
    return true;
}

bool ReportQueries::FollowUpByWeek(const QString& now, ReportTable& table) {
    table = ReportTable{
        QStringLiteral("每周跟踪"),
        QStringLiteral("周(起始日)"),
        {QStringLiteral("到期计划"), QStringLiteral("其中逾期"), QStringLiteral("沟通记录")},
        {},
        {},
        0};
    table.timeAxis = true;
    // By day in SQL (at most a few hundred rows), folded into weeks here: the
    // two engines name weeks differently, days they both write the same way.
    const QString planDay = DayOf(QStringLiteral("PlanTime"));
    ReportTable plans;
    if (!Read(QStringLiteral("select ") + planDay +
                  QStringLiteral(", count(*), sum(case when PlanTime < ") + SqlLiteral::Text(now) +
                  QStringLiteral(" then 1 else 0 end) from TrackPlan") +
                  Where(scope_.period, QStringLiteral("PlanTime"), QStringLiteral("Handler")) +
                  QStringLiteral(" group by ") + planDay,
              2, plans))
        return false;
    const QString recordDay = DayOf(QStringLiteral("FDTime"));
    ReportTable records;
    if (!Read(QStringLiteral("select ") + recordDay + QStringLiteral(", count(*) from TraceData") +
                  Where(scope_.period, QStringLiteral("FDTime"), QStringLiteral("Handler")) +
                  QStringLiteral(" group by ") + recordDay,
              1, records))
        return false;

    QMap<QDate, QVector<double>> byWeek;
    const QDate first = scope_.period.First();
    for (QDate week = MondayOf(first); week < scope_.period.End(); week = week.addDays(7))
        byWeek.insert(week, QVector<double>(3));
    const auto add = [&byWeek](const QString& day, int series, double value) {
        const QDate date = QDate::fromString(day, QStringLiteral("yyyy-MM-dd"));
        if (!date.isValid())
            return;
        QVector<double>& into = byWeek[MondayOf(date)];
        into.resize(3);
        into[series] += value;
    };
    for (int row = 0; row < plans.RowCount(); ++row) {
        add(plans.labels.at(row), 0, plans.values.at(row).at(0));
        add(plans.labels.at(row), 1, plans.values.at(row).at(1));
    }
    for (int row = 0; row < records.RowCount(); ++row)
        add(records.labels.at(row), 2, records.values.at(row).at(0));
    for (auto it = byWeek.constBegin(); it != byWeek.constEnd(); ++it)
        table.AddRow(it.key().toString(QStringLiteral("yyyy-MM-dd")), it.value());
    return true;
}

bool ReportQueries::RecordsByHandler(ReportTable& table) {
    table = ReportTable{QStringLiteral("经理人沟通记录"),
                        QStringLiteral("经理人"),
                        {QStringLiteral("记录数")},
                        {},
                        {},
                        0};
    if (!Read(QStringLiteral("select Handler, count(*) from TraceData") +
                  Where(scope_.period, QStringLiteral("FDTime"), QStringLiteral("Handler")) +
                  QStringLiteral(" group by Handler"),
              1, table))
        return false;
    KeepLargest(table, 1000);
    return true;
}

bool ReportQueries::NewCustomersByMonth(ReportTable& table) {
    table = ReportTable{QStringLiteral("每月新客户"),
                        QStringLiteral("月份"),
                        {QStringLiteral("新客户")},
                        {},
                        {},
                        0};
    table.timeAxis = true;
    const QString month = MonthOf(QStringLiteral("RegTime"));
    ReportTable found = table;
    if (!Read(QStringLiteral("select ") + month + QStringLiteral(", count(*) from CustomerData") +
                  Where(scope_.period, QStringLiteral("RegTime"), QStringLiteral("Handler")) +
                  QStringLiteral(" and (IsProvider < 1) group by ") + month,
              1, found))
        return false;
    for (const QString& label : scope_.period.Months()) {
        const int row = found.labels.indexOf(label);
        table.AddRow(label, row < 0 ? QVector<double>(1) : found.values.at(row));
    }
    return true;
}
