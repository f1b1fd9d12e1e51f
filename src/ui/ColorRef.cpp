#include "ui/ColorRef.h"

#include <cctype>

namespace {

bool IsHex(const QString& text, int pos) {
    return pos < text.size() && std::isxdigit(static_cast<unsigned char>(text.at(pos).toLatin1()));
}

} // namespace

namespace ColorRef {

QColor ToColor(quint32 value) {
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

quint32 FromColor(const QColor& color) {
    return quint32(color.red()) | (quint32(color.green()) << 8) | (quint32(color.blue()) << 16);
}

bool FromHtml(const QString& text, quint32& value) {
    const QString trimmed = text.trimmed();
    if (!trimmed.startsWith(QLatin1Char('#')))
        return false;
    int pos = 1;
    // An optional "0x" prefix after the "#" is part of a hex number too.
    if (trimmed.mid(pos, 2).compare(QLatin1String("0x"), Qt::CaseInsensitive) == 0 &&
        IsHex(trimmed, pos + 2))
        pos += 2;
    quint32 rgb = 0;
    int digits = 0;
    for (; IsHex(trimmed, pos); ++pos) {
        const char c = trimmed.at(pos).toLatin1();
        const int digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
        rgb = (rgb << 4) | quint32(digit);
        ++digits;
    }
    if (digits == 0)
        return false;
    value = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
    return true;
}

} // namespace ColorRef
