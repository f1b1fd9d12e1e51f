#include "LoopbackPeer.h"

#include "net/HttpClient.h"
#include "net/TraceLog.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

class TestHttpClient : public QObject {
    Q_OBJECT

private slots:
    void init();
    void requestAndResponse();
    void headerFieldsAndChunks();
    void redirects();
    void cookies();
    void tlsAndProxies();
    void badInput();
};

namespace {

// A server that answers every request with `reply` after reading its header
// (and, when there is one, its body).
LoopbackPeer::Script Answer(const QByteArray& reply) {
    return [reply](PeerConnection& c) {
        const QByteArray header = c.ReadUntil("\r\n\r\n");
        const QRegularExpressionMatch length =
            QRegularExpression(u"Content-Length: (\\d+)"_s).match(QString::fromLatin1(header));
        if (length.hasMatch() && length.captured(1).toInt() > 0) {
            while (c.Received().size() < header.size() + length.captured(1).toInt() &&
                   c.ReadMore()) {
            }
        }
        c.Write(reply);
    };
}

// The peer's address with a path.
QString Local(const LoopbackPeer& peer, const char* path = "/") {
    return u"http://127.0.0.1:%1"_s.arg(peer.Port()) + QLatin1String(path);
}

QByteArray RequestHeader(LoopbackPeer& peer, int n = 0) {
    peer.WaitFinished(n + 1);
    const QByteArray all = peer.Received(n);
    return all.left(all.indexOf("\r\n\r\n") + 4);
}

} // namespace

void TestHttpClient::init() {
    qunsetenv("http_proxy");
    qunsetenv("https_proxy");
    qunsetenv("no_proxy");
    qunsetenv("HTTP_PROXY");
    qunsetenv("HTTPS_PROXY");
    qunsetenv("NO_PROXY");
}

void TestHttpClient::requestAndResponse() {
    QTemporaryDir dir;
    TraceLog::Instance().SetPath(dir.filePath(u"trace.log"_s));

    LoopbackPeer text(Answer("HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=GBK\r\n"
                             "Content-Length: 5\r\n\r\nhello-and-more"));
    HttpClient client;
    client.SetLog(true);
    const QString url = Local(text, "/search.asp?x=1");
    QCOMPARE(client.Request(u"GET"_s, url), HttpClient::Ok);
    QCOMPARE(client.StatusCode(), 200);
    QVERIFY(client.IsText());
    QCOMPARE(client.Body(), QByteArray("hello")); // no more than Content-Length
    QCOMPARE(client.ContentLength(), 5);
    QCOMPARE(client.ResponseContentType(), u"text/html; charset=GBK"_s);
    const QByteArray get = RequestHeader(text);
    QCOMPARE(get, "GET /search.asp?x=1 HTTP/1.1\r\nAccept: */*\r\n"
                  "User-Agent: Mozilla/4.0+(compatible;+MSIE+6.0;+Windows+NT+5.1;+SV1)\r\n"
                  "Host: 127.0.0.1:" +
                      QByteArray::number(text.Port()) + "\r\nConnection: close\r\n\r\n");
    QFile log(dir.filePath(u"trace.log"_s));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(log.readAll().count("CHttpClient::Request "), 5);
    TraceLog::Instance().SetPath(QString());

    // A POST without a body says so; a picture goes to a temporary file that
    // the next request removes.
    const QByteArray picture("\x89PNG\r\n\x1a\n\0\0", 10);
    LoopbackPeer image(Answer("HTTP/1.1 200 OK\r\nContent-Type: image/png\r\n\r\n" + picture));
    QCOMPARE(client.Request(u"POST"_s, Local(image)), HttpClient::Ok);
    QVERIFY(!client.IsText());
    QVERIFY(client.Body().isEmpty());
    const QString saved = client.TemporaryFileName();
    QFile file(saved);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), picture);
    const QByteArray post = RequestHeader(image);
    QVERIFY(post.startsWith("POST / HTTP/1.1\r\n"));
    QVERIFY(post.contains("\r\nContent-Type: text/html\r\nContent-Length: 0\r\n"));

    // The next request removes the file.
    LoopbackPeer next(Answer("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nthanks"));
    QCOMPARE(client.Request(u"GET"_s, u"http://localhost:%1/a"_s.arg(next.Port())), HttpClient::Ok);
    QVERIFY(!QFile::exists(saved));
    QCOMPARE(client.Body(), QByteArray("thanks")); // ended by the close
}

