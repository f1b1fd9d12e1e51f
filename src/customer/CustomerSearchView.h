#pragma once

#include "customer/CustomerView.h"

struct CustomerCriteria;

// All customers of the view's kind, newest activity first, 200 to a page:
// criteria search, paging, add (unclassified), edit, delete with everything
// that refers to the customer, move to a class, and the import and export
// commands.
class CCustomerSearchView final : public CCustomerView {
    Q_OBJECT

public:
    CCustomerSearchView(DbConnection& connection, Prompt& prompt, const CustomerViewArgs& args,
                        QWidget* parent = nullptr);

    Q_INVOKABLE bool OnCommand(int id) override;

    // Runs a search with these criteria (what 查找 does after the dialog).
    void Search(const CustomerCriteria& criteria);

private:
    void DeleteTopCustomer();
    void Export(const QString& what);
};
