#include "framework/MobileLookup.h"

#include "base/IniFile.h"
#include "base/ProgramFolder.h"
#include "net/Encoding.h"
#include "net/Gbk.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace {

const QString kSection = QStringLiteral("MobileLookup");
const QString kMarker = QStringLiteral("卡号归属地");

struct Tag {
    qsizetype start = 0; // the "<"
    QString name;
};

// The tags of the page in order: a name is at most 31 characters after the
// "<", lower-cased, ending at a blank, tab, line feed, ">", the end, or a "/"
// from its second character on.
QList<Tag> Tags(const QString& html) {
    QList<Tag> tags;
    for (qsizetype i = html.indexOf(QLatin1Char('<')); i >= 0;
         i = html.indexOf(QLatin1Char('<'), i + 1)) {
        QString name;
        for (qsizetype j = i + 1; j < html.size() && name.size() < 31; ++j) {
            const QChar c = html[j];
            if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
                c == QLatin1Char('>') || (c == QLatin1Char('/') && j > i + 1)) {
                break;
            }
            name += c.toLower();
        }
        tags.append({i, name});
    }
    return tags;
}

// The text of a tag: after its ">" up to "</name" followed by ">" or a blank,
// at most 1023 characters; none when the tag closes itself.
// `end` is where the text stops (the closing tag, when there is one).
QString TagText(const QString& html, const Tag& tag, qsizetype* end = nullptr) {
    const qsizetype close = html.indexOf(QLatin1Char('>'), tag.start);
    if (end != nullptr) {
        *end = close < 0 ? html.size() : close + 1;
    }
    if (close < 0 || (close > 0 && html[close - 1] == QLatin1Char('/'))) {
        return QString();
    }
    const QString closing = QStringLiteral("</") + tag.name;
    qsizetype at = close + 1;
    for (;;) {
        at = html.indexOf(closing, at, Qt::CaseInsensitive);
        if (at < 0) {
            if (end != nullptr) {
                *end = html.size();
            }
            return html.mid(close + 1, 1023);
        }
        const qsizetype after = at + closing.size();
        if (after >= html.size() || html[after] == QLatin1Char('>') ||
            html[after] == QLatin1Char(' ')) {
            if (end != nullptr) {
                *end = at;
            }
            return html.mid(close + 1, std::min<qsizetype>(at - close - 1, 1023));
        }
        at = after;
    }
}

QString JsonField(const QJsonObject& object, const QString& path) {
    QJsonValue value = object;
    for (const QString& part : path.split(QLatin1Char('.'))) {
        value = value.toObject().value(part);
    }
    return value.isDouble() ? QString::number(value.toDouble()) : value.toString();
}

} // namespace

MobileLookup::MobileLookup(const QString& settingsPath) {
    IniFile ini;
    ini.Load(settingsPath);
    url_ = ini.GetString(kSection, QStringLiteral("LookupURL")).trimmed();
    body_ = ini.GetString(kSection, QStringLiteral("LookupBody"));
    jsonProvince_ = ini.GetString(kSection, QStringLiteral("JsonProvince")).trimmed();
    jsonCity_ = ini.GetString(kSection, QStringLiteral("JsonCity")).trimmed();
    client_.Socket().SetCaFile(ini.GetString(kSection, QStringLiteral("LookupCAFile")).trimmed());
    client_.SetSettingsFile(ProgramPath(QStringLiteral("httpclient.ini")));
}

QString MobileLookup::DecodeReply(const QByteArray& body, const QString& contentType) {
    static const QRegularExpression charsetPattern(
        QStringLiteral("charset\\s*=\\s*[\"']?([A-Za-z0-9_-]+)"),
        QRegularExpression::CaseInsensitiveOption);
    QString charset = charsetPattern.match(contentType).captured(1).toLower();
    if (charset.isEmpty()) {
        // A page may name its charset in a meta tag instead.
        charset = charsetPattern.match(QString::fromLatin1(body.left(2048))).captured(1).toLower();
    }
    if (charset == QStringLiteral("utf-8") || charset == QStringLiteral("utf8")) {
        return QString::fromUtf8(body);
    }
    if (charset.startsWith(QStringLiteral("gb"))) {
        return Gbk::Decode(body);
    }
    return Gbk::IsValidUtf8(body) ? QString::fromUtf8(body) : Gbk::Decode(body);
}

bool MobileLookup::ScanRegion(const QString& html, QString& region) {
    const QList<Tag> tags = Tags(html);
    for (qsizetype i = 0; i < tags.size(); ++i) {
        qsizetype end = 0;
        if (tags[i].name == QStringLiteral("td") &&
            TagText(html, tags[i], &end).contains(kMarker)) {
            // The walk goes on where the cell's text ended: over the next tag
            // (its closing tag) to the one after it.
            qsizetype next = i + 1;
            while (next < tags.size() && tags[next].start < end) {
                ++next;
            }
            if (next + 1 >= tags.size()) {
                return false;
            }
            region = TagText(html, tags[next + 1]);
            region.replace(QStringLiteral("&nbsp;"), QStringLiteral(" "));
            region = region.trimmed();
            return true;
        }
    }
    return false;
}

void MobileLookup::SplitRegion(const QString& region, QString& first, QString& second) {
    const qsizetype blank = region.indexOf(QLatin1Char(' '), 1);
    if (blank < 0) {
        first = region;
        second.clear();
        return;
    }
    first = region.left(blank);
    second = region.mid(blank + 1).trimmed();
}

bool MobileLookup::Lookup(const QString& mobile, MobileRegion& region) {
    const QString number = mobile.trimmed();
    if (url_.isEmpty() || number.isEmpty()) {
        return false;
    }
    const QString encoded = QString::fromLatin1(Encoding::UrlEncode(number.toUtf8()));
    const QString url = QString(url_).replace(QStringLiteral("{mobile}"), encoded);
    HttpClient::Result result;
    if (body_.isEmpty()) {
        client_.SetBody(QByteArray());
        result = client_.Request(QStringLiteral("GET"), url);
    } else {
        client_.SetContentType(QStringLiteral("application/x-www-form-urlencoded"));
        client_.SetBody(QString(body_).replace(QStringLiteral("{mobile}"), encoded).toLatin1());
        result = client_.Request(QStringLiteral("POST"), url);
    }
    if (result != HttpClient::Ok || client_.StatusCode() != 200 || client_.Body().isEmpty()) {
        return false;
    }
    const QString reply = DecodeReply(client_.Body(), client_.ResponseContentType());

    if (!jsonProvince_.isEmpty() || !jsonCity_.isEmpty()) {
        const QJsonObject object = QJsonDocument::fromJson(reply.toUtf8()).object();
        region.province = JsonField(object, jsonProvince_).trimmed();
        region.city = JsonField(object, jsonCity_).trimmed();
        if (region.province.isEmpty() && region.city.isEmpty()) {
            return false;
        }
        region.whole = (region.province + QLatin1Char(' ') + region.city).trimmed();
        return true;
    }
    if (!ScanRegion(reply, region.whole)) {
        return false;
    }
    SplitRegion(region.whole, region.province, region.city);
    return true;
}

bool LookupMobileRegion(const QString& mobile, QString& province, QString& city) {
    MobileLookup lookup(ProgramPath(QStringLiteral("settings.ini")));
    MobileRegion region;
    if (!lookup.Lookup(mobile, region)) {
        return false;
    }
    province = region.province;
    city = region.city;
    return true;
}
