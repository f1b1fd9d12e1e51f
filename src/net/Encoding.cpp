#include "net/Encoding.h"

#include "net/Gbk.h"

#include <QString>

namespace {

constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// GB18030 four-byte form: lead byte, digit, lead-range byte, digit. GBK text
// never holds it, but text that Gbk::Encode produced may.
bool IsFourByteSequence(const unsigned char* p, qsizetype left) {
    return left >= 4 && p[1] >= 0x30 && p[1] <= 0x39 && p[2] >= 0x81 && p[2] <= 0xFE &&
           p[3] >= 0x30 && p[3] <= 0x39;
}

} // namespace

namespace Encoding {

QByteArray Base64(const QByteArray& bytes) {
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype size = bytes.size();
    QByteArray out;
    const qsizetype groups = (size + 2) / 3;
    out.reserve(groups * 4 + (groups / 19 + 1) * 2);

    int lineLength = 0;
    qsizetype i = 0;
    for (; i + 3 <= size; i += 3) {
        const unsigned v = (unsigned(in[i]) << 16) | (unsigned(in[i + 1]) << 8) | in[i + 2];
        out.append(kBase64Alphabet[(v >> 18) & 0x3F]);
        out.append(kBase64Alphabet[(v >> 12) & 0x3F]);
        out.append(kBase64Alphabet[(v >> 6) & 0x3F]);
        out.append(kBase64Alphabet[v & 0x3F]);
        // Mail lines hold 76 characters: 19 groups, the break following the
        // group that brings the line to 73 or more.
        lineLength += 4;
        if (lineLength >= 73) {
            out.append("\r\n", 2);
            lineLength = 0;
        }
    }
    const qsizetype rest = size - i;
    if (rest == 1) {
        const unsigned v = unsigned(in[i]) << 16;
        out.append(kBase64Alphabet[(v >> 18) & 0x3F]);
        out.append(kBase64Alphabet[(v >> 12) & 0x3F]);
        out.append("==", 2);
    } else if (rest == 2) {
        const unsigned v = (unsigned(in[i]) << 16) | (unsigned(in[i + 1]) << 8);
        out.append(kBase64Alphabet[(v >> 18) & 0x3F]);
        out.append(kBase64Alphabet[(v >> 12) & 0x3F]);
        out.append(kBase64Alphabet[(v >> 6) & 0x3F]);
        out.append('=');
    }
    return out;
}

QByteArray GbkToUtf8(const QByteArray& gbk) {
    const auto* p = reinterpret_cast<const unsigned char*>(gbk.constData());
    const qsizetype size = gbk.size();
    QByteArray out;
    out.reserve(size + size / 2);

    qsizetype i = 0;
    while (i < size) {
        if (p[i] < 0x80) {
            // Copy the whole ASCII run at once.
            qsizetype j = i + 1;
            while (j < size && p[j] < 0x80)
                ++j;
            out.append(gbk.constData() + i, j - i);
            i = j;
            continue;
        }
        // A high byte always starts a double-byte character and takes the next
        // byte with it, whatever that byte is; a lead byte at the very end has
        // no partner and becomes U+FFFD.
        const qsizetype length = IsFourByteSequence(p + i, size - i) ? 4 : 2;
        if (i + length > size) {
            out.append("\xEF\xBF\xBD", 3);
            break;
        }
        const QString character = Gbk::Decode(gbk.mid(i, length));
        // An invalid pair gives one replacement character, not one per byte.
        if (character.size() == 1 || (character.size() == 2 && character.at(0).isHighSurrogate() &&
                                      character.at(1).isLowSurrogate()))
            out.append(character.toUtf8());
        else
            out.append("\xEF\xBF\xBD", 3);
        i += length;
    }
    return out;
}

QByteArray UrlEncode(const QByteArray& bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const qsizetype size = qMin<qsizetype>(bytes.size(), 32767);
    QByteArray out;
    out.reserve(size * 3);
    for (qsizetype i = 0; i < size; ++i) {
        const auto b = static_cast<unsigned char>(bytes.at(i));
        const bool plain =
            (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
        if (plain) {
            out.append(static_cast<char>(b));
        } else {
            out.append('%');
            out.append(kHex[b >> 4]);
            out.append(kHex[b & 0x0F]);
        }
    }
    return out;
}

} // namespace Encoding
