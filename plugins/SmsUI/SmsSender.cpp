#include "SmsSender.h"

#include "SmsTaskStore.h"

#include "net/SmsGateway.h"

#include <algorithm>

namespace {

CampaignSender::Options SenderOptions(const SmsAccount& account) {
    CampaignSender::Options options;
    options.workers = std::clamp(account.parallel, 1, SmsAccount::kMaxParallel);
    return options;
}

} // namespace

SmsSender::SmsSender(DbConnection& connection, SmsGateway& gateway, const SmsAccount& account,
                     int task, QObject* parent)
    : CampaignSender(
          connection, SmsTaskStore::Tables(), task, SenderOptions(account),
          [&gateway, account](const CampaignItem& item) {
              QString error;
              const SmsGateway::Outcome outcome =
                  gateway.SendOne(account.server, account.user, account.pass, item.values.at(0),
                                  item.values.at(1), error);
              CampaignResult result;
              if (outcome == SmsGateway::Outcome::Sent)
                  result.outcome = CampaignOutcome::Sent;
              else
                  result.reply = outcome == SmsGateway::Outcome::NotOpened
                                     ? QStringLiteral("无法打开短信接口")
                                     : error;
              return result;
          },
          parent) {}
