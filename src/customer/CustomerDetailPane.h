#pragma once

#include <QWidget>

#include <functional>

class DbConnection;
class Prompt;
struct CustomerViewArgs;

// The pane under a customer grid that shows everything about the selected
// customer. The customer views only know this face of it; the pane itself
// (the detail tabs) lives in a higher layer and is handed in as a factory.
class CCustomerDetailPane : public QWidget {
    Q_OBJECT

public:
    using QWidget::QWidget;

    // The grid's selection moved to this customer (0: none). Called for every
    // selection change, so a pane may wait for the selection to settle.
    virtual void ShowCustomer(int customerKey) = 0;
};

using CustomerDetailPaneFactory = std::function<CCustomerDetailPane*(
    DbConnection& connection, Prompt& prompt, const CustomerViewArgs& args, QWidget* parent)>;
