#pragma once

// The command numbers shared by the menu, the navigation bar, the views and the
// tests. They are the system's own numbers: plug-in modules and settings written
// by older installations know them, so they never change.
namespace Command {

// File menu.
constexpr int Login = 32818;
constexpr int Backup = 32842;
constexpr int Restore = 32843;
// 邮件设置: the program's own number, beside the system's.
constexpr int MailSettings = 32870;
constexpr int Exit = 57665;

// Customers, resellers, suppliers and their business.
constexpr int CustomerList = 32773;   // 客户管理 (menu), 客户分类 (navigation)
constexpr int CustomerSearch = 32815; // 查询客户资料 (menu), 客户管理 (navigation)
constexpr int ContactSearch = 32813;  // 查询联系人
constexpr int TrackPlan = 32821;      // 跟踪计划
constexpr int TraceRecord = 32819;    // 跟踪记录 / 沟通记录
constexpr int OrderList = 32786;      // 订单管理
constexpr int ResellerList = 32802;   // 销售渠道管理
constexpr int ResellerSearch = 32804; // 销售渠道查询
constexpr int ProviderList = 32806;   // 供应商管理
constexpr int ProviderSearch = 32807; // 供应商查询
constexpr int PurchaseList = 32797;   // 采购成本 / 采购管理
constexpr int StockChance = 32805;    // 采购机会管理
// 经营报表: the program's own number, like 邮件设置, outside the system's range.
constexpr int Report = 32880;

// Office modules (plug-ins).
constexpr int WorkerTask = 32854;    // 交办任务
constexpr int PlanCalendar = 32857;  // 计划日历
constexpr int DailyWork = 32832;     // 工作计划 (menu), 工作日志 (navigation)
constexpr int DailyPlan = 32834;     // 工作日志 (menu), 工作计划 (navigation)
constexpr int Advice = 32831;        // 改进建议
constexpr int Bulletin = 32833;      // 公告栏
constexpr int SendMail = 32847;      // 发送邮件
constexpr int ReceiveMail = 32858;   // 接收邮件
constexpr int ManagerCenter = 32853; // 管理中心
constexpr int Workmate = 32860;      // 通讯录
constexpr int ApplyHoliday = 32859;  // 写请假条
constexpr int SmsAccount = 32852;    // 短信帐号
constexpr int SmsTask = 32848;       // 群发短信
constexpr int SmsTimer = 32849;      // 定时短信
constexpr int SmsExcel = 32850;      // Excel短信
constexpr int SmsSuper = 32851;      // 超级群发
constexpr int StaffList = 32826;     // 职员管理
constexpr int Dimission = 32846;     // 离职档案
constexpr int PayWage = 32855;       // 发放工资
constexpr int SearchWage = 32856;    // 查询工资
constexpr int Product = 32827;       // 产品管理
constexpr int Appliance = 32830;     // 办公用品

// Base data shown by the configurable list.
constexpr int PayMode = 32828; // 付款方式

// Help menu.
constexpr int Homepage = 32836;
constexpr int OnlineUpdate = 32837;
constexpr int About = 57664;

// Reached only when another window sends it: choose the data source.
constexpr int DataSource = 32775;

// List commands shared by every list view.
constexpr int Find = 32784;
constexpr int PrevPage = 32789;
constexpr int NextPage = 32790;
constexpr int Add = 32791;
constexpr int Delete = 32792;
constexpr int Edit = 32793;
constexpr int Statistics = 32798;
constexpr int ChangeClass = 32803;
constexpr int CustomerInfo = 32816;
constexpr int AddProvider = 32814;   // 添加供应商
constexpr int CompletePlan = 32822;  // 完成: a plan becomes a communication record
constexpr int Reload = 32782;        // 最近联系: the current page again
constexpr int AccountNotice = 32785; // 帐户通知

// Links of a contact or customer.
constexpr int QqLink = 32809;     // QQ联系
constexpr int SendSms = 32810;    // 发送短信
constexpr int MailLink = 32811;   // 发送邮件
constexpr int OnlineLink = 32812; // 在线沟通
constexpr int VisitSite = 32817;  // 访问网站

// Class commands of a list with a classification tree.
constexpr int AddClass = 32799;    // 添加分类
constexpr int RenameClass = 32800; // 变更分类名称
constexpr int DeleteClass = 32801; // 删除分类

// Customer import and export of the customer search view.
constexpr int ImportCustomers = 32861; // 导入
constexpr int ExportEmail = 32823;     // 导出邮件地址
constexpr int ExportMobile = 32824;    // 导出手机号码
constexpr int ExportFax = 32825;       // 导出传真号码

// Commands of a configurable list (its definition's toolbar actions).
constexpr int DataAdd = 6001;
constexpr int DataEdit = 6002;
constexpr int DataDelete = 6003;
constexpr int DataSearch = 6004;
constexpr int DataExport = 6005;
constexpr int DataImport = 6006;
constexpr int DataCount = 6007;
constexpr int DataSum = 6008;
constexpr int DataPrevPage = 6009;
constexpr int DataNextPage = 6010;

// Standard editing and pane commands, routed to the current view.
constexpr int EditCopy = 57634;
constexpr int EditCut = 57635;
constexpr int EditPaste = 57637;
constexpr int EditUndo = 57643;
constexpr int NextPane = 57680;
constexpr int PrevPane = 57681;

// Control identifiers of the list views: the tree beside a list, the grid.
constexpr int TreeControl = 6001;
constexpr int GridControl = 8001;

// First identifier of controls created at run time (7001 for user-defined fields).
constexpr int FirstDynamicControl = 6001;
constexpr int FirstCustomFieldControl = 7001;

} // namespace Command
