#pragma once

#include "framework/CriteriaDlg.h"

#include <QString>
#include <QStringList>

#include <array>

class Prompt;

// The criteria of a purchase search, one text per box of the dialog.
struct PurchaseCriteria {
    QString term;     // 月份: "YYYY-MM", matched as the beginning of FDTime
    QString customer; // 客户名称: a fragment of the supplier's name
    QString stock;    // 产品名称: a fragment of the item's name

    std::array<QString*, 3> Fields();
    std::array<const QString*, 3> Fields() const;
    // The conditions of the filled boxes, each in parentheses with the typed
    // text as one literal; % and _ stay wildcards.
    QStringList Conditions() const;
};

// 采购查询: asks the criteria of a purchase search, starting from the last
// ones of data/purchase_search.ini (an empty month shows the current one),
// and writes all three back on 确定.
class CPurchaseSearchDlg final : public CCriteriaDlg {
    Q_OBJECT

public:
    explicit CPurchaseSearchDlg(QWidget* parent = nullptr);

    PurchaseCriteria Criteria() const;
    void SetCriteria(const PurchaseCriteria& criteria);

    // data/purchase_search.ini of the program folder.
    static QString CriteriaFilePath();
};

// Runs the dialog through the prompt; true on 确定 with the criteria.
bool AskPurchaseCriteria(Prompt& prompt, QWidget* parent, PurchaseCriteria& criteria);
