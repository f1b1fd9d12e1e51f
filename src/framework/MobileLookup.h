#pragma once

#include "net/HttpClient.h"

#include <QString>

// The region of a mobile number: the whole text and its two parts (province
// and city).
struct MobileRegion {
    QString whole;
    QString province;
    QString city;
};

// Asks a web service for the region of a mobile number. The service is set in
// settings.ini, section MobileLookup:
//   LookupURL     http or https URL with "{mobile}" where the number goes
//   LookupBody    when set, the request is a form POST of this text (with
//                 "{mobile}" too) instead of a GET
//   JsonProvince, JsonCity   the reply is JSON and these (dotted) fields hold
//                 the two parts; otherwise the reply is an HTML page whose
//                 cell after the "卡号归属地" cell holds the region
//   LookupCAFile  an extra trusted certificate file for the service
// Without LookupURL every lookup fails. The reply is decoded by the charset it
// declares (GBK or UTF-8), else as UTF-8 when valid, else GBK.
class MobileLookup final {
public:
    explicit MobileLookup(const QString& settingsPath);

    bool Lookup(const QString& mobile, MobileRegion& region);
    HttpClient& Client() { return client_; }

    // The HTML scan: the text of the tag two tags after the first "td" cell
    // whose text holds "卡号归属地", "&nbsp;" read as a blank.
    static bool ScanRegion(const QString& html, QString& region);
    // Before and after the first blank; without one the whole text is first.
    static void SplitRegion(const QString& region, QString& first, QString& second);
    static QString DecodeReply(const QByteArray& body, const QString& contentType);

private:
    QString url_;
    QString body_;
    QString jsonProvince_;
    QString jsonCity_;
    HttpClient client_;
};

// For the customer form: the lookup configured in the program folder's
// settings.ini, as province and city.
bool LookupMobileRegion(const QString& mobile, QString& province, QString& city);
