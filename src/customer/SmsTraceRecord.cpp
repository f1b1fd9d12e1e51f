#include "customer/SmsTraceRecord.h"

#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/InsertBuilder.h"
#include "ui/Prompt.h"

#include <QDateTime>

int RecordSentSms(Prompt& prompt, DbConnection& connection, const SmsRecipient& recipient,
                  const QString& text) {
    const QString title = QStringLiteral("短信:") + text;
    const QString now =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    DbRecordset record(connection);
    const bool written = record.Open(QStringLiteral("select * from TraceData where 1=0")) &&
                         record.AddNew() &&
                         record.SetString(QStringLiteral("Contact"), recipient.contact) &&
                         record.SetString(QStringLiteral("Handler"), recipient.handler) &&
                         record.SetString(QStringLiteral("CustomerName"), recipient.customerName) &&
                         record.SetLong(QStringLiteral("CustomerId"), recipient.customerId) &&
                         record.SetString(QStringLiteral("Title"), title) &&
                         record.SetString(QStringLiteral("FDTime"), now) &&
                         record.SetString(QStringLiteral("FDText"), QString()) && record.Update();
    if (written) {
        return record.GetLong(QStringLiteral("KeyId"));
    }
    // The statement the row stands for, as every failed insert is shown; the
    // row itself went through the recordset so that its key comes back.
    InsertBuilder shown;
    shown.SetTable(QStringLiteral("TraceData"));
    shown.SetText(QStringLiteral("Contact"), recipient.contact);
    shown.SetText(QStringLiteral("Handler"), recipient.handler);
    shown.SetText(QStringLiteral("CustomerName"), recipient.customerName);
    shown.SetLong(QStringLiteral("CustomerId"), recipient.customerId);
    shown.SetText(QStringLiteral("Title"), title);
    shown.SetText(QStringLiteral("FDTime"), now);
    shown.SetText(QStringLiteral("FDText"), QString());
    prompt.Message(shown.Build() + QStringLiteral("\r\n") + record.GetLastError());
    return 0;
}
