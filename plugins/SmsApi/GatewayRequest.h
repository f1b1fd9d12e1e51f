#pragma once

#include "GatewaySettings.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

// What one message puts into the gateway's templates.
struct GatewayFields {
    QString user;
    QString pass;
    QString mobile;
    QString content; // the text as it goes out, signature included
    QDateTime now;
};

// One HTTP request to the gateway, made from ServerURL and the Body template.
// Placeholders {user} {pass} {pass_md5} {PASS_MD5} {mobile} {content}
// {timestamp} are replaced in one pass, so a value that itself contains a
// placeholder (a text "{pass}") is sent as written and never expanded. In the
// URL and in a form body the values are percent-encoded in the configured
// charset; in a JSON body they are JSON-escaped. Other braces stay as they are.
struct GatewayRequest {
    QString method;
    QString url;
    QByteArray body;
    QString contentType;

    // False with a text for the user when the settings cannot make a request.
    static bool Build(const QString& serverUrl, const GatewaySettings& settings,
                      const GatewayFields& fields, GatewayRequest& request, QString& error);

    // {pass_md5}: the MD5 of the password's bytes in the charset, lower-case hex.
    static QByteArray PasswordMd5(const QString& pass, GatewaySettings::Charset charset);
};
