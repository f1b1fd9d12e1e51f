#pragma once

#include "framework/MailNotice.h"

class DbConnection;
class Prompt;

// The account notice (帐号通知) or the delivery notice (发货通知) of one order,
// found by its key: reads the order and its customer, mails the notice
// through the account of email.ini while the window stays responsive (the
// user can stop a slow server), and shows the outcome: "邮件发送成功!" or the
// reason. Nothing is written to the database.
void SendOrderNotice(Prompt& prompt, DbConnection& connection, MailNotice::Kind kind, int orderKey);
