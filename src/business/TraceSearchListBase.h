#pragma once

#include "business/TraceListBase.h"

#include <QList>
#include <QPair>

struct TraceCriteria;

// What the record and plan searches add to their list: 查找 asks the
// remembered criteria and shows the matches from the first page, applying the
// month to the kind's time column, and 客户资料 opens the row's customer.
class CTraceSearchListBase : public CTraceListBase {
    Q_OBJECT

public:
    Q_INVOKABLE bool OnCommand(int id) override;

    // Runs a search with these criteria (what 查找 does after the dialog).
    void Search(const TraceCriteria& criteria);

protected:
    using CTraceListBase::CTraceListBase;

    // The toolbar of a search: 查找, 编辑, the `own` buttons (caption,
    // command), 客户资料, 删除, 上页, 下页.
    void AddSearchButtons(const QList<QPair<QString, int>>& own);
};
