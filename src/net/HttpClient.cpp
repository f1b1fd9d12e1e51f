#include "net/HttpClient.h"

#include "net/SocketError.h"
#include "net/TraceLog.h"

#include <QDir>
#include <QSettings>

#include <algorithm>

namespace {

constexpr int kMaxHeader = 64 * 1024;
constexpr int kMaxRedirects = 5;

bool IsRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The first line of a header block (which may be the whole block).
QByteArray FirstLine(const QByteArray& header) {
    const qsizetype end = header.indexOf('\r');
    return end >= 0 ? header.left(end) : header;
}

int DefaultPort(const QUrl& url) {
    return url.scheme() == QStringLiteral("https") ? 443 : 80;
}

QString CookieSite(const QUrl& url) {
    return url.scheme() + QStringLiteral("://") + url.host().toLower() + QLatin1Char(':') +
           QString::number(url.port(DefaultPort(url)));
}

} // namespace

HttpClient::HttpClient() = default;
HttpClient::~HttpClient() = default;

bool HttpClient::Fail(const QString& message) {
    lastMessage_ = message;
    socket_.Close();
    return false;
}

int HttpClient::Bounded(int milliseconds) const {
    if (timeLimit_ <= 0) {
        return milliseconds;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline_ - std::chrono::steady_clock::now())
                          .count();
    return int(std::clamp<qint64>(left, 0, milliseconds));
}

void HttpClient::Log(const char* stage) const {
    if (log_) {
        TraceLog::Instance().Write(
            TraceLog::ThreadLine(QByteArray("CHttpClient::Request ") + stage));
    }
}

QString HttpClient::TemporaryFileName() const {
    return file_ ? file_->fileName() : QString();
}

QByteArray HttpClient::HeaderValue(const QByteArray& name) const {
    const QList<QByteArray> lines = header_.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0) {
            return line.mid(colon + 1).trimmed();
        }
    }
    return QByteArray();
}

QByteArray HttpClient::CookieFor(const QUrl& url) const {
    const auto found = cookies_.constFind(CookieSite(url));
    if (found == cookies_.constEnd()) {
        return QByteArray();
    }
    QList<QByteArray> pairs;
    for (const Cookie& cookie : *found) {
        if (!cookie.secure || url.scheme() == QStringLiteral("https")) {
            pairs.append(cookie.name + '=' + cookie.value);
        }
    }
    return pairs.join("; ");
}

void HttpClient::StoreCookies(const QUrl& url) {
    QList<Cookie>& jar = cookies_[CookieSite(url)];
    const QList<QByteArray> lines = header_.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon <= 0 ||
            lines[i].left(colon).trimmed().compare("set-cookie", Qt::CaseInsensitive) != 0) {
            continue;
        }
        const QList<QByteArray> parts = lines[i].mid(colon + 1).left(4095).trimmed().split(';');
        const qsizetype equals = parts[0].indexOf('=');
        if (equals <= 0) {
            continue;
        }
        Cookie cookie{parts[0].left(equals).trimmed(), parts[0].mid(equals + 1).trimmed(), false};
        for (qsizetype p = 1; p < parts.size(); ++p) {
            cookie.secure = cookie.secure || parts[p].trimmed().toLower() == "secure";
        }
        bool replaced = false;
        for (Cookie& stored : jar) {
            if (stored.name == cookie.name) {
                stored = cookie;
                replaced = true;
            }
        }
        if (!replaced) {
            jar.append(cookie);
        }
    }
}

HttpClient::Proxy HttpClient::ProxyFor(const QUrl& url) const {
    if (!settingsFile_.isEmpty()) {
        QSettings settings(settingsFile_, QSettings::IniFormat);
        const int type = settings.value(QStringLiteral("HttpClient/ProxyType")).toInt();
        const QString server = settings.value(QStringLiteral("HttpClient/ProxyServer")).toString();
        const int port = settings.value(QStringLiteral("HttpClient/ProxyPort")).toInt();
        if (type != 0 && !server.isEmpty() && port != 0) {
            return {server.left(1023), port};
        }
    }
    const QString host = url.host().toLower();
    const QString noProxy = qEnvironmentVariable("no_proxy", qEnvironmentVariable("NO_PROXY"));
    for (QString entry : noProxy.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        entry = entry.trimmed().toLower();
        if (entry.startsWith(QLatin1Char('.'))) {
            entry.remove(0, 1);
        }
        if (entry == QStringLiteral("*") || host == entry ||
            host.endsWith(QLatin1Char('.') + entry)) {
            return {};
        }
    }
    const bool https = url.scheme() == QStringLiteral("https");
    QString variable =
        https ? qEnvironmentVariable("https_proxy", qEnvironmentVariable("HTTPS_PROXY"))
              : qEnvironmentVariable("http_proxy", qEnvironmentVariable("HTTP_PROXY"));
    variable = variable.trimmed();
    if (variable.isEmpty()) {
        return {};
    }
    if (!variable.contains(QStringLiteral("://"))) {
        variable.prepend(QStringLiteral("http://"));
    }
    const QUrl proxy(variable);
    return proxy.host().isEmpty() ? Proxy{} : Proxy{proxy.host(), proxy.port(80)};
}

