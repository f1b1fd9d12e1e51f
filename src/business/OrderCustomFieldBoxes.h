#pragma once

#include "business/OrderDlg.h"
#include "db/CustomFields.h"

#include <QList>
#include <QString>

class QWidget;

// The user-defined columns of OrderData on the order form: a labelled box per
// definition (a drop-down list when it has choices, else an edit box that a
// new order starts with the default text in), the input hint as tooltip.
// Values are checked before the order is written: a required field must not
// be empty, a number field must hold a number.
class COrderCustomFieldBoxes final : public OrderCustomFields {
public:
    explicit COrderCustomFieldBoxes(DbConnection& connection);

    int AddRows(QWidget& form, QGridLayout& grid, int row) override;
    void Load(DbRecordset& order) override;
    bool Values(QList<OrderCustomValue>& values, QString& error) override;

    const QList<CustomField>& Fields() const { return fields_; }
    // Why the definitions or a field's choices could not be read (shown
    // nowhere else: the form opens without what failed).
    const QString& LoadError() const { return loadError_; }

private:
    DbConnection& connection_;
    QList<CustomField> fields_;
    QList<QWidget*> boxes_;
    QString loadError_;
};

// Puts the user-defined columns on every order form and order list.
void InstallOrderCustomFields();
