#include "business/OrderInput.h"

#include <QDateTime>
#include <QRegularExpression>

#include <cmath>

namespace OrderInput {

namespace {

// Sign, digits, one optional point with digits around it: nothing a locale
// or strtod would read differently.
const QRegularExpression& DecimalPattern() {
    static const QRegularExpression pattern(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)$"));
    return pattern;
}

const QRegularExpression& IntegerPattern() {
    static const QRegularExpression pattern(QStringLiteral("^[+-]?\\d+$"));
    return pattern;
}

} // namespace

bool ParseMoney(const QString& label, const QString& text, double& value, QString& error,
                const double* emptyValue) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        if (emptyValue) {
            value = *emptyValue;
            return true;
        }
        error = QStringLiteral("请填写") + label;
        return false;
    }
    if (trimmed.contains(QLatin1Char(',')) || trimmed.contains(QChar(0xFF0C))) {
        error = label + QStringLiteral("请用小数点(.)分隔小数，不能用逗号: ") + trimmed;
        return false;
    }
    bool ok = DecimalPattern().match(trimmed).hasMatch();
    double number = 0;
    if (ok)
        number = trimmed.toDouble(&ok); // QString reads the C locale's way
    if (!ok || !std::isfinite(number)) {
        error = label + QStringLiteral("不是有效的数字: ") + trimmed;
        return false;
    }
    value = number;
    return true;
}

bool ParseQuantity(const QString& label, const QString& text, qint32& value, QString& error) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        error = QStringLiteral("请填写") + label;
        return false;
    }
    bool ok = IntegerPattern().match(trimmed).hasMatch();
    qint64 number = 0;
    if (ok)
        number = trimmed.toLongLong(&ok);
    if (!ok || number < INT32_MIN || number > INT32_MAX) {
        error = label + QStringLiteral("必须是整数: ") + trimmed;
        return false;
    }
    value = qint32(number);
    return true;
}

bool IsValidTime(const QString& text) {
    static const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    if (text.size() != format.size())
        return false;
    const QDateTime time = QDateTime::fromString(text, format);
    // The round trip refuses one-digit fields and anything Qt read leniently.
    return time.isValid() && time.toString(format) == text;
}

QString TimeError(const QString& label, const QString& text) {
    return label + QStringLiteral("不是有效的时间: ") + text +
           QStringLiteral("\r\n请按\"年-月-日 时:分:秒\"填写，例如 2008-03-05 10:00:00");
}

QString AmountText(double price, qint32 quantity, double freight) {
    return QString::asprintf("%.2f", freight + double(quantity) * price);
}

QString NumberText(double value) {
    return QString::number(value, 'g', 15);
}

bool ParseMonth(const QString& text, QString& next) {
    static const QRegularExpression pattern(QStringLiteral("^(\\d{4})-(\\d{2})$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return false;
    const int year = match.captured(1).toInt();
    const int month = match.captured(2).toInt();
    // The month after 9999-12 would not sort after it as text.
    if (month < 1 || month > 12 || (year == 9999 && month == 12))
        return false;
    next = month == 12 ? QString::asprintf("%04d-01", year + 1)
                       : QString::asprintf("%04d-%02d", year, month + 1);
    return true;
}

} // namespace OrderInput
