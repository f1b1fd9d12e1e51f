#pragma once

#include "RecvAccount.h"

#include <QDialog>

class Prompt;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

// 收信设置: the receiving account of data/mailrecv.ini. 测试连接 logs in and
// lists the mailbox on a worker thread with what the boxes hold (saved or
// not), so a slow server never freezes the window; 确定 saves the file
// readable by its owner only.
class CRecvSettingsDlg final : public QDialog {
    Q_OBJECT

public:
    CRecvSettingsDlg(Prompt& prompt, QWidget* parent = nullptr);
    ~CRecvSettingsDlg() override;

    QComboBox* ProtocolBox() const { return protocol_; }
    QComboBox* SecurityBox() const { return security_; }
    QLineEdit* ServerEdit() const { return server_; }
    QSpinBox* PortBox() const { return port_; }
    QLineEdit* UserEdit() const { return user_; }
    QLineEdit* PasswordEdit() const { return password_; }
    QLineEdit* FolderEdit() const { return folder_; }
    QLineEdit* CaFileEdit() const { return caFile_; }
    QCheckBox* DeleteBox() const { return delete_; }
    QSpinBox* LimitBox() const { return limit_; }
    QPushButton* TestButton() const { return test_; }

    // What the boxes hold.
    RecvAccount Account() const;
    // Starts 测试连接; false (after saying why) when it cannot start. The
    // outcome is shown when the server has answered.
    bool TestConnection();
    bool IsTesting() const { return testing_; }

    void accept() override;

private:
    Prompt& prompt_;
    QComboBox* protocol_ = nullptr;
    QComboBox* security_ = nullptr;
    QLineEdit* server_ = nullptr;
    QSpinBox* port_ = nullptr;
    QLineEdit* user_ = nullptr;
    QLineEdit* password_ = nullptr;
    QLineEdit* folder_ = nullptr;
    QLineEdit* caFile_ = nullptr;
    QCheckBox* delete_ = nullptr;
    QSpinBox* limit_ = nullptr;
    QPushButton* test_ = nullptr;
    bool testing_ = false;
};
