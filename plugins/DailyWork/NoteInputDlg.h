#pragma once

#include <QDialog>
#include <QString>

class Prompt;
class QPlainTextEdit;

// A few lines of text the user must write before an action goes on: the
// reason for refusing a task, a comment on it. 确定 refuses an empty text
// with `emptyMessage` and keeps the dialog open.
class CNoteInputDlg final : public QDialog {
    Q_OBJECT

public:
    CNoteInputDlg(Prompt& prompt, const QString& title, const QString& label,
                  const QString& emptyMessage, QWidget* parent = nullptr);

    QPlainTextEdit* TextEdit() const { return text_; }
    // The text without surrounding blanks.
    QString Text() const;
    // What 确定 does: true (and the dialog accepted) when there is a text.
    bool OnOK();

private:
    Prompt& prompt_;
    QString emptyMessage_;
    QPlainTextEdit* text_;
};

// Runs the dialog through the prompt; true with `text` when it was accepted.
bool AskForNote(Prompt& prompt, QWidget* parent, const QString& title, const QString& label,
                const QString& emptyMessage, QString& text);
