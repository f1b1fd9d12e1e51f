#pragma once

#include <QStringList>

// Every named right the program tests, in one place. A privilege text grants a
// right when it contains its name anywhere, so the staff form offers exactly
// these names as its check list: a right added here appears there by itself.
// The names are UTF-8 so that static tables of const char* (the frame's
// command table) can name them too.
namespace PrivilegeNames {

inline constexpr char AddOrder[] = "添加订单"; // orders on a customer's order tab
inline constexpr char PayWage[] = "发放工资";  // the wage sheets
// 管理中心: approves leave and reads the logs, plans and tasks of the
// holder's department.
inline constexpr char ManageTeam[] = "管理中心";
inline constexpr char PublishBulletin[] = "发布公告"; // 公告栏

// Every name above, in the order the staff form lists them.
QStringList KnownPrivileges();

} // namespace PrivilegeNames
