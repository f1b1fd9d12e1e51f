#pragma once

#include "framework/RecordFormDlg.h"

#include <QDialog>
#include <QString>

class DbConnection;
class IniFile;
class Prompt;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// 采购机会: adds or changes one StockChance row, an item a supplier offers.
// Works on a bag (section "."): the caller may put KeyId (edit), CustomerId
// and CustomerName (the supplier of a new one). After saving, the bag holds
// KeyId, Name, Price ("%0.5f"), Comment, CustomerId, CustomerName and, when a
// new opportunity was filed in a class, StockClass and ClassPath.
//
// The class is chosen when the opportunity is made; an edit changes name,
// price and details only (the list's 变更分类 moves opportunities), so
// 选择... is off while editing.
class CStockChanceDlg final : public CRecordFormDlg {
    Q_OBJECT
public:
    CStockChanceDlg(Prompt& prompt, DbConnection& connection, IniFile& bag,
                    QWidget* parent = nullptr);

    // The box of a column: KeyId, CustomerName, Name, Price, ClassPath.
    QLineEdit* Field(const QString& column) const;
    QPlainTextEdit* CommentEdit() const { return comment_; }
    QPushButton* ChooseButton() const { return choose_; }
    int ClassKey() const { return classKey_; }

    // 选择...: the class picker over StockClass; true when a class was chosen.
    bool OnChooseClass();

private:
    void BuildForm();
    void LoadSupplier();
    void LoadRecord(int key);
    bool Save() override;
    // False after "供应商资料已经不存在" or a failed lookup.
    bool SupplierExists();

    IniFile& bag_;
    int key_ = 0;
    int customerKey_ = 0;
    int classKey_ = 0;

    QLineEdit* keyEdit_ = nullptr;
    QLineEdit* customerEdit_ = nullptr;
    QLineEdit* nameEdit_ = nullptr;
    QLineEdit* priceEdit_ = nullptr;
    QLineEdit* pathEdit_ = nullptr;
    QPushButton* choose_ = nullptr;
    QPlainTextEdit* comment_ = nullptr;
};

// Runs the form through prompt.RunModal; true when the row was saved (the bag
// then holds its values, see CStockChanceDlg).
bool RunStockChanceForm(Prompt& prompt, DbConnection& connection, QWidget* parent, IniFile& bag);
