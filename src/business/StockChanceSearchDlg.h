#pragma once

#include "framework/CriteriaDlg.h"

#include <QString>
#include <QStringList>

#include <array>

class Prompt;

// The criteria of a search among purchase opportunities. An opportunity has
// no date of its own, so there is no month box; the supplier and the item are
// matched in the columns that hold them.
struct StockChanceCriteria {
    QString supplier; // 供应商名称: a fragment of CustomerName
    QString product;  // 产品名称: a fragment of Name

    std::array<QString*, 2> Fields();
    std::array<const QString*, 2> Fields() const;
    // The conditions of the filled boxes, each in parentheses with the typed
    // text as one literal; % and _ stay wildcards.
    QStringList Conditions() const;
};

// 采购机会查询: asks the criteria, starting from the last ones of
// data/stockchance_search.ini, and writes them back on 确定.
class CStockChanceSearchDlg final : public CCriteriaDlg {
    Q_OBJECT

public:
    explicit CStockChanceSearchDlg(QWidget* parent = nullptr);

    StockChanceCriteria Criteria() const;
};

// Runs the dialog through the prompt; true on 确定 with the criteria.
bool AskStockChanceCriteria(Prompt& prompt, QWidget* parent, StockChanceCriteria& criteria);
