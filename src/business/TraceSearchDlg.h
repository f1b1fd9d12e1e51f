#pragma once

#include "framework/CriteriaDlg.h"

#include <QString>
#include <QStringList>

#include <array>

class Prompt;

// The criteria of a record or plan search, one text per box of the dialog.
struct TraceCriteria {
    QString keyId;        // 编号: read as a number (its leading digits)
    QString customerName; // 客户名称: a fragment
    QString contact;      // 联系人: a fragment
    QString handler;      // 经理人: the exact name
    QString title;        // 标题: a fragment
    QString time;         // 时间: a month "YYYY-MM" (or any start of a time)

    // The six texts in the dialog's order.
    std::array<QString*, 6> Fields();
    std::array<const QString*, 6> Fields() const;
    // The conditions of the filled boxes, each in parentheses with the typed
    // text as one literal, so nothing typed can change the statement; % and _
    // stay wildcards. `timeColumn` is FDTime or PlanTime.
    QStringList Conditions(const QString& timeColumn) const;
    // The key a 编号 text stands for: its leading digits (after blanks and a
    // sign) as a 32-bit number, 0 when it has none.
    static qint32 KeyNumber(const QString& text);
};

// 查找沟通记录: asks the criteria of a record or plan search. It shows the
// last criteria of data/trace_search.ini (an empty time as the current month)
// and writes all six back on 确定.
class CTraceSearchDlg final : public CCriteriaDlg {
    Q_OBJECT

public:
    explicit CTraceSearchDlg(QWidget* parent = nullptr);

    TraceCriteria Criteria() const;
    void SetCriteria(const TraceCriteria& criteria);

    // data/trace_search.ini of the program folder.
    static QString CriteriaFilePath();
};

// Runs the dialog through the prompt; true on 确定 with the criteria.
bool AskTraceCriteria(Prompt& prompt, QWidget* parent, TraceCriteria& criteria);
