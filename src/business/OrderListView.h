#pragma once

#include "framework/RecordListView.h"

#include <functional>

struct OrderCriteria;

// Columns of OrderData the user added (field, caption), shown after the
// standard ones; the custom-field work supplies them.
using OrderListExtraColumns =
    std::function<QList<QPair<QString, QString>>(DbConnection& connection)>;
void SetOrderListExtraColumns(OrderListExtraColumns columns);

struct OrderListArgs {
    QString userName;
    bool admin = false; // the administrator sees and totals every order
};

// 订单管理: every order (an ordinary user's own only), newest first, 200 to a
// page, with search, edit, the order's customer, delete, total, paging, the
// delivery notice and the custom-column definitions.
class COrderListView final : public CRecordListView {
    Q_OBJECT

public:
    // The toolbar commands that have no shared list number.
    static constexpr int kDeliveryNotice = 6007;
    static constexpr int kCustomColumns = 6010;
    static constexpr int kGridControl = 6001;

    COrderListView(DbConnection& connection, Prompt& prompt, const OrderListArgs& args,
                   QWidget* parent = nullptr);

    Q_INVOKABLE bool OnCommand(int id) override;

    // Runs a search with these criteria (what 查找 does after the dialog).
    void Search(const OrderCriteria& criteria);

    // The restriction of an ordinary user: only rows whose Handler is theirs.
    static QString HandlerCondition(const QString& userName);
    // The total of the rows a list shows under `where` (its " where ..." text).
    static QString TotalStatement(const QString& where);

private:
    bool RunForm(IniFile& bag) override;
    void ShowTotal();
    void SendDeliveryNotice();

    bool admin_;
};
