#pragma once

#include "customer/CustomerView.h"

#include <memory>

class ClassMaintenance;
class ClassTreeCtrl;
class QSplitter;
class QTreeWidgetItem;

// The customers of one class: the classification tree (CustomerClass) beside
// the grid; picking a node lists the customers filed in that class or below
// it, newest activity first (the first 200). The class commands, add, edit,
// delete, search within the class, move to another class and the total.
class CCustomerListView final : public CCustomerView {
    Q_OBJECT

public:
    CCustomerListView(DbConnection& connection, Prompt& prompt, const CustomerViewArgs& args,
                      QWidget* parent = nullptr);
    ~CCustomerListView() override;

    Q_INVOKABLE bool OnCommand(int id) override;

    ClassTreeCtrl* Tree() const { return tree_; }

    // The tree filter: base condition and the node's classes, first page.
    void FilterByNode(QTreeWidgetItem* node);

private:
    void AddInClass();
    void DeleteSelected();
    void SearchInClass();
    QStringList NodeConditions(QTreeWidgetItem* node) const;

    ClassTreeCtrl* tree_ = nullptr;
    std::unique_ptr<ClassMaintenance> classes_;
};
