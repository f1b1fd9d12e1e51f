#include "base/TextDecoding.h"

#include "net/Gbk.h"

#include <uchardet.h>

#include <memory>

namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF");
const QByteArray kUtf16LeBom("\xFF\xFE");
const QByteArray kUtf16BeBom("\xFE\xFF");

// UTF-16 without its BOM; false when the length is odd or a surrogate is
// unpaired (U+FFFD then stands in for it).
bool DecodeUtf16(const char* data, qsizetype size, bool littleEndian, QString& text) {
    const qsizetype units = size / 2;
    text.resize(units);
    QChar* out = text.data();
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    for (qsizetype i = 0; i < units; ++i) {
        const unsigned lo = p[2 * i + (littleEndian ? 0 : 1)];
        const unsigned hi = p[2 * i + (littleEndian ? 1 : 0)];
        out[i] = QChar(static_cast<char16_t>(hi << 8 | lo));
    }
    bool valid = size % 2 == 0;
    for (qsizetype i = 0; i < units; ++i) {
        if (out[i].isHighSurrogate() && i + 1 < units && out[i + 1].isLowSurrogate()) {
            ++i;
        } else if (out[i].isSurrogate()) {
            out[i] = QChar(QChar::ReplacementCharacter);
            valid = false;
        }
    }
    return valid;
}

// Strict UTF-8: false when any byte is replaced.
bool DecodeUtf8(const char* data, qsizetype size, QString& text) {
    const QByteArray bytes = QByteArray::fromRawData(data, size);
    text = QString::fromUtf8(bytes);
    return Gbk::IsValidUtf8(bytes);
}

// What a BOM at the start says; false when there is none.
bool DecodeByBom(const QByteArray& bytes, QString& text, TextEncoding& encoding, bool& valid) {
    if (bytes.startsWith(kUtf8Bom)) {
        encoding = TextEncoding::Utf8Bom;
        valid = DecodeUtf8(bytes.constData() + 3, bytes.size() - 3, text);
        return true;
    }
    const bool little = bytes.startsWith(kUtf16LeBom);
    if (little || bytes.startsWith(kUtf16BeBom)) {
        encoding = little ? TextEncoding::Utf16Le : TextEncoding::Utf16Be;
        valid = DecodeUtf16(bytes.constData() + 2, bytes.size() - 2, little, text);
        return true;
    }
    return false;
}

// Characters no text file holds: U+FFFD where bytes could not be decoded (a
// run of them counts once: one damaged spot), and control characters other
// than the blanks and line ends (tab, LF, VT, FF, CR) and the old end-of-file
// mark Ctrl+Z.
qsizetype ForeignCharacters(const QString& text) {
    qsizetype count = 0;
    char16_t previous = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == QChar::ReplacementCharacter) {
            if (previous != u)
                ++count;
        } else if ((u < 0x20 && (u < 0x09 || u > 0x0D) && u != 0x1A) || (u >= 0x7F && u <= 0x9F)) {
            ++count;
        }
        previous = u;
    }
    return count;
}

// How much a decoded text looks like what this program's users write: the
// share of its non-ASCII characters that are common Chinese (the 3,755
// hanzi of GB2312's first level, its punctuation and full-width rows) or
// Western European letters. Text read in the wrong one of GBK and UTF-8 comes
// out as Cyrillic, Greek, rare hanzi and private-use characters instead:
// GBK's 小谢 read as UTF-8 is "Сл"; UTF-8's 中文 read as GBK is 涓, a
// private-use character and 枃.
double Plausibility(const QString& text) {
    qsizetype foreign = 0;
    qsizetype common = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80)
            continue;
        ++foreign;
        if (u >= 0xC0 && u <= 0xFF && u != 0xD7 && u != 0xF7)
            ++common;
    }
    if (foreign == 0)
        return 1.0;
    // In GB18030 every character of GB2312 is the same two bytes as in GBK.
    const QByteArray gbk = Gbk::Encode(text);
    const auto* p = reinterpret_cast<const unsigned char*>(gbk.constData());
    const qsizetype size = gbk.size();
    for (qsizetype i = 0; i < size;) {
        const unsigned lead = p[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (i + 1 >= size)
            break;
        const unsigned trail = p[i + 1];
        if (trail >= 0x30 && trail <= 0x39) { // a four-byte character
            i += 4;
            continue;
        }
        if (trail >= 0xA1 && trail <= 0xFE &&
            ((lead >= 0xB0 && lead <= 0xD7) || lead == 0xA1 || lead == 0xA3))
            ++common;
        i += 2;
    }
    return double(common) / double(foreign);
}

