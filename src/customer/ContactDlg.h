#pragma once

#include "framework/RecordFormDlg.h"

#include <QDialog>
#include <QString>

class DbConnection;
class IniFile;
class Prompt;
class QComboBox;
class QLineEdit;
class RowValues;

// 联系人资料: adds or changes one ContactData row. With a KeyId in the bag
// (section ".") the contact is read and edited; without one a new contact is
// made for `customerKey`, the customer's name filled in. 确定 saves and leaves
// KeyId and every saved column's text in the bag; a failure keeps the form
// open with what was typed. No field is required.
class CContactDlg final : public CRecordFormDlg {
    Q_OBJECT

public:
    CContactDlg(Prompt& prompt, DbConnection& connection, int customerKey, IniFile& bag,
                QWidget* parent = nullptr);

    // The box of a column: KeyId, Name, CustomerName, Mobile, Phone, Email,
    // ICQ, NetCode; null for others (NetCodeClass is MethodBox()).
    QLineEdit* Field(const QString& column) const;
    // 在线沟通方式: the methods to choose from, and any typed one.
    QComboBox* MethodBox() const { return method_; }

    // The methods the list offers, sorted.
    static QStringList Methods();

private:
    bool Save() override;
    // What the form holds for a saved column.
    QString ColumnText(const QString& column) const;
    void LoadRecord();
    void LoadCustomer();
    RowValues Values() const;
    bool Insert();
    bool Update();

    int customerKey_;
    IniFile& bag_;
    int key_ = 0;

    QList<QLineEdit*> edits_;
    QComboBox* method_ = nullptr;
};

// Runs the form through prompt.RunModal; true when a row was written.
bool RunContactForm(Prompt& prompt, DbConnection& connection, QWidget* parent, int customerKey,
                    IniFile& bag);
