#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <functional>

// A message text with placeholders in braces, filled per recipient in one
// pass: a value that itself contains "{联系人}" is sent as written, and an
// unknown name in braces stays as it is.
//
// For customers and contacts the names are those of CustomerFields():
//   {客户名称} the customer's name      {联系人} the contact (of a contact
//   row its own name, else the customer's Contact)
//   {手机} the row's mobile number      {邮箱} the row's e-mail address
//   {经理人} the customer's handler     {城市} the customer's city
//   {省份} the customer's province
// For a file they are the file's column names as its header line has them.
// Text messages and mass e-mail fill their texts the same way.
namespace MessageTemplate {

// The placeholders a customer or contact text may use, in the order the
// form offers them.
QStringList CustomerFields();

// The text with every known {name} replaced by lookup(name); `known` says
// which names are placeholders.
QString Fill(const QString& text, const std::function<bool(const QString& name)>& known,
             const std::function<QString(const QString& name)>& lookup);
QString Fill(const QString& text, const QMap<QString, QString>& values);

// The same filling as an SQL expression: the literal pieces of the text as
// literals, each placeholder as the expression `columns` gives it, joined
// with ||. Texts never reach the statement other than as literals.
QString FillSql(const QString& text, const QMap<QString, QString>& columns);

} // namespace MessageTemplate
