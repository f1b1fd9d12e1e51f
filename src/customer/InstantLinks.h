#pragma once

#include <QHash>
#include <QString>

class Prompt;

// A link ready for the desktop, or the reason there is none. Both empty means
// there is nothing to open (an empty home page) and nothing to say.
struct InstantLink {
    QString url;   // fully percent-encoded
    QString error; // shown to the user instead of opening anything
};

// The links a contact or customer opens: home page, mail and the messengers.
// Everything typed into a record reaches the link percent-encoded inside a
// scheme the program chose, so a record can never make the desktop run a
// file, a script or a program of its choosing.
namespace InstantLinks {

// A home page: http and https only; a page typed without a scheme
// ("www.example.com") is taken as http.
InstantLink HomePage(const QString& text);

// mailto: for every address in `addresses` (split at blanks, ",", ";" and
// their full-width forms, joined by ","), the body greeting `name` + "你好!",
// UTF-8.
InstantLink Mail(const QString& addresses, const QString& name);

// Fills a URL template: {account} and {name} become the percent-encoded
// (UTF-8) texts. A result that is no valid URL, or one with a scheme that
// opens local files or runs script (file, javascript, data, vbscript), is
// refused.
InstantLink FromTemplate(const QString& urlTemplate, const QString& account, const QString& name);

// Opens the link through the prompt seam. An error is shown instead; when the
// desktop has no program for the link the user gets the same warning a link
// label gives. True when the desktop took the link.
bool Open(Prompt& prompt, const InstantLink& link);

} // namespace InstantLinks

// The messenger URL templates, read from links.ini in the program folder so
// that a site can follow a provider that moves its web entry. Without the
// file, or for a key it leaves out, the built-in templates apply.
class LinkTemplates final {
public:
    // The built-in templates only.
    LinkTemplates();
    // The built-in templates overlaid with links.ini of the program folder.
    static LinkTemplates FromProgramFolder();
    // Overlays the templates of an ini file ([QQ] Template, [Messengers]
    // method=template); false when the file could not be read.
    bool Load(const QString& path);

    // QQ联系: the number must be digits only.
    InstantLink Qq(const QString& number, const QString& name) const;
    // 在线沟通: the template of the contact's method; a method without one
    // (MSN, empty) gets "此联系方式未定义应用程序".
    InstantLink Messenger(const QString& method, const QString& account, const QString& name) const;

    const QString& QqTemplate() const { return qq_; }
    QString MessengerTemplate(const QString& method) const;

private:
    QString qq_;
    QHash<QString, QString> messengers_; // by method name, trimmed
};
