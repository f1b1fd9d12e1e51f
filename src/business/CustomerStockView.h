#pragma once

#include "framework/RecordListView.h"

// 合作机会: the purchase opportunities of one supplier, newest first, for the
// supplier's tabs. Nothing is listed until SetCustomer names the supplier;
// 添加 then files a new opportunity for it.
class CCustomerStockView final : public CRecordListView {
    Q_OBJECT

public:
    explicit CCustomerStockView(DbConnection& connection, Prompt& prompt,
                                QWidget* parent = nullptr);

    Q_INVOKABLE bool OnCommand(int id) override;

    // Lists the opportunities of the supplier `key` from the first page; 0
    // lists nothing.
    void SetCustomer(int key);
    int Customer() const { return customer_; }

private:
    bool RunForm(IniFile& bag) override;

    int customer_ = 0;
};
