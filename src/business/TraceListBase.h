#pragma once

#include "business/TraceStatements.h"
#include "framework/RecordListView.h"

// What the record and plan lists share: a list of TraceData or TrackPlan rows
// whose form is the record or plan form, deleting by key, and the way back to
// a row's customer.
class CTraceListBase : public CRecordListView {
    Q_OBJECT

public:
    Q_INVOKABLE bool OnCommand(int id) override;

protected:
    // `filter` is the frame's condition; `settingsKey` names the remembered
    // column widths.
    CTraceListBase(DbConnection& connection, Prompt& prompt, TraceKind kind, const QString& filter,
                   const QString& settingsKey, QWidget* parent);

    bool RunForm(IniFile& bag) override;
    void ShowCustomer();

    TraceKind kind_;
    // The customer a new row is for (the customer a tab shows), or 0.
    int customerKey_ = 0;
};
