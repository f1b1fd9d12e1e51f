#include "GatewayRequest.h"

#include "net/Gbk.h"

#include <QCryptographicHash>
#include <QUrl>

#include <utility>
#include <vector>

namespace {

enum class Escape { Percent, Json };

QByteArray Bytes(const QString& text, GatewaySettings::Charset charset) {
    return charset == GatewaySettings::Charset::Gbk ? Gbk::Encode(text) : text.toUtf8();
}

QString JsonEscaped(const QString& value) {
    QString out;
    out.reserve(value.size() + 8);
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '"':
            out += QStringLiteral("\\\"");
            break;
        case '\\':
            out += QStringLiteral("\\\\");
            break;
        case '\n':
            out += QStringLiteral("\\n");
            break;
        case '\r':
            out += QStringLiteral("\\r");
            break;
        case '\t':
            out += QStringLiteral("\\t");
            break;
        default:
            if (c.unicode() < 0x20) {
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            } else {
                out += c;
            }
        }
    }
    return out;
}

using Values = std::vector<std::pair<QString, QString>>;

QString Fill(const QString& pattern, const Values& values, Escape escape,
             GatewaySettings::Charset charset) {
    QString out;
    out.reserve(pattern.size() + 64);
    qsizetype at = 0;
    while (at < pattern.size()) {
        const qsizetype open = pattern.indexOf(QLatin1Char('{'), at);
        if (open < 0) {
            out += QStringView(pattern).mid(at);
            break;
        }
        out += QStringView(pattern).mid(at, open - at);
        bool replaced = false;
        for (const auto& [name, value] : values) {
            const QString token = QLatin1Char('{') + name + QLatin1Char('}');
            if (QStringView(pattern).mid(open).startsWith(token)) {
                out += escape == Escape::Json
                           ? JsonEscaped(value)
                           : QString::fromLatin1(Bytes(value, charset).toPercentEncoding());
                at = open + token.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            out += QLatin1Char('{');
            at = open + 1;
        }
    }
    return out;
}

bool IsJsonBody(const GatewaySettings& settings) {
    if (!settings.contentType.isEmpty()) {
        return settings.contentType.contains(QStringLiteral("json"), Qt::CaseInsensitive);
    }
    const QString body = settings.body.trimmed();
    return body.startsWith(QLatin1Char('{')) || body.startsWith(QLatin1Char('['));
}

} // namespace

QByteArray GatewayRequest::PasswordMd5(const QString& pass, GatewaySettings::Charset charset) {
    return QCryptographicHash::hash(Bytes(pass, charset), QCryptographicHash::Md5).toHex();
}

bool GatewayRequest::Build(const QString& serverUrl, const GatewaySettings& settings,
                           const GatewayFields& fields, GatewayRequest& request, QString& error) {
    if (serverUrl.trimmed().isEmpty()) {
        error = QStringLiteral("短信服务器地址未定义");
        return false;
    }
    const QByteArray md5 = PasswordMd5(fields.pass, settings.charset);
    const Values values = {
        {QStringLiteral("user"), fields.user},
        {QStringLiteral("pass"), fields.pass},
        {QStringLiteral("pass_md5"), QString::fromLatin1(md5)},
        {QStringLiteral("PASS_MD5"), QString::fromLatin1(md5.toUpper())},
        {QStringLiteral("mobile"), fields.mobile},
        {QStringLiteral("content"), fields.content},
        {QStringLiteral("timestamp"), fields.now.toString(QStringLiteral("yyyyMMddHHmmss"))},
    };

    request.url = Fill(serverUrl.trimmed(), values, Escape::Percent, settings.charset);
    const QUrl url(request.url, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QStringLiteral("http") && scheme != QStringLiteral("https"))) {
        // The filled address may hold the password: it is not repeated here.
        error = QStringLiteral("短信服务器地址无效: 应以http://或https://开头并含有主机名");
        return false;
    }

    request.method = settings.method;
    if (request.method.isEmpty()) {
        request.method = settings.body.isEmpty() ? QStringLiteral("GET") : QStringLiteral("POST");
    }
    if (request.method != QStringLiteral("GET") && request.method != QStringLiteral("POST")) {
        error = QStringLiteral("data/smsgate.ini中的Method只能是GET或POST");
        return false;
    }
    if (request.method == QStringLiteral("GET") && !settings.body.isEmpty()) {
        error = QStringLiteral("data/smsgate.ini中Method为GET时不能有Body");
        return false;
    }

    const bool json = IsJsonBody(settings);
    request.body =
        Bytes(Fill(settings.body, values, json ? Escape::Json : Escape::Percent, settings.charset),
              settings.charset);
    request.contentType = settings.contentType;
    if (request.contentType.isEmpty()) {
        request.contentType = json ? (settings.charset == GatewaySettings::Charset::Gbk
                                          ? QStringLiteral("application/json; charset=GBK")
                                          : QStringLiteral("application/json; charset=utf-8"))
                                   : QStringLiteral("application/x-www-form-urlencoded");
    }
    return true;
}
