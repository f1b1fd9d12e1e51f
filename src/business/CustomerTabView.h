#pragma once

#include "customer/CustomerDetailPane.h"
#include "framework/PrivilegeCheck.h"

#include <QString>
#include <QTimer>

#include <functional>
#include <vector>

class QTabWidget;

struct CustomerTabArgs {
    QString userName;              // the logged-in user
    PrivilegeCheck holdsPrivilege; // the logged-in user's rights
};

// Everything recorded about one customer on seven tabs: summary, contacts,
// plans, records, orders, opportunities and purchases. Only the tab on show
// reads its rows; the others are marked stale and read when they are shown.
// A selection that moves on quickly (the customer list scrolled with the
// arrow keys) reads once it has rested, not once per row.
class CCustomerTabView final : public CCustomerDetailPane {
    Q_OBJECT

public:
    enum Tab { Summary, Contacts, Plans, Records, Orders, Chances, Purchases, TabCount };
    // How long the selection must rest before the shown tab reads.
    static constexpr int kSettleMilliseconds = 150;

    CCustomerTabView(DbConnection& connection, Prompt& prompt, const CustomerTabArgs& args,
                     QWidget* parent = nullptr);

    // Follows the selection: the first customer is shown at once, later ones
    // once the selection has rested for kSettleMilliseconds.
    void ShowCustomer(int customerKey) override;
    // Shows this customer now (the dialog, tests); 0 shows none.
    void SetCustomer(int customerKey);
    int Customer() const { return customerKey_; }

    QTabWidget* Tabs() const { return tabs_; }
    QWidget* Page(Tab tab) const;
    // How many times a tab has read its rows (to prove the laziness).
    int Reads() const { return reads_; }

private:
    struct TabPage {
        QWidget* widget = nullptr;
        std::function<void(int customerKey)> show; // empty: a tab still to come
        bool stale = true;
    };
    // Adds a tab whose widget has SetCustomer(int).
    template <class View> void AddListTab(View* view, const QString& caption);
    void ReadShownTab();

    QTabWidget* tabs_ = nullptr;
    std::vector<TabPage> pages_;
    QTimer settle_;
    int customerKey_ = 0;
    int pendingKey_ = 0;
    bool shownOnce_ = false;
    int reads_ = 0;
};
