#pragma once

#include "business/TraceListBase.h"

// The communication records of one customer, newest first: the record tab of
// the customer window. It shows nothing until SetCustomer; 添加 makes a record
// for that customer, 编辑 and 删除 work as in the other record lists.
class CCustomerTraceView final : public CTraceListBase {
    Q_OBJECT

public:
    explicit CCustomerTraceView(DbConnection& connection, Prompt& prompt,
                                QWidget* parent = nullptr);

    Q_INVOKABLE bool OnCommand(int id) override;

    // Shows the records of this customer from the first page (0: none).
    void SetCustomer(int customerKey);
    int Customer() const { return customerKey_; }
};
