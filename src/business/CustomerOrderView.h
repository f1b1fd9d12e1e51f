#pragma once

#include "framework/PrivilegeCheck.h"
#include "framework/RecordListView.h"

// The orders of one customer, newest first: the order tab of the customer
// window. Adding, editing and deleting orders here needs the right "添加订单";
// 帐号通知 mails the account notice of the top selected order.
class CCustomerOrderView final : public CRecordListView {
    Q_OBJECT

public:
    static constexpr int kGridControl = 6101;

    // `holdsPrivilege` answers for the logged-in user.
    CCustomerOrderView(DbConnection& connection, Prompt& prompt, PrivilegeCheck holdsPrivilege,
                       QWidget* parent = nullptr);

    Q_INVOKABLE bool OnCommand(int id) override;

    // Shows the orders of this customer from the first page (0: none).
    void SetCustomer(int customerKey);
    int Customer() const { return customerKey_; }

private:
    bool RunForm(IniFile& bag) override;
    // True when the user may change orders; otherwise says "权限不足".
    bool MayChangeOrders();
    void SendAccountNotice();

    PrivilegeCheck holdsPrivilege_;
    int customerKey_ = 0;
};
