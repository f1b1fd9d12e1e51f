#pragma once

#include "framework/RecordListView.h"

// 离职档案 (admin only): staff who left, with the day they left. A person can
// be taken back to the working staff, and their customers handed to a working
// colleague in one action. Their orders, plans and records keep the name of
// whoever did the work.
class CDimissionListView final : public CRecordListView {
    Q_OBJECT

public:
    CDimissionListView(DbConnection& connection, Prompt& prompt, QWidget* parent = nullptr);

    Q_INVOKABLE bool OnCommand(int id) override;

private:
    void TakeBack();
    void HandOver();
};
