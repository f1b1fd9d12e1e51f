#pragma once

#include "framework/CriteriaDlg.h"

#include <QString>
#include <QStringList>

#include <array>

class Prompt;

// The criteria of an order search, one text per box of the dialog.
struct OrderCriteria {
    QString term;       // 月份: "YYYY-MM", matched as the beginning of FDTime
    QString handler;    // 经理人: the exact name
    QString customer;   // 客户名称: a fragment
    QString product;    // 产品名称: a fragment
    QString serialCode; // 序列号: a fragment
    QString bank;       // 付款方式: the exact name

    // The six texts in the dialog's order.
    std::array<QString*, 6> Fields();
    std::array<const QString*, 6> Fields() const;
    // The conditions of the filled boxes, each in parentheses with the typed
    // text as one literal: a quote cannot end it, so nothing typed joins an
    // "or" to a list's Handler restriction. % and _ stay wildcards.
    QStringList Conditions() const;
};

// The condition on one month of FDTime. A well-formed month is also given as
// a range, which both engines answer from the index on FDTime (PostgreSQL
// cannot use an index for the case-blind like); the like keeps the meaning
// "begins with" exact whatever the collation.
QString MonthCondition(const QString& month);
// "(column like '%text%')" with the text as one literal; % and _ typed into
// it stay wildcards.
QString ContainsCondition(const QString& column, const QString& text);

// 订单查询: asks the criteria of an order search, starting from the last ones
// of data/order_search.ini (an empty month shows the current one), and writes
// all six back on 确定.
class COrderSearchDlg final : public CCriteriaDlg {
    Q_OBJECT

public:
    explicit COrderSearchDlg(QWidget* parent = nullptr);

    OrderCriteria Criteria() const;
    void SetCriteria(const OrderCriteria& criteria);

    // data/order_search.ini of the program folder.
    static QString CriteriaFilePath();
};

// Runs the dialog through the prompt; true on 确定 with the criteria.
bool AskOrderCriteria(Prompt& prompt, QWidget* parent, OrderCriteria& criteria);
