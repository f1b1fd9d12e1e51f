#pragma once

#include "net/SmsApi.h"

#include <QLibrary>
#include <QString>

// The program's side of the text-message gateway library (SmsApi.h): loads
// the library from a path and calls its four functions, turning the program's
// texts into the GBK bytes the library takes and its error texts back.
//
// Load() on the user-interface thread; the calls may then run on a worker
// thread, which is how the SMS dialog keeps its window responsive while a slow
// gateway answers.
class SmsGateway final {
public:
    // The library's file name in the program folder.
    static QString LibraryName() { return QStringLiteral("SMSAPI.so"); }

    explicit SmsGateway(const QString& libraryPath);
    SmsGateway(const SmsGateway&) = delete;
    SmsGateway& operator=(const SmsGateway&) = delete;

    // Loads the library and finds all four functions; false (LoadError says
    // why, for the trace log) when the file or a function is missing.
    bool Load();
    bool IsLoaded() const { return open_ != nullptr; }
    QString LoadError() const { return loadError_; }

    // The four calls; each is harmless (0, -1, "" or nothing) while the
    // library is not loaded.
    int32_t Open(const QString& server, const QString& user, const QString& pass);
    int32_t Send(int32_t handle, const QString& mobile, const QString& text);
    QString LastError(int32_t handle);
    void Close(int32_t handle);

    enum class Outcome {
        Sent,      // the gateway took the message
        NotOpened, // no session (the library's open gave 0)
        Refused,   // the send failed; `error` holds the library's text
    };
    // One message from open to close, as the dialog sends it.
    Outcome SendOne(const QString& server, const QString& user, const QString& pass,
                    const QString& mobile, const QString& text, QString& error);

private:
    QLibrary library_;
    QString loadError_;
    SmsOpenFunction open_ = nullptr;
    SmsSendFunction send_ = nullptr;
    SmsLastErrorFunction lastError_ = nullptr;
    SmsCloseFunction close_ = nullptr;
};
