#pragma once

#include "framework/RecordFormDlg.h"

#include <QDialog>
#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

class DbConnection;
class DbRecordset;
class IniFile;
class Prompt;
class QComboBox;
class QGridLayout;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// One value of a user-defined OrderData column, as the form writes it.
struct OrderCustomValue {
    QString column;
    int adoType = 200; // 200 text, 3 integer, 4/5 floating
    QString text;
};

// The user-defined columns of OrderData on the order form. The custom-field
// module supplies them; without it the form has none. Their values travel in
// the order's own insert or update, so an order is still one statement.
class OrderCustomFields {
public:
    virtual ~OrderCustomFields() = default;
    // Adds the fields' rows to the form's grid from `row` on (two label/box
    // pairs a row); returns the next free row.
    virtual int AddRows(QWidget& form, QGridLayout& grid, int row) = 0;
    // Shows the stored values of the order being edited.
    virtual void Load(DbRecordset& order) = 0;
    // The values to save; false with `error` keeps the form open.
    virtual bool Values(QList<OrderCustomValue>& values, QString& error) = 0;
};
using OrderCustomFieldsFactory =
    std::function<std::unique_ptr<OrderCustomFields>(DbConnection& connection)>;
// Installs the factory every new order form asks (an empty one: no fields).
void SetOrderCustomFields(OrderCustomFieldsFactory factory);

struct OrderFormArgs {
    // The customer of a new order (from the customer's order tab); an edited
    // order keeps the customer it was taken for.
    int customerKey = 0;
};

// 订单: adds or changes one OrderData row. Edit mode when the bag holds a
// KeyId. 确定 checks every number and the time first and saves nothing while
// one is wrong; it writes the order in one statement, and stamps the
// customer's LastTime with the order's time in the same transaction. After
// saving, the bag holds KeyId and every saved column by name.
class COrderDlg final : public CRecordFormDlg {
    Q_OBJECT
public:
    COrderDlg(Prompt& prompt, DbConnection& connection, const OrderFormArgs& args, IniFile& bag,
              QWidget* parent = nullptr);
    ~COrderDlg() override;

    int CustomerKey() const { return customerKey_; }
    // The box of a column: KeyId, Handler, CustomerName, SerialCode, Price,
    // Quantity, Carriage, FDTotal, FDTime; null for the others.
    QLineEdit* Field(const QString& column) const;
    QComboBox* ProductBox() const { return product_; }
    QComboBox* BankBox() const { return bank_; }
    QPlainTextEdit* CommentEdit() const { return comment_; }
    QPushButton* TotalButton() const { return totalButton_; }

    // 合计: amount = freight + quantity × price into the amount box.
    // False (after saying why) when a box does not hold a number.
    bool OnTotal();

private:
    void BuildForm();
    void FillList(QComboBox* box, const QString& sql);
    void LoadOrder(int key);
    void LoadCustomer();
    bool Save() override;

    IniFile& bag_;
    int key_ = 0;
    int customerKey_ = 0;
    std::unique_ptr<OrderCustomFields> custom_;

    QHash<QString, QLineEdit*> fields_;
    QComboBox* product_ = nullptr;
    QComboBox* bank_ = nullptr;
    QPlainTextEdit* comment_ = nullptr;
    QPushButton* totalButton_ = nullptr;
};

// Runs the order form through prompt.RunModal; true when the order was saved
// (the bag then holds its values, see COrderDlg).
bool RunOrderForm(Prompt& prompt, DbConnection& connection, QWidget* parent,
                  const OrderFormArgs& args, IniFile& bag);
