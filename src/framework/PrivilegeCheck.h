#pragma once

#include <QString>

#include <functional>

// Whether the logged-in user holds a named right ("添加订单"). The frame owns
// the rights (read at login); views below it only get this question, so they
// need not know where the rights come from. It answers and shows nothing: a
// view that is refused says "权限不足" itself. An empty check holds no right.
using PrivilegeCheck = std::function<bool(const QString& right)>;

// True when `check` is set and grants `right`.
inline bool Holds(const PrivilegeCheck& check, const QString& right) {
    return check && check(right);
}
