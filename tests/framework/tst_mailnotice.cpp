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
    order.serialCode = QStringLiteral("kest001/pa[SMSCount]ss");
    order.productName = QStringLiteral("短信通");
    order.customerName = QStringLiteral("华东贸易公司");
    order.quantity = QStringLiteral("5000");
    order.email = QStringLiteral(" buyer@client.test；boss@client.test, ;");
    return order;
}

} // namespace

void TestMailNotice::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QDir(dir_->path()).mkpath(QStringLiteral("templet"));
}

void TestMailNotice::WriteTemplate(const QString& text) {
    QFile file(Folder() + QStringLiteral("templet/create_sky_user.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(Gbk::Encode(text)); // the letter is kept in GBK, as the settings are
}

void TestMailNotice::WriteSettings(const QList<QPair<QString, QString>>& values) {
    IniFile ini;
    for (const auto& [key, value] : values) {
        ini.SetString(QStringLiteral("."), key, value);
    }
    QVERIFY(ini.Save(Folder() + QStringLiteral("email.ini")));
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
        return !notice.Compose(o, message, error) ? error : QStringLiteral("(accepted)");
    };
    order.serialCode.clear();
    QCOMPARE(refused(account, order), QStringLiteral("未指定短信帐号在SerialCode中"));
    QCOMPARE(refused(delivery, order), QStringLiteral("未指定发货单号在SerialCode中"));
    order.serialCode = QStringLiteral("noslash");
    QCOMPARE(refused(account, order), QStringLiteral("未指定验证密码在SerialCode中"));
    order = SampleOrder();
    order.email = QStringLiteral(" ; ；, ");
    QCOMPARE(refused(account, order), QStringLiteral("客户没有登记电子邮件地址!"));
    order = SampleOrder();
    QCOMPARE(refused(account, order), QStringLiteral("邮件模板未建立!"));
    WriteTemplate(QString());
    QCOMPARE(refused(account, order), QStringLiteral("邮件模板未建立!"));
    WriteTemplate(QStringLiteral("hello"));
    QCOMPARE(refused(account, order), QStringLiteral("未设定邮件发送帐号email.ini"));
    WriteSettings({{QStringLiteral("From"), QStringLiteral("sales@shop.test")}});
    order.email = QStringLiteral("ok@client.test;bad address@client.test");
    QCOMPARE(refused(account, order), QStringLiteral("收件人地址无效: bad address@client.test"));
    order.email = QStringLiteral("ok@client.test");
    QCOMPARE(refused(account, order), QStringLiteral("(accepted)"));
}

void TestMailNotice::letterAndAddresses() {
    WriteTemplate(QStringLiteral(
        "[CustomerName]: [UserName] / [UserPass] / [SMSCount] 条 [ProductName] [Other]"));
    WriteSettings({{QStringLiteral("From"), QStringLiteral("sales@shop.test")}});
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
    QCOMPARE(body(account, QStringLiteral("kest001/pa[SMSCount]ss")),
             QStringLiteral("华东贸易公司: kest001 / pa[SMSCount]ss / 5000 条 短信通 [Other]"));
    QCOMPARE(body(account, QStringLiteral("acc/")),
             QStringLiteral("华东贸易公司: acc /  / 5000 条 短信通 [Other]"));
    QCOMPARE(body(account, QStringLiteral("/pw")),
             QStringLiteral("华东贸易公司:  / pw / 5000 条 短信通 [Other]"));
    QCOMPARE(body(account, QStringLiteral("a/b/c")),
             QStringLiteral("华东贸易公司: a / b/c / 5000 条 短信通 [Other]"));
    // The delivery notice puts the whole number in [UserName] and has no password.
    QCOMPARE(body(delivery, QStringLiteral("FH-2026/12")),
             QStringLiteral("华东贸易公司: FH-2026/12 / [UserPass] / 5000 条 短信通 [Other]"));

    QCOMPARE(MailNotice::SplitAddresses(QStringLiteral(" a@x.test；b@y.test,, c@z.test ;")),
             QStringList({QStringLiteral("a@x.test"), QStringLiteral("b@y.test"),
                          QStringLiteral("c@z.test")}));
    QCOMPARE(message.Recipients(MailMessage::To).size(), 2);
    QCOMPARE(message.From().address, QStringLiteral("sales@shop.test"));
}

void TestMailNotice::accountNoticeOverStartTls() {
    TestCertificates certificates;
    QVERIFY(certificates.IsValid());
    SmtpTestServer server(QStringLiteral("starttls"), certificates.File("good", "cert"),
                          certificates.File("good", "key"));
    QVERIFY(server.IsValid());
    QFile delivered(qEnvironmentVariable("TORVEL_SOURCE_DIR") +
                    QStringLiteral("/app-data/templet/create_sky_user.txt"));
    QVERIFY(delivered.open(QIODevice::ReadOnly));
    QString letter;
    TextEncoding encoding = TextEncoding::Utf8;
    QVERIFY(TextDecoding::DecodeSettings(delivered.readAll(), letter, encoding));
    QCOMPARE(encoding, TextEncoding::Gbk);
    WriteTemplate(letter);
    WriteSettings({{QStringLiteral("From"), QStringLiteral("sales@shop.test")},
                   {QStringLiteral("SMTPServer"), QStringLiteral("localhost")},
                   {QStringLiteral("SMTPPort"), QString::number(server.Port())},
                   {QStringLiteral("SMTPSecurity"), QStringLiteral("starttls")},
                   {QStringLiteral("SMTPCAFile"), certificates.Trusted()},
                   {QStringLiteral("UserName"), QStringLiteral("notice")},
                   {QStringLiteral("UserPass"), QStringLiteral("密码 1")}});

    MailNotice notice(MailNotice::Kind::Account, Folder());
    QString shown;
    QVERIFY2(notice.Send(SampleOrder(), shown), qPrintable(shown));
    QCOMPARE(shown, QStringLiteral("邮件发送成功!"));

    const QJsonObject info = server.Info(0);
    QCOMPARE(info.value(QStringLiteral("subject")).toString(),
             QStringLiteral("帐户开通: 欢迎使用Kestrine短信通!(重要信息)"));
    QCOMPARE(info.value(QStringLiteral("rcpt_tos")).toArray(),
             QJsonArray({QStringLiteral("buyer@client.test"), QStringLiteral("boss@client.test")}));
    QCOMPARE(info.value(QStringLiteral("mail_from")).toString(), QStringLiteral("sales@shop.test"));
    QString expected = letter;
    expected.replace(QStringLiteral("[CustomerName]"), QStringLiteral("华东贸易公司"))
        .replace(QStringLiteral("[ProductName]"), QStringLiteral("短信通"))
        .replace(QStringLiteral("[UserName]"), QStringLiteral("kest001"))
        .replace(QStringLiteral("[UserPass]"), QStringLiteral("pa[SMSCount]ss"))
        .replace(QStringLiteral("帐号: kest001"), QStringLiteral("帐号: kest001"));
    expected.replace(QStringLiteral("短信条数: [SMSCount]"), QStringLiteral("短信条数: 5000"));
    expected.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    QCOMPARE(info.value(QStringLiteral("body")).toString(), expected);
    QVERIFY(server.Message(0).contains("Reply-To: sales@shop.test\r\n"));
}

void TestMailNotice::deliveryNoticeWithoutLogin() {
    SmtpTestServer server(QStringLiteral("plain"));
    QVERIFY(server.IsValid());
    WriteTemplate(QStringLiteral("发货单号 [UserName], 共 [SMSCount] 件"));
    WriteSettings({{QStringLiteral("From"), QStringLiteral("sales@shop.test")},
                   {QStringLiteral("SMTPServer"), QStringLiteral("127.0.0.1")},
                   {QStringLiteral("SMTPPort"), QString::number(server.Port())}});
    MailNotice notice(MailNotice::Kind::Delivery, Folder());
    NoticeOrder order = SampleOrder();
    order.serialCode = QStringLiteral("SF1234567");
    order.email = QStringLiteral("buyer@client.test");
    QString shown;
    QVERIFY2(notice.Send(order, shown), qPrintable(shown));
    const QJsonObject info = server.Info(0);
    QCOMPARE(info.value(QStringLiteral("subject")).toString(),
             QStringLiteral("帐户开通: 欢迎使用短信通!(重要信息)"));
    QCOMPARE(info.value(QStringLiteral("body")).toString(),
             QStringLiteral("发货单号 SF1234567, 共 5000 件"));
}

void TestMailNotice::settingsFileAndStatements() {
    const QString path = Folder() + QStringLiteral("email.ini");
    WriteSettings({{QStringLiteral("Other"), QStringLiteral("kept")}});
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                    QFileDevice::ReadOther);
    MailSettings settings;
    settings.from = QStringLiteral("sales@shop.test");
    settings.server = QStringLiteral("smtp.shop.test");
    settings.port = 587;
    settings.security = QStringLiteral("starttls");
    settings.userName = QStringLiteral("sales");
    settings.userPass = QStringLiteral("秘密");
    QVERIFY(settings.Save(path));
    QCOMPARE(QFileInfo(path).permissions(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ReadUser | QFileDevice::WriteUser);
    const MailSettings loaded = MailSettings::Load(path);
    QCOMPARE(loaded.userPass, QStringLiteral("秘密"));
    QCOMPARE(loaded.port, 587);
    IniFile ini;
    QVERIFY(ini.Load(path));
    QCOMPARE(ini.GetString(QStringLiteral("."), QStringLiteral("Other")), QStringLiteral("kept"));
    QCOMPARE(MailSettings::Load(Folder() + QStringLiteral("missing.ini")).port, 25);

    QString sql;
    QString error;
    QVERIFY(MailNotice::OrderStatement(QStringLiteral("42"), sql, error));
    QCOMPARE(sql, QStringLiteral("Select * from OrderData where FDId=42"));
    QVERIFY(!MailNotice::OrderStatement(QStringLiteral("1 or 1=1"), sql, error));
    QCOMPARE(error, QStringLiteral("订单编号无效: 1 or 1=1"));
    QVERIFY(!MailNotice::OrderStatement(QString(), sql, error));
    QVERIFY(MailNotice::CustomerStatement(QStringLiteral("7"), sql, error));
    QCOMPARE(sql, QStringLiteral("Select * from CustomerData where Keyid=7"));
    QVERIFY(!MailNotice::CustomerStatement(QStringLiteral("7;drop"), sql, error));
}

QTEST_GUILESS_MAIN(TestMailNotice)
#include "tst_mailnotice.moc"
