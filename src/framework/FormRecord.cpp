#include "framework/FormRecord.h"

#include "db/DbRecordset.h"
#include "db/SqlLiteral.h"
#include "ui/Prompt.h"

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

} // namespace FormRecord
