#pragma once

#include <QString>

// The literal forms every statement of the program embeds its values with.
// Values are written into the SQL text (no parameters are bound), so these three
// rules are what keeps a name with an apostrophe or a price from breaking a
// statement.
namespace SqlLiteral {

// 'text' with every ' doubled.
QString Text(const QString& text);
// Decimal, as "%ld" writes a 32-bit value.
QString Long(qint32 value);
// Six decimals as "%f" writes them in the C locale: always a point, never a comma.
QString Double(double value);
// "name" with every " doubled: an identifier, whatever characters it holds.
QString Name(const QString& name);

} // namespace SqlLiteral
