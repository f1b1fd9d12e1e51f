#pragma once

#include "business/TraceListBase.h"

struct TraceCriteria;

// 跟踪记录: the communication records of every customer (of the user's own,
// for everyone but admin), newest first, 200 to a page, today's and
// yesterday's rows marked: search, edit, delete, the row's customer.
class CTraceSearchView final : public CTraceListBase {
    Q_OBJECT

public:
    CTraceSearchView(DbConnection& connection, Prompt& prompt, const QString& filter,
                     QWidget* parent = nullptr);

    Q_INVOKABLE bool OnCommand(int id) override;

    // Runs a search with these criteria (what 查找 does after the dialog).
    void Search(const TraceCriteria& criteria);

protected:
    void ColourRows() override;
};
