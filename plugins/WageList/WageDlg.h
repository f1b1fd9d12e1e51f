#pragma once

#include <QDialog>
#include <QList>

class DbConnection;
class IniFile;
class Prompt;
class QLabel;
class QLineEdit;

// 工资: one staff member's row of a month's sheet. The six figures are typed,
// net pay is shown as they are typed and written with them. A box that holds
// no number is named and keeps its text. 确定 leaves every saved column's
// text in the bag (section "."), KeyId in it picks the row.
class WageDlg final : public QDialog {
    Q_OBJECT

public:
    WageDlg(Prompt& prompt, DbConnection& connection, IniFile& bag, QWidget* parent = nullptr);

    // A figure's box by column (BasePay ... Tax) or Remarks; null for others.
    QLineEdit* Field(const QString& column) const;
    // The net pay shown for what is typed now.
    QString NetPayText() const;

    // What 确定 does: true (and the dialog accepted) when the row was saved.
    bool OnOK();

private:
    void LoadRecord();
    void ShowNetPay();

    Prompt& prompt_;
    DbConnection& connection_;
    IniFile& bag_;
    int key_ = 0;
    bool loaded_ = false;
    QLineEdit* month_ = nullptr;
    QLineEdit* user_ = nullptr;
    QList<QLineEdit*> figures_;
    QLabel* netPay_ = nullptr;
    QLineEdit* remarks_ = nullptr;
};

// Runs the form through prompt.RunModal; true when the row was written.
bool RunWageForm(Prompt& prompt, DbConnection& connection, IniFile& bag, QWidget* parent);
