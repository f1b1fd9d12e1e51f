#pragma once

#include <QDialog>

class Prompt;
class QPlainTextEdit;

// A short form for a manager's answer: what is being answered, shown above,
// and a several-line text (the reply to a suggestion, the word on a leave
// request). With `emptyRefusal` set, an empty answer is refused with that
// text and the form stays open.
class CAnswerDlg final : public QDialog {
    Q_OBJECT

public:
    CAnswerDlg(Prompt& prompt, const QString& title, const QString& subject, const QString& text,
               const QString& emptyRefusal, QWidget* parent = nullptr);

    QPlainTextEdit* TextEdit() const { return text_; }
    QString Text() const;

    // What 确定 does: true (and the dialog accepted) when the answer will do.
    bool OnOK();

private:
    Prompt& prompt_;
    QString emptyRefusal_;
    QPlainTextEdit* text_;
};
