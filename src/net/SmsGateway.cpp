#include "net/SmsGateway.h"

#include "net/Gbk.h"

SmsGateway::SmsGateway(const QString& libraryPath) : library_(libraryPath) {}

bool SmsGateway::Load() {
    if (IsLoaded()) {
        return true;
    }
    if (!library_.load()) {
        loadError_ = library_.errorString();
        return false;
    }
    const auto open = reinterpret_cast<SmsOpenFunction>(library_.resolve("SmsOpen"));
    const auto send = reinterpret_cast<SmsSendFunction>(library_.resolve("SmsSend"));
    const auto lastError = reinterpret_cast<SmsLastErrorFunction>(library_.resolve("SmsLastError"));
    const auto close = reinterpret_cast<SmsCloseFunction>(library_.resolve("SmsClose"));
    if (open == nullptr || send == nullptr || lastError == nullptr || close == nullptr) {
        // All four or none: a library missing one of them is no gateway.
        loadError_ = QStringLiteral("%1: SmsOpen, SmsSend, SmsLastError or SmsClose missing")
                         .arg(library_.fileName());
        return false;
    }
    open_ = open;
    send_ = send;
    lastError_ = lastError;
    close_ = close;
    return true;
}

int32_t SmsGateway::Open(const QString& server, const QString& user, const QString& pass) {
    if (!IsLoaded()) {
        return 0;
    }
    return open_(Gbk::Encode(server).constData(), Gbk::Encode(user).constData(),
                 Gbk::Encode(pass).constData());
}

int32_t SmsGateway::Send(int32_t handle, const QString& mobile, const QString& text) {
    if (!IsLoaded()) {
        return -1;
    }
    return send_(handle, Gbk::Encode(mobile).constData(), Gbk::Encode(text).constData(), 0);
}

QString SmsGateway::LastError(int32_t handle) {
    if (!IsLoaded()) {
        return QString();
    }
    const char* text = lastError_(handle);
    return text != nullptr ? Gbk::Decode(QByteArray(text)) : QString();
}

void SmsGateway::Close(int32_t handle) {
    if (IsLoaded()) {
        close_(handle);
    }
}

SmsGateway::Outcome SmsGateway::SendOne(const QString& server, const QString& user,
                                        const QString& pass, const QString& mobile,
                                        const QString& text, QString& error) {
    error.clear();
    const int32_t handle = Open(server, user, pass);
    if (handle == 0) {
        return Outcome::NotOpened;
    }
    const bool sent = Send(handle, mobile, text) >= 1;
    if (!sent) {
        error = LastError(handle);
    }
    Close(handle);
    return sent ? Outcome::Sent : Outcome::Refused;
}
