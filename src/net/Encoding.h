#pragma once

#include <QByteArray>

// The three byte-level converters used by mail, the network clients and links.
namespace Encoding {

// Base64 (RFC 4648 alphabet) with CR LF after every 76 characters; an output whose
// last complete group ends a line ends with CR LF, a final partial group never
// adds a break. Empty input gives empty output.
QByteArray Base64(const QByteArray& bytes);

// GBK bytes to UTF-8 bytes: ASCII copied, every byte >= 0x80 starts a two-byte
// GBK character.
QByteArray GbkToUtf8(const QByteArray& gbk);

// Letters and digits copied, every other byte as %XX (upper-case hex); at most
// 32767 input bytes are processed.
QByteArray UrlEncode(const QByteArray& bytes);

} // namespace Encoding
