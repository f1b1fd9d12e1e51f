#pragma once

#include "framework/RecordListView.h"

#include <memory>

class ClassMaintenance;
class ClassTreeCtrl;
class QTreeWidgetItem;
struct StockChanceCriteria;

// 采购机会管理: the purchase-item tree (StockClass) beside the opportunities
// filed in the picked class or below it, newest first. The class commands,
// edit, search, delete, moving opportunities to another class, the supplier
// of a row and a new supplier.
class CStockChanceListView final : public CRecordListView {
    Q_OBJECT

public:
    explicit CStockChanceListView(DbConnection& connection, Prompt& prompt,
                                  QWidget* parent = nullptr);
    ~CStockChanceListView() override;

    Q_INVOKABLE bool OnCommand(int id) override;

    ClassTreeCtrl* Tree() const { return tree_; }
    ClassMaintenance& Classes() const { return *classes_; }

    // The tree filter: the node's class and every class below it, first page.
    void FilterByNode(QTreeWidgetItem* node);
    // What 查找 does after the dialog: every opportunity matching the
    // criteria, whatever class is picked, from the first page.
    void Search(const StockChanceCriteria& criteria);

private:
    bool RunForm(IniFile& bag) override;
    void MoveToClass();
    void AddProvider();

    ClassTreeCtrl* tree_ = nullptr;
    std::unique_ptr<ClassMaintenance> classes_;
};