// Damaged spots of the bytes read as UTF-8: each place where a sequence
// breaks counts once, and reading resumes at the next byte.
qsizetype Utf8Errors(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype size = bytes.size();
    qsizetype errors = 0;
    for (qsizetype i = 0; i < size;) {
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        int length = 0;
        if (p[i] >= 0xC2 && p[i] <= 0xDF)
            length = 2;
        else if (p[i] >= 0xE0 && p[i] <= 0xEF)
            length = 3;
        else if (p[i] >= 0xF0 && p[i] <= 0xF4)
            length = 4;
        if (length > 0 && i + length <= size &&
            Gbk::IsValidUtf8(QByteArray::fromRawData(bytes.constData() + i, length))) {
            i += length;
            continue;
        }
        ++errors;
        ++i;
    }
    return errors;
}

qsizetype HighBytes(const QByteArray& bytes) {
    qsizetype count = 0;
    for (const char b : bytes)
        count += static_cast<unsigned char>(b) >= 0x80;
    return count;
}

// The detector's verdict over all of the bytes, in upper case; empty when it
// has none.
QByteArray DetectCharset(const QByteArray& bytes) {
    const std::unique_ptr<uchardet, void (*)(uchardet_t)> detector(uchardet_new(), uchardet_delete);
    if (!detector)
        return QByteArray();
    if (uchardet_handle_data(detector.get(), bytes.constData(), size_t(bytes.size())) != 0)
        return QByteArray();
    uchardet_data_end(detector.get());
    return QByteArray(uchardet_get_charset(detector.get())).toUpper();
}

} // namespace

namespace TextDecoding {

bool DecodeSettings(const QByteArray& bytes, QString& text, TextEncoding& encoding) {
    bool valid = false;
    if (DecodeByBom(bytes, text, encoding, valid)) {
        if (!valid)
            text.clear();
        return valid;
    }
    // GBK has no NUL inside a character: NUL bytes mean UTF-16 without a BOM
    // or no text at all.
    if (bytes.contains('\0')) {
        text.clear();
        return false;
    }
    encoding = TextEncoding::Gbk;
    if (Gbk::DecodeStrict(bytes, text))
        return true;
    encoding = TextEncoding::Utf8;
    if (DecodeUtf8(bytes.constData(), bytes.size(), text))
        return true;
    text.clear();
    return false;
}

bool DecodeUserFile(const QByteArray& bytes, QString& text, TextEncoding& encoding,
                    QString& error) {
    error.clear();
    bool valid = false;
    if (!DecodeByBom(bytes, text, encoding, valid)) {
        if (bytes.contains('\0')) {
            text.clear();
            error = QStringLiteral("不是文本文件");
            return false;
        }
        // Both readings are weighed over the whole file. One that breaks at
        // more than one in a hundred of the non-ASCII bytes is ruled out;
        // when neither or both are, the one that gives the more plausible
        // text wins (an undecodable spot counts against its reading), so
        // neither a stray bad byte nor text that happens to be valid in both
        // decides alone. The detector's verdict breaks a tie; GBK, the
        // program's own, is the default.
        QString gbk;
        Gbk::DecodeStrict(bytes, gbk);
        const qsizetype high = HighBytes(bytes);
        const bool gbkOut = gbk.count(QChar(QChar::ReplacementCharacter)) * 100 > high;
        const bool utf8Out = Utf8Errors(bytes) * 100 > high;
        bool useUtf8 = false;
        QString utf8;
        if (gbkOut != utf8Out) {
            useUtf8 = gbkOut;
        } else {
            DecodeUtf8(bytes.constData(), bytes.size(), utf8);
            const double gbkScore = Plausibility(gbk);
            const double utf8Score = Plausibility(utf8);
            useUtf8 =
                utf8Score != gbkScore ? utf8Score > gbkScore : DetectCharset(bytes) == "UTF-8";
        }
        if (useUtf8 && utf8.isNull())
            DecodeUtf8(bytes.constData(), bytes.size(), utf8);
        encoding = useUtf8 ? TextEncoding::Utf8 : TextEncoding::Gbk;
        text = useUtf8 ? utf8 : gbk;
    }
    // A few bad bytes (a file cut short, one mistyped character) are tolerated;
    // more than two that make more than one character in fifty are no text.
    const qsizetype foreign = ForeignCharacters(text);
    if (foreign > 2 && foreign * 50 > text.size()) {
        text.clear();
        error = QStringLiteral("不是文本文件");
        return false;
    }
    return true;
}

QByteArray Encode(const QString& text, TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Gbk:
        return Gbk::Encode(text);
    case TextEncoding::Utf8:
        return text.toUtf8();
    case TextEncoding::Utf8Bom:
        return kUtf8Bom + text.toUtf8();
    case TextEncoding::Utf16Le:
    case TextEncoding::Utf16Be: {
        const bool little = encoding == TextEncoding::Utf16Le;
        QByteArray out = little ? kUtf16LeBom : kUtf16BeBom;
        out.reserve(2 + text.size() * 2);
        for (const QChar c : text) {
            const char lo = static_cast<char>(c.unicode() & 0xFF);
            const char hi = static_cast<char>(c.unicode() >> 8);
            out.append(little ? lo : hi);
            out.append(little ? hi : lo);
        }
        return out;
    }
    }
    return Gbk::Encode(text);
}

} // namespace TextDecoding
