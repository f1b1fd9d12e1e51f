#pragma once

#include "customer/ContactListBase.h"

// The contacts of one customer, newest first: the contact tab of the customer
// detail window. It lists nothing until SetCustomer; 添加 makes a contact for
// that customer and does nothing while no customer is shown.
class CCustomerContactView final : public CContactListBase {
    Q_OBJECT

public:
    explicit CCustomerContactView(DbConnection& connection, Prompt& prompt,
                                  QWidget* parent = nullptr);

    Q_INVOKABLE bool OnCommand(int id) override;

    // Shows the contacts of this customer from the first page; a failed load
    // shows the statement and the database's text.
    void SetCustomer(int customerKey);
    int Customer() const { return customerKey_; }

protected:
    int CustomerOfRow(int row) const override;
};
