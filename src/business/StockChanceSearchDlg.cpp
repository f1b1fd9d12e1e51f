#include "business/StockChanceSearchDlg.h"

#include "db/SqlLiteral.h"

namespace {

QString Contains(const QString& column, const QString& text) {
    return QStringLiteral("(") + column + QStringLiteral(" like ") +
           SqlLiteral::Text(QStringLiteral("%") + text + QStringLiteral("%")) + QStringLiteral(")");
}

} // namespace

std::array<QString*, 2> StockChanceCriteria::Fields() {
    return {&supplier, &product};
}

std::array<const QString*, 2> StockChanceCriteria::Fields() const {
    return {&supplier, &product};
}

QStringList StockChanceCriteria::Conditions() const {
    QStringList conditions;
    if (!supplier.isEmpty())
        conditions << Contains(QStringLiteral("CustomerName"), supplier);
    if (!product.isEmpty())
        conditions << Contains(QStringLiteral("Name"), product);
    return conditions;
}

CStockChanceSearchDlg::CStockChanceSearchDlg(QWidget* parent)
    : CCriteriaDlg(QStringLiteral("采购机会查询"), QStringLiteral("data/stockchance_search.ini"),
                   {{QStringLiteral("Supplier"), QStringLiteral("供应商名称")},
                    {QStringLiteral("Product"), QStringLiteral("产品名称")}},
                   parent) {
    setObjectName(QStringLiteral("StockChanceSearchDlg"));
}

StockChanceCriteria CStockChanceSearchDlg::Criteria() const {
    StockChanceCriteria criteria;
    SetCriteriaTexts(criteria.Fields(), Values());
    return criteria;
}

bool AskStockChanceCriteria(Prompt& prompt, QWidget* parent, StockChanceCriteria& criteria) {
    return AskCriteria<CStockChanceSearchDlg>(prompt, parent, criteria);
}
