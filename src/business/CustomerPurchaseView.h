#pragma once

#include "framework/RecordListView.h"

// The purchases from one supplier, newest first: the 采购记录 tab of the
// customer detail window. It lists nothing until SetCustomer; 添加 records a
// purchase from that supplier, 编辑 and 删除 work as in the other lists.
class CCustomerPurchaseView final : public CRecordListView {
    Q_OBJECT

public:
    explicit CCustomerPurchaseView(DbConnection& connection, Prompt& prompt,
                                   QWidget* parent = nullptr);

    Q_INVOKABLE bool OnCommand(int id) override;

    // Shows the purchases of this supplier from the first page; key 0 lists
    // nothing and leaves 添加 without effect.
    void SetCustomer(int customerKey);
    int Customer() const { return customerKey_; }

private:
    bool RunForm(IniFile& bag) override;

    int customerKey_ = 0;
};
