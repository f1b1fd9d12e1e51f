#include "../net/LoopbackPeer.h"
#include "../net/SmtpTestServer.h"
#include "ScriptedPrompt.h"
#include "TempProgramFolder.h"
#include "TestDatabases.h"

#include "base/IniFile.h"
#include "business/OrderListView.h"
#include "business/OrderNotice.h"
#include "db/DbConnection.h"
#include "framework/MailSettingsDlg.h"
#include "net/Gbk.h"
#include "ui/GridCtrl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QJsonArray>
#include <QLineEdit>
#include <QSpinBox>
#include <QtTest>

class tst_OrderNotice : public QObject {
    Q_OBJECT

private slots:
    void deliveryNoticeFromTheOrderList_data() { TestDatabase::AddEngineRows(); }
    void deliveryNoticeFromTheOrderList();
    void accountNoticeRefusalsAndStop_data() { TestDatabase::AddEngineRows(); }
    void accountNoticeRefusalsAndStop();
    void mailSettingsDialog();
};

namespace {

const QString kBag = QStringLiteral(".");

void PrepareFolder(const TempProgramFolder& folder, int port) {
    QVERIFY(
        folder.Write(QStringLiteral("templet/create_sky_user.txt"),
                     Gbk::Encode(QStringLiteral("[CustomerName]: [ProductName] 单号 [UserName]"))));
    IniFile ini;
    ini.SetString(kBag, QStringLiteral("From"), QStringLiteral("shop@torvel.test"));
    ini.SetString(kBag, QStringLiteral("SMTPServer"), QStringLiteral("127.0.0.1"));
    ini.SetInt(kBag, QStringLiteral("SMTPPort"), port);
    ini.SetString(kBag, QStringLiteral("SMTPSecurity"), QStringLiteral("none"));
    QVERIFY(ini.Save(folder.File(QStringLiteral("email.ini"))));
}

// Order 1 of customer 40 (two addresses), order 2 without a serial code,
// order 3 of a customer that is gone.
const QString kOrders = QStringLiteral(
    "insert into CustomerData (KeyId,CustomerName,Email) values "
    "(40,'华东贸易','a@client.test；b@client.test');"
    "insert into OrderData (KeyId,CustomerId,CustomerName,ProductName,SerialCode,Quantity) values "
    "(1,40,'华东贸易','打印纸','SF1001/x',5),(2,40,'华东贸易','墨盒','',1),"
    "(3,41,'已删除','墨盒','ACC/pw',1)");

} // namespace

void tst_OrderNotice::deliveryNoticeFromTheOrderList() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    SmtpTestServer server(QStringLiteral("plain"));
    QVERIFY(server.IsValid());
    PrepareFolder(folder, server.Port());
    QVERIFY(database.RunScript(kOrders));

    ScriptedPrompt prompt;
    COrderListView view(db, prompt, {QStringLiteral("admin"), true});
    view.OnCommand(COrderListView::kDeliveryNotice);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("请选择要发送通知的订单!"));

    // Newest first: row 3 is order 1. The whole serial code is the delivery
    // number; both addresses get the one message.
    view.Grid()->SetSelectedRange(3, 1, 3, 2);
    view.OnCommand(COrderListView::kDeliveryNotice);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("邮件发送成功!"));
    QCOMPARE(prompt.progressTexts.value(0), QStringLiteral("正在发送邮件..."));
    const QJsonObject info = server.Info(0);
    QCOMPARE(info.value(QStringLiteral("subject")).toString(),
             QStringLiteral("帐户开通: 欢迎使用打印纸!(重要信息)"));
    QCOMPARE(info.value(QStringLiteral("rcpt_tos")).toArray().size(), 2);
    QVERIFY(info.value(QStringLiteral("body"))
                .toString()
                .contains(QStringLiteral("华东贸易: 打印纸 单号 SF1001/x")));
}

void tst_OrderNotice::accountNoticeRefusalsAndStop() {
    TORVEL_TEST_CONNECTION(database);
    TempProgramFolder folder(false);
    // A server that accepts and never greets: only the user's stop ends it.
    LoopbackPeer silent([](PeerConnection& connection) { connection.ReadLine(); });
    PrepareFolder(folder, silent.Port());
    QVERIFY(database.RunScript(kOrders));
    ScriptedPrompt prompt;

    SendOrderNotice(prompt, db, MailNotice::Kind::Account, 9);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("订单不存在!"));
    SendOrderNotice(prompt, db, MailNotice::Kind::Account, 3);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("客户信息不存在!"));
    // What needs no server is said at once, without a progress window.
    SendOrderNotice(prompt, db, MailNotice::Kind::Account, 2);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("未指定短信帐号在SerialCode中"));
    QVERIFY(prompt.progressTexts.isEmpty());

    prompt.stopProgressAt = 5;
    QElapsedTimer timer;
    timer.start();
    SendOrderNotice(prompt, db, MailNotice::Kind::Account, 1);
    QCOMPARE(prompt.LastMessage(), QStringLiteral("邮件发送已停止"));
    QVERIFY2(timer.elapsed() < 5000, "the stop must not wait for the server's timeout");
    QCOMPARE(prompt.progressDepth, 0);
}

void tst_OrderNotice::mailSettingsDialog() {
    TempProgramFolder folder(false);
    const QString path = folder.File(QStringLiteral("email.ini"));
    QVERIFY(folder.Write(QStringLiteral("email.ini"), "[.]\r\nKeep=1\r\nSMTPPort=465\r\n"));
    ScriptedPrompt prompt;
    {
        CMailSettingsDlg dialog(prompt, path);
        QCOMPARE(dialog.Port()->value(), 465);
        dialog.From()->setText(QStringLiteral("没有at符号"));
        dialog.UserPass()->setText(QStringLiteral("秘密"));
        QVERIFY(!dialog.OnOK());
        QCOMPARE(prompt.LastMessage(), QStringLiteral("发件人地址无效: 没有at符号"));
        QCOMPARE(dialog.UserPass()->text(), QStringLiteral("秘密")); // nothing typed is lost
        dialog.From()->setText(QStringLiteral("shop@torvel.test"));
        QVERIFY(!dialog.OnOK());
        QCOMPARE(prompt.LastMessage(), QStringLiteral("请输入SMTP服务器"));
        dialog.Server()->setText(QStringLiteral("smtp.torvel.test"));
        dialog.Port()->setValue(587);
        dialog.Security()->setCurrentIndex(dialog.Security()->findData(QStringLiteral("starttls")));
        dialog.UserName()->setText(QStringLiteral("shop"));
        QVERIFY(dialog.OnOK());
    }
    QCOMPARE(QFileInfo(path).permissions() & (QFile::ReadGroup | QFile::ReadOther),
             QFileDevice::Permissions());
    const MailSettings saved = MailSettings::Load(path);
    QCOMPARE(saved.server, QStringLiteral("smtp.torvel.test"));
    QCOMPARE(saved.port, 587);
    QCOMPARE(saved.security, QStringLiteral("starttls"));
    QCOMPARE(saved.userPass, QStringLiteral("秘密"));
    IniFile ini;
    ini.Load(path);
    QCOMPARE(ini.GetString(kBag, QStringLiteral("Keep")), QStringLiteral("1"));
    // The dialog shows what is stored.
    CMailSettingsDlg again(prompt, path);
    QCOMPARE(again.Security()->currentData().toString(), QStringLiteral("starttls"));
    QCOMPARE(again.UserName()->text(), QStringLiteral("shop"));
}

QTEST_MAIN(tst_OrderNotice)
#include "tst_ordernotice.moc"
