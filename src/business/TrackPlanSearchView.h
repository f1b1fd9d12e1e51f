#pragma once

#include "business/TraceSearchListBase.h"

// 跟踪计划: the plans of every customer (of the user's own, for everyone but
// admin), earliest first, 200 to a page, overdue rows red and today's green:
// search, edit, complete into a communication record, delete, the row's
// customer.
class CTrackPlanSearchView final : public CTraceSearchListBase {
    Q_OBJECT

public:
    CTrackPlanSearchView(DbConnection& connection, Prompt& prompt, const QString& filter,
                         QWidget* parent = nullptr);

    Q_INVOKABLE bool OnCommand(int id) override;

protected:
    void AfterLoad() override;

private:
    // 完成: the top selected plan becomes a record dated now.
    void CompletePlan();
};
