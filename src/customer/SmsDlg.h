#pragma once

#include <QDialog>
#include <QString>

class Prompt;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

// 发送短信: sends one text message to one number through the gateway library
// SMSAPI.so of the program folder, with the account of data/smsgate.ini.
//
// The send runs on a worker thread under the wait cursor while the dialog's
// own event loop keeps the window painted; the controls are disabled and the
// dialog cannot be closed until the library returns, which its Timeout
// setting bounds. Every failure leaves the dialog open with what was typed.
class CSmsDlg final : public QDialog {
    Q_OBJECT
public:
    CSmsDlg(Prompt& prompt, const QString& mobile, QWidget* parent = nullptr);

    QLineEdit* AccountEdit() const { return account_; }
    QLineEdit* PasswordEdit() const { return password_; }
    QLineEdit* MobileEdit() const { return mobile_; }
    QPlainTextEdit* ContentEdit() const { return content_; }
    QLabel* CounterLabel() const { return counter_; }

    // ServerURL as read when the dialog opened, handed to the library as it is.
    QString ServerUrl() const { return server_; }
    // The text that went out, after a successful send.
    QString SentText() const { return sentText_; }

    // What 确定 does: true (and the dialog accepted) when the message was sent.
    bool OnOK();

    // Characters of a text as the counter shows them: a Chinese character
    // counts one like a Latin letter, and so does a character outside the
    // basic plane (a surrogate pair).
    static int CountCharacters(const QString& text);

public slots:
    void reject() override;

private:
    void UpdateCounter();
    void SetBusy(bool busy);
    bool SaveAccount(const QString& account, const QString& pass);

    Prompt& prompt_;
    QString server_;
    QString sentText_;
    bool busy_ = false;

    QLineEdit* account_ = nullptr;
    QLineEdit* password_ = nullptr;
    QLineEdit* mobile_ = nullptr;
    QPlainTextEdit* content_ = nullptr;
    QLabel* counter_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
};

// Opens the dialog for `mobile` through prompt.RunModal; true when a message
// was sent, `sentText` then holding its text.
bool RunSmsDialog(Prompt& prompt, QWidget* parent, const QString& mobile, QString& sentText);
