#pragma once

#include <QDialog>
#include <QString>

class Prompt;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

// 邮件设置: the mail account the notices are sent through (email.ini of the
// program folder). 确定 writes the file readable by its owner only; a file
// that cannot be written is reported and the dialog stays open with every
// value as typed.
class CMailSettingsDlg final : public QDialog {
    Q_OBJECT

public:
    CMailSettingsDlg(Prompt& prompt, const QString& path, QWidget* parent = nullptr);

    QLineEdit* From() const { return from_; }
    QLineEdit* Server() const { return server_; }
    QSpinBox* Port() const { return port_; }
    QComboBox* Security() const { return security_; }
    QLineEdit* UserName() const { return userName_; }
    QLineEdit* UserPass() const { return userPass_; }
    QCheckBox* PlainAuth() const { return plainAuth_; }
    QLineEdit* CaFile() const { return caFile_; }

    // 确定: checks and saves; true when the dialog closed.
    bool OnOK();

private:
    Prompt& prompt_;
    QString path_;
    QLineEdit* from_;
    QLineEdit* server_;
    QSpinBox* port_;
    QComboBox* security_;
    QLineEdit* userName_;
    QLineEdit* userPass_;
    QCheckBox* plainAuth_;
    QLineEdit* caFile_;
};

// Runs the dialog over the program folder's email.ini through the prompt.
void RunMailSettings(Prompt& prompt, QWidget* parent);
