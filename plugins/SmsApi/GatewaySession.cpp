#include "GatewaySession.h"

#include "GatewayReply.h"
#include "GatewayRequest.h"
#include "GatewaySettings.h"

#include "net/Gbk.h"
#include "net/HttpClient.h"
#include "net/SocketError.h"
#include "net/TraceLog.h"

#include <QFile>
#include <QUrl>

#include <utility>

namespace {

// Longest reply read from a temporary file (a reply that is no text).
constexpr qint64 kMaxReply = 64 * 1024;

QString Where(const QUrl& url) {
    return url.host() + QLatin1Char(':') +
           QString::number(url.port(url.scheme() == QStringLiteral("https") ? 443 : 80));
}

QString TransportError(HttpClient& client, const QUrl& url, int timeoutSeconds) {
    const int code = client.Socket().LastError();
    const QString message = client.LastMessage().trimmed();
    if (code == SocketError::TimedOut) {
        return QStringLiteral("短信网关%1在%2秒内没有回答").arg(Where(url)).arg(timeoutSeconds);
    }
    const qsizetype tls = message.indexOf(QStringLiteral("StartTls "));
    if (tls >= 0) {
        return QStringLiteral("无法与短信网关%1建立安全连接: %2")
            .arg(Where(url), message.mid(tls + 9).trimmed());
    }
    switch (code) {
    case SocketError::ConnectionRefused:
        return QStringLiteral("无法连接短信网关%1: 连接被拒绝").arg(Where(url));
    case SocketError::HostNotFound:
    case SocketError::TryAgain:
    case SocketError::NoRecovery:
        return QStringLiteral("无法连接短信网关%1: 找不到主机").arg(Where(url));
    case SocketError::NetworkUnreachable:
    case SocketError::HostUnreachable:
    case SocketError::NetworkDown:
        return QStringLiteral("无法连接短信网关%1: 网络不通").arg(Where(url));
    default:
        break;
    }
    return QStringLiteral("与短信网关%1的通信失败: %2").arg(Where(url), message);
}

QByteArray ReplyBody(const HttpClient& client) {
    if (client.IsText()) {
        return client.Body();
    }
    QFile file(client.TemporaryFileName());
    return file.open(QIODevice::ReadOnly) ? file.read(kMaxReply) : QByteArray();
}

} // namespace

GatewaySession::GatewaySession(QString server, QString user, QString pass, QString folder)
    : server_(std::move(server)), user_(std::move(user)), pass_(std::move(pass)),
      folder_(std::move(folder)) {}

int GatewaySession::Fail(const QString& text) {
    lastError_ = Gbk::Encode(text);
    return 0;
}

int GatewaySession::Send(const QString& mobile, const QString& text) {
    lastError_.clear();
    const GatewaySettings settings =
        GatewaySettings::Read(folder_ + QStringLiteral("data/smsgate.ini"), folder_);
    SuccessRule rule;
    QString error;
    if (!SuccessRule::Parse(settings.successRule, rule, error)) {
        return Fail(error);
    }

    GatewayFields fields;
    fields.user = user_;
    fields.pass = pass_;
    fields.mobile = mobile;
    fields.content = text;
    // Gateways reject a text without the company's registered signature.
    if (!settings.signature.isEmpty() && !text.contains(settings.signature)) {
        fields.content = settings.signature + text;
    }
    fields.now = QDateTime::currentDateTime();
    GatewayRequest request;
    if (!GatewayRequest::Build(server_, settings, fields, request, error)) {
        return Fail(error);
    }
    const QStringList secrets = {
        pass_,
        QString::fromLatin1(GatewayRequest::PasswordMd5(pass_, settings.charset)),
        QString::fromLatin1(GatewayRequest::PasswordMd5(pass_, settings.charset).toUpper()),
        QString::fromLatin1(pass_.toUtf8().toPercentEncoding()),
        QString::fromLatin1(Gbk::Encode(pass_).toPercentEncoding()),
    };

    HttpClient client;
    client.SetTimeLimit(settings.timeoutSeconds * 1000);
    client.SetUserAgent(QStringLiteral("SMSAPI/1.0"));
    client.SetUseCookies(false);
    client.SetContentType(request.contentType);
    client.SetBody(request.body);
    client.SetSettingsFile(folder_ + QStringLiteral("httpclient.ini"));
    if (!settings.caFile.isEmpty()) {
        client.Socket().SetCaFile(settings.caFile);
    }

    const QUrl url(request.url);
    // Only the gateway's scheme, host and port: the path and query may carry
    // the account, and the log is no place for it.
    const QByteArray logged = "SMSAPI " + request.method.toLatin1() + ' ' +
                              url.scheme().toLatin1() + "://" + Where(url).toUtf8() + ": ";
    const HttpClient::Result result = client.Request(request.method, request.url);
    if (result == HttpClient::BadUrl) {
        error = QStringLiteral("短信服务器地址无效: 应以http://或https://开头并含有主机名");
    } else if (result == HttpClient::Failed) {
        error = MaskSecrets(TransportError(client, url, settings.timeoutSeconds), secrets);
    } else {
        // Without a status line the "header" is whatever came: judged as the reply.
        const GatewayReply reply{client.StatusCode(), client.ResponseContentType(),
                                 client.StatusCode() == 0
                                     ? client.ResponseHeader() + ReplyBody(client)
                                     : ReplyBody(client)};
        if (reply.Judge(rule, settings, secrets, error)) {
            TraceLog::Instance().Write(
                TraceLog::ThreadLine(logged + "HTTP " + QByteArray::number(reply.status) + " ok"));
            return 1;
        }
    }
    TraceLog::Instance().Write(TraceLog::ThreadLine(logged + error.toUtf8()));
    return Fail(error);
}
