#pragma once

#include <QDialog>
#include <QString>

class DbConnection;
class Prompt;
class QLineEdit;

// 修改密码: a new password for one UserData row, typed twice. A user changing
// their own password gives the old one first; admin setting someone else's
// does not. The row keeps only the new password's salted hash.
class CPasswordDlg final : public QDialog {
    Q_OBJECT

public:
    // `userName` is shown in the title; `askOld` adds the old password's box.
    CPasswordDlg(Prompt& prompt, DbConnection& connection, int key, const QString& userName,
                 bool askOld, QWidget* parent = nullptr);

    QLineEdit* OldEdit() const { return old_; } // null unless asked
    QLineEdit* NewEdit() const { return new_; }
    QLineEdit* AgainEdit() const { return again_; }

    // What 确定 does: true (and the dialog accepted) when the password was
    // changed.
    bool OnOK();

private:
    QLineEdit* AddBox(const QString& name);

    Prompt& prompt_;
    DbConnection& connection_;
    int key_;
    QLineEdit* old_ = nullptr;
    QLineEdit* new_ = nullptr;
    QLineEdit* again_ = nullptr;
};

// Runs the form through prompt.RunModal; true when the password was changed.
bool RunPasswordForm(Prompt& prompt, DbConnection& connection, QWidget* parent, int key,
                     const QString& userName, bool askOld);
