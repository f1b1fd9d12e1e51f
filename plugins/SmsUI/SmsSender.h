#pragma once

#include "CampaignSender.h"
#include "SmsAccount.h"

class DbConnection;
class SmsGateway;

// Sends the waiting numbers of one text-message task in the background
// through the gateway library (SMSAPI.so, one session per message), with as
// many messages under way as the account's Parallel says.
class SmsSender final : public CampaignSender {
    Q_OBJECT

public:
    // `gateway` must be loaded and outlive the sender.
    SmsSender(DbConnection& connection, SmsGateway& gateway, const SmsAccount& account, int task,
              QObject* parent = nullptr);
};
