#pragma once

#include <QWidget>

class Prompt;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

// 短信帐号: the gateway account of data/smsgate.ini (server address, account,
// password, signature, messages under way at once) and a test send to a
// typed number. 保存 writes the file readable by its owner only; the test
// send runs on a worker thread, so the window stays usable while a slow
// gateway answers, and uses what the boxes hold (saved or not).
class CSmsAccountView final : public QWidget {
    Q_OBJECT

public:
    explicit CSmsAccountView(Prompt& prompt, QWidget* parent = nullptr);
    ~CSmsAccountView() override;

    QLineEdit* ServerEdit() const { return server_; }
    QLineEdit* UserEdit() const { return user_; }
    QLineEdit* PasswordEdit() const { return password_; }
    QLineEdit* SignatureEdit() const { return signature_; }
    QSpinBox* ParallelBox() const { return parallel_; }
    QLineEdit* TestMobileEdit() const { return testMobile_; }
    QPlainTextEdit* TestTextEdit() const { return testText_; }
    QPushButton* TestButton() const { return testButton_; }

    bool Save();
    // Starts the test send; false (after saying why) when it cannot start.
    // The outcome is shown when the gateway has answered.
    bool TestSend();
    bool IsTesting() const { return testing_; }

private:
    Prompt& prompt_;
    QLineEdit* server_ = nullptr;
    QLineEdit* user_ = nullptr;
    QLineEdit* password_ = nullptr;
    QLineEdit* signature_ = nullptr;
    QSpinBox* parallel_ = nullptr;
    QLineEdit* testMobile_ = nullptr;
    QPlainTextEdit* testText_ = nullptr;
    QPushButton* testButton_ = nullptr;
    bool testing_ = false;
};
