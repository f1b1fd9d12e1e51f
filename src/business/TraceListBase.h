#pragma once

#include "business/TraceStatements.h"

#include <QPair>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

class CGridCtrl;
class CListToolbar;
class DbConnection;
class ListGridBinding;
class Prompt;
class QueryBinder;

// Opens the customer detail window for a customer key. The customer tabs
// replace the default, which shows the customer form.
using CustomerDetailOpener = std::function<void(int customerKey, QWidget* parent)>;
void SetCustomerDetailOpener(CustomerDetailOpener opener);

// What the record and plan lists share: the toolbar row above the grid of
// TraceData or TrackPlan rows bound to its paged query, paging, editing the
// top selected row in the form, deleting the selected rows in one
// transaction, and the way back to a row's customer.
class CTraceListBase : public QWidget {
    Q_OBJECT

public:
    ~CTraceListBase() override;

    // The view's commands (true when handled); buttons, menus, the double
    // click and tests all come through here.
    Q_INVOKABLE virtual bool OnCommand(int id);

    CGridCtrl* Grid() const { return grid_; }
    QueryBinder& Binder() const;
    CListToolbar* Toolbar() const { return toolbar_; }
    // The condition from the frame, in parentheses (empty for admin).
    const QString& BaseCondition() const { return baseCondition_; }
    // The last note the view put into the status bar.
    const QString& LastNote() const { return lastNote_; }

    // Loads the current page and colours it; a failure shows the database's
    // text and the statement. Returns the binder's result.
    int Reload();

protected:
    // `filter` is the frame's condition; `settingsKey` names the remembered
    // column widths.
    CTraceListBase(DbConnection& connection, Prompt& prompt, TraceKind kind, const QString& filter,
                   const QString& settingsKey, QWidget* parent);

    // Builds the toolbar and the grid and binds the columns (field, caption)
    // with the order clause; lays them out one above the other.
    void CreateParts(const QList<QPair<QString, QString>>& columns, const QString& orderClause);
    // The conditions of a new search: the base condition, then `extra`; back
    // to the first page.
    void SetConditions(const QStringList& extra);
    // Marks the rows by date; the lists that colour override it.
    virtual void ColourRows() {}

    void EditRow();
    void DeleteRows();
    void ShowCustomer();
    void Note(const QString& text);

    DbConnection& connection_;
    Prompt& prompt_;
    TraceKind kind_;
    QString baseCondition_;
    CListToolbar* toolbar_ = nullptr;
    CGridCtrl* grid_ = nullptr;

private:
    QString settingsKey_;
    std::unique_ptr<ListGridBinding> binding_;
    QString lastNote_;
};
