#include "../net/LoopbackPeer.h"
#include "../net/SmtpTestServer.h"

#include "base/IniFile.h"
#include "base/TextDecoding.h"
#include "framework/MailNotice.h"
#include "net/Gbk.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestMailNotice : public QObject {
    Q_OBJECT

private slots:
    void init();
    void refusals();
    void letterAndAddresses();
    void accountNoticeOverStartTls();
    void deliveryNoticeWithoutLogin();
    void settingsFileAndStatements();

private:
    void WriteTemplate(const QString& text);
    void WriteSettings(const QList<QPair<QString, QString>>& values);
    QString Folder() const { return dir_->path() + QLatin1Char('/'); }

    std::unique_ptr<QTemporaryDir> dir_;
};

namespace {

NoticeOrder SampleOrder() {
    NoticeOrder order;
    order.serialCode = u"kest001/pa[SMSCount]ss"_s;
    order.productName = u"短信通"_s;
    order.customerName = u"华东贸易公司"_s;
    order.quantity = u"5000"_s;
    order.email = u" buyer@client.test；boss@client.test, ;"_s;
    return order;
}

} // namespace

void TestMailNotice::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QDir(dir_->path()).mkpath(u"templet"_s);
}

void TestMailNotice::WriteTemplate(const QString& text) {
    QFile file(Folder() + u"templet/create_sky_user.txt"_s);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(Gbk::Encode(text)); // the letter is kept in GBK, as the settings are
}

void TestMailNotice::WriteSettings(const QList<QPair<QString, QString>>& values) {
    IniFile ini;
    for (const auto& [key, value] : values) {
        ini.SetString(u"."_s, key, value);
    }
    QVERIFY(ini.Save(Folder() + u"email.ini"_s));
}

void TestMailNotice::refusals() {
    MailNotice account(MailNotice::Kind::Account, Folder());
    MailNotice delivery(MailNotice::Kind::Delivery, Folder());
    MailMessage message;
    QString error;
    NoticeOrder order = SampleOrder();

    // Each check in its turn, with the message the user sees.
    const auto refused = [&](MailNotice& notice, const NoticeOrder& o) {
        error.clear();
        return !notice.Compose(o, message, error) ? error : u"(accepted)"_s;
    };
    order.serialCode.clear();
    QCOMPARE(refused(account, order), u"未指定短信帐号在SerialCode中"_s);
    QCOMPARE(refused(delivery, order), u"未指定发货单号在SerialCode中"_s);
    order.serialCode = u"noslash"_s;
    QCOMPARE(refused(account, order), u"未指定验证密码在SerialCode中"_s);
    order = SampleOrder();
    order.email = u" ; ；, "_s;
    QCOMPARE(refused(account, order), u"客户没有登记电子邮件地址!"_s);
    order = SampleOrder();
    QCOMPARE(refused(account, order), u"邮件模板未建立!"_s);
    WriteTemplate(QString());
    QCOMPARE(refused(account, order), u"邮件模板未建立!"_s);
    WriteTemplate(u"hello"_s);
    QCOMPARE(refused(account, order), u"未设定邮件发送帐号email.ini"_s);
    WriteSettings({{u"From"_s, u"sales@shop.test"_s}});
    order.email = u"ok@client.test;bad address@client.test"_s;
    QCOMPARE(refused(account, order), u"收件人地址无效: bad address@client.test"_s);
    order.email = u"ok@client.test"_s;
    QCOMPARE(refused(account, order), u"(accepted)"_s);
}

void TestMailNotice::letterAndAddresses() {
    WriteTemplate(
        u"[CustomerName]: [UserName] / [UserPass] / [SMSCount] 条 [ProductName] [Other]"_s);
    WriteSettings({{u"From"_s, u"sales@shop.test"_s}});
    MailNotice account(MailNotice::Kind::Account, Folder());
    MailNotice delivery(MailNotice::Kind::Delivery, Folder());
    MailMessage message;
    QString error;
    NoticeOrder order = SampleOrder();

    const auto body = [&](MailNotice& notice, const QString& serial) {
        order.serialCode = serial;
        if (!notice.Compose(order, message, error)) {
            return error;
        }
        // The body as the server would read it: the last base64 block.
        const QByteArray composed = message.Compose();
        const QByteArray encoded = composed.mid(composed.indexOf("\r\n\r\n") + 4);
        return Gbk::Decode(QByteArray::fromBase64(encoded));
    };
    // A placeholder's name inside a value stays as it is.
    QCOMPARE(body(account, u"kest001/pa[SMSCount]ss"_s),
             u"华东贸易公司: kest001 / pa[SMSCount]ss / 5000 条 短信通 [Other]"_s);
    QCOMPARE(body(account, u"acc/"_s), u"华东贸易公司: acc /  / 5000 条 短信通 [Other]"_s);
    QCOMPARE(body(account, u"/pw"_s), u"华东贸易公司:  / pw / 5000 条 短信通 [Other]"_s);
    QCOMPARE(body(account, u"a/b/c"_s), u"华东贸易公司: a / b/c / 5000 条 短信通 [Other]"_s);
    // The delivery notice puts the whole number in [UserName] and has no password.
    QCOMPARE(body(delivery, u"FH-2026/12"_s),
             u"华东贸易公司: FH-2026/12 / [UserPass] / 5000 条 短信通 [Other]"_s);

    QCOMPARE(message.Recipients(MailMessage::To).size(), 2);
    QCOMPARE(message.From().address, u"sales@shop.test"_s);
}

