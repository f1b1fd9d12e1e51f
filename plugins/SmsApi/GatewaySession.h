#pragma once

#include <QByteArray>
#include <QString>

// One session of the delivered gateway library: the account given to SmsOpen
// and the text of its last failure. Each Send reads data/smsgate.ini afresh
// (so a corrected file takes effect without restarting the program), fills
// the templates, makes one HTTP(S) request bounded by Timeout and judges the
// reply.
//
// Nothing secret leaves the session except towards the gateway: the trace
// log gets the method, the gateway's scheme, host and port and the outcome;
// error texts have the password and its MD5 masked.
class GatewaySession final {
public:
    GatewaySession(QString server, QString user, QString pass, QString folder);

    // 1 when the gateway took the message, 0 otherwise.
    int Send(const QString& mobile, const QString& text);

    // The last failure as GBK bytes, zero-terminated; "" when there was none.
    const char* LastError() const { return lastError_.constData(); }

private:
    int Fail(const QString& text);

    QString server_;
    QString user_;
    QString pass_;
    QString folder_;
    QByteArray lastError_;
};
