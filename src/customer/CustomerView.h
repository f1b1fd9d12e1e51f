#pragma once

#include "customer/CustomerDetailPane.h"
#include "framework/PrivilegeCheck.h"

#include <QString>
#include <QWidget>

#include <memory>

class CGridCtrl;
class CListToolbar;
class DbConnection;
class ListGridBinding;
class Prompt;
class QueryBinder;

// What the frame hands a customer view besides the connection and the prompt.
struct CustomerViewArgs {
    QString userName;                // the logged-in user, or empty when the command passes none
    QString filter;                  // the base condition: which kind of customer the view shows
    bool admin = false;              // the logged-in user is the administrator
    PrivilegeCheck holdsPrivilege{}; // the logged-in user's rights
    // Makes the pane under the grid; without it the pane stays empty.
    CustomerDetailPaneFactory detailPane{};
};

// What the customer list and the customer search view share: the toolbar row,
// the grid of CustomerData rows bound to its query, the pane for the customer
// detail tabs below it, editing through the customer form, moving the selected
// customers to another class, the order total and the commands that only say
// they are not there yet.
class CCustomerView : public QWidget {
    Q_OBJECT

public:
    ~CCustomerView() override;

    // The view's commands (true when handled); buttons, menus, the double
    // click and tests all come through here.
    Q_INVOKABLE virtual bool OnCommand(int id);

    CGridCtrl* Grid() const { return grid_; }
    QueryBinder& Binder() const;
    CListToolbar* Toolbar() const { return toolbar_; }
    // The pane under the grid: the detail tabs when a factory was given,
    // else an empty widget. It follows ShownCustomer().
    QWidget* DetailPane() const { return detailPane_; }
    // The customer the detail pane is to show: the key of the top selected
    // row, 0 without one.
    int ShownCustomer() const { return shownCustomer_; }
    // The last note the view put into the status bar.
    const QString& LastNote() const { return lastNote_; }
    // The base condition in the form the view adds to its queries.
    const QString& BaseCondition() const { return baseCondition_; }

    // Loads the current page; a failure shows the database's text and the
    // statement. Returns the binder's result.
    int Reload();

protected:
    CCustomerView(DbConnection& connection, Prompt& prompt, const CustomerViewArgs& args,
                  const QString& settingsKey, QWidget* parent);

    // Builds the toolbar, grid and detail pane; the subclass lays them out.
    void CreateParts(const QString& gridColumnsKey);
    // Adds the columns and sets the grid up (call once after CreateParts).
    void BindColumns(const QList<QPair<QString, QString>>& columns);
    // Conditions of a new search: the base condition first, then `extra`; the
    // page goes back to the first.
    void SetConditions(const QStringList& extra);

    // 编辑: the customer of the top selected row in the form.
    void EditCustomer();
    // 添加: a new customer from the form, shown at the top of the grid.
    void AddCustomer(int classKey, const QString& classPath);
    // 变更分类: the selected customers to a class picked by the user.
    void MoveToClass(const QString& nothingSelectedText);
    // 统计.
    void ShowTotal();
    // A note in the frame's status bar (and LastNote()).
    void Note(const QString& text);
    void UpdateShownCustomer();

    DbConnection& connection_;
    Prompt& prompt_;
    QString userName_;
    QString baseCondition_;
    bool admin_;
    CListToolbar* toolbar_ = nullptr;
    CGridCtrl* grid_ = nullptr;
    QWidget* detailPane_ = nullptr;

private:
    CustomerViewArgs args_;
    CCustomerDetailPane* pane_ = nullptr;
    QString settingsKey_;
    std::unique_ptr<ListGridBinding> binding_;
    int shownCustomer_ = 0;
    QString lastNote_;
};
