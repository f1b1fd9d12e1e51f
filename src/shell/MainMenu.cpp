#include "shell/MainMenu.h"

#include "framework/CommandIds.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

const std::vector<MenuDefinition>& MainMenuTable() {
    using namespace Command;
    // The menu's 工作计划 sends 32832 and its 工作日志 32834, while the
    // navigation bar's items of the same names send the other number each;
    // both are kept exactly so, as users know each route by what it opens.
    static const std::vector<MenuDefinition> table = {
        {"文件(&F)",
         {{"登录(&1)", Login},
          {"备份数据(&2)", Backup},
          {"恢复数据(&3)", Restore},
          {"邮件设置(&4)...", MailSettings},
          {nullptr, 0},
          {"退出(&X)", Exit}}},
        {"客户管理(&M)",
         {{"客户管理", CustomerList},
          {"查询客户资料", CustomerSearch},
          {"订单管理(&B)", OrderList},
          {"查询联系人", ContactSearch},
          {"跟踪计划(&4)", TrackPlan},
          {"跟踪记录(&5)", TraceRecord},
          {"经营报表(&6)", Report}}},
        {"销售渠道(&G)", {{"销售渠道管理(&1)", ResellerList}, {"销售渠道查询", ResellerSearch}}},
        {"采购管理(&R)",
         {{"供应商管理", ProviderList},
          {"供应商查询", ProviderSearch},
          {"采购成本", PurchaseList},
          {"采购机会管理", StockChance}}},
        {"沟通管理(&C)",
         {{"交办任务(&1)", WorkerTask},
          {"计划日历(&2)", PlanCalendar},
          {"工作计划(&3)", DailyWork},
          {"工作日志(&4)", DailyPlan},
          {"改进建议(&A)", Advice},
          {"通讯录", Workmate},
          {"公告栏", Bulletin},
          {"发送邮件(&M)", SendMail},
          {"接收邮件(&R)", ReceiveMail},
          {nullptr, 0},
          {"管理中心", ManagerCenter},
          {"写请假条", ApplyHoliday}}},
        {"手机短信(&S)",
         {{"短信帐号", SmsAccount},
          {"群发短信", SmsTask},
          {"定时短信", SmsTimer},
          {"Excel短信", SmsExcel},
          {"超级群发", SmsSuper}}},
        {"人力资源(&R)",
         {{"职员管理", StaffList},
          {"离职档案", Dimission},
          {"发放工资(&W)", PayWage},
          {"查询工资", SearchWage}}},
        {"基础数据(&B)", {{"产品管理", Product}, {"办公用品", Appliance}, {"付款方式", PayMode}}},
        {"帮助(&H)", {{"产品主页", Homepage}, {"在线升级", OnlineUpdate}, {"关于(&A)...", About}}},
    };
    return table;
}

void BuildMainMenu(QMenuBar& bar, QObject* context, const std::function<void(int)>& onCommand) {
    for (const MenuDefinition& definition : MainMenuTable()) {
        QMenu* menu = bar.addMenu(QString::fromUtf8(definition.title));
        for (const MenuEntry& entry : definition.entries) {
            if (!entry.text) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(QString::fromUtf8(entry.text));
            const int command = entry.command;
            action->setData(command);
            QObject::connect(action, &QAction::triggered, context,
                             [onCommand, command] { onCommand(command); });
        }
    }
}
