#pragma once

#include "framework/RecordFormDlg.h"

#include "business/TraceStatements.h"

#include <QDialog>
#include <QString>

class DbConnection;
class IniFile;
class Prompt;
class QLineEdit;
class QPlainTextEdit;
class RowValues;

// 沟通记录 / 沟通计划: adds or changes one communication record or plan. With a
// KeyId in the bag (section ".") the row is read and edited; without one a new
// row is made for `customerKey`, its name, handler and contact taken from the
// customer. 确定 saves and leaves KeyId and every saved column's text in the
// bag; a failure keeps the form open with what was typed.
class CTraceDlg final : public CRecordFormDlg {
    Q_OBJECT

public:
    CTraceDlg(Prompt& prompt, DbConnection& connection, TraceKind kind, int customerKey,
              IniFile& bag, QWidget* parent = nullptr);

    // The box of a column: KeyId, CustomerName, Contact, Handler, Title and the
    // time column (FDTime or PlanTime); null for others.
    QLineEdit* Field(const QString& column) const;
    // The several-line text (FDText or Comment).
    QPlainTextEdit* TextEdit() const { return text_; }

private:
    bool CheckInput() override;
    bool Save() override;
    void LoadRecord();
    void LoadCustomer();
    RowValues Values(bool withCustomer) const;
    bool Insert();
    bool Update();

    TraceKind kind_;
    int customerKey_;
    IniFile& bag_;
    int key_ = 0;

    QLineEdit* keyEdit_ = nullptr;
    QLineEdit* customerName_ = nullptr;
    QLineEdit* contact_ = nullptr;
    QLineEdit* handler_ = nullptr;
    QLineEdit* title_ = nullptr;
    QLineEdit* time_ = nullptr;
    QPlainTextEdit* text_ = nullptr;
};

// Runs the form through prompt.RunModal; true when a row was written.
bool RunTraceForm(Prompt& prompt, DbConnection& connection, QWidget* parent, TraceKind kind,
                  int customerKey, IniFile& bag);
