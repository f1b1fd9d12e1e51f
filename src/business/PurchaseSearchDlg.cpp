#include "business/PurchaseSearchDlg.h"

#include "base/ProgramFolder.h"
#include "business/OrderSearchDlg.h"
#include "db/SqlConditions.h"

namespace {

const QString kFile = QStringLiteral("data/purchase_search.ini");

} // namespace

std::array<QString*, 3> PurchaseCriteria::Fields() {
    return {&term, &customer, &stock};
}

std::array<const QString*, 3> PurchaseCriteria::Fields() const {
    return {&term, &customer, &stock};
}

QStringList PurchaseCriteria::Conditions() const {
    QStringList conditions;
    if (!term.isEmpty())
        conditions << MonthCondition(term);
    if (!customer.isEmpty())
        conditions << SqlConditions::Contains(QStringLiteral("CustomerName"), customer);
    if (!stock.isEmpty())
        conditions << SqlConditions::Contains(QStringLiteral("StockName"), stock);
    return conditions;
}

CPurchaseSearchDlg::CPurchaseSearchDlg(QWidget* parent)
    : CCriteriaDlg(QStringLiteral("采购查询"), kFile,
                   {{QStringLiteral("Term"), QStringLiteral("月份"),
                     QStringLiteral("年-月，如 2008-03"), ThisMonth()},
                    {QStringLiteral("Customer"), QStringLiteral("客户名称")},
                    {QStringLiteral("Stock"), QStringLiteral("产品名称")}},
                   parent) {
    setObjectName(QStringLiteral("PurchaseSearchDlg"));
}

QString CPurchaseSearchDlg::CriteriaFilePath() {
    return ProgramPath(kFile);
}

PurchaseCriteria CPurchaseSearchDlg::Criteria() const {
    PurchaseCriteria criteria;
    SetCriteriaTexts(criteria.Fields(), Values());
    return criteria;
}

void CPurchaseSearchDlg::SetCriteria(const PurchaseCriteria& criteria) {
    SetValues(CriteriaTexts(criteria.Fields()));
}

bool AskPurchaseCriteria(Prompt& prompt, QWidget* parent, PurchaseCriteria& criteria) {
    return AskCriteria<CPurchaseSearchDlg>(prompt, parent, criteria);
}
