#pragma once

#include <QDialog>
#include <QString>

class DbConnection;
class IniFile;
class Prompt;
class QLineEdit;
class QListWidget;
class RowValues;

// 职员资料: one UserData row. With a KeyId in the bag (section ".") the row is
// read and edited; without one a new member of staff is added, with a password
// typed twice. The privilege text is edited as a check list of every right the
// program knows; names in a row's text that the program does not know are
// kept as they were. Read-only for anyone but admin, who alone changes staff.
// 确定 saves and leaves KeyId and the saved columns' texts in the bag; a
// refusal keeps the form open with what was typed.
class CStaffDlg final : public QDialog {
    Q_OBJECT

public:
    CStaffDlg(Prompt& prompt, DbConnection& connection, bool readOnly, IniFile& bag,
              QWidget* parent = nullptr);

    bool IsEditMode() const { return editMode_; }
    // The box of a column (UserName, FullName, …, JoinDate, Remarks), or null.
    QLineEdit* Field(const QString& column) const;
    QListWidget* PrivilegeList() const { return privileges_; }
    // Only while adding: the password and its repetition.
    QLineEdit* PasswordEdit() const { return password_; }
    QLineEdit* PasswordAgainEdit() const { return passwordAgain_; }

    // Checks the rights named in `names` and no others.
    void CheckPrivileges(const QStringList& names);
    // The privilege text the form saves: the checked rights, then the names
    // it kept from the row, joined by ",".
    QString PrivilegeText() const;

    // What 确定 does: true (and the dialog accepted) when the row was saved.
    bool OnOK();

private:
    void LoadRecord();
    bool CheckInput(const QString& name);
    RowValues Values(const QString& name) const;

    Prompt& prompt_;
    DbConnection& connection_;
    IniFile& bag_;
    bool readOnly_;
    bool editMode_ = false;
    bool loaded_ = true;
    int key_ = 0;
    QString storedName_;
    QStringList keptPrivileges_;

    QList<QLineEdit*> edits_;
    QListWidget* privileges_ = nullptr;
    QLineEdit* password_ = nullptr;
    QLineEdit* passwordAgain_ = nullptr;
};

// Runs the form through prompt.RunModal; true when a row was written.
bool RunStaffForm(Prompt& prompt, DbConnection& connection, QWidget* parent, bool readOnly,
                  IniFile& bag);
