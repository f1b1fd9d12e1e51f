#pragma once

#include "RecipientFilter.h"

#include <QDialog>
#include <QString>
#include <QStringList>

class CRecipientFilterBox;
class DbConnection;
class Prompt;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QWidget;

// What the mass e-mail form collects.
struct MailTaskForm {
    QString title;
    QString subject;
    QString body;
    QStringList attachments; // file paths
    // Recipients from a CSV list instead of the customers.
    bool fromFile = false;
    QString filePath;
    QStringList fileColumns; // the list's column names, placeholders too
    RecipientFilter filter;
};

// 新建邮件任务: the title, the subject and body with placeholders (a
// drop-down inserts one into the body at the cursor: the customer's fields,
// or the list file's columns), the attachments (添加附件 through the file
// dialog, 移除附件), and who gets it: customers and contacts by class and
// search, or a CSV list file (选择文件). 确定 refuses an attachment or a list
// that cannot be read, naming the file.
class CMailTaskDlg final : public QDialog {
    Q_OBJECT

public:
    CMailTaskDlg(Prompt& prompt, DbConnection& connection, MailTaskForm& form,
                 QWidget* parent = nullptr);

    QLineEdit* TitleEdit() const { return title_; }
    QLineEdit* SubjectEdit() const { return subject_; }
    QPlainTextEdit* BodyEdit() const { return body_; }
    QListWidget* AttachmentList() const { return attachments_; }
    QComboBox* InsertBox() const { return insert_; }
    QComboBox* SourceBox() const { return source_; }
    CRecipientFilterBox* Recipients() const { return recipients_; }
    QLineEdit* FileEdit() const { return file_; }

    // 添加附件 and 选择文件, through the prompt's file dialog.
    void AddAttachment();
    void ChooseFile();
    // What 确定 does: checks the entries, fills the form and accepts.
    bool OnOK();

private:
    void OfferFields(const QStringList& fields);
    void ShowSource();

    Prompt& prompt_;
    MailTaskForm& form_;
    QLineEdit* title_ = nullptr;
    QLineEdit* subject_ = nullptr;
    QPlainTextEdit* body_ = nullptr;
    QComboBox* insert_ = nullptr;
    QListWidget* attachments_ = nullptr;
    QComboBox* source_ = nullptr;
    CRecipientFilterBox* recipients_ = nullptr;
    QWidget* fileRow_ = nullptr;
    QLineEdit* file_ = nullptr;
    QStringList fileColumns_;
};

// Runs the form through prompt.RunModal; true when the user saved.
bool RunMailTaskForm(Prompt& prompt, DbConnection& connection, QWidget* parent, MailTaskForm& form);
