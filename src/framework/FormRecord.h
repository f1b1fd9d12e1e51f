#pragma once

#include <QString>

class DbRecordset;
class Prompt;

namespace FormRecord {

// Opens the row a form edits: `select * from <table> where KeyId=<key>`.
// False after telling the user why (a key below 1 or a missing row:
// "指定的数据不存在!"; a failed query: the statement, "\r\n" and the
// database's text); the form then opens empty and must not save over the row.
bool Open(DbRecordset& record, Prompt& prompt, const QString& table, int key);

} // namespace FormRecord
