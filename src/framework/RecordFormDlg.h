#pragma once

#include <QDialog>

class DbConnection;
class Prompt;

// The base of the forms that add or edit one row (customer, contact, order,
// purchase, opportunity, record, plan). It owns what they all do on 确定: a
// form opened to edit a row that could not be read refuses to save (writing
// its empty boxes would wipe the row), the form's own checks run, the row is
// saved, and only then is the dialog accepted.
class CRecordFormDlg : public QDialog {
    Q_OBJECT
public:
    bool IsEditMode() const { return editMode_; }
    // 确定: true (and the dialog accepted) when the row was saved.
    bool OnOK();

protected:
    CRecordFormDlg(Prompt& prompt, DbConnection& connection, QWidget* parent);

    // Checks what was typed before anything is written; false after saying
    // why (and putting the focus on the box).
    virtual bool CheckInput() { return true; }
    // Writes the row (and fills the caller's bag); false after saying why.
    virtual bool Save() = 0;

    Prompt& prompt_;
    DbConnection& connection_;
    // Set by a form opened on an existing row.
    bool editMode_ = false;
    // False when the edited row could not be read.
    bool loaded_ = true;
};
