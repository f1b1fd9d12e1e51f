#include "framework/MailNotice.h"

#include "base/IniFile.h"
#include "base/TextDecoding.h"
#include "net/Gbk.h"

#include <QFile>
#include <QRegularExpression>

namespace {

const QString kSection = QStringLiteral(".");

bool IsDigits(const QString& text) {
    if (text.isEmpty() || text.size() > 18) {
        return false;
    }
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return false;
        }
    }
    return true;
}

// Every placeholder replaced in one pass, so that a value that happens to
// hold another placeholder's name stays as it is.
QString FillPlaceholders(const QString& text, const QList<QPair<QString, QString>>& values) {
    QString out;
    out.reserve(text.size() + 64);
    qsizetype i = 0;
    while (i < text.size()) {
        bool replaced = false;
        if (text[i] == QLatin1Char('[')) {
            for (const auto& [name, value] : values) {
                if (QStringView(text).mid(i).startsWith(name)) {
                    out += value;
                    i += name.size();
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced) {
            out += text[i++];
        }
    }
    return out;
}

} // namespace

MailSettings MailSettings::Load(const QString& path) {
    IniFile ini;
    ini.Load(path);
    MailSettings settings;
    settings.from = ini.GetString(kSection, QStringLiteral("From")).trimmed();
    settings.server = ini.GetString(kSection, QStringLiteral("SMTPServer")).trimmed();
    const int port = ini.GetInt(kSection, QStringLiteral("SMTPPort"));
    settings.port = port > 0 && port < 65536 ? port : 25;
    settings.security = ini.GetString(kSection, QStringLiteral("SMTPSecurity")).trimmed();
    settings.userName = ini.GetString(kSection, QStringLiteral("UserName"));
    settings.userPass = ini.GetString(kSection, QStringLiteral("UserPass"));
    settings.plainAuth = ini.GetInt(kSection, QStringLiteral("SMTPPlainAuth")) != 0;
    settings.caFile = ini.GetString(kSection, QStringLiteral("SMTPCAFile")).trimmed();
    return settings;
}

bool MailSettings::Save(const QString& path) const {
    IniFile ini;
    ini.Load(path);
    ini.SetString(kSection, QStringLiteral("From"), from);
    ini.SetString(kSection, QStringLiteral("SMTPServer"), server);
    ini.SetInt(kSection, QStringLiteral("SMTPPort"), port);
    ini.SetString(kSection, QStringLiteral("SMTPSecurity"), security);
    ini.SetString(kSection, QStringLiteral("UserName"), userName);
    ini.SetString(kSection, QStringLiteral("UserPass"), userPass);
    ini.SetInt(kSection, QStringLiteral("SMTPPlainAuth"), plainAuth ? 1 : 0);
    ini.SetString(kSection, QStringLiteral("SMTPCAFile"), caFile);
    // Made the owner's alone before the password is written into it.
    return ini.Save(path, IniFile::Access::OwnerOnly);
}

MailNotice::MailNotice(Kind kind, const QString& folder) : kind_(kind), folder_(folder) {
    if (!folder_.isEmpty() && !folder_.endsWith(QLatin1Char('/'))) {
        folder_ += QLatin1Char('/');
    }
}

QStringList MailNotice::SplitAddresses(const QString& email) {
    QStringList addresses;
    const QStringList parts =
        email.split(QRegularExpression(QStringLiteral("[;,\uFF1B]")), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        const QString address = part.trimmed();
        if (!address.isEmpty()) {
            addresses.append(address);
        }
    }
    return addresses;
}

bool MailNotice::OrderStatement(const QString& fdId, QString& sql, QString& error) {
    if (!IsDigits(fdId.trimmed())) {
        error = QStringLiteral("订单编号无效: %1").arg(fdId);
        return false;
    }
    sql = QStringLiteral("Select * from OrderData where FDId=%1").arg(fdId.trimmed());
    return true;
}

bool MailNotice::CustomerStatement(const QString& keyId, QString& sql, QString& error) {
    if (!IsDigits(keyId.trimmed())) {
        error = QStringLiteral("客户信息不存在!");
        return false;
    }
    sql = QStringLiteral("Select * from CustomerData where Keyid=%1").arg(keyId.trimmed());
    return true;
}

bool MailNotice::Compose(const NoticeOrder& order, MailMessage& message, QString& error) const {
    QString account;
    QString password;
    if (kind_ == Kind::Account) {
        if (order.serialCode.isEmpty()) {
            error = QStringLiteral("未指定短信帐号在SerialCode中");
            return false;
        }
        const qsizetype slash = order.serialCode.indexOf(QLatin1Char('/'));
        if (slash < 0) {
            error = QStringLiteral("未指定验证密码在SerialCode中");
            return false;
        }
        account = order.serialCode.left(slash);
        password = order.serialCode.mid(slash + 1);
    } else {
        if (order.serialCode.isEmpty()) {
            error = QStringLiteral("未指定发货单号在SerialCode中");
            return false;
        }
        account = order.serialCode;
    }

    const QStringList addresses = SplitAddresses(order.email);
    if (addresses.isEmpty()) {
        error = QStringLiteral("客户没有登记电子邮件地址!");
        return false;
    }

    // The template is the shop's to edit, in whatever editor it has: read it
    // as a file a user brings (GBK, or UTF-8/UTF-16 where the bytes say so).
    QFile file(folder_ + QStringLiteral("templet/create_sky_user.txt"));
    QString letter;
    TextEncoding encoding = TextEncoding::Gbk;
    QString unreadable;
    if (file.open(QIODevice::ReadOnly))
        TextDecoding::DecodeUserFile(file.readAll(), letter, encoding, unreadable);
    if (letter.isEmpty()) {
        error = QStringLiteral("邮件模板未建立!");
        return false;
    }
    QList<QPair<QString, QString>> values{{QStringLiteral("[UserName]"), account}};
    if (kind_ == Kind::Account) {
        values.append({QStringLiteral("[UserPass]"), password});
    }
    values.append({QStringLiteral("[SMSCount]"), order.quantity});
    values.append({QStringLiteral("[CustomerName]"), order.customerName});
    values.append({QStringLiteral("[ProductName]"), order.productName});

    const MailSettings settings = MailSettings::Load(folder_ + QStringLiteral("email.ini"));
    if (settings.from.isEmpty()) {
        error = QStringLiteral("未设定邮件发送帐号email.ini");
        return false;
    }

    message = MailMessage();
    if (!message.SetFrom({QString(), settings.from})) {
        error = message.LastError();
        return false;
    }
    message.SetReplyTo({QString(), settings.from});
    for (const QString& address : addresses) {
        if (message.AddRecipient({QString(), address}) < 0) {
            error = message.LastError();
            return false;
        }
    }
    const QString subject = kind_ == Kind::Account
                                ? QStringLiteral("帐户开通: 欢迎使用Kestrine%1!(重要信息)")
                                : QStringLiteral("帐户开通: 欢迎使用%1!(重要信息)");
    message.SetSubject(subject.arg(order.productName));
    message.SetBody(FillPlaceholders(letter, values));
    return true;
}

bool MailNotice::Send(const NoticeOrder& order, QString& shown) {
    MailMessage message;
    if (!Compose(order, message, shown)) {
        return false;
    }
    const MailSettings settings = MailSettings::Load(folder_ + QStringLiteral("email.ini"));
    smtp_.Socket().SetCaFile(settings.caFile);
    smtp_.SetAllowPlainAuth(settings.plainAuth);
    const SmtpConnection::Security security =
        SmtpConnection::SecurityFromText(settings.security, settings.port);
    if (!smtp_.Connect(settings.server, settings.port, security)) {
        shown = smtp_.LastResponse();
        return false;
    }
    if (!settings.userName.isEmpty() && !smtp_.Auth(settings.userName, settings.userPass)) {
        shown = smtp_.LastResponse();
        return false;
    }
    if (!smtp_.SendMessage(message)) {
        shown = smtp_.LastResponse();
        return false;
    }
    shown = QStringLiteral("邮件发送成功!");
    return true;
}
