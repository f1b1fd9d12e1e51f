#include "customer/InstantLinks.h"

#include "base/IniFile.h"
#include "base/ProgramFolder.h"
#include "ui/HyperlinkLabel.h"
#include "ui/Prompt.h"

#include <QRegularExpression>
#include <QStringList>
#include <QUrl>

namespace {

// The providers' current public web entries; each opens the messenger when it
// is installed and a web page otherwise.
const QString kQqTemplate =
    QStringLiteral("https://wpa.qq.com/msgrd?v=3&uin={account}&site={name}&menu=yes");
const QString kWangwangTemplate =
    QStringLiteral("https://amos.alicdn.com/getcid.aw?v=2&uid={account}&site=cntaobao&s=1&"
                   "groupid=0&charset=utf-8");
const QString kAlitalkTemplate =
    QStringLiteral("https://amos.alicdn.com/getcid.aw?v=2&uid={account}&site=cnalichn&s=1&"
                   "groupid=0&charset=utf-8");

InstantLink Refused(const QString& error) {
    return {QString(), error};
}

InstantLink Url(const QUrl& url) {
    return {url.toString(QUrl::FullyEncoded), QString()};
}

QString Encoded(const QString& text) {
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

bool IsRefusedScheme(const QString& scheme) {
    const QString lower = scheme.toLower();
    return lower.isEmpty() || lower == u"file" || lower == u"javascript" || lower == u"data" ||
           lower == u"vbscript";
}

} // namespace

InstantLink InstantLinks::HomePage(const QString& text) {
    QString page = text.trimmed();
    if (page.isEmpty())
        return {};
    // "name:" at the start is a scheme unless digits follow (host:port).
    static const QRegularExpression schemePrefix(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*):(.?)"));
    const QRegularExpressionMatch match = schemePrefix.match(page);
    const bool hasScheme =
        match.hasMatch() && !(match.captured(2).size() == 1 && match.captured(2).at(0).isDigit());
    if (hasScheme) {
        const QString scheme = match.captured(1).toLower();
        if (scheme != u"http" && scheme != u"https")
            return Refused(QStringLiteral("网站主页只能是 http 或 https 网址，不能打开:\r\n") +
                           page);
    } else {
        page.prepend(QStringLiteral("http://"));
    }
    const QUrl url(page, QUrl::TolerantMode);
    if (!url.isValid() || url.host().isEmpty())
        return Refused(QStringLiteral("网站主页不是有效的网址:\r\n") + text.trimmed());
    return Url(url);
}

InstantLink InstantLinks::Mail(const QString& addresses, const QString& name) {
    static const QRegularExpression separators(QStringLiteral("[\\s,;，；]+"));
    // Characters that would end the address part of a mailto: or start a
    // header of its own are not part of any address a user means.
    static const QRegularExpression address(
        QStringLiteral("^[^@\\s<>()\\[\\]\\\\:\"?&#%/]+@[^@\\s<>()\\[\\]\\\\:\"?&#%/]+$"));
    const QStringList parts = addresses.split(separators, Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return Refused(QStringLiteral("没有电子邮件地址"));
    for (const QString& part : parts) {
        if (!address.match(part).hasMatch())
            return Refused(QStringLiteral("电子邮件地址无效: ") + part);
    }
    QUrl url;
    url.setScheme(QStringLiteral("mailto"));
    url.setPath(parts.join(QLatin1Char(',')), QUrl::DecodedMode);
    url.setQuery(QStringLiteral("body=") + Encoded(name + QStringLiteral("你好!")),
                 QUrl::StrictMode);
    if (!url.isValid())
        return Refused(QStringLiteral("电子邮件地址无效: ") + addresses.trimmed());
    return Url(url);
}

InstantLink InstantLinks::FromTemplate(const QString& urlTemplate, const QString& account,
                                       const QString& name) {
    QString text = urlTemplate.trimmed();
    text.replace(QStringLiteral("{account}"), Encoded(account.trimmed()));
    text.replace(QStringLiteral("{name}"), Encoded(name.trimmed()));
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || IsRefusedScheme(url.scheme()))
        return Refused(QStringLiteral("链接模板不是可以打开的网址(links.ini):\r\n") + urlTemplate);
    return Url(url);
}

bool InstantLinks::Open(Prompt& prompt, const InstantLink& link) {
    if (!link.error.isEmpty()) {
        prompt.Message(link.error);
        return false;
    }
    if (link.url.isEmpty())
        return false;
    if (prompt.OpenUrl(link.url))
        return true;
    prompt.Message(HyperlinkFailureMessage(link.url), Prompt::AppTitle(), Prompt::Icon::Warning);
    return false;
}

LinkTemplates::LinkTemplates() : qq_(kQqTemplate) {
    messengers_.insert(QStringLiteral("淘宝旺旺"), kWangwangTemplate);
    messengers_.insert(QStringLiteral("贸易通"), kAlitalkTemplate);
}

LinkTemplates LinkTemplates::FromProgramFolder() {
    LinkTemplates templates;
    templates.Load(ProgramPath(QStringLiteral("links.ini")));
    return templates;
}

bool LinkTemplates::Load(const QString& path) {
    IniFile file;
    if (!file.Load(path))
        return false;
    const QString qq = file.GetString(QStringLiteral("QQ"), QStringLiteral("Template")).trimmed();
    if (!qq.isEmpty())
        qq_ = qq;
    const QString section = QStringLiteral("Messengers");
    QStringList methods;
    file.GetKeys(section, methods);
    for (const QString& method : std::as_const(methods)) {
        const QString urlTemplate = file.GetString(section, method).trimmed();
        if (!method.trimmed().isEmpty() && !urlTemplate.isEmpty())
            messengers_.insert(method.trimmed(), urlTemplate);
    }
    return true;
}

QString LinkTemplates::MessengerTemplate(const QString& method) const {
    return messengers_.value(method.trimmed());
}

InstantLink LinkTemplates::Qq(const QString& number, const QString& name) const {
    const QString digits = number.trimmed();
    if (digits.isEmpty())
        return Refused(QStringLiteral("该联系人没有QQ号码"));
    static const QRegularExpression onlyDigits(QStringLiteral("^[0-9]+$"));
    if (!onlyDigits.match(digits).hasMatch())
        return Refused(QStringLiteral("QQ号码只能由数字组成: ") + digits);
    return InstantLinks::FromTemplate(qq_, digits, name);
}

InstantLink LinkTemplates::Messenger(const QString& method, const QString& account,
                                     const QString& name) const {
    const QString urlTemplate = MessengerTemplate(method);
    if (urlTemplate.isEmpty())
        return Refused(QStringLiteral("此联系方式未定义应用程序"));
    if (account.trimmed().isEmpty())
        return Refused(QStringLiteral("该联系人没有在线沟通号码"));
    return InstantLinks::FromTemplate(urlTemplate, account, name);
}
