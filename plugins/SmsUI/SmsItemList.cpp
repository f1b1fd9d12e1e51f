#include "SmsItemList.h"

#include "SmsTaskStore.h"

CSmsItemList* NewSmsItemList(DbConnection& connection, Prompt& prompt) {
    return new CCampaignItemList(connection, prompt, SmsTaskStore::Tables(),
                                 {{QStringLiteral("KeyId"), QStringLiteral("编号")},
                                  {QStringLiteral("Mobile"), QStringLiteral("手机号码")},
                                  {QStringLiteral("Name"), QStringLiteral("姓名")},
                                  {QStringLiteral("State"), QStringLiteral("状态")},
                                  {QStringLiteral("Reply"), QStringLiteral("说明")},
                                  {QStringLiteral("SentTime"), QStringLiteral("时间")},
                                  {QStringLiteral("Text"), QStringLiteral("短信内容")}},
                                 QStringLiteral("ListSmsTaskItem"), QStringLiteral("号码"));
}
