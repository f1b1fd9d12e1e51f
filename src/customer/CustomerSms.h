#pragma once

#include <QString>

class DbConnection;
class Prompt;
class QWidget;

// The person a text message goes to when it is not the customer's own
// contact: a contact row's name and mobile.
struct SmsContact {
    QString name;
    QString mobile;
};

// 发送短信 of the customer window and the contact lists: reads the customer
// (a failed query shows the statement, "\r\n" and the reason; a customer that
// is gone gets "资料不存在"), opens the SMS dialog for the contact's mobile, or
// the customer's own without a contact, and records a sent message as a
// communication record of the customer naming the contact (or the customer's
// Contact) and the customer's handler. True when a message was sent.
bool SendCustomerSms(Prompt& prompt, DbConnection& connection, QWidget* parent, int customerKey,
                     const SmsContact* contact = nullptr);
