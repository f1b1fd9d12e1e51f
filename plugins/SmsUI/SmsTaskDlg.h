#pragma once

#include "SmsTaskStore.h"

#include <QDialog>
#include <QString>
#include <QStringList>

class CRecipientFilterBox;
class DbConnection;
class Prompt;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

// What the task form collects.
struct SmsTaskForm {
    QString kind; // SmsKind
    QString title;
    QString body;
    QString sendAt; // timed tasks: "yyyy-MM-dd hh:mm:ss"
    SmsRecipientFilter filter;
    // Spreadsheet tasks: the file's column names, offered as placeholders;
    // `textMapped` when a column holds the whole text (the body is unused).
    QStringList fileColumns;
    bool textMapped = false;
};

// 新建短信任务: the title, the text with its placeholders (a drop-down inserts
// one at the cursor; the counter counts characters like the SMS dialog), the
// send time of a timed task, and for customer tasks which customers and
// contacts it reaches: a class of the tree (选择分类), a part of the name,
// province, city and handler.
class CSmsTaskDlg final : public QDialog {
    Q_OBJECT

public:
    CSmsTaskDlg(Prompt& prompt, DbConnection& connection, SmsTaskForm& form,
                QWidget* parent = nullptr);

    QLineEdit* TitleEdit() const { return title_; }
    QPlainTextEdit* BodyEdit() const { return body_; }
    QLineEdit* SendAtEdit() const { return sendAt_; }
    QComboBox* SourceBox() const;
    QLineEdit* CityEdit() const;
    QLabel* CounterLabel() const { return counter_; }

    // What 确定 does: checks the entries, fills the form and accepts.
    bool OnOK();

private:
    bool HasRecipients() const;

    Prompt& prompt_;
    DbConnection& connection_;
    SmsTaskForm& form_;
    QLineEdit* title_ = nullptr;
    QPlainTextEdit* body_ = nullptr;
    QLabel* counter_ = nullptr;
    QLineEdit* sendAt_ = nullptr;
    CRecipientFilterBox* recipients_ = nullptr;
};

// Runs the form through prompt.RunModal; true when the user saved.
bool RunSmsTaskForm(Prompt& prompt, DbConnection& connection, QWidget* parent, SmsTaskForm& form);
