#include "framework/CustomerDetail.h"

#include <utility>

namespace {

CustomerDetailOpener& Opener() {
    static CustomerDetailOpener opener;
    return opener;
}

} // namespace

void SetCustomerDetailOpener(CustomerDetailOpener opener) {
    Opener() = std::move(opener);
}

bool OpenCustomerDetail(int customerKey, QWidget* parent) {
    if (!Opener())
        return false;
    Opener()(customerKey, parent);
    return true;
}
