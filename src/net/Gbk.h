#pragma once

#include <QByteArray>
#include <QString>

// Conversion between the program's QString text and the GBK bytes that settings
// files, CSV files, templates, mail and URL parameters carry. Encoding uses
// GB18030, a superset of GBK, so no character is ever lost on the way out.
// Every function may be called from any thread.
namespace Gbk {

// QString to GBK bytes.
QByteArray Encode(const QString& text);

// GBK bytes to QString. Invalid sequences become U+FFFD.
QString Decode(const QByteArray& bytes);

// GBK bytes to QString, succeeding only when every byte belongs to a valid
// GBK (GB18030) sequence; `text` then holds the decoded text, otherwise the
// text with U+FFFD in place of each invalid byte.
bool DecodeStrict(const QByteArray& bytes, QString& text);

// True when the bytes form valid UTF-8.
bool IsValidUtf8(const QByteArray& bytes);

} // namespace Gbk
