#pragma once

#include "framework/ListDefinition.h"

#include <QDialog>
#include <QList>
#include <QString>

class DbConnection;
class Prompt;
class QLineEdit;
class RowValues;

// The record form of a configurable list, laid out from its definition: one
// labelled box per field section, in document order, named 6001 + the
// field's number. With the key field's `Value` set it edits that row (the key
// box read-only); with an empty key it adds a row (the key box disabled
// when the database numbers rows). It never writes over a row it did not
// open: a failed read of the edited row leaves the form unable to save.
// After 确定 every field's `Value` in the definition holds the saved text and
// the key field's the row's key.
class CDataRecordDlg final : public QDialog {
    Q_OBJECT

public:
    CDataRecordDlg(Prompt& prompt, DbConnection& connection, ListDefinition& definition,
                   QWidget* parent = nullptr);

    // The box of a field by column name (case ignored), or null.
    QLineEdit* Box(const QString& name) const;
    bool IsEditMode() const { return editMode_; }

    // What 确定 does: true (and the dialog accepted) when the row was saved.
    bool OnOK();

private:
    struct Entry {
        ListDefinition::Field field;
        QLineEdit* edit = nullptr;
    };

    void LoadRecord();
    // The typed values to write; false after telling which box holds no number.
    bool CollectValues(RowValues& values, bool withKey);
    bool Insert(const RowValues& values);
    bool Update(const RowValues& values);
    const Entry* KeyEntry() const;

    Prompt& prompt_;
    DbConnection& connection_;
    ListDefinition& definition_;
    QList<Entry> entries_;
    QString keyLiteral_;
    bool editMode_ = false;
    bool loaded_ = true;
};

// Runs the form through prompt.RunModal; true when a row was written.
bool RunDataRecordForm(Prompt& prompt, DbConnection& connection, ListDefinition& definition,
                       QWidget* parent);
