#include "WageSheet.h"

#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/DbTransaction.h"
#include "db/SqlLiteral.h"

#include <QDate>

#include <cmath>

namespace WageSheet {

namespace {

int Count(DbConnection& connection, const QString& sql, QString& error) {
    DbRecordset rs(connection);
    if (!rs.Open(sql)) {
        error = rs.GetLastError();
        return -1;
    }
    return rs.IsEOF() ? 0 : rs.GetString(0).toInt();
}

QString MonthCondition(const QString& month) {
    return QStringLiteral("WageMonth=") + SqlLiteral::Text(month);
}

} // namespace

double Figures::NetPay() const {
    const double net = basePay + bonus + allowance - deduction - insurance - tax;
    // Money: cents, without the binary fractions' trail.
    return std::round(net * 100.0) / 100.0;
}

double& Figures::operator[](int index) {
    double* all[] = {&basePay, &bonus, &allowance, &deduction, &insurance, &tax};
    return *all[index];
}

double Figures::operator[](int index) const {
    const double all[] = {basePay, bonus, allowance, deduction, insurance, tax};
    return all[index];
}

const QList<Column>& FigureColumns() {
    static const QList<Column> columns = {{QStringLiteral("BasePay"), QStringLiteral("基本工资")},
                                          {QStringLiteral("Bonus"), QStringLiteral("奖金")},
                                          {QStringLiteral("Allowance"), QStringLiteral("津贴")},
                                          {QStringLiteral("Deduction"), QStringLiteral("扣款")},
                                          {QStringLiteral("Insurance"), QStringLiteral("社保")},
                                          {QStringLiteral("Tax"), QStringLiteral("个税")}};
    return columns;
}

QString FullNameColumn() {
    return QStringLiteral("(select max(FullName) from UserData where "
                          "UserData.UserName=WageData.UserName)");
}

bool IsMonth(const QString& text) {
    return text.size() == 7 &&
           QDate::fromString(text + QStringLiteral("-01"), QStringLiteral("yyyy-MM-dd")).isValid();
}

QString NextMonth(const QString& month) {
    const QDate first =
        QDate::fromString(month + QStringLiteral("-01"), QStringLiteral("yyyy-MM-dd"));
    return first.addMonths(1).toString(QStringLiteral("yyyy-MM"));
}

bool Months(DbConnection& connection, QStringList& months, QString& error) {
    months.clear();
    DbRecordset rs(connection);
    if (!rs.Open(
            QStringLiteral("select distinct WageMonth from WageData order by WageMonth desc"))) {
        error = rs.GetLastError();
        return false;
    }
    for (; !rs.IsEOF(); rs.MoveNext())
        months.append(rs.GetString(0));
    return true;
}

Made Create(DbConnection& connection, const QString& month) {
    Made made;
    const QString exists =
        QStringLiteral("select count(*) from WageData where ") + MonthCondition(month);
    {
        DbTransaction transaction(connection);
        if (!transaction.IsActive()) {
            made.error = transaction.GetLastError();
            return made;
        }
        const int rows = Count(connection, exists, made.error);
        if (rows < 0)
            return made;
        if (rows > 0) {
            made.outcome = Outcome::Exists;
            return made;
        }
        {
            DbRecordset rs(connection);
            if (!rs.Open(QStringLiteral("select max(WageMonth) from WageData where WageMonth<") +
                         SqlLiteral::Text(month))) {
                made.error = rs.GetLastError();
                return made;
            }
            if (!rs.IsEOF())
                made.copiedFrom = rs.GetString(0);
        }
        // One statement for the whole sheet; a person without a row in the
        // earlier sheet gets nulls from the join, which become zeros.
        QString copied;
        QString net;
        for (const Column& column : FigureColumns()) {
            const QString figure =
                QStringLiteral("coalesce(w.") + column.name + QStringLiteral(",0)");
            copied += QStringLiteral(",") + figure;
            if (net.isEmpty())
                net = figure;
            else
                net += (column.name == QStringLiteral("Bonus") ||
                                column.name == QStringLiteral("Allowance")
                            ? QStringLiteral("+")
                            : QStringLiteral("-")) +
                       figure;
        }
        const QString insert =
            QStringLiteral("insert into WageData (WageMonth,UserName,BasePay,Bonus,Allowance,"
                           "Deduction,Insurance,Tax,NetPay,Remarks) select ") +
            SqlLiteral::Text(month) + QStringLiteral(",u.UserName") + copied + QStringLiteral(",") +
            net +
            QStringLiteral(",'' from (select distinct UserName from UserData where "
                           "coalesce(Dimission,0)=0 and UserName<>'') u left join WageData w on "
                           "w.UserName=u.UserName and w.WageMonth=") +
            SqlLiteral::Text(made.copiedFrom);
        long inserted = 0;
        if (connection.Execute(insert, &inserted) != 1) {
            made.error = connection.GetLastError();
        } else if (!transaction.Commit()) {
            made.error = transaction.GetLastError();
        } else {
            made.outcome = Outcome::Made;
            made.rows = int(inserted);
            return made;
        }
    }
    // Another desk may have made the month between the check and the insert:
    // the unique index refused ours. Asked again after the rollback.
    QString error;
    if (Count(connection, exists, error) > 0) {
        made.outcome = Outcome::Exists;
        made.error.clear();
    }
    return made;
}

int DeleteMonth(DbConnection& connection, const QString& month, QString& error) {
    DbTransaction transaction(connection);
    long deleted = 0;
    if (!transaction.IsActive() ||
        connection.Execute(QStringLiteral("delete from WageData where ") + MonthCondition(month),
                           &deleted) != 1 ||
        !transaction.Commit()) {
        error = transaction.GetLastError().isEmpty() ? connection.GetLastError()
                                                     : transaction.GetLastError();
        return -1;
    }
    return int(deleted);
}

bool MonthTotals(DbConnection& connection, const QString& month, Totals& totals, QString& error) {
    QString sums;
    for (const Column& column : FigureColumns())
        sums += QStringLiteral(",sum(") + column.name + QStringLiteral(")");
    DbRecordset rs(connection);
    if (!rs.Open(QStringLiteral("select count(*)") + sums +
                 QStringLiteral(",sum(NetPay) from WageData where ") + MonthCondition(month))) {
        error = rs.GetLastError();
        return false;
    }
    totals = Totals();
    if (rs.IsEOF())
        return true;
    // A sum over no rows is null, which reads as 0.
    totals.people = rs.GetString(0).toInt();
    for (int i = 0; i < FigureColumns().size(); ++i)
        totals.figures[i] = rs.GetString(i + 1).toDouble();
    totals.netPay = rs.GetString(FigureColumns().size() + 1).toDouble();
    return true;
}

bool ParseFigure(const QString& text, double& value) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        value = 0;
        return true;
    }
    bool ok = false;
    value = trimmed.toDouble(&ok);
    return ok && std::isfinite(value);
}

QString FigureText(double value) {
    return QString::number(value, 'f', 2);
}

} // namespace WageSheet
