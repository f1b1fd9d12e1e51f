#include "net/Gbk.h"
#include "net/MimeMessage.h"

#include <QString>
#include <QTest>
#include <QTimeZone>

using namespace Qt::StringLiterals;

namespace {

QByteArray B64(const QByteArray& bytes) {
    return bytes.toBase64();
}

// A message as Chinese mailers send it: a GBK subject, a sender name in
// UTF-8 quoted-printable, text and HTML alternatives in different charsets,
// an attachment named by RFC 2231 continuations and one by an encoded word
// in its Content-Type, and a forwarded message.
QByteArray MixedMessage() {
    const QByteArray gbkSubject = Gbk::Encode(u"关于订单的询价"_s);
    return "Return-Path: <x@y>\r\n"
           "From: =?utf-8?Q?=E5=BC=A0=E4=B8=89?= <ZhangSan@Example.COM>\r\n"
           "To: sales@ours.cn\r\n"
           "Subject: =?gbk?B?" +
           B64(gbkSubject) +
           "?=\r\n"
           "Date: Sun, 06 Dec 2026 08:05:09 +0800 (CST)\r\n"
           "MIME-Version: 1.0\r\n"
           "Content-Type: multipart/mixed;\r\n"
           "\tboundary=\"outer\"\r\n"
           "\r\n"
           "This is a multi-part message in MIME format.\r\n"
           "--outer\r\n"
           "Content-Type: multipart/alternative; boundary=inner\r\n"
           "\r\n"
           "--inner\r\n"
           "Content-Type: text/plain; charset=\"gb2312\"\r\n"
           "Content-Transfer-Encoding: quoted-printable\r\n"
           "\r\n" +
           Gbk::Encode(u"价格"_s).toPercentEncoding().replace('%', '=') + "=\r\n" +
           "OK\r\n"
           "--inner\r\n"
           "Content-Type: text/html; charset=utf-8\r\n"
           "Content-Transfer-Encoding: base64\r\n"
           "\r\n" +
           B64(u"<p>价格表</p>"_s.toUtf8()) +
           "\r\n"
           "--inner--\r\n"
           "\r\n"
           "--outer\r\n"
           "Content-Type: application/pdf\r\n"
           "Content-Disposition: attachment;\r\n"
           " filename*0*=utf-8''%E6%8A%A5%E4%BB%B7;\r\n"
           " filename*1*=%E5%8D%95.pdf\r\n"
           "Content-Transfer-Encoding: base64\r\n"
           "\r\n"
           "JVBE\r\nRi0x\r\n"
           "--outer\r\n"
           "Content-Type: application/octet-stream; name=\"=?GB2312?B?" +
           B64(Gbk::Encode(u"清单.xls"_s)) +
           "?=\"\r\n"
           "\r\n"
           "raw\r\n"
           "--outer\r\n"
           "Content-Type: message/rfc822\r\n"
           "\r\n"
           "Subject: inner\r\n"
           "\r\n"
           "forwarded\r\n"
           "--outer--\r\n"
           "epilogue\r\n";
}

} // namespace

class TestMimeMessage : public QObject {
    Q_OBJECT

private slots:
    void headerWords();
    void addresses();
    void structureAndAttachments();
    void brokenMessagesShowWhatTheyCan();
};

void TestMimeMessage::headerWords() {
    // Base64 and Q, GBK/GB2312/UTF-8; blanks between two encoded words go,
    // text around them stays.
    QCOMPARE(MimeMessage::DecodeWords("=?GB2312?B?" + B64(Gbk::Encode(u"你好"_s)) + "?="),
             u"你好"_s);
    QCOMPARE(MimeMessage::DecodeWords("Re: =?utf-8?q?=E4=BD=A0_a?=  =?utf-8?Q?=E5=A5=BD?= !"),
             u"Re: 你 a好 !"_s);
    // A character split across two words of one charset survives.
    const QByteArray bytes = u"订单"_s.toUtf8();
    QCOMPARE(MimeMessage::DecodeWords("=?UTF-8?B?" + B64(bytes.left(4)) + "?= =?UTF-8?B?" +
                                      B64(bytes.mid(4)) + "?="),
             u"订单"_s);
    // Unlabelled 8-bit text: UTF-8 when valid, else GBK; an unknown charset
    // falls back the same way; ISO-8859-1 is read as such.
    QCOMPARE(MimeMessage::DecodeWords(u"直接"_s.toUtf8()), u"直接"_s);
    QCOMPARE(MimeMessage::DecodeWords(Gbk::Encode(u"直接"_s)), u"直接"_s);
    QCOMPARE(MimeMessage::DecodeWords("=?x-nonsense?B?" + B64(Gbk::Encode(u"中"_s)) + "?="),
             u"中"_s);
    QCOMPARE(MimeMessage::DecodeWords("=?iso-8859-1?Q?caf=E9?="), u"café"_s);
    // Not an encoded word: left as written.
    QCOMPARE(MimeMessage::DecodeWords("a =?utf-8?X?zz?= b"), u"a =?utf-8?X?zz?= b"_s);
}

