#pragma once

// The daily-work module's own toolbar commands, beside the lists' shared
// ones (添加 / 编辑 / 删除 / 上页 / 下页).
namespace DailyWorkCommand {

constexpr int AcceptTask = 6201;   // 接受
constexpr int RejectTask = 6202;   // 拒绝
constexpr int FinishTask = 6203;   // 完成
constexpr int ReassignTask = 6204; // 重新交办
constexpr int AddTaskNote = 6205;  // 备注
constexpr int PreviousDay = 6211;  // ◀
constexpr int NextDay = 6212;      // ▶
constexpr int ExportLogs = 6213;   // 导出

} // namespace DailyWorkCommand
