#include "customer/CustomerSearchDlg.h"

#include "base/ProgramFolder.h"
#include "db/SqlConditions.h"
#include "db/SqlLiteral.h"

namespace {

const QString kFile = QStringLiteral("data/customer_search.ini");

} // namespace

std::array<QString*, 6> CustomerCriteria::Fields() {
    return {&regTime, &customerName, &contact, &handler, &city, &phone};
}

std::array<const QString*, 6> CustomerCriteria::Fields() const {
    return {&regTime, &customerName, &contact, &handler, &city, &phone};
}

QStringList CustomerCriteria::Conditions() const {
    QStringList conditions;
    if (!regTime.isEmpty())
        conditions << SqlConditions::StartsWith(QStringLiteral("RegTime"), regTime);
    if (!customerName.isEmpty())
        conditions << SqlConditions::Contains(QStringLiteral("CustomerName"), customerName);
    if (!contact.isEmpty())
        conditions << SqlConditions::Contains(QStringLiteral("Contact"), contact);
    if (!handler.isEmpty())
        conditions << QStringLiteral("(Handler = ") + SqlLiteral::Text(handler) +
                          QStringLiteral(")");
    if (!city.isEmpty())
        conditions << SqlConditions::StartsWith(QStringLiteral("City"), city);
    if (!phone.isEmpty()) {
        const QString pattern = SqlLiteral::Text(QStringLiteral("%") + phone + QStringLiteral("%"));
        conditions << QStringLiteral("(Phone like ") + pattern +
                          QStringLiteral(" or Mobile like ") + pattern + QStringLiteral(")");
    }
    return conditions;
}

CCustomerSearchDlg::CCustomerSearchDlg(QWidget* parent)
    : CCriteriaDlg(QStringLiteral("客户查询"), kFile,
                   {{QStringLiteral("RegTime"), QStringLiteral("开发时间"),
                     QStringLiteral("年-月，如 2024-03")},
                    {QStringLiteral("CustomerName"), QStringLiteral("客户名称")},
                    {QStringLiteral("Contact"), QStringLiteral("联系人")},
                    {QStringLiteral("Handler"), QStringLiteral("经理人")},
                    {QStringLiteral("City"), QStringLiteral("城市")},
                    {QStringLiteral("Phone"), QStringLiteral("电话/手机")}},
                   parent) {
    setObjectName(QStringLiteral("CustomerSearchDlg"));
}

QString CCustomerSearchDlg::CriteriaFilePath() {
    return ProgramPath(kFile);
}

CustomerCriteria CCustomerSearchDlg::Criteria() const {
    CustomerCriteria criteria;
    SetCriteriaTexts(criteria.Fields(), Values());
    return criteria;
}

void CCustomerSearchDlg::SetCriteria(const CustomerCriteria& criteria) {
    SetValues(CriteriaTexts(criteria.Fields()));
}

bool AskCustomerCriteria(Prompt& prompt, QWidget* parent, CustomerCriteria& criteria) {
    return AskCriteria<CCustomerSearchDlg>(prompt, parent, criteria);
}
