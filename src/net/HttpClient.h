#pragma once

#include "net/HiSocket.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QTemporaryFile>
#include <QUrl>

#include <chrono>
#include <memory>

// One HTTP request at a time over http or https (HTTP/1.1 with
// "Connection: close"): the request header, an optional body, the response
// header, up to five redirects (never from https to http), chunked bodies,
// cookies per scheme and host, and a proxy from httpclient.ini (section
// HttpClient: ProxyType, ProxyServer, ProxyPort) or from http_proxy /
// https_proxy / no_proxy; https goes through a proxy with CONNECT. A text
// response (text, xml or json) stays in memory, anything else goes to a
// temporary file that lives until the next request.
class HttpClient final {
public:
    enum Result { BadUrl = -1, Failed = 0, Ok = 1 };

    HttpClient();
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    HiSocket& Socket() { return socket_; }

    void SetReferer(const QString& referer) { referer_ = referer; }
    void SetContentType(const QString& type) { contentType_ = type; }
    void SetUserAgent(const QString& agent) { userAgent_ = agent; }
    void SetSoapAction(const QString& action) { soapAction_ = action; }
    void SetBody(const QByteArray& body) { body_ = body; }
    void SetUseCookies(bool use) { useCookies_ = use; }
    // Progress lines into the trace log.
    void SetLog(bool log) { log_ = log; }
    // httpclient.ini; without it (or without a proxy there) the environment's
    // proxy variables are used.
    void SetSettingsFile(const QString& path) { settingsFile_ = path; }
    // A bound on a whole Request, redirects included: every wait ends by then
    // and the request fails with Socket().LastError() == SocketError::TimedOut.
    // 0 (the default) leaves each stage its own bound (90 s to connect, 30 s
    // for the header and the first data of the body, 5 s between pieces).
    void SetTimeLimit(int milliseconds) { timeLimit_ = milliseconds; }

    Result Request(const QString& method, const QString& url);

    int StatusCode() const { return status_; }
    QByteArray ResponseHeader() const { return header_; }
    // A header field's value: the first with that name, without regard to case.
    QByteArray HeaderValue(const QByteArray& name) const;
    QString ResponseContentType() const { return responseType_; }
    qint64 ContentLength() const { return contentLength_; }
    bool IsText() const { return !nonText_; }
    QByteArray Body() const { return bodyText_; }
    QString TemporaryFileName() const;
    QString LastMessage() const { return lastMessage_; }
    // The cookie header that a request to `url` would carry.
    QByteArray CookieFor(const QUrl& url) const;

    // Longest response kept in memory and in a temporary file.
    static constexpr qint64 kMaxText = 32 * 1024 * 1024;
    static constexpr qint64 kMaxFile = 1024LL * 1024 * 1024;

private:
    struct Cookie {
        QByteArray name;
        QByteArray value;
        bool secure = false;
    };
    struct Proxy {
        QString host;
        int port = 0;
    };

    Result RequestOnce(const QString& method, const QUrl& url, bool withBody);
    Proxy ProxyFor(const QUrl& url) const;
    bool ReadHeader(QByteArray& rest);
    bool ReadBody(QByteArray first);
    bool Store(const QByteArray& piece);
    void StoreCookies(const QUrl& url);
    void Log(const char* stage) const;
    bool Fail(const QString& message);
    // `milliseconds`, or less when the time limit ends sooner.
    int Bounded(int milliseconds) const;

    HiSocket socket_;
    QString referer_;
    QString contentType_ = QStringLiteral("text/html");
    QString userAgent_ = QStringLiteral("Mozilla/4.0+(compatible;+MSIE+6.0;+Windows+NT+5.1;+SV1)");
    QString soapAction_;
    QByteArray body_;
    bool useCookies_ = true;
    bool log_ = false;
    QString settingsFile_;
    int timeLimit_ = 0;
    std::chrono::steady_clock::time_point deadline_;

    int status_ = 0;
    QByteArray header_;
    QString responseType_;
    qint64 contentLength_ = -1;
    qint64 received_ = 0;
    bool nonText_ = true;
    bool chunked_ = false;
    QByteArray bodyText_;
    std::unique_ptr<QTemporaryFile> file_;
    QString lastMessage_;
    QMap<QString, QList<Cookie>> cookies_; // "scheme://host:port"
};
