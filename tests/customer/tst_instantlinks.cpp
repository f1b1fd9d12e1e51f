#include "ScriptedPrompt.h"
#include "TempProgramFolder.h"

#include "customer/InstantLinks.h"

#include <QtTest>

class tst_InstantLinks : public QObject {
    Q_OBJECT

private slots:
    void homePageOnlyHttp();
    void mailSplitsAndEncodes();
    void messengersFromTemplates();
    void openReportsWhatFailed();
};

namespace {

// 张三你好! as UTF-8, percent-encoded.
const QString kZhangSanHello = QStringLiteral("%E5%BC%A0%E4%B8%89%E4%BD%A0%E5%A5%BD%21");

} // namespace

void tst_InstantLinks::homePageOnlyHttp() {
    using InstantLinks::HomePage;
    QCOMPARE(HomePage(QStringLiteral(" www.example.com ")).url,
             QStringLiteral("http://www.example.com"));
    QCOMPARE(HomePage(QStringLiteral("HTTPS://example.com/a b")).url,
             QStringLiteral("https://example.com/a%20b"));
    QCOMPARE(HomePage(QStringLiteral("localhost:8080/x")).url,
             QStringLiteral("http://localhost:8080/x"));
    const InstantLink empty = HomePage(QStringLiteral("  "));
    QVERIFY(empty.url.isEmpty() && empty.error.isEmpty());

    for (const QString& page :
         {QStringLiteral("file:///etc/passwd"), QStringLiteral("javascript:alert(1)"),
          QStringLiteral(" JavaScript:alert(1)"), QStringLiteral("ftp://example.com"),
          QStringLiteral("mailto:a@b.c")}) {
        const InstantLink link = HomePage(page);
        QVERIFY2(link.url.isEmpty(), qPrintable(page));
        QCOMPARE(link.error, QStringLiteral("网站主页只能是 http 或 https 网址，不能打开:\r\n") +
                                 page.trimmed());
    }
    QCOMPARE(HomePage(QStringLiteral("//")).error, QStringLiteral("网站主页不是有效的网址:\r\n//"));
}

void tst_InstantLinks::mailSplitsAndEncodes() {
    using InstantLinks::Mail;
    QCOMPARE(Mail(QStringLiteral("a@x.com"), QStringLiteral("张三")).url,
             QStringLiteral("mailto:a@x.com?body=") + kZhangSanHello);
    // Blanks, ";", "；", "," and "，" all separate; the link joins with ",".
    QCOMPARE(
        Mail(QStringLiteral(" a@x.com  b@y.com；c@z.cn,d@w.org;，e@v.net "), QStringLiteral("张三"))
            .url,
        QStringLiteral("mailto:a@x.com,b@y.com,c@z.cn,d@w.org,e@v.net?body=") + kZhangSanHello);
    // A name cannot add headers of its own.
    QCOMPARE(Mail(QStringLiteral("a@x.com"), QStringLiteral("&cc=x@y.z")).url,
             QStringLiteral("mailto:a@x.com?body=%26cc%3Dx%40y.z%E4%BD%A0%E5%A5%BD%21"));
    QCOMPARE(Mail(QStringLiteral("a@x.com?cc=evil@y.z"), QString()).error,
             QStringLiteral("电子邮件地址无效: a@x.com?cc=evil@y.z"));
    QCOMPARE(Mail(QStringLiteral("张三"), QString()).error,
             QStringLiteral("电子邮件地址无效: 张三"));
    QCOMPARE(Mail(QStringLiteral(" ；, "), QString()).error, QStringLiteral("没有电子邮件地址"));
}

void tst_InstantLinks::messengersFromTemplates() {
    TempProgramFolder folder(false);
    LinkTemplates builtIn;
    QCOMPARE(
        builtIn.Qq(QStringLiteral(" 12345 "), QStringLiteral("张三")).url,
        QStringLiteral("https://wpa.qq.com/msgrd?v=3&uin=12345&site=%E5%BC%A0%E4%B8%89&menu=yes"));
    QCOMPARE(builtIn.Qq(QStringLiteral("12a45"), QString()).error,
             QStringLiteral("QQ号码只能由数字组成: 12a45"));
    QCOMPARE(builtIn.Qq(QString(), QString()).error, QStringLiteral("该联系人没有QQ号码"));
    QVERIFY(
        builtIn.Messenger(QStringLiteral("淘宝旺旺"), QStringLiteral("a&b"), QString())
            .url.startsWith(QStringLiteral("https://amos.alicdn.com/getcid.aw?v=2&uid=a%26b&")));
    QVERIFY(builtIn.Messenger(QStringLiteral("贸易通"), QStringLiteral("shop"), QString())
                .url.contains(QStringLiteral("uid=shop&site=cnalichn")));
    for (const QString& method : {QStringLiteral("MSN"), QString()})
        QCOMPARE(builtIn.Messenger(method, QStringLiteral("x"), QString()).error,
                 QStringLiteral("此联系方式未定义应用程序"));
    QCOMPARE(builtIn.Messenger(QStringLiteral("贸易通"), QStringLiteral(" "), QString()).error,
             QStringLiteral("该联系人没有在线沟通号码"));

    // The file overrides and adds; a template that opens files is refused.
    QVERIFY(folder.Write(QStringLiteral("links.ini"),
                         QStringLiteral("\xFEFF[QQ]\r\nTemplate=file:///tmp/{account}\r\n"
                                        "[Messengers]\r\nSkype=skype:{account}?chat\r\n")
                             .toUtf8()));
    const LinkTemplates site = LinkTemplates::FromProgramFolder();
    QCOMPARE(site.Qq(QStringLiteral("1"), QString()).error,
             QStringLiteral("链接模板不是可以打开的网址(links.ini):\r\nfile:///tmp/{account}"));
    QCOMPARE(site.Messenger(QStringLiteral("Skype"), QStringLiteral("li si"), QString()).url,
             QStringLiteral("skype:li%20si?chat"));
    QVERIFY(!site.MessengerTemplate(QStringLiteral("淘宝旺旺")).isEmpty());
}

void tst_InstantLinks::openReportsWhatFailed() {
    ScriptedPrompt prompt;
    QVERIFY(InstantLinks::Open(prompt, {QStringLiteral("https://example.com"), QString()}));
    QCOMPARE(prompt.shown.last().kind, ScriptedPrompt::Shown::Kind::Url);
    QCOMPARE(prompt.shown.last().text, QStringLiteral("https://example.com"));

    // No program for the link: the warning every link of the program gives.
    prompt.Reset();
    prompt.urlOpens = false;
    QVERIFY(!InstantLinks::Open(prompt, {QStringLiteral("mailto:a@x.com"), QString()}));
    QCOMPARE(prompt.LastMessage(), QStringLiteral("Unable to open hyperlink:\n\nThere is no "
                                                  "application associated\nwith the given "
                                                  "filename extension."));

    // A refused link is explained and never reaches the desktop.
    prompt.Reset();
    QVERIFY(!InstantLinks::Open(prompt, InstantLinks::HomePage(QStringLiteral("javascript:x"))));
    QCOMPARE(prompt.shown.size(), 1);
    QCOMPARE(prompt.shown.first().kind, ScriptedPrompt::Shown::Kind::Message);
}

QTEST_MAIN(tst_InstantLinks)
#include "tst_instantlinks.moc"
