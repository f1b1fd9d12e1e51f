#pragma once

#include "business/CustomerTabView.h"

#include <QDialog>

// 客户资料: the customer's detail tabs alone in a dialog, for the way from a
// list row (an order, a record, a contact) to its customer.
class CCustomerDetailDlg final : public QDialog {
    Q_OBJECT

public:
    CCustomerDetailDlg(DbConnection& connection, Prompt& prompt, const CustomerTabArgs& args,
                       int customerKey, QWidget* parent = nullptr);

    CCustomerTabView* TabView() const { return tabView_; }

private:
    CCustomerTabView* tabView_ = nullptr;
};

// Shows the dialog for this customer through prompt.RunModal.
void ShowCustomerDetail(Prompt& prompt, DbConnection& connection, const CustomerTabArgs& args,
                        int customerKey, QWidget* parent);
