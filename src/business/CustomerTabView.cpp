#include "business/CustomerTabView.h"

#include "business/CustomerOrderView.h"
#include "business/CustomerPurchaseView.h"
#include "business/CustomerStockView.h"
#include "business/CustomerTraceView.h"
#include "business/TrackPlanView.h"
#include "customer/CustomerAbstractView.h"
#include "customer/CustomerContactView.h"

#include <QTabWidget>
#include <QVBoxLayout>

CCustomerTabView::CCustomerTabView(DbConnection& connection, Prompt& prompt,
                                   const CustomerTabArgs& args, QWidget* parent)
    : CCustomerDetailPane(parent) {
    setObjectName(QStringLiteral("CCustomerTabView"));
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("CustomerTabs"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tabs_);

    AddListTab(new CCustomerAbstractView(connection, prompt), QStringLiteral("基本资料"));
    AddListTab(new CCustomerContactView(connection, prompt), QStringLiteral("联系人"));
    AddListTab(new CTrackPlanView(connection, prompt), QStringLiteral("跟踪计划"));
    AddListTab(new CCustomerTraceView(connection, prompt), QStringLiteral("沟通记录"));
    AddListTab(new CCustomerOrderView(connection, prompt, args.holdsPrivilege),
               QStringLiteral("销售记录"));
    AddListTab(new CCustomerStockView(connection, prompt), QStringLiteral("合作机会"));
    AddListTab(new CCustomerPurchaseView(connection, prompt), QStringLiteral("采购记录"));
    tabs_->setCurrentIndex(Summary);

    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMilliseconds);
    connect(&settle_, &QTimer::timeout, this, [this] { SetCustomer(pendingKey_); });
    // A tab brought forward reads now if its rows are for another customer;
    // a selection still settling is taken as it is.
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int) {
        if (settle_.isActive())
            SetCustomer(pendingKey_);
        else
            ReadShownTab();
    });
}

template <class View> void CCustomerTabView::AddListTab(View* view, const QString& caption) {
    tabs_->addTab(view, caption);
    pages_.push_back({view, [view](int customerKey) { view->SetCustomer(customerKey); }});
}

QWidget* CCustomerTabView::Page(Tab tab) const {
    return pages_.at(size_t(tab)).widget;
}

void CCustomerTabView::ShowCustomer(int customerKey) {
    if (!shownOnce_) {
        SetCustomer(customerKey);
        return;
    }
    // The same customer again (a reload of the grid) reads nothing.
    if (!settle_.isActive() && customerKey == customerKey_)
        return;
    pendingKey_ = customerKey;
    settle_.start();
}

void CCustomerTabView::SetCustomer(int customerKey) {
    settle_.stop();
    shownOnce_ = true;
    customerKey_ = customerKey;
    for (TabPage& page : pages_)
        page.stale = true;
    ReadShownTab();
}

void CCustomerTabView::ReadShownTab() {
    const int index = tabs_->currentIndex();
    if (index < 0 || size_t(index) >= pages_.size())
        return;
    TabPage& page = pages_[size_t(index)];
    if (!page.stale)
        return;
    page.stale = false;
    if (page.show) {
        ++reads_;
        page.show(customerKey_);
    }
}
