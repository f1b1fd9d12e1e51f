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

// Text of a file being read: UTF-8 when it starts with a BOM (which is dropped)
// or is valid UTF-8 holding non-ASCII characters, otherwise GBK.
QString DecodeFile(const QByteArray& bytes);

// True when the bytes form valid UTF-8.
bool IsValidUtf8(const QByteArray& bytes);

} // namespace Gbk
