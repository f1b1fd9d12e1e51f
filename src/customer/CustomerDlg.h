#pragma once

#include "framework/RecordFormDlg.h"

#include <QDialog>
#include <QHash>
#include <QString>

#include <functional>

class DbConnection;
class IniFile;
class Prompt;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

struct CustomerFormArgs {
    int classKey = 0;
    QString classPath = QStringLiteral("未分类/");
    QString category = QStringLiteral("直接客户");
    QString userName;
};

// The province/city lookup by mobile number arrives later with the network
// work; the form takes it through this seam (unset: the Q button says "查询失败").
using MobileRegionLookup =
    std::function<bool(const QString& mobile, QString& province, QString& city)>;
void SetMobileRegionLookup(MobileRegionLookup lookup);

// 客户资料: adds or changes one CustomerData row. Edit mode when the bag holds
// a KeyId; the record is then read when the form is made. 确定 saves and leaves
// the saved values in the bag; every failure keeps the form open with what was
// typed.
class CCustomerDlg final : public CRecordFormDlg {
    Q_OBJECT
public:
    CCustomerDlg(Prompt& prompt, DbConnection& connection, const CustomerFormArgs& args,
                 IniFile& bag, QWidget* parent = nullptr);

    // The text box of a column (CustomerName, Phone, ..., Handler, FDSource);
    // null for Comment and the check boxes, which have their own accessors.
    QLineEdit* Field(const QString& column) const;
    QPlainTextEdit* CommentEdit() const { return comment_; }
    QCheckBox* ResellerBox() const { return reseller_; }
    QCheckBox* ProviderBox() const { return provider_; }
    QPushButton* LookupButton() const { return lookup_; }

    // The duplicate warnings of 联系电话 and 手机 (add mode only), run when
    // the focus leaves those boxes.
    void CheckPhone();
    void CheckMobile();
    // The Q button.
    void LookupRegion();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool CheckInput() override;
    void BuildForm();
    void LoadRecord();
    void CheckDuplicate(const QString& column, const QString& label, QLineEdit* edit,
                        QString& lastChecked);
    bool Save() override;

    IniFile& bag_;
    int key_ = 0;
    int classKey_;
    QString classPath_;
    QString category_;
    QString regTime_;

    QHash<QString, QLineEdit*> fields_;
    QLineEdit* keyEdit_ = nullptr;
    QPlainTextEdit* comment_ = nullptr;
    QCheckBox* reseller_ = nullptr;
    QCheckBox* provider_ = nullptr;
    QPushButton* lookup_ = nullptr;
    // The text each duplicate warning last looked up, so that the same number
    // is not reported again when the focus comes back and leaves once more.
    QString checkedPhone_;
    QString checkedMobile_;
};

// Runs the customer form (客户资料) through prompt.RunModal. Edit mode when
// bag has KeyId in section "."; on 确定 returns true and the bag holds the saved
// values by column name (CustomerName, Address, ZIPCode, Contact, Phone, Mobile,
// Fax, Province, City, Homepage, Email, Handler, FDSource, FDLevel, IsReseller,
// IsProvider, Comment, and KeyId after an insert; also LastTime, and RegTime on
// insert, ClassPath; CustomerClass and Category too).
bool RunCustomerForm(Prompt& prompt, DbConnection& connection, QWidget* parent,
                     const CustomerFormArgs& args, IniFile& bag);
