#pragma once

#include <QString>

class DbConnection;
class Prompt;

// Who a text message went to, as its communication record names them.
struct SmsRecipient {
    int customerId = 0;
    QString customerName;
    QString contact;
    QString handler;
};

// Records a sent text message as a communication record (TraceData): the
// recipient's customer, contact and handler, the title "短信:" and the text,
// the current time and no body. The key is the one the database gave the row.
// Returns that key, or 0 after showing the statement, "\r\n" and the reason.
int RecordSentSms(Prompt& prompt, DbConnection& connection, const SmsRecipient& recipient,
                  const QString& text);
