#pragma once

#include <QColor>
#include <QString>

// Colours as the system stores them in settings and page files: one 32-bit
// value with red in the lowest byte, then green, then blue (0x00BBGGRR).
namespace ColorRef {

QColor ToColor(quint32 value);
quint32 FromColor(const QColor& color);

// Reads an HTML colour "#RRGGBB" the way the page files always have: "#"
// followed by a hexadecimal number (read as far as hex digits go), taken as
// 0xRRGGBB and turned into the system's red-lowest order. False, leaving
// `value` alone, when the text does not start with "#" and a hex digit.
bool FromHtml(const QString& text, quint32& value);

} // namespace ColorRef