bool HttpClient::ReadHeader(QByteArray& buffer) {
    char chunk[16384];
    for (;;) {
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        if (end >= 0) {
            header_ = buffer.left(end);
            buffer.remove(0, end + 4);
            return true;
        }
        if (buffer.size() > kMaxHeader) {
            return Fail(QStringLiteral("HTTP响应头过长(超过%1字节)\r\n").arg(kMaxHeader));
        }
        socket_.SetTimeout(Bounded(socket_.Timeout()));
        const int got = socket_.Recv(chunk, sizeof chunk);
        if (got < 0) {
            return Fail(socket_.LastMessage());
        }
        if (got == 0) {
            // The server closed before an empty line: what came is the header.
            if (buffer.isEmpty()) {
                return Fail(socket_.LastMessage());
            }
            header_ = buffer;
            buffer.clear();
            return true;
        }
        buffer.append(chunk, got);
    }
}

bool HttpClient::Store(const QByteArray& piece) {
    if (piece.isEmpty()) {
        return true;
    }
    received_ += piece.size();
    if (!nonText_) {
        if (received_ > kMaxText) {
            return Fail(QStringLiteral("响应内容过大(超过%1字节)\r\n").arg(kMaxText));
        }
        bodyText_ += piece;
        return true;
    }
    if (received_ > kMaxFile) {
        return Fail(QStringLiteral("响应内容过大(超过%1字节)\r\n").arg(kMaxFile));
    }
    if (!file_) {
        file_ =
            std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/httpXXXXXX.tmp"));
        if (!file_->open()) {
            file_.reset();
            return Fail(QStringLiteral("CHttpClient: 无法建立临时文件\r\n"));
        }
    }
    if (file_->write(piece) != piece.size() || !file_->flush()) {
        return Fail(QStringLiteral("CHttpClient: 无法写入临时文件 %1\r\n").arg(file_->fileName()));
    }
    return true;
}

bool HttpClient::ReadBody(QByteArray first) {
    QByteArray chunked = chunked_ ? first : QByteArray();
    if (!chunked_) {
        if (contentLength_ >= 0 && first.size() > contentLength_) {
            first.truncate(contentLength_);
        }
        if (!Store(first)) {
            return false;
        }
    }
    char buffer[16384];
    bool closed = false;
    for (;;) {
        // Take every complete chunk that is already here.
        while (chunked_) {
            const qsizetype lineEnd = chunked.indexOf("\r\n");
            if (lineEnd < 0) {
                if (chunked.size() > 1024) {
                    return Fail(QStringLiteral("HTTP分块格式错误\r\n"));
                }
                break;
            }
            bool ok = false;
            const qint64 size =
                chunked.left(lineEnd).split(';').first().trimmed().toLongLong(&ok, 16);
            if (!ok || size < 0) {
                return Fail(QStringLiteral("HTTP分块格式错误\r\n"));
            }
            if (size == 0) {
                socket_.Close();
                return true; // trailers, if any, are of no use here
            }
            if (size > kMaxFile) {
                return Fail(QStringLiteral("响应内容过大(超过%1字节)\r\n").arg(kMaxFile));
            }
            if (chunked.size() < lineEnd + 2 + size + 2) {
                break;
            }
            if (!Store(chunked.mid(lineEnd + 2, size))) {
                return false;
            }
            chunked.remove(0, lineEnd + 2 + size + 2);
        }
        if (!chunked_ && contentLength_ >= 0 && received_ >= contentLength_) {
            socket_.Close();
            return true;
        }
        if (closed) {
            if (chunked_ || (contentLength_ >= 0 && received_ < contentLength_)) {
                return Fail(
                    QStringLiteral("连接在响应结束前断开(已收到%1字节)\r\n").arg(received_));
            }
            return true;
        }
        // Thirty seconds for the first data of the body, five once some came.
        socket_.SetTimeout(Bounded(received_ > 0 || !chunked.isEmpty() ? 5000 : 30000));
        const int got = socket_.Recv(buffer, sizeof buffer);
        if (got < 0) {
            return Fail(socket_.LastMessage());
        }
        if (got == 0) {
            closed = true;
            continue;
        }
        if (chunked_) {
            chunked.append(buffer, got);
        } else {
            const qint64 room = contentLength_ >= 0 ? contentLength_ - received_ : got;
            if (!Store(QByteArray(buffer, int(std::min<qint64>(room, got))))) {
                return false;
            }
        }
    }
}

