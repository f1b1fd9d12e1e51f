#pragma once

#include "framework/RecordListView.h"

struct PurchaseCriteria;

// 采购成本: every purchase, newest first, 200 to a page, with the search by
// month, supplier and item, editing in the purchase form, the supplier's
// record, paging and the total of what the list shows. Purchases are added
// on the supplier's purchase tab; this list neither adds nor deletes.
class CPurchaseListView final : public CRecordListView {
    Q_OBJECT

public:
    static constexpr int kGridControl = 10001;

    CPurchaseListView(DbConnection& connection, Prompt& prompt, QWidget* parent = nullptr);

    Q_INVOKABLE bool OnCommand(int id) override;

    // Runs a search with these criteria (what 查找 does after the dialog),
    // from the first page.
    void Search(const PurchaseCriteria& criteria);

    // The total of the purchases a list shows under `where` (its " where ..."
    // text, or empty), as asSumup.
    static QString TotalStatement(const QString& where);

private:
    bool RunForm(IniFile& bag) override;
    void ShowTotal();
};
