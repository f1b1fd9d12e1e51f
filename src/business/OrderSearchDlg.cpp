#include "business/OrderSearchDlg.h"

#include "base/ProgramFolder.h"
#include "business/OrderInput.h"
#include "db/SqlConditions.h"
#include "db/SqlLiteral.h"

namespace {

const QString kFile = QStringLiteral("data/order_search.ini");

QString Enclose(const QString& condition) {
    return QStringLiteral("(") + condition + QStringLiteral(")");
}

QString Equals(const QString& column, const QString& text) {
    return Enclose(column + QStringLiteral(" = ") + SqlLiteral::Text(text));
}

} // namespace

QString MonthCondition(const QString& month) {
    const QString like =
        QStringLiteral("FDTime like ") + SqlLiteral::Text(month + QStringLiteral("%"));
    QString next;
    if (!OrderInput::ParseMonth(month, next))
        return Enclose(like);
    return Enclose(QStringLiteral("FDTime >= ") + SqlLiteral::Text(month) +
                   QStringLiteral(" and FDTime < ") + SqlLiteral::Text(next) +
                   QStringLiteral(" and ") + like);
}

std::array<QString*, 6> OrderCriteria::Fields() {
    return {&term, &handler, &customer, &product, &serialCode, &bank};
}

std::array<const QString*, 6> OrderCriteria::Fields() const {
    return {&term, &handler, &customer, &product, &serialCode, &bank};
}

QStringList OrderCriteria::Conditions() const {
    QStringList conditions;
    if (!term.isEmpty())
        conditions << MonthCondition(term);
    if (!handler.isEmpty())
        conditions << Equals(QStringLiteral("Handler"), handler);
    if (!customer.isEmpty())
        conditions << SqlConditions::Contains(QStringLiteral("CustomerName"), customer);
    if (!product.isEmpty())
        conditions << SqlConditions::Contains(QStringLiteral("ProductName"), product);
    if (!serialCode.isEmpty())
        conditions << SqlConditions::Contains(QStringLiteral("SerialCode"), serialCode);
    if (!bank.isEmpty())
        conditions << Equals(QStringLiteral("Bank"), bank);
    return conditions;
}

COrderSearchDlg::COrderSearchDlg(QWidget* parent)
    : CCriteriaDlg(QStringLiteral("订单查询"), kFile,
                   {{QStringLiteral("Term"), QStringLiteral("月份"),
                     QStringLiteral("年-月，如 2008-03"), ThisMonth()},
                    {QStringLiteral("Handler"), QStringLiteral("经理人")},
                    {QStringLiteral("Customer"), QStringLiteral("客户名称")},
                    {QStringLiteral("Product"), QStringLiteral("产品名称")},
                    {QStringLiteral("SerialCode"), QStringLiteral("序列号")},
                    {QStringLiteral("Bank"), QStringLiteral("付款方式")}},
                   parent) {
    setObjectName(QStringLiteral("OrderSearchDlg"));
}

QString COrderSearchDlg::CriteriaFilePath() {
    return ProgramPath(kFile);
}

OrderCriteria COrderSearchDlg::Criteria() const {
    OrderCriteria criteria;
    SetCriteriaTexts(criteria.Fields(), Values());
    return criteria;
}

void COrderSearchDlg::SetCriteria(const OrderCriteria& criteria) {
    SetValues(CriteriaTexts(criteria.Fields()));
}

bool AskOrderCriteria(Prompt& prompt, QWidget* parent, OrderCriteria& criteria) {
    return AskCriteria<COrderSearchDlg>(prompt, parent, criteria);
}
