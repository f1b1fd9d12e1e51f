#include "../net/LoopbackPeer.h"
#include "RefusingTrigger.h"
#include "ScriptedPrompt.h"
#include "TempProgramFolder.h"
#include "TestDatabases.h"

#include "base/IniFile.h"
#include "customer/SmsDlg.h"
#include "customer/SmsTraceRecord.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "net/SmsGateway.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <sys/stat.h>

class tst_SmsDlg : public QObject {
    Q_OBJECT

private slots:
    void init();
    void openingAndCounter();
    void failuresKeepTheDialog();
    void sendingStoresTheAccount();
    void recordSentSms_data() { TestDatabase::AddEngineRows(); }
    void recordSentSms();
};

namespace {

const QString kSettings = QStringLiteral("data/smsgate.ini");

bool InstallLibrary(const TempProgramFolder& folder) {
    return QFile::copy(qEnvironmentVariable("TORVEL_APP_DIR") + QStringLiteral("/SMSAPI.so"),
                       folder.File(SmsGateway::LibraryName()));
}

// A gateway that reads one request and answers `json` after `delayMs`.
LoopbackPeer::Script Gateway(const QByteArray& json, int delayMs = 0) {
    return [json, delayMs](PeerConnection& c) {
        const QByteArray header = c.ReadUntil("\r\n\r\n");
        const QRegularExpressionMatch length =
            QRegularExpression(QStringLiteral("Content-Length: (\\d+)"))
                .match(QString::fromLatin1(header));
        const int body = length.hasMatch() ? length.captured(1).toInt() : 0;
        while (c.Received().size() < header.size() + body && c.ReadMore()) {
        }
        QThread::msleep(static_cast<unsigned long>(delayMs));
        c.Write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n\r\n" + json);
    };
}

QByteArray Settings(int port) {
    return "[.]\r\nServerURL=http://127.0.0.1:" + QByteArray::number(port) +
           "/send?u={user}&p={pass}\r\nUserName=old\r\nUserPass=oldpass\r\n"
           "Body={\"to\":\"{mobile}\",\"text\":\"{content}\"}\r\n"
           "SuccessRule=json:code=0\r\nErrorField=msg\r\nNote=kept\r\n";
}

int Mode(const QString& path) {
    struct stat status {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? int(status.st_mode & 0777)
                                                                     : -1;
}

} // namespace

void tst_SmsDlg::init() {
    for (const char* name : {"http_proxy", "HTTP_PROXY", "no_proxy", "NO_PROXY"}) {
        qunsetenv(name);
    }
}

void tst_SmsDlg::openingAndCounter() {
    TempProgramFolder folder(false);
    ScriptedPrompt prompt;
    {
        // No settings file: the warning, once, and a usable dialog.
        CSmsDlg dialog(prompt, QStringLiteral("139 0000 0000"));
        QCOMPARE(
            prompt.Messages(),
            QStringList{QStringLiteral("短信服务器地址未定义\r\ndata\\smsgate.ini[.\\ServerURL]")});
        QCOMPARE(dialog.windowTitle(), QStringLiteral("发送短信"));
        QCOMPARE(dialog.ServerUrl(), QString());
        QCOMPARE(dialog.MobileEdit()->text(), QStringLiteral("139 0000 0000"));
        QCOMPARE(dialog.PasswordEdit()->echoMode(), QLineEdit::Password);
        QCOMPARE(dialog.CounterLabel()->text(), QStringLiteral("字数: 0 / 60"));
        dialog.ContentEdit()->setPlainText(QString(70, QChar(0x4E2D)));
        QCOMPARE(dialog.CounterLabel()->text(), QStringLiteral("字数: 70 / 60"));
        // A character outside the basic plane is one character, not two.
        dialog.ContentEdit()->setPlainText(QStringLiteral("a中") +
                                           QString::fromUcs4(U"\U0001F600"));
        QCOMPARE(dialog.CounterLabel()->text(), QStringLiteral("字数: 3 / 60"));
    }

    prompt.Reset();
    QVERIFY(folder.Write(kSettings, Settings(1)));
    CSmsDlg dialog(prompt, QString());
    QVERIFY(prompt.Messages().isEmpty());
    QCOMPARE(dialog.AccountEdit()->text(), QStringLiteral("old"));
    QCOMPARE(dialog.PasswordEdit()->text(), QStringLiteral("oldpass"));
    QCOMPARE(dialog.ServerUrl(), QStringLiteral("http://127.0.0.1:1/send?u={user}&p={pass}"));
}

void tst_SmsDlg::failuresKeepTheDialog() {
    TempProgramFolder folder(false);
    LoopbackPeer peer(Gateway(R"({"code":7,"msg":"密码错误"})", 1200));
    const QByteArray settings = Settings(peer.Port());
    QVERIFY(folder.Write(kSettings, settings));
    ScriptedPrompt prompt;
    CSmsDlg dialog(prompt, QStringLiteral("13800138000"));
    dialog.ContentEdit()->setPlainText(QStringLiteral("你好"));

    // No library in the program folder.
    QVERIFY(!dialog.OnOK());
    QCOMPARE(prompt.LastMessage(), QStringLiteral("无法打开短信接口"));

    // An empty account asks for one and goes nowhere.
    QVERIFY(InstallLibrary(folder));
    dialog.AccountEdit()->clear();
    QVERIFY(!dialog.OnOK());
    QCOMPARE(prompt.LastMessage(), QStringLiteral("请输入用户名"));
    QCOMPARE(peer.Connections(), 0);

    // A refusal that takes a while: meanwhile the window's events go on, the
    // controls are off and the dialog cannot be closed; then the gateway's
    // words, and nothing stored.
    dialog.AccountEdit()->setText(QStringLiteral("new"));
    bool enabledDuringSend = true;
    bool closed = false;
    connect(&dialog, &QDialog::finished, this, [&closed] { closed = true; });
    QTimer::singleShot(100, &dialog, [&] {
        enabledDuringSend = dialog.ContentEdit()->isEnabled();
        dialog.reject();
    });
    QVERIFY(!dialog.OnOK());
    QVERIFY(!enabledDuringSend);
    QVERIFY(!closed);
    QVERIFY(dialog.ContentEdit()->isEnabled());
    QCOMPARE(prompt.LastMessage(), QStringLiteral("短信网关拒绝发送: 密码错误"));
    QCOMPARE(peer.Connections(), 1);
    QCOMPARE(prompt.waitCount, 1);
    QCOMPARE(prompt.waitDepth, 0);
    QCOMPARE(folder.Read(kSettings), settings);
}

void tst_SmsDlg::sendingStoresTheAccount() {
    TempProgramFolder folder(false);
    QVERIFY(InstallLibrary(folder));
    LoopbackPeer peer(Gateway(R"({"code":0})"));
    QVERIFY(folder.Write(kSettings, Settings(peer.Port())));
    QVERIFY(QFile::setPermissions(folder.File(kSettings), QFileDevice::ReadOwner |
                                                              QFileDevice::WriteOwner |
                                                              QFileDevice::ReadOther));

    // 500 characters with blanks at both ends, to a number with blanks: all
    // go out as typed, the counter only counts.
    const QString text =
        QStringLiteral(" 通知") + QString(495, QLatin1Char('x')) + QStringLiteral("。 ");
    ScriptedPrompt prompt;
    QString counter;
    prompt.QueueModal([&](QDialog& shown) {
        auto& dialog = static_cast<CSmsDlg&>(shown);
        dialog.AccountEdit()->setText(QStringLiteral("王五"));
        dialog.PasswordEdit()->setText(QStringLiteral("p@ss"));
        dialog.ContentEdit()->setPlainText(text);
        counter = dialog.CounterLabel()->text();
        dialog.OnOK();
        return dialog.result();
    });
    QString sent;
    QVERIFY(RunSmsDialog(prompt, nullptr, QStringLiteral(" 138-0013-8000"), sent));
    QCOMPARE(sent, text);
    QCOMPARE(counter, QStringLiteral("字数: 500 / 60"));
    QCOMPARE(prompt.Messages(), QStringList{QStringLiteral("短信发送成功")});
    peer.WaitFinished();
    const QByteArray request = peer.Received();
    QVERIFY(request.startsWith("POST /send?u=%E7%8E%8B%E4%BA%94&p=p%40ss HTTP/1.1\r\n"));
    QVERIFY(request.contains(QByteArray("\"to\":\" 138-0013-8000\",\"text\":\"") + text.toUtf8() +
                             '"'));

    // The account typed is stored, the rest of the file kept, for the owner only.
    IniFile stored;
    QVERIFY(stored.Load(folder.File(kSettings)));
    QCOMPARE(stored.GetString(QStringLiteral("."), QStringLiteral("UserName")),
             QStringLiteral("王五"));
    QCOMPARE(stored.GetString(QStringLiteral("."), QStringLiteral("UserPass")),
             QStringLiteral("p@ss"));
    QCOMPARE(stored.GetString(QStringLiteral("."), QStringLiteral("Note")), QStringLiteral("kept"));
    QCOMPARE(stored.GetString(QStringLiteral("."), QStringLiteral("SuccessRule")),
             QStringLiteral("json:code=0"));
    QCOMPARE(Mode(folder.File(kSettings)), 0600);
}

void tst_SmsDlg::recordSentSms() {
    TORVEL_TEST_CONNECTION(database);
    ScriptedPrompt prompt;
    const SmsRecipient recipient{42, QStringLiteral("O'Neil 公司"), QStringLiteral("李四"),
                                 QStringLiteral("zhang")};
    const int key = RecordSentSms(prompt, db, recipient, QStringLiteral("明天'发货'"));
    QVERIFY(key > 0);
    QVERIFY(prompt.Messages().isEmpty());
    DbRecordset row(db);
    QVERIFY(row.Open(QStringLiteral("select * from TraceData where KeyId=%1").arg(key)));
    QVERIFY(!row.IsEOF());
    QCOMPARE(row.GetLong(QStringLiteral("CustomerId")), 42);
    QCOMPARE(row.GetString(QStringLiteral("CustomerName")), recipient.customerName);
    QCOMPARE(row.GetString(QStringLiteral("Contact")), QStringLiteral("李四"));
    QCOMPARE(row.GetString(QStringLiteral("Handler")), QStringLiteral("zhang"));
    QCOMPARE(row.GetString(QStringLiteral("Title")), QStringLiteral("短信:明天'发货'"));
    QCOMPARE(row.GetString(QStringLiteral("FDText")), QString());
    QVERIFY(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"))
                .match(row.GetString(QStringLiteral("FDTime")))
                .hasMatch());

    // A refused insert shows the statement and the reason.
    QVERIFY(AddRefusingTrigger(db, QStringLiteral("TraceData"), QStringLiteral("insert"),
                               QStringLiteral("new.CustomerId=42")));
    QCOMPARE(RecordSentSms(prompt, db, recipient, QStringLiteral("x")), 0);
    const QString shown = prompt.LastMessage();
    QVERIFY2(shown.startsWith(QStringLiteral("insert into TraceData(")) &&
                 shown.contains(QStringLiteral("'短信:x'")) &&
                 shown.contains(QStringLiteral("\r\n")) &&
                 shown.contains(QStringLiteral("refused")),
             qPrintable(shown));
}

QTEST_MAIN(tst_SmsDlg)
#include "tst_smsdlg.moc"
