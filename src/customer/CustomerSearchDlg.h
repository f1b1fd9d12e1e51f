#pragma once

#include "framework/CriteriaDlg.h"

#include <QString>
#include <QStringList>

#include <array>

class Prompt;

// The criteria of a customer search, one text per field of the dialog.
struct CustomerCriteria {
    QString regTime;      // 开发时间: a month "YYYY-MM", matched as a prefix
    QString customerName; // 客户名称: a fragment
    QString contact;      // 联系人: a fragment
    QString handler;      // 经理人: the exact name
    QString city;         // 城市: a prefix
    QString phone;        // 电话/手机: a fragment of either number

    // The six texts in the dialog's order.
    std::array<QString*, 6> Fields();
    std::array<const QString*, 6> Fields() const;
    // The conditions of the filled fields, in the dialog's order, each in
    // parentheses with the typed text as one literal: quotes cannot end it,
    // while % and _ keep working as wildcards.
    QStringList Conditions() const;
};

// 客户查询: asks the criteria of a customer search. It shows the last criteria
// of data/customer_search.ini and writes all six back on 确定.
class CCustomerSearchDlg final : public CCriteriaDlg {
    Q_OBJECT

public:
    explicit CCustomerSearchDlg(QWidget* parent = nullptr);

    CustomerCriteria Criteria() const;
    void SetCriteria(const CustomerCriteria& criteria);

    // data/customer_search.ini of the program folder.
    static QString CriteriaFilePath();
};

// Runs the dialog through the prompt; true on 确定 with the criteria.
bool AskCustomerCriteria(Prompt& prompt, QWidget* parent, CustomerCriteria& criteria);
