#include "framework/FormRecord.h"

#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/InsertBuilder.h"
#include "db/SqlLiteral.h"
#include "db/UpdateBuilder.h"
#include "framework/RowValues.h"
#include "ui/Prompt.h"

namespace {

// The recordset's setters under the builders' names; the first refusal sticks.
struct RecordsetWriter {
    DbRecordset& rs;
    bool ok = true;
    void SetText(const QString& column, const QString& text) {
        ok = ok && rs.SetString(column, text);
    }
    void SetLong(const QString& column, qint32 value) { ok = ok && rs.SetLong(column, value); }
    void SetDouble(const QString& column, double value) { ok = ok && rs.SetDouble(column, value); }
    void SetNull(const QString& column) { ok = ok && rs.SetNull(column); }
};

} // namespace

namespace FormRecord {

bool Open(DbRecordset& record, Prompt& prompt, const QString& table, int key) {
    const QString missing = QStringLiteral("指定的数据不存在!");
    if (key < 1) {
        prompt.Message(missing);
        return false;
    }
    const QString sql = QStringLiteral("select * from ") + table + QStringLiteral(" where KeyId=") +
                        SqlLiteral::Long(key);
    if (!record.Open(sql)) {
        prompt.Message(sql + QStringLiteral("\r\n") + record.GetLastError());
        return false;
    }
    if (record.IsEOF()) {
        prompt.Message(missing);
        return false;
    }
    return true;
}

bool Insert(DbConnection& connection, Prompt& prompt, const QString& table, const RowValues& values,
            const std::function<void(DbRecordset&)>& stored) {
    DbRecordset rs(connection);
    RecordsetWriter writer{rs};
    const bool opened =
        rs.Open(QStringLiteral("select * from ") + table + QStringLiteral(" where 1=0")) &&
        rs.AddNew();
    if (opened)
        values.WriteTo(writer);
    if (!opened || !writer.ok || !rs.Update()) {
        InsertBuilder shown;
        shown.SetTable(table);
        values.WriteTo(shown);
        prompt.Message(shown.Build() + QStringLiteral("\r\n") + rs.GetLastError());
        return false;
    }
    if (stored)
        stored(rs);
    return true;
}

bool Insert(DbConnection& connection, Prompt& prompt, const QString& table, const RowValues& values,
            int& key) {
    return Insert(connection, prompt, table, values,
                  [&key](DbRecordset& rs) { key = rs.GetLong(QStringLiteral("KeyId")); });
}

bool Update(DbConnection& connection, Prompt& prompt, const QString& table, const RowValues& values,
            const QString& keyCondition) {
    UpdateBuilder update;
    update.SetTable(table);
    values.WriteTo(update);
    update.AddCondition(keyCondition);
    const QString sql = update.Build();
    if (sql.isEmpty()) // nothing but the key: nothing to change
        return true;
    long affected = 0;
    if (connection.Execute(sql, &affected) != 1) {
        prompt.Message(sql + QStringLiteral("\r\n") + connection.GetLastError());
        return false;
    }
    if (affected == 0) {
        prompt.Message(QStringLiteral("指定的数据不存在!"));
        return false;
    }
    return true;
}

bool Update(DbConnection& connection, Prompt& prompt, const QString& table, const RowValues& values,
            int key) {
    return Update(connection, prompt, table, values,
                  QStringLiteral("KeyId=") + SqlLiteral::Long(key));
}

} // namespace FormRecord
