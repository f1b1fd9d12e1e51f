#pragma once

#include "business/TraceSearchListBase.h"

// 跟踪记录: the communication records of every customer (of the user's own,
// for everyone but admin), newest first, 200 to a page, today's and
// yesterday's rows marked: search, edit, delete, the row's customer.
class CTraceSearchView final : public CTraceSearchListBase {
    Q_OBJECT

public:
    CTraceSearchView(DbConnection& connection, Prompt& prompt, const QString& filter,
                     QWidget* parent = nullptr);

protected:
    void AfterLoad() override;
};
