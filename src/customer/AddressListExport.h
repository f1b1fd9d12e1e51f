#pragma once

#include <QString>

class DbConnection;
class Prompt;

// The three address lists of the customers a view selects (导出邮件地址,
// 导出手机号码, 导出传真号码): plain GBK text, one customer a line, no
// header, no quoting, duplicates kept, for mass-mail, SMS and fax tools.
namespace AddressListExport {

enum class Kind { Email, Mobile, Fax };

// The line of one customer, or a null text when the customer has no usable
// address: "Email,CustomerName", "Mobile,CustomerName", or the fax number
// without "-" and blanks when it then begins with "0".
QString Line(Kind kind, const QString& address, const QString& customerName);
// A fax number without its dashes and blanks.
QString CleanFax(const QString& fax);

// Asks for the file and writes the list of the rows of `table` under
// `where` (" where ..." or empty) in `order`, with progress; reports the
// count, an empty result or the failure. Only the administrator may
// (`admin`); others get "权限不足". The number of lines written, or -1.
int Run(Prompt& prompt, DbConnection& connection, Kind kind, bool admin, const QString& table,
        const QString& where, const QString& order);

} // namespace AddressListExport
