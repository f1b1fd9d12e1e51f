#pragma once

#include "GatewaySettings.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// SuccessRule of data/smsgate.ini: how a gateway says "sent".
//   json:<field>=<value>  the reply is a JSON object whose field (a dotted
//                         path for nested objects, e.g. result.code) has that
//                         value, compared as text (numbers without a
//                         fraction as integers, true/false, null)
//   text:<prefix>         the reply, leading blanks skipped, starts with prefix
//   <prefix>              the same as text:<prefix>
//   (empty)               any readable reply with an HTTP 2xx status
struct SuccessRule {
    enum class Kind { AnyReply, Json, Prefix };
    Kind kind = Kind::AnyReply;
    QString field;
    QString value;

    // False with a text for the user when the rule cannot be read.
    static bool Parse(const QString& text, SuccessRule& rule, QString& error);
};

// The gateway's answer as it came.
struct GatewayReply {
    int status = 0;
    QString contentType;
    QByteArray body;

    // True when the gateway took the message; otherwise `error` says why in
    // words for the user: an HTTP status outside 2xx, a refusal (the text of
    // the ErrorField, else a part of the reply), or a reply that is no answer
    // at all (an HTML page, binary bytes). Any of `secrets` in an excerpt of
    // the reply is replaced by "***".
    bool Judge(const SuccessRule& rule, const GatewaySettings& settings, const QStringList& secrets,
               QString& error) const;

    // The body as text, in the charset the Content-Type names, else the
    // configured one (a body that is no valid UTF-8 is read as GBK).
    QString Text(GatewaySettings::Charset configured) const;
};

// `text` with every secret of three or more characters replaced by "***".
QString MaskSecrets(QString text, const QStringList& secrets);
