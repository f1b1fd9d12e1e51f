#pragma once

#include <QString>

#include <functional>

class DbConnection;
class RowValues;

class DbRecordset;
class Prompt;

namespace FormRecord {

// Opens the row a form edits: `select * from <table> where KeyId=<key>`.
// False after telling the user why (a key below 1 or a missing row:
// "指定的数据不存在!"; a failed query: the statement, "\r\n" and the
// database's text); the form then opens empty and must not save over the row.
bool Open(DbRecordset& record, Prompt& prompt, const QString& table, int key);

// Inserts one row of `table` with `values` through a recordset, so the key
// the database assigns comes back from the insert itself into `key`. False
// after showing the insert as the user would read it, "\r\n" and the
// database's text.
bool Insert(DbConnection& connection, Prompt& prompt, const QString& table, const RowValues& values,
            int& key);
// The same, handing the stored row (as the database made it) to `stored`.
bool Insert(DbConnection& connection, Prompt& prompt, const QString& table, const RowValues& values,
            const std::function<void(DbRecordset&)>& stored);

// Updates row `key` of `table` with `values`. False after showing the
// statement, "\r\n" and the database's text, or "指定的数据不存在!" when
// another desk deleted the row while the form had it open.
bool Update(DbConnection& connection, Prompt& prompt, const QString& table, const RowValues& values,
            int key);
// The same for the row `keyCondition` picks (a key column of another name).
// Values that change nothing (an empty statement) succeed without a write.
bool Update(DbConnection& connection, Prompt& prompt, const QString& table, const RowValues& values,
            const QString& keyCondition);

} // namespace FormRecord
