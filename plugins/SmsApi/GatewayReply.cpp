#include "GatewayReply.h"

#include "net/Gbk.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <cmath>

namespace {

constexpr int kExcerpt = 80;

// Readable: no replacement characters and no control characters but the
// blanks of plain text.
bool IsReadable(const QString& text) {
    for (const QChar c : text) {
        if (c == QChar::ReplacementCharacter ||
            (c.unicode() < 0x20 && c != QLatin1Char('\t') && c != QLatin1Char('\r') &&
             c != QLatin1Char('\n')) ||
            c.unicode() == 0x7f) {
            return false;
        }
    }
    return true;
}

// An HTML or XML page: what a web server, proxy or captive portal sends in
// place of a gateway's answer.
bool IsMarkup(const QString& text) {
    return text.trimmed().startsWith(QLatin1Char('<'));
}

QString Excerpt(const QString& text, const QStringList& secrets) {
    QString shown = MaskSecrets(text, secrets).simplified();
    for (QChar& c : shown) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
            c = QLatin1Char('?');
        }
    }
    if (shown.isEmpty()) {
        return QStringLiteral("(空)");
    }
    return shown.size() > kExcerpt ? shown.left(kExcerpt) + QStringLiteral("…") : shown;
}

QString JsonText(const QJsonValue& value) {
    switch (value.type()) {
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Double: {
        // Codes are integers: 0, not 0.0 or 0e0. Beyond 2^53 a double holds
        // no exact integer anyway.
        const double number = value.toDouble();
        if (std::abs(number) < 9007199254740992.0 && std::trunc(number) == number) {
            return QString::number(static_cast<qint64>(number));
        }
        return QString::number(number);
    }
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Null:
        return QStringLiteral("null");
    case QJsonValue::Array:
        return QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact));
    case QJsonValue::Object:
        return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
    case QJsonValue::Undefined:
        break;
    }
    return QString();
}

// The value at a dotted path ("result.code", "list.0.status"); Undefined when
// any step is missing.
QJsonValue Lookup(const QJsonDocument& document, const QString& path) {
    QJsonValue current =
        document.isObject() ? QJsonValue(document.object()) : QJsonValue(document.array());
    for (const QString& step : path.split(QLatin1Char('.'))) {
        if (current.isObject()) {
            current = current.toObject().value(step);
        } else if (current.isArray()) {
            bool number = false;
            const int index = step.toInt(&number);
            if (!number || index < 0 || index >= current.toArray().size()) {
                return QJsonValue(QJsonValue::Undefined);
            }
            current = current.toArray().at(index);
        } else {
            return QJsonValue(QJsonValue::Undefined);
        }
    }
    return current;
}

} // namespace

QString MaskSecrets(QString text, const QStringList& secrets) {
    for (const QString& secret : secrets) {
        if (secret.size() >= 3) {
            text.replace(secret, QStringLiteral("***"));
        }
    }
    return text;
}

bool SuccessRule::Parse(const QString& text, SuccessRule& rule, QString& error) {
    rule = SuccessRule();
    if (text.isEmpty()) {
        return true;
    }
    if (text.startsWith(QStringLiteral("json:"), Qt::CaseInsensitive)) {
        const QString condition = text.mid(5);
        const qsizetype equals = condition.indexOf(QLatin1Char('='));
        if (equals <= 0) {
            error = QStringLiteral("data/smsgate.ini中的SuccessRule无效: %1 (应为json:字段=值)")
                        .arg(text);
            return false;
        }
        rule.kind = Kind::Json;
        rule.field = condition.left(equals).trimmed();
        rule.value = condition.mid(equals + 1).trimmed();
        return true;
    }
    rule.kind = Kind::Prefix;
    rule.value = text.startsWith(QStringLiteral("text:"), Qt::CaseInsensitive) ? text.mid(5) : text;
    return true;
}

QString GatewayReply::Text(GatewaySettings::Charset configured) const {
    const QRegularExpressionMatch named =
        QRegularExpression(QStringLiteral("charset\\s*=\\s*\"?([A-Za-z0-9_-]+)"),
                           QRegularExpression::CaseInsensitiveOption)
            .match(contentType);
    const QString charset = named.hasMatch() ? named.captured(1).toLower() : QString();
    if (charset == QStringLiteral("gbk") || charset == QStringLiteral("gb2312") ||
        charset == QStringLiteral("gb18030")) {
        return Gbk::Decode(body);
    }
    if (charset == QStringLiteral("utf-8") || charset == QStringLiteral("utf8")) {
        return QString::fromUtf8(body);
    }
    if (configured == GatewaySettings::Charset::Gbk || !Gbk::IsValidUtf8(body)) {
        return Gbk::Decode(body);
    }
    return QString::fromUtf8(body);
}

bool GatewayReply::Judge(const SuccessRule& rule, const GatewaySettings& settings,
                         const QStringList& secrets, QString& error) const {
    const QString text = Text(settings.charset);
    const bool readable = IsReadable(text);
    const QJsonDocument json = QJsonDocument::fromJson(text.toUtf8());
    const bool isJson = readable && (json.isObject() || json.isArray());

    // The gateway's own words for a refusal: its error field, else the reply.
    const auto reason = [&]() {
        if (isJson && !settings.errorField.isEmpty()) {
            const QString said = JsonText(Lookup(json, settings.errorField)).trimmed();
            if (!said.isEmpty()) {
                return MaskSecrets(said, secrets);
            }
        }
        return Excerpt(text, secrets);
    };
    const auto unrecognized = [&]() {
        error = QStringLiteral("短信网关的回答无法识别: ") + Excerpt(text, secrets);
        return false;
    };

    if (status == 0) {
        // No HTTP status line: something else listens there.
        return unrecognized();
    }
    if (status < 200 || status > 299) {
        error = QStringLiteral("短信网关返回HTTP状态%1").arg(status);
        if (readable && !IsMarkup(text) && !text.trimmed().isEmpty()) {
            error += QStringLiteral(": ") + reason();
        }
        return false;
    }
    switch (rule.kind) {
    case SuccessRule::Kind::Json: {
        if (!isJson) {
            return unrecognized();
        }
        const QJsonValue value = Lookup(json, rule.field);
        if (value.isUndefined()) {
            return unrecognized();
        }
        if (JsonText(value) == rule.value) {
            return true;
        }
        error = QStringLiteral("短信网关拒绝发送: ") + reason();
        return false;
    }
    case SuccessRule::Kind::Prefix: {
        QStringView start(text);
        while (!start.isEmpty() && start.front().isSpace()) {
            start = start.mid(1);
        }
        if (start.startsWith(rule.value)) {
            return true;
        }
        if (!readable || IsMarkup(text) || text.trimmed().isEmpty()) {
            return unrecognized();
        }
        error = QStringLiteral("短信网关拒绝发送: ") + reason();
        return false;
    }
    case SuccessRule::Kind::AnyReply:
        break;
    }
    if (!readable || IsMarkup(text)) {
        return unrecognized();
    }
    return true;
}
