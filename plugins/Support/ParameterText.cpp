#include "ParameterText.h"

#include "net/Gbk.h"

#include <QByteArray>

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

QString UserNameFromParameter(const char* parameter) {
    static const QByteArray key = QByteArrayLiteral("UserName=");
    const QByteArray text(parameter ? parameter : "");
    if (!text.startsWith(key))
        return QString();

    QByteArray bytes;
    bytes.reserve(text.size() - key.size());
    for (qsizetype i = key.size(); i < text.size(); ++i) {
        const char c = text.at(i);
        const int high = i + 2 < text.size() ? HexDigit(text.at(i + 1)) : -1;
        const int low = i + 2 < text.size() ? HexDigit(text.at(i + 2)) : -1;
        if (c == '%' && high >= 0 && low >= 0) {
            bytes.append(static_cast<char>(high * 16 + low));
            i += 2;
        } else {
            // Not an escape: taken as it stands rather than dropped.
            bytes.append(c);
        }
    }
    return Gbk::Decode(bytes);
}
