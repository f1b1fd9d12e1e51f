#pragma once

#include "framework/RecordFormDlg.h"

#include <QDialog>
#include <QHash>
#include <QString>

class DbConnection;
class IniFile;
class Prompt;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// 采购资料: adds or changes one PurchaseData row, a purchase from the supplier
// `customerKey`. Edit mode when the bag holds a KeyId (the purchase keeps the
// supplier it was made for). 确定 checks every number and the time before
// anything is written and keeps the form open, with what was typed, while one
// is wrong. A new purchase is written only while its supplier still exists,
// checked in the same transaction. After saving, the bag holds KeyId and
// every saved column by name.
class CPurchaseDlg final : public CRecordFormDlg {
    Q_OBJECT
public:
    CPurchaseDlg(Prompt& prompt, DbConnection& connection, int customerKey, IniFile& bag,
                 QWidget* parent = nullptr);

    int CustomerKey() const { return customerKey_; }
    // The box of a column: KeyId, CustomerName, StockName, SerialCode, Price,
    // Quantity, Carriage, FDTotal, FDTime; null for the others.
    QLineEdit* Field(const QString& column) const;
    QComboBox* StockBox() const { return stock_; }
    QPlainTextEdit* CommentEdit() const { return comment_; }
    QPushButton* AmountButton() const { return amountButton_; }

    // 算: amount = freight + quantity × price into the 合计 box. False (after
    // saying why) when a box holds no number.
    bool OnAmount();

    // The message of a purchase whose supplier is gone.
    static QString SupplierGone();

private:
    void BuildForm();
    void FillStockNames();
    void LoadPurchase(int key);
    void LoadSupplier();
    bool Save() override;
    // Locks the supplier's row for the rest of the transaction; false when
    // it no longer exists (or the check failed, with `error`).
    bool SupplierExists(QString& error);

    IniFile& bag_;
    int key_ = 0;
    int customerKey_ = 0;

    QHash<QString, QLineEdit*> fields_;
    QComboBox* stock_ = nullptr;
    QPlainTextEdit* comment_ = nullptr;
    QPushButton* amountButton_ = nullptr;
};

// Runs the purchase form through prompt.RunModal; true when the purchase was
// saved (the bag then holds its values, see CPurchaseDlg).
bool RunPurchaseForm(Prompt& prompt, DbConnection& connection, QWidget* parent, int customerKey,
                     IniFile& bag);
