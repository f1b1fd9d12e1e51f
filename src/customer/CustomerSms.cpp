#include "customer/CustomerSms.h"

#include "customer/SmsDlg.h"
#include "customer/SmsTraceRecord.h"
#include "db/DbRecordset.h"
#include "db/SqlLiteral.h"
#include "ui/Prompt.h"

bool SendCustomerSms(Prompt& prompt, DbConnection& connection, QWidget* parent, int customerKey,
                     const SmsContact* contact) {
    const QString sql =
        QStringLiteral("select * from CustomerData where KeyId=") + SqlLiteral::Long(customerKey);
    SmsRecipient recipient;
    QString mobile;
    {
        DbRecordset rs(connection);
        if (!rs.Open(sql)) {
            prompt.Message(sql + QStringLiteral("\r\n") + rs.GetLastError());
            return false;
        }
        if (rs.IsEOF()) {
            prompt.Message(QStringLiteral("资料不存在"));
            return false;
        }
        recipient.customerId = customerKey;
        recipient.customerName = rs.GetString(QStringLiteral("CustomerName"));
        recipient.handler = rs.GetString(QStringLiteral("Handler"));
        recipient.contact = contact ? contact->name : rs.GetString(QStringLiteral("Contact"));
        mobile = contact ? contact->mobile : rs.GetString(QStringLiteral("Mobile"));
    }
    QString sent;
    if (!RunSmsDialog(prompt, parent, mobile, sent))
        return false;
    RecordSentSms(prompt, connection, recipient, sent);
    return true;
}
