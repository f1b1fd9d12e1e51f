#pragma once

#include <QDialog>

class DbConnection;
class Prompt;
class QCheckBox;
class QLineEdit;

// Checks a user name and password against UserData and remembers the login in
// data/account.ini. Every failure keeps the dialog open for another attempt.
class LoginDialog final : public QDialog {
    Q_OBJECT

public:
    LoginDialog(DbConnection& connection, Prompt& prompt, QWidget* parent = nullptr);

    // The name that logged in (without any single quote); valid after OK.
    QString UserName() const { return userName_; }
    // The privilege text of the user's UserData row; valid after OK.
    QString Privilege() const { return privilege_; }

    // The boxes, for whoever fills the dialog without a keyboard.
    QLineEdit* UserNameEdit() const { return userEdit_; }
    QLineEdit* PasswordEdit() const { return passEdit_; }
    QCheckBox* SavePassBox() const { return saveBox_; }

    // What the OK button does: checks the login and accepts the dialog when it
    // succeeds. Returns true on success.
    bool OnOK();

    // The hint line naming the account of a fresh installation.
    static QString HintText();

private:
    void LoadAccount();
    void SaveAccount(const QString& password, const QString& privilege) const;
    void HashStoredPassword(const QString& key, const QString& password) const;

    DbConnection& connection_;
    Prompt& prompt_;
    QLineEdit* userEdit_;
    QLineEdit* passEdit_;
    QCheckBox* saveBox_;
    QString userName_;
    QString privilege_;
};
