#pragma once

#include "CampaignItemList.h"

// The numbers of one text-message task: the lower pane of its list.
using CSmsItemList = CCampaignItemList;

CSmsItemList* NewSmsItemList(DbConnection& connection, Prompt& prompt);