void TestMimeMessage::addresses() {
    QString name;
    QString address;
    MimeMessage::SplitAddress("\"=?gbk?B?" + B64(Gbk::Encode(u"李四"_s)) +
                                  "?=\" <li@a.cn>, other <o@b.cn>",
                              name, address);
    QCOMPARE(name, u"李四"_s);
    QCOMPARE(address, u"li@a.cn"_s);
    MimeMessage::SplitAddress("\"Wang, Wu\" <w@c.cn>", name, address);
    QCOMPARE(name, u"Wang, Wu"_s);
    QCOMPARE(address, u"w@c.cn"_s);
    MimeMessage::SplitAddress("old@d.cn (Old Style)", name, address);
    QCOMPARE(name, u"Old Style"_s);
    QCOMPARE(address, u"old@d.cn"_s);
    // A stored field: several addresses, any separator, compared in lower case.
    QCOMPARE(MimeMessage::AddressList(u"A <A@X.com>; b@y.com,c@z.com  b@y.com; none"_s),
             QStringList({u"a@x.com"_s, u"b@y.com"_s, u"c@z.com"_s}));
}

void TestMimeMessage::structureAndAttachments() {
    const MimeMessage message = MimeMessage::Parse(MixedMessage());
    QCOMPARE(message.Subject(), u"关于订单的询价"_s);
    QCOMPARE(message.SenderName(), u"张三"_s);
    QCOMPARE(message.SenderAddress(), u"ZhangSan@Example.COM"_s);
    QCOMPARE(message.Date().toUTC(), QDateTime(QDate(2026, 12, 6), QTime(0, 5, 9), Qt::UTC));
    // The HTML alternative is what is shown; the plain one is still there.
    QVERIFY(message.IsHtml());
    QCOMPARE(message.BodyText(), u"<p>价格表</p>"_s);
    const MimePart& alternative = message.Root().parts.at(0);
    QCOMPARE(alternative.mimeType, QByteArray("multipart/alternative"));
    QCOMPARE(alternative.parts.at(0).Text(), u"价格OK"_s);

    const QList<const MimePart*> attachments = message.Attachments();
    QCOMPARE(attachments.size(), 3);
    QCOMPARE(attachments[0]->fileName, u"报价单.pdf"_s);
    QCOMPARE(attachments[0]->Decoded(), QByteArray("%PDF-1"));
    QCOMPARE(attachments[1]->fileName, u"清单.xls"_s);
    QCOMPARE(attachments[1]->Decoded(), QByteArray("raw"));
    QCOMPARE(attachments[2]->mimeType, QByteArray("message/rfc822"));
    QCOMPARE(attachments[2]->Decoded(), QByteArray("Subject: inner\r\n\r\nforwarded"));
}

void TestMimeMessage::brokenMessagesShowWhatTheyCan() {
    // No blank line: all header, no body.
    QCOMPARE(MimeMessage::Parse("Subject: only\r\n").Subject(), u"only"_s);
    // Bare LF line ends, a missing closing delimiter, a folder in a file
    // name, base64 with junk and breaks, a lone "=" and a soft break in
    // quoted-printable, a charset nobody knows.
    const QByteArray raw = "Subject: lf\n"
                           "Content-Type: multipart/mixed; boundary=b\n"
                           "\n"
                           "--b\n"
                           "Content-Type: text/plain; charset=klingon\n"
                           "Content-Transfer-Encoding: Quoted-Printable\n"
                           "\n"
                           "a=3Db =\n"
                           "c = d=\n"
                           "--b\n"
                           "Content-Disposition: attachment; filename=\"../../etc/x.txt\"\n"
                           "Content-Transfer-Encoding: base64\n"
                           "\n"
                           "aGVs\n!!bG8=\n";
    const MimeMessage message = MimeMessage::Parse(raw);
    QCOMPARE(message.Subject(), u"lf"_s);
    QCOMPARE(message.BodyText(), u"a=b c = d"_s);
    QCOMPARE(message.Attachments().size(), 1);
    QCOMPARE(message.Attachments()[0]->fileName, u"x.txt"_s);
    QCOMPARE(message.Attachments()[0]->Decoded(), QByteArray("hello"));
    // A message nested deeper than any mailer writes ends without running
    // out of stack.
    QByteArray deep = "Content-Type: multipart/mixed; boundary=d0\r\n\r\n";
    for (int i = 0; i < 300; ++i)
        deep += "--d" + QByteArray::number(i) + "\r\nContent-Type: multipart/mixed; boundary=d" +
                QByteArray::number(i + 1) + "\r\n\r\n";
    deep += "--d300\r\n\r\ntoo deep\r\n";
    const MimeMessage nested = MimeMessage::Parse(deep);
    QVERIFY(nested.BodyText().isEmpty());
    // A missing Date or From is empty, not a crash.
    QVERIFY(!MimeMessage::Parse("Date: someday\r\n\r\n").Date().isValid());
    QVERIFY(MimeMessage::Parse("\r\nbody").SenderAddress().isEmpty());
}

QTEST_GUILESS_MAIN(TestMimeMessage)
#include "tst_mimemessage.moc"
