#pragma once

#include "customer/ContactListBase.h"

struct ContactCriteria;

// 查询联系人: the contacts of every customer, newest first, 200 to a page,
// with search, edit, delete, the contact's customer, the contact links and
// the order total of the listed contacts' customers.
class CContactSearchView final : public CContactListBase {
    Q_OBJECT

public:
    CContactSearchView(DbConnection& connection, Prompt& prompt, QWidget* parent = nullptr);

    Q_INVOKABLE bool OnCommand(int id) override;

    // Runs a search with these criteria (what 查找 does after the dialog).
    void Search(const ContactCriteria& criteria);
    // The total of the orders of the customers whose contacts the list shows
    // under `where` (its " where ..." text): each customer counted once.
    static QString TotalWhere(const QString& where);

protected:
    int CustomerOfRow(int row) const override;

private:
    void ShowTotal();
};
