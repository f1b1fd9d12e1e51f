#include "../net/LoopbackPeer.h"

#include "TempProgramFolder.h"
#include "framework/MobileLookup.h"
#include "net/Gbk.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestMobileLookup : public QObject {
    Q_OBJECT

private slots:
    void scanAndSplit();
    void httpsServiceInGbk();
    void jsonAndPostModes();
    void failures();
};

namespace {

LoopbackPeer::Script Reply(const QByteArray& contentType, const QByteArray& body) {
    return [contentType, body](PeerConnection& c) {
        c.ReadUntil("\r\n\r\n");
        c.Write("HTTP/1.1 200 OK\r\nContent-Type: " + contentType +
                "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
    };
}

const QString kPage = u"<html><body><table><TR><TD class=\"k\">卡号归属地</td>\n"
                      "<td "
                      "align=left>广东&nbsp;深圳</TD></tr><tr><td>卡类型</"
                      "td><td>移动</td></tr></table></body></html>"_s;

} // namespace

void TestMobileLookup::scanAndSplit() {
    QString region;
    QVERIFY(MobileLookup::ScanRegion(kPage, region));
    QCOMPARE(region, u"广东 深圳"_s);
    QString first;
    QString second;
    MobileLookup::SplitRegion(region, first, second);
    QCOMPARE(first, u"广东"_s);
    QCOMPARE(second, u"深圳"_s);
    MobileLookup::SplitRegion(u"北京"_s, first, second);
    QCOMPARE(first, u"北京"_s);
    QCOMPARE(second, QString());

    // No marker cell, or nothing after it.
    QVERIFY(!MobileLookup::ScanRegion(u"<td>号码</td><td>广东</td>"_s, region));
    QVERIFY(!MobileLookup::ScanRegion(u"<td>卡号归属地</td>"_s, region));
    // "</tdx" does not close a cell, so the marker is still found in it.
    QVERIFY(
        MobileLookup::ScanRegion(u"<td>x</tdx>卡号归属地</td><td>江苏&nbsp;南京</td>"_s, region));
    QCOMPARE(region, u"江苏 南京"_s);
    // The tag two on is taken whatever it is; a self-closed one has no text.
    QVERIFY(MobileLookup::ScanRegion(u"<td>卡号归属地</td><br/><td>x</td>"_s, region));
    QCOMPARE(region, QString());

    QCOMPARE(MobileLookup::DecodeReply(u"广东"_s.toUtf8(), u"text/html"_s), u"广东"_s);
    QCOMPARE(MobileLookup::DecodeReply("<meta charset=\"gb2312\">" + Gbk::Encode(u"深圳"_s),
                                       u"text/html"_s)
                 .right(2),
             u"深圳"_s);
    // Broken UTF-8 in a page that says UTF-8 gives replacement characters, not a failure.
    QCOMPARE(MobileLookup::DecodeReply("a\xFF"
                                       "b",
                                       u"text/html;charset=utf-8"_s),
             u"a\uFFFDb"_s);
}

void TestMobileLookup::httpsServiceInGbk() {
    TestCertificates certificates;
    QVERIFY(certificates.IsValid());
    LoopbackPeer service(Reply("text/html; charset=GBK", Gbk::Encode(kPage)),
                         certificates.Server("good"));
    TempProgramFolder folder(false);
    QVERIFY(folder.Write(u"settings.ini"_s, "[MobileLookup]\r\nLookupURL=https://localhost:" +
                                                QByteArray::number(service.Port()) +
                                                "/search?mobile={mobile}\r\nLookupCAFile=" +
                                                certificates.Trusted().toLocal8Bit() + "\r\n"));
    QString province;
    QString city;
    QVERIFY(LookupMobileRegion(u" 13800138000 "_s, province, city));
    QCOMPARE(province, u"广东"_s);
    QCOMPARE(city, u"深圳"_s);
    service.WaitFinished();
    QVERIFY(service.Received().startsWith("GET /search?mobile=13800138000 HTTP/1.1\r\n"));
}

void TestMobileLookup::jsonAndPostModes() {
    LoopbackPeer service(Reply(
        "application/json", QStringLiteral(R"({"data":{"prov":"江苏","city":"南京"}})").toUtf8()));
    TempProgramFolder folder(false);
    QVERIFY(folder.Write(
        u"settings.ini"_s,
        "[MobileLookup]\r\nLookupURL=http://127.0.0.1:" + QByteArray::number(service.Port()) +
            "/search.asp\r\nLookupBody=action=mobile&mobile={mobile}\r\n"
            "JsonProvince=data.prov\r\nJsonCity=data.city\r\n"));
    MobileLookup lookup(folder.File(u"settings.ini"_s));
    MobileRegion region;
    QVERIFY(lookup.Lookup(u"139 0000"_s, region));
    QCOMPARE(region.whole, u"江苏 南京"_s);
    QCOMPARE(region.city, u"南京"_s);
    service.WaitFinished();
    const QByteArray request = service.Received();
    QVERIFY(request.startsWith("POST /search.asp HTTP/1.1\r\n"));
    QVERIFY(request.contains("Content-Type: application/x-www-form-urlencoded\r\n"));
    QVERIFY(request.endsWith("\r\n\r\naction=mobile&mobile=139%200000"));
}

void TestMobileLookup::failures() {
    TempProgramFolder folder(false);
    QString province;
    QString city;
    // No service configured.
    QVERIFY(!LookupMobileRegion(u"13800138000"_s, province, city));

    // An empty answer, a page without the marker, a refusal, nobody there.
    LoopbackPeer empty(Reply("text/html", QByteArray()));
    LoopbackPeer unmarked(Reply("text/html", "<td>none</td>"));
    LoopbackPeer refused([](PeerConnection& c) {
        c.ReadUntil("\r\n\r\n");
        c.Write(
            "HTTP/1.1 500 Oops\r\nContent-Type: text/html\r\n\r\n<td>卡号归属地</td><td>x y</td>");
    });
    int gone;
    {
        LoopbackPeer peer([](PeerConnection&) {});
        gone = peer.Port();
    }
    for (const int port : {empty.Port(), unmarked.Port(), refused.Port(), gone}) {
        QVERIFY(folder.Write(u"settings.ini"_s, "[MobileLookup]\r\nLookupURL=http://127.0.0.1:" +
                                                    QByteArray::number(port) + "/?m={mobile}\r\n"));
        QVERIFY2(!LookupMobileRegion(u"13800138000"_s, province, city),
                 qPrintable(QString::number(port)));
    }
}

QTEST_GUILESS_MAIN(TestMobileLookup)
#include "tst_mobilelookup.moc"
