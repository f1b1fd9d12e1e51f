#pragma once

// The command numbers shared by the menu, the navigation bar, the views and the
// tests.
namespace Command {
constexpr int Login = 32818;
constexpr int Exit = 57665;
constexpr int About = 57664;
constexpr int PlanCalendar = 32857;
} // namespace Command