HttpClient::Result HttpClient::RequestOnce(const QString& method, const QUrl& url, bool withBody) {
    status_ = 0;
    header_.clear();
    responseType_.clear();
    contentLength_ = -1;
    received_ = 0;
    nonText_ = true;
    chunked_ = false;
    bodyText_.clear();
    file_.reset();

    const bool https = url.scheme() == QStringLiteral("https");
    const int port = url.port(DefaultPort(url));
    const QString host = url.host();
    const Proxy proxy = ProxyFor(url);
    const int timeout = socket_.Timeout();

    socket_.Create();
    socket_.SetTimeout(Bounded(90000));
    if (!socket_.Connect(proxy.host.isEmpty() ? host : proxy.host,
                         proxy.host.isEmpty() ? port : proxy.port)) {
        lastMessage_ = socket_.LastMessage();
        return Failed;
    }
    QByteArray pending;
    const QByteArray authority =
        (host.contains(QLatin1Char(':')) ? '[' + host.toLatin1() + ']' : host.toUtf8()) +
        (port != DefaultPort(url) ? ':' + QByteArray::number(port) : QByteArray());
    if (https && !proxy.host.isEmpty()) {
        const QByteArray target =
            (host.contains(QLatin1Char(':')) ? '[' + host.toLatin1() + ']' : host.toUtf8()) + ':' +
            QByteArray::number(port);
        if (socket_.Send("CONNECT " + target + " HTTP/1.1\r\nHost: " + target + "\r\n\r\n") < 0 ||
            !ReadHeader(pending)) {
            lastMessage_ = socket_.LastMessage();
            return Failed;
        }
        const QByteArray statusLine = FirstLine(header_);
        if (statusLine.split(' ').value(1) != "200") {
            Fail(QStringLiteral("代理服务器拒绝连接: %1\r\n").arg(QString::fromLatin1(statusLine)));
            return Failed;
        }
        pending.clear();
    }
    socket_.SetTimeout(Bounded(90000));
    if (https && !socket_.StartTls(host)) {
        lastMessage_ = socket_.LastMessage();
        return Failed;
    }

    QByteArray target = url.toEncoded(QUrl::RemoveUserInfo | QUrl::RemoveFragment);
    if (!proxy.host.isEmpty() && !https) {
        // A proxy is given the whole URL.
    } else {
        target = url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment);
        if (target.isEmpty()) {
            target = "/";
        }
    }
    QByteArray request = method.toLatin1() + ' ' + target + " HTTP/1.1\r\n";
    request += "Accept: */*\r\n";
    if (!referer_.isEmpty()) {
        request += "Referer: " + referer_.toUtf8() + "\r\n";
    }
    request += "User-Agent: " + userAgent_.toUtf8() + "\r\n";
    if (!soapAction_.isEmpty()) {
        request += "SOAPAction: \"" + soapAction_.toUtf8() + "\"\r\n";
    }
    const QByteArray body = withBody ? body_ : QByteArray();
    if (method == QStringLiteral("POST")) {
        if (!contentType_.isEmpty()) {
            request += "Content-Type: " + contentType_.toUtf8() + "\r\n";
        }
        request += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    }
    const QByteArray cookie = useCookies_ ? CookieFor(url) : QByteArray();
    if (!cookie.isEmpty()) {
        request += "Cookie: " + cookie + "\r\n";
    }
    request += "Host: " + authority + "\r\n";
    request += "Connection: close\r\n\r\n";

    Log("send header");
    socket_.SetTimeout(Bounded(90000));
    if (socket_.Send(request) != request.size()) {
        lastMessage_ = socket_.LastMessage();
        return Failed;
    }
    Log("send and recv header");
    if (!body.isEmpty() &&
        socket_.SendAndRecv(body.constData(), body.size(),
                            [&pending](const QByteArray& reply) { pending += reply; }) < 0) {
        lastMessage_ = socket_.LastMessage();
        return Failed;
    }

    Log("read header");
    socket_.SetTimeout(Bounded(30000));
    do {
        if (!ReadHeader(pending)) {
            return Failed;
        }
        const QList<QByteArray> statusLine = FirstLine(header_).split(' ');
        status_ = statusLine.value(0).startsWith("HTTP/") ? statusLine.value(1).toInt() : 0;
    } while (status_ >= 100 && status_ < 200);

    bool lengthOk = false;
    const QByteArray length = HeaderValue("Content-Length");
    contentLength_ = length.isEmpty() ? -1 : length.toLongLong(&lengthOk);
    if (!length.isEmpty() && (!lengthOk || contentLength_ < 0)) {
        Fail(QStringLiteral("HTTP响应的Content-Length无效: %1\r\n")
                 .arg(QString::fromLatin1(length)));
        return Failed;
    }
    responseType_ = QString::fromLatin1(HeaderValue("Content-Type"));
    const QString type = responseType_.toLower();
    nonText_ = !(type.contains(QStringLiteral("text")) || type.contains(QStringLiteral("xml")) ||
                 type.contains(QStringLiteral("json")));
    chunked_ = HeaderValue("Transfer-Encoding").toLower().contains("chunked");
    if (chunked_) {
        contentLength_ = -1;
    }
    if (contentLength_ > (nonText_ ? kMaxFile : kMaxText)) {
        Fail(QStringLiteral("响应内容过大(%1字节)\r\n").arg(contentLength_));
        return Failed;
    }
    StoreCookies(url);

    Log("read body");
    const bool noBody = method == QStringLiteral("HEAD") || status_ == 204 || status_ == 304;
    if (!noBody && !ReadBody(pending)) {
        return Failed;
    }
    socket_.Close();
    socket_.SetTimeout(timeout);
    Log("read ok");
    return Ok;
}

