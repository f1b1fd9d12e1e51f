#pragma once

#include <functional>

class QWidget;

// The way from any list row back to its customer: the frame installs the
// window that shows one customer (the detail tabs); lists only ask for it.
using CustomerDetailOpener = std::function<void(int customerKey, QWidget* parent)>;
void SetCustomerDetailOpener(CustomerDetailOpener opener);

// Shows the customer through the installed opener; false when none is
// installed (nothing is shown).
bool OpenCustomerDetail(int customerKey, QWidget* parent);