void TestMailNotice::accountNoticeOverStartTls() {
    TestCertificates certificates;
    QVERIFY(certificates.IsValid());
    SmtpTestServer server(u"starttls"_s, certificates.File("good", "cert"),
                          certificates.File("good", "key"));
    QVERIFY(server.IsValid());
    QFile delivered(qEnvironmentVariable("TORVEL_SOURCE_DIR") +
                    u"/app-data/templet/create_sky_user.txt"_s);
    QVERIFY(delivered.open(QIODevice::ReadOnly));
    QString letter;
    TextEncoding encoding = TextEncoding::Utf8;
    QVERIFY(TextDecoding::DecodeSettings(delivered.readAll(), letter, encoding));
    QCOMPARE(encoding, TextEncoding::Gbk);
    WriteTemplate(letter);
    WriteSettings({{u"From"_s, u"sales@shop.test"_s},
                   {u"SMTPServer"_s, u"localhost"_s},
                   {u"SMTPPort"_s, QString::number(server.Port())},
                   {u"SMTPSecurity"_s, u"starttls"_s},
                   {u"SMTPCAFile"_s, certificates.Trusted()},
                   {u"UserName"_s, u"notice"_s},
                   {u"UserPass"_s, u"密码 1"_s}});

    MailNotice notice(MailNotice::Kind::Account, Folder());
    QString shown;
    QVERIFY2(notice.Send(SampleOrder(), shown), qPrintable(shown));
    QCOMPARE(shown, u"邮件发送成功!"_s);

    const QJsonObject info = server.Info(0);
    QCOMPARE(info.value(u"subject"_s).toString(), u"帐户开通: 欢迎使用Kestrine短信通!(重要信息)"_s);
    QCOMPARE(info.value(u"rcpt_tos"_s).toArray(),
             QJsonArray({u"buyer@client.test"_s, u"boss@client.test"_s}));
    QCOMPARE(info.value(u"mail_from"_s).toString(), u"sales@shop.test"_s);
    QString expected = letter;
    expected.replace(u"[CustomerName]"_s, u"华东贸易公司"_s)
        .replace(u"[ProductName]"_s, u"短信通"_s)
        .replace(u"[UserName]"_s, u"kest001"_s)
        .replace(u"[UserPass]"_s, u"pa[SMSCount]ss"_s);
    expected.replace(u"短信条数: [SMSCount]"_s, u"短信条数: 5000"_s);
    expected.replace(QLatin1Char('\n'), u"\r\n"_s);
    QCOMPARE(info.value(u"body"_s).toString(), expected);
    QVERIFY(server.Message(0).contains("Reply-To: sales@shop.test\r\n"));
}

void TestMailNotice::deliveryNoticeWithoutLogin() {
    SmtpTestServer server(u"plain"_s);
    QVERIFY(server.IsValid());
    WriteTemplate(u"发货单号 [UserName], 共 [SMSCount] 件"_s);
    WriteSettings({{u"From"_s, u"sales@shop.test"_s},
                   {u"SMTPServer"_s, u"127.0.0.1"_s},
                   {u"SMTPPort"_s, QString::number(server.Port())}});
    MailNotice notice(MailNotice::Kind::Delivery, Folder());
    NoticeOrder order = SampleOrder();
    order.serialCode = u"SF1234567"_s;
    order.email = u"buyer@client.test"_s;
    QString shown;
    QVERIFY2(notice.Send(order, shown), qPrintable(shown));
    const QJsonObject info = server.Info(0);
    QCOMPARE(info.value(u"subject"_s).toString(), u"帐户开通: 欢迎使用短信通!(重要信息)"_s);
    QCOMPARE(info.value(u"body"_s).toString(), u"发货单号 SF1234567, 共 5000 件"_s);
}

void TestMailNotice::settingsFileAndStatements() {
    const QString path = Folder() + u"email.ini"_s;
    WriteSettings({{u"Other"_s, u"kept"_s}});
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                    QFileDevice::ReadOther);
    MailSettings settings;
    settings.from = u"sales@shop.test"_s;
    settings.server = u"smtp.shop.test"_s;
    settings.port = 587;
    settings.security = u"starttls"_s;
    settings.userName = u"sales"_s;
    settings.userPass = u"秘密"_s;
    QVERIFY(settings.Save(path));
    QCOMPARE(QFileInfo(path).permissions(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ReadUser | QFileDevice::WriteUser);
    const MailSettings loaded = MailSettings::Load(path);
    QCOMPARE(loaded.userPass, u"秘密"_s);
    QCOMPARE(loaded.port, 587);
    IniFile ini;
    QVERIFY(ini.Load(path));
    QCOMPARE(ini.GetString(u"."_s, u"Other"_s), u"kept"_s);
    QCOMPARE(MailSettings::Load(Folder() + u"missing.ini"_s).port, 25);

    QString sql;
    QString error;
    QVERIFY(MailNotice::OrderStatement(u"42"_s, sql, error));
    QCOMPARE(sql, u"Select * from OrderData where FDId=42"_s);
    QVERIFY(!MailNotice::OrderStatement(u"1 or 1=1"_s, sql, error));
    QCOMPARE(error, u"订单编号无效: 1 or 1=1"_s);
    QVERIFY(!MailNotice::OrderStatement(QString(), sql, error));
    QVERIFY(MailNotice::CustomerStatement(u"7"_s, sql, error));
    QCOMPARE(sql, u"Select * from CustomerData where Keyid=7"_s);
    QVERIFY(!MailNotice::CustomerStatement(u"7;drop"_s, sql, error));
}

QTEST_GUILESS_MAIN(TestMailNotice)
#include "tst_mailnotice.moc"
