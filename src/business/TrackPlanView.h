#pragma once

#include "business/TraceListBase.h"

// The plans of one customer, earliest first: the plan tab of the customer
// detail window. It shows nothing until SetCustomer; 添加 makes a plan for
// that customer, 编辑 and 删除 work as in the other lists.
class CTrackPlanView final : public CTraceListBase {
    Q_OBJECT

public:
    // `filter` narrows the tab further (the frame's handler condition for
    // users other than admin), or is empty.
    explicit CTrackPlanView(DbConnection& connection, Prompt& prompt,
                            const QString& filter = QString(), QWidget* parent = nullptr);

    Q_INVOKABLE bool OnCommand(int id) override;

    // Shows the plans of this customer (from the first page); a failed load
    // shows the statement and the database's text.
    void SetCustomer(int customerKey);
    int Customer() const { return customerKey_; }

private:
    void AddPlan();
};
