#include "shell/NavigationTable.h"

#include "framework/CommandIds.h"
#include "ui/SmallBarCtrl.h"

const std::vector<NavigationGroup>& NavigationTable() {
    using namespace Command;
    // 工作计划 and 工作日志 send the opposite numbers of the menu's items of
    // the same names. Item 1 of 手机短信 and item 0 of 基础数据 are unused.
    static const std::vector<NavigationGroup> table = {
        {"客户管理",
         {{0, "客户管理", CustomerSearch},
          {1, "客户分类", CustomerList},
          {2, "查询联系人", ContactSearch},
          {3, "跟踪计划", TrackPlan},
          {4, "沟通记录", TraceRecord},
          {5, "订单管理", OrderList},
          {6, "经营报表", Report}}},
        {"销售渠道", {{0, "销售渠道管理", ResellerList}, {1, "销售渠道查询", ResellerSearch}}},
        {"采购管理",
         {{0, "供应商管理", ProviderList},
          {1, "供应商查询", ProviderSearch},
          {2, "采购管理", PurchaseList},
          {3, "采购机会管理", StockChance}}},
        {"办公用品", {{0, "办公用品", Appliance}}},
        {"沟通管理",
         {{0, "交办任务", WorkerTask},
          {1, "计划日历", PlanCalendar},
          {2, "工作计划", DailyPlan},
          {3, "工作日志", DailyWork},
          {4, "改进建议", Advice},
          {5, "公告栏", Bulletin},
          {6, "发送邮件", SendMail},
          {7, "接收邮件", ReceiveMail},
          {8, "管理中心", ManagerCenter},
          {9, "通讯录", Workmate},
          {10, "写请假条", ApplyHoliday}}},
        {"手机短信",
         {{0, "短信帐号", SmsAccount},
          {2, "群发短信", SmsTask},
          {3, "定时短信", SmsTimer},
          {4, "Excel短信", SmsExcel},
          {5, "超级群发", SmsSuper}}},
        {"人力资源",
         {{0, "职员管理", StaffList},
          {1, "离职档案", Dimission},
          {2, "发放工资", PayWage},
          {3, "查询工资", SearchWage}}},
        {"基础数据", {{1, "产品管理", Product}, {2, "付款方式", PayMode}}},
    };
    return table;
}

void FillNavigationBar(CSmallBarCtrl& bar, const QString& picture) {
    const std::vector<NavigationGroup>& table = NavigationTable();
    for (int group = 0; group < int(table.size()); ++group) {
        bar.AddGroup(QString::fromUtf8(table[group].caption), group);
        for (const NavigationItem& item : table[group].items)
            bar.AddItem(group, item.index, QString::fromUtf8(item.text), 1, item.command);
        // Pictures go by each item's own index, so the items after a gap in
        // the numbering get theirs too.
        for (const NavigationItem& item : table[group].items)
            bar.SetItemPicture(item.index, picture);
    }
    bar.OpenGroup(0);
}
