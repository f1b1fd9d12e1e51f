#include "ConnectionString.h"

ConnectionString::ConnectionString(const QString& text) {
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        // Key: up to '=' or ';'.
        qsizetype keyStart = i;
        while (i < n && text[i] != QLatin1Char('=') && text[i] != QLatin1Char(';'))
            ++i;
        if (i >= n || text[i] == QLatin1Char(';')) {
            ++i; // a pair without '=' carries nothing
            continue;
        }
        const QString key = NormalizeKey(text.mid(keyStart, i - keyStart));
        ++i; // '='

        while (i < n && text[i] == QLatin1Char(' '))
            ++i;
        QString value;
        if (i < n && (text[i] == QLatin1Char('"') || text[i] == QLatin1Char('\''))) {
            const QChar quote = text[i++];
            while (i < n) {
                if (text[i] == quote) {
                    if (i + 1 < n && text[i + 1] == quote) {
                        value += quote;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += text[i++];
            }
            while (i < n && text[i] != QLatin1Char(';'))
                ++i;
        } else {
            const qsizetype valueStart = i;
            while (i < n && text[i] != QLatin1Char(';'))
                ++i;
            value = text.mid(valueStart, i - valueStart).trimmed();
        }
        ++i; // ';'
        if (!key.isEmpty())
            pairs_.append({key, value.isNull() ? QStringLiteral("") : value});
    }
}

QString ConnectionString::NormalizeKey(const QString& key) {
    QString normalized;
    normalized.reserve(key.size());
    for (QChar c : key) {
        if (!c.isSpace())
            normalized += c.toLower();
    }
    return normalized;
}

QString ConnectionString::Value(std::initializer_list<const char*> keys) const {
    for (const char* key : keys) {
        const QString wanted = NormalizeKey(QString::fromLatin1(key));
        for (const auto& pair : pairs_) {
            if (pair.first == wanted)
                return pair.second;
        }
    }
    return QString();
}

QString ConnectionString::FilePath(const QString& text) {
    const qsizetype at = text.indexOf(QLatin1String("Source="));
    if (at < 0)
        return QString();
    QString rest = text.mid(at + 7);
    const qsizetype end = rest.indexOf(QLatin1Char(';'));
    if (end > 0)
        rest.truncate(end);
    return rest;
}
