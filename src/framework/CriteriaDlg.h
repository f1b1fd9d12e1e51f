#pragma once

#include "ui/Prompt.h"

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

class QLineEdit;

// One box of a criteria dialog.
struct CriteriaField {
    CriteriaField(QString name, QString label, QString hint = {}, QString fallback = {})
        : key(std::move(name)), caption(std::move(label)), placeholder(std::move(hint)),
          whenEmpty(std::move(fallback)) {}

    QString key;         // the key in the criteria file and the box's object name
    QString caption;     // the label in front of the box
    QString placeholder; // the grey hint of an empty box, if any
    QString whenEmpty;   // shown when the file remembers nothing for the key
};

// A search dialog that remembers its criteria: a column of text boxes with
// 确定/取消. It opens with the texts last confirmed, kept in the section "."
// of an ini file under the program folder, and writes all of them back on 确定.
// The searches derive from it only to name their fields and to turn the texts
// into their own criteria.
class CCriteriaDlg : public QDialog {
    Q_OBJECT

public:
    // `fileName` is relative to the program folder, e.g. "data/order_search.ini".
    CCriteriaDlg(const QString& title, const QString& fileName, const QList<CriteriaField>& fields,
                 QWidget* parent = nullptr);

    // The box of a key (case ignored, as in the file), or null.
    QLineEdit* Field(const QString& key) const;
    // The texts of the boxes in the order of the fields.
    QStringList Values() const;
    // Fills the boxes in the order of the fields; missing texts empty a box.
    void SetValues(const QStringList& values);
    // The text of the box of a key, empty for an unknown key.
    QString Value(const QString& key) const;

    // What 确定 does: stores the texts and accepts.
    void OnOK();

    // The month of today as "YYYY-MM", the usual default of a time box.
    static QString ThisMonth();

private:
    QString fileName_;
    QStringList keys_;
    QList<QLineEdit*> edits_;
};

// The texts of a criteria struct's fields, given as the pointers its Fields()
// returns in the dialog's order.
template <typename FieldPointers> QStringList CriteriaTexts(const FieldPointers& fields) {
    QStringList texts;
    for (const QString* field : fields)
        texts.append(*field);
    return texts;
}

// Fills a criteria struct's fields from texts in the dialog's order.
template <typename FieldPointers>
void SetCriteriaTexts(const FieldPointers& fields, const QStringList& texts) {
    int i = 0;
    for (QString* field : fields)
        *field = texts.value(i++);
}

// Runs a criteria dialog through the prompt; true on 确定, with its criteria.
template <typename Dialog, typename Criteria>
bool AskCriteria(Prompt& prompt, QWidget* parent, Criteria& criteria) {
    Dialog dialog(parent);
    if (prompt.RunModal(dialog) != QDialog::Accepted)
        return false;
    criteria = dialog.Criteria();
    return true;
}
