#include "net/Gbk.h"

#include <QtGlobal>

#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace {

// QString's storage order, so iconv reads and writes the UTF-16 units in place.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr const char* kUtf16 = "UTF-16LE";
#else
constexpr const char* kUtf16 = "UTF-16BE";
#endif

constexpr const char* kGb = "GB18030";

// One conversion direction, opened on first use in each thread: an iconv
// descriptor keeps shift state and must never be used by two threads at once.
class Converter final {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (IsOpen())
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool IsOpen() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as fits; 0 on success, else the errno iconv reported.
    int Run(char** in, size_t* inLeft, char** out, size_t* outLeft) {
        if (iconv(cd_, in, inLeft, out, outLeft) != static_cast<size_t>(-1))
            return 0;
        return errno;
    }
    void Reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

private:
    iconv_t cd_;
};

Converter& Encoder() {
    thread_local Converter converter(kGb, kUtf16);
    return converter;
}

Converter& Decoder() {
    thread_local Converter converter(kUtf16, kGb);
    return converter;
}

// OR-reduces blocks of bytes so that the common all-ASCII case runs at memory
// speed; stops at the first block holding a high bit.
bool BytesAreAscii(const char* data, qsizetype size) {
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    qsizetype i = 0;
    constexpr qsizetype kBlock = 32;
    for (; i + kBlock <= size; i += kBlock) {
        unsigned acc = 0;
        for (qsizetype j = 0; j < kBlock; ++j)
            acc |= p[i + j];
        if (acc & 0x80u)
            return false;
    }
    unsigned acc = 0;
    for (; i < size; ++i)
        acc |= p[i];
    return (acc & 0x80u) == 0;
}

bool TextIsAscii(const QString& text) {
    const QChar* p = text.constData();
    const qsizetype size = text.size();
    qsizetype i = 0;
    constexpr qsizetype kBlock = 16;
    for (; i + kBlock <= size; i += kBlock) {
        unsigned acc = 0;
        for (qsizetype j = 0; j < kBlock; ++j)
            acc |= p[i + j].unicode();
        if (acc & 0xFF80u)
            return false;
    }
    unsigned acc = 0;
    for (; i < size; ++i)
        acc |= p[i].unicode();
    return (acc & 0xFF80u) == 0;
}

QByteArray EncodeSlow(const QString& text) {
    Converter& conv = Encoder();
    if (!conv.IsOpen()) {
        // No converter on this system: keep ASCII, mark everything else.
        QByteArray out(text.size(), '?');
        for (qsizetype i = 0; i < text.size(); ++i)
            if (text.at(i).unicode() < 0x80)
                out[i] = static_cast<char>(text.at(i).unicode());
        return out;
    }
    conv.Reset();

    // Every UTF-16 unit becomes at most four GB18030 bytes.
    QByteArray out(text.size() * 4, Qt::Uninitialized);
    char* in = const_cast<char*>(reinterpret_cast<const char*>(text.constData()));
    size_t inLeft = static_cast<size_t>(text.size()) * 2;
    char* outBase = out.data();
    char* outPos = outBase;
    size_t outLeft = static_cast<size_t>(out.size());

    while (inLeft > 0) {
        const int error = conv.Run(&in, &inLeft, &outPos, &outLeft);
        if (error == 0)
            break;
        if (error == E2BIG || outLeft == 0) {
            const qsizetype used = outPos - outBase;
            out.resize(out.size() * 2 + 4);
            outBase = out.data();
            outPos = outBase + used;
            outLeft = static_cast<size_t>(out.size() - used);
            continue;
        }
        // A lone surrogate has no encoding in any character set.
        *outPos++ = '?';
        --outLeft;
        if (error == EINVAL || inLeft < 2)
            break; // a high surrogate at the very end
        in += 2;
        inLeft -= 2;
    }
    out.resize(outPos - outBase);
    return out;
}

// Decodes with U+FFFD for every byte that starts no valid sequence; `invalid`
// counts those replacements.
QString DecodeSlow(const QByteArray& bytes, qsizetype& invalid) {
    invalid = 0;
    Converter& conv = Decoder();
    if (!conv.IsOpen()) {
        invalid = bytes.size();
        QString out(bytes.size(), Qt::Uninitialized);
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            const auto b = static_cast<unsigned char>(bytes.at(i));
            out[i] =
                b < 0x80 ? QLatin1Char(static_cast<char>(b)) : QChar(QChar::ReplacementCharacter);
        }
        return out;
    }
    conv.Reset();

    // Every input byte yields at most one UTF-16 unit (a four-byte sequence at
    // most two), so the first buffer normally suffices.
    QString out(bytes.size(), Qt::Uninitialized);
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = static_cast<size_t>(bytes.size());
    auto* outBase = reinterpret_cast<char*>(out.data());
    char* outPos = outBase;
    size_t outLeft = static_cast<size_t>(out.size()) * 2;

    while (inLeft > 0) {
        const int error = conv.Run(&in, &inLeft, &outPos, &outLeft);
        if (error == 0)
            break;
        if (error == E2BIG || outLeft < 2) {
            const qsizetype used = outPos - outBase;
            out.resize(out.size() * 2 + 2);
            outBase = reinterpret_cast<char*>(out.data());
            outPos = outBase + used;
            outLeft = static_cast<size_t>(out.size()) * 2 - static_cast<size_t>(used);
            continue;
        }
        const char16_t replacement = QChar::ReplacementCharacter;
        ++invalid;
        std::memcpy(outPos, &replacement, 2);
        outPos += 2;
        outLeft -= 2;
        if (error == EINVAL)
            break; // a sequence cut off by the end of the input
        // Skip only the offending byte: the next one may start a valid character.
        ++in;
        --inLeft;
    }
    out.resize((outPos - outBase) / 2);
    return out;
}

} // namespace

namespace Gbk {

QByteArray Encode(const QString& text) {
    if (TextIsAscii(text))
        return text.toLatin1();
    return EncodeSlow(text);
}

QString Decode(const QByteArray& bytes) {
    if (BytesAreAscii(bytes.constData(), bytes.size()))
        return QString::fromLatin1(bytes);
    qsizetype invalid = 0;
    return DecodeSlow(bytes, invalid);
}

bool DecodeStrict(const QByteArray& bytes, QString& text) {
    if (BytesAreAscii(bytes.constData(), bytes.size())) {
        text = QString::fromLatin1(bytes);
        return true;
    }
    qsizetype invalid = 0;
    text = DecodeSlow(bytes, invalid);
    return invalid == 0;
}

bool IsValidUtf8(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype size = bytes.size();
    qsizetype i = 0;
    while (i < size) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        // The ranges of RFC 3629: no overlong forms, no surrogates, nothing
        // above U+10FFFF.
        int extra;
        unsigned char lo = 0x80, hi = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            extra = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            extra = 2;
            if (b == 0xE0)
                lo = 0xA0;
            else if (b == 0xED)
                hi = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            extra = 3;
            if (b == 0xF0)
                lo = 0x90;
            else if (b == 0xF4)
                hi = 0x8F;
        } else {
            return false;
        }
        if (size - i <= extra)
            return false;
        if (p[i + 1] < lo || p[i + 1] > hi)
            return false;
        for (int k = 2; k <= extra; ++k)
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
        i += extra + 1;
    }
    return true;
}

} // namespace Gbk
