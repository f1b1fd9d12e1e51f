#include "shell/CommandTable.h"

#include "db/SqlLiteral.h"
#include "framework/CommandIds.h"
#include "framework/PrivilegeNames.h"
#include "shell/Privilege.h"

namespace {

CommandEntry Simple(int command, CommandKind kind, const char* text,
                    CommandRule rule = CommandRule::Everyone) {
    CommandEntry entry{command, kind, text, rule};
    return entry;
}

CommandEntry Plugin(int command, const char* text, CommandRule rule = CommandRule::Everyone,
                    const char* privilege = "") {
    CommandEntry entry{command, CommandKind::Plugin, text};
    entry.rule = rule;
    entry.privilege = privilege;
    return entry;
}

CommandEntry ListView(int command, const char* text, const char* view, bool passUser,
                      const char* filter, CommandRule rule = CommandRule::Everyone) {
    CommandEntry entry{command, CommandKind::View, text};
    entry.view = view;
    entry.passUser = passUser;
    entry.filter = filter;
    entry.rule = rule;
    return entry;
}

CommandEntry OwnRowsView(int command, const char* text, const char* view) {
    CommandEntry entry = ListView(command, text, view, false, "");
    entry.handlerFilter = true;
    return entry;
}

CommandEntry ConfigurableList(int command, const char* text, const char* definition,
                              const char* caption) {
    CommandEntry entry = ListView(command, text, "CDataListView_", false, "");
    entry.definition = definition;
    entry.caption = caption;
    return entry;
}

std::vector<CommandEntry> MakeTable() {
    using namespace Command;
    const auto admin = CommandRule::AdminOnly;
    // The filters are the exact condition texts the views append to their
    // queries, blanks included.
    return {
        ListView(CustomerList, "客户管理", "CCustomerListView", true, " IsProvider<1 "),
        ListView(CustomerSearch, "查询客户资料", "CCustomerSearchView", true, " IsProvider < 1 "),
        ListView(ResellerList, "销售渠道管理", "CCustomerListView", true,
                 " (IsReseller=1 or Category='代理商')"),
        ListView(ResellerSearch, "销售渠道查询", "CCustomerSearchView", true,
                 " (IsReseller=1 or Category='代理商') "),
        ListView(ProviderList, "供应商管理", "CCustomerListView", false, " IsProvider=1 ", admin),
        ListView(ProviderSearch, "供应商查询", "CCustomerSearchView", false, " IsProvider=1 ",
                 admin),
        ListView(OrderList, "订单管理", "OrderListView", true, ""),
        ListView(ContactSearch, "查询联系人", "CContactSearchView", false, ""),
        OwnRowsView(TraceRecord, "跟踪记录", "CTraceSearchView"),
        OwnRowsView(TrackPlan, "跟踪计划", "CTrackPlanSearchView"),
        ListView(PurchaseList, "采购成本", "CPurchaseListView", false, "", admin),
        ListView(StockChance, "采购机会管理", "CStockChanceListView", false, "", admin),
        // Everyone opens it; an ordinary user's figures are their own orders,
        // records and plans.
        ListView(Report, "经营报表", "CReportView", true, ""),
        ConfigurableList(PayMode, "付款方式", "PayMode", "测试表"),

        Simple(Login, CommandKind::Login, "登录"),
        Simple(Backup, CommandKind::Backup, "备份数据"),
        Simple(Restore, CommandKind::Restore, "恢复数据"),
        Simple(Homepage, CommandKind::Homepage, "产品主页"),
        Simple(OnlineUpdate, CommandKind::OnlineUpdate, "在线升级"),
        Simple(About, CommandKind::About, "关于"),
        Simple(Exit, CommandKind::Exit, "退出"),
        Simple(DataSource, CommandKind::DataSource, "数据源"),
        // The mail account is the company's, with its password.
        Simple(MailSettings, CommandKind::MailSettings, "邮件设置", admin),

        Plugin(StaffList, "职员管理"),
        Plugin(Product, "产品管理"),
        Plugin(Appliance, "办公用品"),
        Plugin(Advice, "改进建议"),
        Plugin(DailyWork, "工作计划"),
        Plugin(Bulletin, "公告栏"),
        Plugin(DailyPlan, "工作日志"),
        Plugin(Dimission, "离职档案", admin),
        Plugin(SendMail, "发送邮件"),
        Plugin(SmsTask, "群发短信"),
        Plugin(SmsTimer, "定时短信"),
        Plugin(SmsExcel, "Excel短信"),
        Plugin(SmsSuper, "超级群发"),
        Plugin(SmsAccount, "短信帐号"),
        Plugin(ManagerCenter, "管理中心"),
        Plugin(WorkerTask, "交办任务"),
        Plugin(PayWage, "发放工资", CommandRule::Privilege, PrivilegeNames::PayWage),
        Plugin(SearchWage, "查询工资"),
        Plugin(PlanCalendar, "计划日历"),
        Plugin(ReceiveMail, "接收邮件"),
        Plugin(ApplyHoliday, "写请假条"),
        Plugin(Workmate, "通讯录"),
    };
}

} // namespace

QString CommandEntry::Text() const {
    return QString::fromUtf8(text);
}

QString CommandEntry::View() const {
    return QString::fromUtf8(view);
}

QString CommandEntry::Privilege() const {
    return QString::fromUtf8(privilege);
}

QString CommandEntry::Definition() const {
    return QString::fromUtf8(definition);
}

QString CommandEntry::Caption() const {
    return QString::fromUtf8(caption);
}

QString CommandEntry::FilterFor(const QString& userName) const {
    if (handlerFilter)
        return IsAdmin(userName)
                   ? QString()
                   : QStringLiteral(" Handler=") + SqlLiteral::Text(userName) + QStringLiteral(" ");
    return QString::fromUtf8(filter);
}

QString CommandEntry::UserFor(const QString& userName) const {
    return passUser ? userName : QString();
}

const std::vector<CommandEntry>& CommandTable() {
    static const std::vector<CommandEntry> table = MakeTable();
    return table;
}

const CommandEntry* FindCommand(int command) {
    for (const CommandEntry& entry : CommandTable()) {
        if (entry.command == command)
            return &entry;
    }
    return nullptr;
}
