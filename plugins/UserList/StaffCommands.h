#pragma once

// The staff module's own toolbar commands, beside the lists' shared ones.
namespace StaffCommand {

constexpr int ChangePassword = 6101; // 修改密码
constexpr int Leave = 6102;          // 离职
constexpr int TakeBack = 6103;       // 恢复在职
constexpr int HandOver = 6104;       // 移交客户

} // namespace StaffCommand
