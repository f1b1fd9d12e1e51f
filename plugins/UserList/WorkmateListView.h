#pragma once

#include "framework/RecordListView.h"

// 通讯录: the working colleagues' names, departments, positions and numbers,
// searched by name, department or number, with a mail link and a text message
// to the selected colleague. Nothing here changes a row.
class CWorkmateListView final : public CRecordListView {
    Q_OBJECT

public:
    CWorkmateListView(DbConnection& connection, Prompt& prompt, QWidget* parent = nullptr);

    Q_INVOKABLE bool OnCommand(int id) override;

    // Lists the colleagues whose login or full name contains `name`, whose
    // department contains `department` and whose phone or mobile contains
    // `number`; empty texts are no condition. "%" and "_" stay wildcards,
    // everything else is taken as typed.
    void Search(const QString& name, const QString& department, const QString& number);

private:
    void AskSearch();
    // The text of a column of the top selected row; false without a
    // selection (after saying so).
    bool TopRowText(const QString& column, QString& text) const;
    void OpenMail();
    void SendSms();
};
