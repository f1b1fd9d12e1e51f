#pragma once

#include "db/DbConnection.h"

#include <QString>

// What counts as a mobile number for a campaign: after blanks, dashes and a
// leading +86 (or 0086) are removed, 11 digits starting with 1. The same rule
// exists twice, in C++ for numbers read from a file and as SQL for numbers
// picked from the customer tables in one statement; both must agree.
namespace MobileNumber {

// The number with blanks (also full-width), dashes and a country prefix removed.
QString Normalize(const QString& typed);
// True for a normalized number of 11 digits starting with 1.
bool IsMobile(const QString& normalized);

// SQL for Normalize(column).
QString NormalizeSql(const QString& column);
// SQL condition for IsMobile(expression) on the engine.
QString IsMobileSql(const QString& expression, DbConnection::Engine engine);

} // namespace MobileNumber