void TestHttpClient::headerFieldsAndChunks() {
    // The header arrives in pieces, with a long field, names in any case and
    // no blank after the colon; the body is chunked.
    const QByteArray longValue(30000, 'v');
    LoopbackPeer peer([&longValue](PeerConnection& c) {
        c.ReadUntil("\r\n\r\n");
        for (const QByteArray& piece :
             {QByteArray("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nX-Long: "), longValue,
              QByteArray("\r\ncontent-TYPE:text/xml\r\nTRANSFER-ENCODING: chunked\r"),
              QByteArray("\n\r\n5\r\n<a>12\r\n1a;ext=1\r\n"),
              QByteArray("abcdefghijklmnopqrstuvwxyz\r\n0\r\nTrailer: x\r\n\r\n")}) {
            c.Write(piece);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    HttpClient client;
    QCOMPARE(client.Request(u"GET"_s, Local(peer)), HttpClient::Ok);
    QVERIFY2(client.StatusCode() == 200, client.ResponseHeader().left(300).constData());
    QCOMPARE(client.HeaderValue("x-long"), longValue);
    QCOMPARE(client.ResponseContentType(), u"text/xml"_s);
    QCOMPARE(client.Body(), QByteArray("<a>12abcdefghijklmnopqrstuvwxyz"));

    // A header that never ends before the close is read as header only.
    LoopbackPeer headerOnly(Answer("HTTP/1.0 204 No Content\r\nServer: x\r\n"));
    QCOMPARE(client.Request(u"GET"_s, Local(headerOnly)), HttpClient::Ok);
    QCOMPARE(client.HeaderValue("server"), QByteArray("x"));
    QVERIFY(client.Body().isEmpty());

    // A body cut short of its length is a failure, not a silent half.
    LoopbackPeer cut(
        Answer("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 100\r\n\r\nabc"));
    QCOMPARE(client.Request(u"GET"_s, Local(cut)), HttpClient::Failed);
    QCOMPARE(client.LastMessage(), u"连接在响应结束前断开(已收到3字节)\r\n"_s);
}

void TestHttpClient::redirects() {
    LoopbackPeer target(Answer("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\narrived"));
    LoopbackPeer hop([&target](PeerConnection& c) {
        const QByteArray header = c.ReadUntil("\r\n\r\n");
        if (header.startsWith("POST /start")) {
            c.Write("HTTP/1.1 303 See Other\r\nLocation: /second\r\nContent-Length: 0\r\n\r\n");
        } else {
            c.Write("HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:" +
                    QByteArray::number(target.Port()) + "/end\r\n\r\n");
        }
    });
    HttpClient client;
    client.SetBody("x=1");
    QCOMPARE(client.Request(u"POST"_s, Local(hop, "/start")), HttpClient::Ok);
    QCOMPARE(client.Body(), QByteArray("arrived"));
    QVERIFY(RequestHeader(hop, 1).startsWith("GET /second HTTP/1.1\r\n"));
    QVERIFY(!RequestHeader(hop, 1).contains("Content-Length"));
    QVERIFY(RequestHeader(target).startsWith("GET /end HTTP/1.1\r\n"));

    // A loop ends after five redirects.
    LoopbackPeer loop(Answer("HTTP/1.1 301 Moved\r\nLocation: /again\r\n\r\n"));
    QCOMPARE(client.Request(u"GET"_s, Local(loop)), HttpClient::Failed);
    QCOMPARE(client.LastMessage(), u"重定向次数过多(超过5次)\r\n"_s);
    loop.WaitFinished(6);
    QCOMPARE(loop.Connections(), 6);
}

void TestHttpClient::cookies() {
    LoopbackPeer site([](PeerConnection& c) {
        c.ReadUntil("\r\n\r\n");
        c.Write("HTTP/1.0 200 OK\r\nSet-Cookie: sid=abc; Path=/; HttpOnly\r\n"
                "set-cookie:lang=zh\r\nSet-Cookie: token=s3; Secure\r\n"
                "Set-Cookie: sid=def\r\nContent-Type: text/plain\r\n\r\nok");
    });
    HttpClient client;
    const QString url = Local(site);
    QCOMPARE(client.Request(u"GET"_s, url), HttpClient::Ok);
    QCOMPARE(client.Request(u"GET"_s, url), HttpClient::Ok);
    // Replaced by name, joined by "; ", the Secure one kept back over http.
    QVERIFY(RequestHeader(site, 1).contains("\r\nCookie: sid=def; lang=zh\r\n"));
    QCOMPARE(client.CookieFor(QUrl(u"https://127.0.0.1:%1/"_s.arg(site.Port()))), QByteArray());
    QCOMPARE(client.CookieFor(QUrl(u"http://localhost:%1/"_s.arg(site.Port()))), QByteArray());
}

void TestHttpClient::tlsAndProxies() {
    TestCertificates certificates;
    QVERIFY(certificates.IsValid());
    LoopbackPeer secure(Answer("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n"
                               "Set-Cookie: s=1; Secure\r\nContent-Length: 2\r\n\r\nok"),
                        certificates.Server("good"));
    HttpClient client;
    client.Socket().SetCaFile(certificates.Trusted());
    const QString url = u"https://localhost:%1/x"_s.arg(secure.Port());
    QCOMPARE(client.Request(u"GET"_s, url), HttpClient::Ok);
    QCOMPARE(client.Body(), QByteArray("ok"));
    QCOMPARE(client.CookieFor(QUrl(url)), QByteArray("s=1"));

    // https never falls back to http.
    LoopbackPeer downgrade(Answer("HTTP/1.1 302 Found\r\nLocation: http://localhost/\r\n\r\n"),
                           certificates.Server("good"));
    QCOMPARE(client.Request(u"GET"_s, u"https://localhost:%1/"_s.arg(downgrade.Port())),
             HttpClient::Failed);
    QCOMPARE(client.LastMessage(), u"拒绝从https重定向到http: http://localhost/\r\n"_s);

    // An http proxy from the environment gets the whole URL.
    LoopbackPeer proxy(Answer("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nvia proxy"));
    qputenv("http_proxy", QByteArray("http://127.0.0.1:") + QByteArray::number(proxy.Port()));
    QCOMPARE(client.Request(u"GET"_s, u"http://lookup.example:8080/q?a=b"_s), HttpClient::Ok);
    QCOMPARE(client.Body(), QByteArray("via proxy"));
    const QByteArray proxied = RequestHeader(proxy);
    QVERIFY(proxied.startsWith("GET http://lookup.example:8080/q?a=b HTTP/1.1\r\n"));
    QVERIFY(proxied.contains("\r\nHost: lookup.example:8080\r\n"));
    // no_proxy keeps a host away from it.
    qputenv("no_proxy", "localhost,.example");
    LoopbackPeer direct(Answer("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\ndirect"));
    QCOMPARE(client.Request(u"GET"_s, u"http://localhost:%1/"_s.arg(direct.Port())),
             HttpClient::Ok);
    QCOMPARE(client.Body(), QByteArray("direct"));
    QCOMPARE(proxy.Connections(), 1);
    qunsetenv("no_proxy");
    qunsetenv("http_proxy");

    // https through a proxy: CONNECT, then TLS with the real host end to end.
    SSL_CTX* context = certificates.Server("good");
    LoopbackPeer tunnel([context](PeerConnection& c) {
        if (!c.ReadUntil("\r\n\r\n").startsWith("CONNECT localhost:443 HTTP/1.1\r\n")) {
            c.Write("HTTP/1.1 403 Forbidden\r\n\r\n");
            return;
        }
        c.Write("HTTP/1.1 200 Connection established\r\n\r\n");
        if (c.StartTls(context)) {
            const QByteArray request = c.ReadUntil("\r\n\r\n");
            c.Write(request.contains("\r\nHost: localhost\r\n")
                        ? "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\ntunnelled"
                        : "HTTP/1.1 400 Bad\r\n\r\n");
        }
    });
    QTemporaryDir dir;
    QFile settings(dir.filePath(u"httpclient.ini"_s));
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.write("[HttpClient]\r\nProxyType=1\r\nProxyServer=127.0.0.1\r\nProxyPort=" +
                   QByteArray::number(tunnel.Port()) + "\r\n");
    settings.close();
    client.SetSettingsFile(settings.fileName());
    QCOMPARE(client.Request(u"GET"_s, u"https://localhost/"_s), HttpClient::Ok);
    QCOMPARE(client.Body(), QByteArray("tunnelled"));
}

void TestHttpClient::badInput() {
    HttpClient client;
    for (const QString& url : {u"ftp://127.0.0.1/"_s, u"127.0.0.1/x"_s, u"http:///nohost"_s}) {
        QCOMPARE(client.Request(u"GET"_s, url), HttpClient::BadUrl);
    }
    QCOMPARE(client.Request(u"GET"_s, u"http://127.0.0.1/a b"_s), HttpClient::BadUrl);
    QCOMPARE(client.Request(u"GET"_s, u"http://127.0.0.1/\r\nX: y"_s), HttpClient::BadUrl);
    QCOMPARE(client.LastMessage(), u"URL无效: 含有空白或换行\r\n"_s);

    // A 10 GB body is refused before a byte of it is read.
    LoopbackPeer huge(Answer("HTTP/1.0 200 OK\r\nContent-Type: application/zip\r\n"
                             "Content-Length: 10737418240\r\n\r\nPK"));
    QCOMPARE(client.Request(u"GET"_s, Local(huge)), HttpClient::Failed);
    QCOMPARE(client.LastMessage(), u"响应内容过大(10737418240字节)\r\n"_s);

    // An endless header line.
    LoopbackPeer endless([](PeerConnection& c) {
        c.ReadUntil("\r\n\r\n");
        c.Write("HTTP/1.0 200 OK\r\nX: " + QByteArray(200000, 'x'));
    });
    QCOMPARE(client.Request(u"GET"_s, Local(endless)), HttpClient::Failed);
    QCOMPARE(client.LastMessage(), u"HTTP响应头过长(超过65536字节)\r\n"_s);
}

QTEST_GUILESS_MAIN(TestHttpClient)
#include "tst_httpclient.moc"
