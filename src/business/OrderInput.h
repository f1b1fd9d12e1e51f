#pragma once

#include <QString>

// Reading what was typed into the order form. Every reader either gives a
// value or a message that says what is wrong with the text, so the form can
// refuse to save instead of storing 0 for a typo.
namespace OrderInput {

// A decimal number as the program stores money: optional sign, digits and at
// most one '.' (never a comma, whatever the desktop's locale), blanks around it
// ignored. An empty text is an error unless `emptyValue` is given.
bool ParseMoney(const QString& label, const QString& text, double& value, QString& error,
                const double* emptyValue = nullptr);
// A whole number in the 32-bit range, optional sign.
bool ParseQuantity(const QString& label, const QString& text, qint32& value, QString& error);

// "YYYY-MM-DD HH:MM:SS" naming a real moment (no 2008-02-30, no 25:00:00),
// with every field at its full width, since lists compare and search these
// texts as they are written.
bool IsValidTime(const QString& text);
// The refusal of a time that is not one.
QString TimeError(const QString& label, const QString& text);

// The amount of the 合计 button: freight + quantity × price, written "%.2f".
QString AmountText(double price, qint32 quantity, double freight);

// A stored double as the lists show it (up to 15 significant digits, no
// trailing zeros), for the values a form hands back to its list.
QString NumberText(double value);

// "YYYY-MM" naming a real month; `next` gets the month after it.
bool ParseMonth(const QString& text, QString& next);

} // namespace OrderInput
