#include "LoopbackPeer.h"
#include "TempProgramFolder.h"

#include "net/Gbk.h"
#include "net/SmsGateway.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

#include <chrono>
#include <thread>

// The delivered SMSAPI.so, copied into a throw-away program folder, against
// gateways scripted on 127.0.0.1.
class TestSmsGateway : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void loading();
    void jsonPost();
    void getInGbk();
    void failures();
    void https();
    void traceLogHoldsNoSecret();

private:
    void Configure(const QByteArray& keys);
    int32_t SendOne(const QString& text, QString& error,
                    const QString& mobile = QStringLiteral("138 0013 8000"));

    std::unique_ptr<TempProgramFolder> folder_;
    std::unique_ptr<SmsGateway> gateway_;
    QString server_;
};

namespace {

const QString kUser = QStringLiteral("张三");
const QString kPass = QStringLiteral("s3cr&t 密码");

QByteArray Md5(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex();
}

// Reads one request (header and Content-Length body), then answers `reply`.
LoopbackPeer::Script Answer(const QByteArray& reply, int delayMs = 0) {
    return [reply, delayMs](PeerConnection& c) {
        const QByteArray header = c.ReadUntil("\r\n\r\n");
        const QRegularExpressionMatch length =
            QRegularExpression(QStringLiteral("Content-Length: (\\d+)"))
                .match(QString::fromLatin1(header));
        const int body = length.hasMatch() ? length.captured(1).toInt() : 0;
        while (c.Received().size() < header.size() + body && c.ReadMore()) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        c.Write(reply);
    };
}

QByteArray Json(const QByteArray& body) {
    return "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

QByteArray Plain(const QByteArray& status, const QByteArray& type, const QByteArray& body) {
    return "HTTP/1.1 " + status + "\r\nContent-Type: " + type + "\r\n\r\n" + body;
}

struct Request {
    QByteArray line;
    QByteArray header;
    QByteArray body;
};

Request Split(LoopbackPeer& peer, int n = 0) {
    peer.WaitFinished(n + 1);
    const QByteArray all = peer.Received(n);
    const qsizetype end = all.indexOf("\r\n\r\n");
    return {all.left(all.indexOf("\r\n")), all.left(end + 2), all.mid(end + 4)};
}

} // namespace

void TestSmsGateway::initTestCase() {
    for (const char* name :
         {"http_proxy", "https_proxy", "no_proxy", "HTTP_PROXY", "HTTPS_PROXY", "NO_PROXY"}) {
        qunsetenv(name);
    }
    folder_ = std::make_unique<TempProgramFolder>(false);
    QVERIFY(QFile::copy(qEnvironmentVariable("TORVEL_APP_DIR") + QStringLiteral("/SMSAPI.so"),
                        folder_->File(SmsGateway::LibraryName())));
    gateway_ = std::make_unique<SmsGateway>(folder_->File(SmsGateway::LibraryName()));
    QVERIFY2(gateway_->Load(), qPrintable(gateway_->LoadError()));
}

void TestSmsGateway::Configure(const QByteArray& keys) {
    QVERIFY(folder_->Write(QStringLiteral("data/smsgate.ini"), "[.]\r\n" + keys));
}

int32_t TestSmsGateway::SendOne(const QString& text, QString& error, const QString& mobile) {
    const SmsGateway::Outcome outcome =
        gateway_->SendOne(server_, kUser, kPass, mobile, text, error);
    return outcome == SmsGateway::Outcome::Sent ? 1 : 0;
}

void TestSmsGateway::loading() {
    // No file, and a library that lacks the four functions.
    SmsGateway missing(folder_->File(QStringLiteral("nothing/SMSAPI.so")));
    QVERIFY(!missing.Load());
    QCOMPARE(missing.Open(QString(), kUser, kPass), 0);
    SmsGateway foreign(QStringLiteral("libc.so.6"));
    QVERIFY(!foreign.Load());
    QVERIFY(foreign.LoadError().contains(QStringLiteral("SmsOpen")));

    // Handles: distinct, never 0; a closed one is refused with a text.
    const int32_t first = gateway_->Open(QString(), kUser, kPass);
    const int32_t second = gateway_->Open(QString(), kUser, kPass);
    QVERIFY(first > 0 && second > 0 && first != second);
    gateway_->Close(first);
    QCOMPARE(gateway_->Send(first, QStringLiteral("1"), QStringLiteral("x")), -1);
    QCOMPARE(gateway_->LastError(first), QStringLiteral("短信会话无效"));
    // An empty ServerURL opens but cannot send.
    Configure("");
    QCOMPARE(gateway_->Send(second, QStringLiteral("1"), QStringLiteral("x")), 0);
    QCOMPARE(gateway_->LastError(second), QStringLiteral("短信服务器地址未定义"));
    gateway_->Close(second);
}

void TestSmsGateway::jsonPost() {
    LoopbackPeer peer(Answer(Json(R"({"code":0,"msg":"ok"})")));
    server_ = QStringLiteral("http://127.0.0.1:%1/api/send?u={user}&sig={pass_md5}&t={timestamp}")
                  .arg(peer.Port());
    Configure("Method=POST\r\n"
              "Body={\"to\":\"{mobile}\",\"text\":\"{content}\",\"pw\":\"{pass}\",\"k\":{x}}\r\n"
              "Signature=【测试公司】\r\nSuccessRule=json:code=0\r\nErrorField=msg\r\n");
    // Quotes, a line break and a placeholder in the text go out as written.
    const QString text = QStringLiteral("您好 \"A&B\"\n见 {pass}");
    QString error;
    QCOMPARE(SendOne(text, error), 1);
    const Request sent = Split(peer);
    const QRegularExpressionMatch line =
        QRegularExpression(
            QStringLiteral("^POST /api/send\\?u=%E5%BC%A0%E4%B8%89&sig=([0-9a-f]{32})"
                           "&t=(\\d{14}) HTTP/1.1$"))
            .match(QString::fromLatin1(sent.line));
    QVERIFY2(line.hasMatch(), sent.line.constData());
    QCOMPARE(line.captured(1).toLatin1(), Md5(kPass.toUtf8()));
    QVERIFY(sent.header.contains("\r\nContent-Type: application/json; charset=utf-8\r\n"));
    // Unknown braces stay; the body is JSON once the template's own {x} is.
    QVERIFY(sent.body.endsWith(",\"k\":{x}}"));
    QJsonParseError parsed{};
    const QJsonObject body =
        QJsonDocument::fromJson(QByteArray(sent.body).replace("{x}", "1"), &parsed).object();
    QCOMPARE(parsed.error, QJsonParseError::NoError);
    QCOMPARE(body.value(QStringLiteral("to")).toString(), QStringLiteral("138 0013 8000"));
    QCOMPARE(body.value(QStringLiteral("text")).toString(), QStringLiteral("【测试公司】") + text);
    QCOMPARE(body.value(QStringLiteral("pw")).toString(), kPass);

    // A text that carries the signature already gets no second one; a
    // refusal is the gateway's own words from the error field.
    LoopbackPeer refusing(Answer(Json(R"({"code":"3","msg":"余额不足"})")));
    server_ = QStringLiteral("http://127.0.0.1:%1/").arg(refusing.Port());
    QCOMPARE(SendOne(QStringLiteral("通知【测试公司】"), error), 0);
    QCOMPARE(error, QStringLiteral("短信网关拒绝发送: 余额不足"));
    const QJsonObject second =
        QJsonDocument::fromJson(Split(refusing).body.replace("{x}", "1")).object();
    QCOMPARE(second.value(QStringLiteral("text")).toString(), QStringLiteral("通知【测试公司】"));
}

void TestSmsGateway::getInGbk() {
    LoopbackPeer peer(Answer(Plain("200 OK", "text/plain", "  OK:1234")));
    server_ = QStringLiteral("http://127.0.0.1:%1/send.asp?user={user}&pwd={PASS_MD5}"
                             "&to={mobile}&msg={content}")
                  .arg(peer.Port());
    Configure("Charset=GBK\r\nSuccessRule=text:OK\r\nTimeout=5\r\n");
    QString error;
    QCOMPARE(SendOne(QStringLiteral("中 a+b&c=d"), error, QStringLiteral("13800138000")), 1);
    const QByteArray expected =
        "GET /send.asp?user=%D5%C5%C8%FD&pwd=" + Md5(Gbk::Encode(kPass)).toUpper() +
        "&to=13800138000&msg=%D6%D0%20a%2Bb%26c%3Dd HTTP/1.1";
    QCOMPARE(Split(peer).line, expected);

    // A reply without the prefix is a refusal in the gateway's words, which
    // arrive in GBK as the Content-Type says.
    LoopbackPeer refusing(Answer(Plain("200 OK", "text/plain; charset=gbk",
                                       Gbk::Encode(QStringLiteral("ERR 101 账号错误")))));
    server_ = QStringLiteral("http://127.0.0.1:%1/x?m={mobile}").arg(refusing.Port());
    QCOMPARE(SendOne(QStringLiteral("x"), error), 0);
    QCOMPARE(error, QStringLiteral("短信网关拒绝发送: ERR 101 账号错误"));
}

void TestSmsGateway::failures() {
    Configure("SuccessRule=json:result.code=0\r\nErrorField=result.msg\r\nTimeout=1\r\n");
    QString error;

    // A web page where the gateway should answer, and bytes that are no text.
    LoopbackPeer html(Answer(Plain(
        "200 OK", "text/html", "<html><body>Login " + kPass.toUtf8() + " expired</body></html>")));
    server_ = QStringLiteral("http://127.0.0.1:%1/").arg(html.Port());
    QCOMPARE(SendOne(QStringLiteral("x"), error), 0);
    QCOMPARE(error,
             QStringLiteral("短信网关的回答无法识别: <html><body>Login *** expired</body></html>"));
    LoopbackPeer binary(Answer(Plain("200 OK", "application/octet-stream",
                                     QByteArray("\x01\x02\xff\xfe", 4) + QByteArray(200, 'z'))));
    server_ = QStringLiteral("http://127.0.0.1:%1/").arg(binary.Port());
    QCOMPARE(SendOne(QStringLiteral("x"), error), 0);
    QVERIFY2(error.startsWith(QStringLiteral("短信网关的回答无法识别: ")) &&
                 error.endsWith(QStringLiteral("z…")),
             qPrintable(error));

    // Something that is no web server at all.
    LoopbackPeer mail(Answer("220 mail.example ESMTP\r\n\r\n"));
    server_ = QStringLiteral("http://127.0.0.1:%1/").arg(mail.Port());
    QCOMPARE(SendOne(QStringLiteral("x"), error), 0);
    QCOMPARE(error, QStringLiteral("短信网关的回答无法识别: 220 mail.example ESMTP"));

    // An HTTP error status, with the gateway's words when it gives any.
    LoopbackPeer status(
        Answer(Plain("503 Busy", "application/json", R"({"result":{"code":9,"msg":"系统繁忙"}})")));
    server_ = QStringLiteral("http://127.0.0.1:%1/").arg(status.Port());
    QCOMPARE(SendOne(QStringLiteral("x"), error), 0);
    QCOMPARE(error, QStringLiteral("短信网关返回HTTP状态503: 系统繁忙"));

    // A gateway that answers after the one second Timeout allows.
    LoopbackPeer slow(Answer(Json(R"({"result":{"code":0}})"), 2500));
    server_ = QStringLiteral("http://127.0.0.1:%1/").arg(slow.Port());
    QCOMPARE(SendOne(QStringLiteral("x"), error), 0);
    QCOMPARE(error, QStringLiteral("短信网关127.0.0.1:%1在1秒内没有回答").arg(slow.Port()));

    // Nobody listening.
    int port = 0;
    {
        LoopbackPeer gone(Answer(QByteArray()));
        port = gone.Port();
    }
    server_ = QStringLiteral("http://127.0.0.1:%1/").arg(port);
    QCOMPARE(SendOne(QStringLiteral("x"), error), 0);
    QCOMPARE(error, QStringLiteral("无法连接短信网关127.0.0.1:%1: 连接被拒绝").arg(port));

    // Settings that cannot make a request: said before anything is sent.
    server_ = QStringLiteral("ftp://127.0.0.1/{pass}");
    QCOMPARE(SendOne(QStringLiteral("x"), error), 0);
    QCOMPARE(error, QStringLiteral("短信服务器地址无效: 应以http://或https://开头并含有主机名"));
    server_ = QStringLiteral("http://127.0.0.1:%1/").arg(port);
    Configure("SuccessRule=json:code\r\n");
    QCOMPARE(SendOne(QStringLiteral("x"), error), 0);
    QCOMPARE(error,
             QStringLiteral("data/smsgate.ini中的SuccessRule无效: json:code (应为json:字段=值)"));
}

void TestSmsGateway::https() {
    TestCertificates certificates;
    QVERIFY(certificates.IsValid());
    LoopbackPeer secure(Answer(Plain("200 OK", "text/plain", "0,sent")),
                        certificates.Server("good"));
    server_ = QStringLiteral("https://localhost:%1/sms?p={pass}").arg(secure.Port());
    Configure("SuccessRule=0,\r\nCaFile=" + certificates.Trusted().toUtf8() + "\r\n");
    QString error;
    QCOMPARE(SendOne(QStringLiteral("x"), error), 1);
    QVERIFY(Split(secure).line.startsWith("GET /sms?p=s3cr%26t%20%E5%AF%86%E7%A0%81 "));

    // The same gateway without its CA among the trusted ones.
    Configure("SuccessRule=0,\r\n");
    QCOMPARE(SendOne(QStringLiteral("x"), error), 0);
    QVERIFY2(
        error.startsWith(QStringLiteral("无法与短信网关localhost:%1建立安全连接: 服务器证书无效")
                             .arg(secure.Port())),
        qPrintable(error));
}

void TestSmsGateway::traceLogHoldsNoSecret() {
    const QByteArray log = folder_->Read(QStringLiteral("trace.log"));
    QVERIFY(log.contains("SMSAPI POST http://127.0.0.1:"));
    QVERIFY(log.contains(" ok\r\n"));
    QVERIFY(log.contains("短信网关拒绝发送: 余额不足"));
    for (const QByteArray& secret : {kPass.toUtf8(), kPass.toUtf8().toPercentEncoding(),
                                     Gbk::Encode(kPass).toPercentEncoding(), Md5(kPass.toUtf8()),
                                     Md5(Gbk::Encode(kPass)).toUpper(), QByteArray("s3cr")}) {
        QVERIFY2(!log.contains(secret), secret.constData());
    }
}

QTEST_GUILESS_MAIN(TestSmsGateway)
#include "tst_smsgateway.moc"
