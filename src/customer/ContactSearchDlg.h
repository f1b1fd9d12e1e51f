#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>

class Prompt;
class QComboBox;
class QLineEdit;

// What the contact search looks for; empty texts are no condition.
struct ContactCriteria {
    QString name;
    QString customerName;
    QString phone; // the mobile or the fixed number
    QString email;
    QString qq;
    QString method; // the online method, matched whole
    QString account;

    // The conditions, each in parentheses with the typed text as a literal;
    // "%" and "_" stay wildcards.
    QStringList Conditions() const;
};

// 查询联系人: the boxes of a contact search. It starts empty every time:
// nothing is remembered between searches.
class CContactSearchDlg final : public QDialog {
    Q_OBJECT

public:
    explicit CContactSearchDlg(QWidget* parent = nullptr);

    // The box of a criteria key: Name, CustomerName, Phone, Email, ICQ,
    // NetCode; null for others (NetCodeClass is MethodBox()).
    QLineEdit* Field(const QString& key) const;
    QComboBox* MethodBox() const { return method_; }

    ContactCriteria Criteria() const;

private:
    QList<QLineEdit*> edits_;
    QComboBox* method_ = nullptr;
};

// Runs the dialog through the prompt; true on 确定, with its criteria.
bool AskContactCriteria(Prompt& prompt, QWidget* parent, ContactCriteria& criteria);