HttpClient::Result HttpClient::Request(const QString& method, const QString& url) {
    lastMessage_.clear();
    deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeLimit_);
    for (const QChar c : url) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c.isSpace()) {
            lastMessage_ = QStringLiteral("URL无效: 含有空白或换行\r\n");
            return BadUrl;
        }
    }
    QUrl current(url, QUrl::StrictMode);
    const auto usable = [](const QUrl& u) {
        return u.isValid() && !u.host().isEmpty() &&
               (u.scheme() == QStringLiteral("http") || u.scheme() == QStringLiteral("https"));
    };
    if (!usable(current)) {
        lastMessage_ = QStringLiteral("URL无效: %1\r\n").arg(url);
        return BadUrl;
    }
    QString verb = method.toUpper();
    bool withBody = true;
    for (int redirects = 0;; ++redirects) {
        const Result result = RequestOnce(verb, current, withBody);
        if (result != Ok || !IsRedirect(status_) || HeaderValue("Location").isEmpty()) {
            return result;
        }
        if (redirects == kMaxRedirects) {
            lastMessage_ = QStringLiteral("重定向次数过多(超过%1次)\r\n").arg(kMaxRedirects);
            return Failed;
        }
        const QUrl next = current.resolved(QUrl::fromEncoded(HeaderValue("Location")));
        if (!usable(next)) {
            lastMessage_ = QStringLiteral("重定向地址无效: %1\r\n")
                               .arg(QString::fromLatin1(HeaderValue("Location")));
            return Failed;
        }
        if (current.scheme() == QStringLiteral("https") &&
            next.scheme() == QStringLiteral("http")) {
            lastMessage_ = QStringLiteral("拒绝从https重定向到http: %1\r\n").arg(next.toString());
            return Failed;
        }
        if (status_ == 303 ||
            ((status_ == 301 || status_ == 302) && verb == QStringLiteral("POST"))) {
            verb = QStringLiteral("GET");
            withBody = false;
        }
        current = next;
    }
}
