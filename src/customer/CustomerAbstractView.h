#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

class CGridCtrl;
class CListToolbar;
class DbConnection;
class DbRecordset;
class Prompt;

// 基本资料: one customer at a glance, label and value in two columns, with
// the customer's mail, home page and text message one click away.
class CCustomerAbstractView final : public QWidget {
    Q_OBJECT

public:
    CCustomerAbstractView(DbConnection& connection, Prompt& prompt, QWidget* parent = nullptr);

    Q_INVOKABLE bool OnCommand(int id);

    // Shows this customer (0: nobody, an empty tab); a failed query shows the
    // statement and the database's text.
    void SetCustomer(int customerKey);
    int Customer() const { return customerKey_; }

    CGridCtrl* Grid() const { return grid_; }
    CListToolbar* Toolbar() const { return toolbar_; }

    // The labels of the rows, in order.
    static QStringList Labels();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Reads the shown customer again; false (after saying why, if it failed)
    // when there is no row to act on.
    bool ReadCustomer(DbRecordset& record);
    void FillRows(DbRecordset& record);
    void SendMail();
    void VisitSite();
    void SendSms();

    DbConnection& connection_;
    Prompt& prompt_;
    int customerKey_ = 0;
    CListToolbar* toolbar_ = nullptr;
    CGridCtrl* grid_ = nullptr;
};
