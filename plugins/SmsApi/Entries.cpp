// The four exported functions of SMSAPI.so (net/SmsApi.h). Handles are small
// positive numbers that name sessions in a table guarded by one lock; the
// lock is never held while a session talks to the gateway, so sessions on
// different threads do not wait for each other.

#include "GatewaySession.h"
#include "GatewaySettings.h"

#include "net/Gbk.h"
#include "net/SmsApi.h"
#include "net/TraceLog.h"

#include <map>
#include <memory>
#include <mutex>

namespace {

// More open sessions than any program needs: a caller that never closes its
// handles gets 0 from SmsOpen instead of exhausting memory.
constexpr std::size_t kMaxSessions = 256;

struct SessionTable {
    std::mutex mutex;
    std::map<int32_t, std::shared_ptr<GatewaySession>> sessions;
    int32_t next = 1;
};

SessionTable& Table() {
    static SessionTable table;
    return table;
}

std::shared_ptr<GatewaySession> Find(int32_t handle) {
    SessionTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    const auto found = table.sessions.find(handle);
    return found == table.sessions.end() ? nullptr : found->second;
}

QString Text(const char* bytes) {
    return bytes != nullptr ? Gbk::Decode(QByteArray(bytes)) : QString();
}

// The library writes its lines into the trace log of the folder it was
// loaded from: the program folder, where the program's own log is.
void PointTraceLog(const QString& folder) {
    static std::once_flag once;
    std::call_once(
        once, [&folder] { TraceLog::Instance().SetPath(folder + QStringLiteral("trace.log")); });
}

} // namespace

extern "C" {

SMSAPI_EXPORT int32_t SmsOpen(const char* server, const char* user, const char* pass) {
    const QString folder = LibraryFolder();
    PointTraceLog(folder);
    auto session = std::make_shared<GatewaySession>(Text(server), Text(user), Text(pass), folder);
    SessionTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    if (table.sessions.size() >= kMaxSessions) {
        return 0;
    }
    // The next number not in use, never 0 and never negative.
    while (table.sessions.count(table.next) != 0 || table.next <= 0) {
        table.next = table.next <= 0 ? 1 : table.next + 1;
    }
    const int32_t handle = table.next;
    table.next = handle == INT32_MAX ? 1 : handle + 1;
    table.sessions.emplace(handle, std::move(session));
    return handle;
}

SMSAPI_EXPORT int32_t SmsSend(int32_t handle, const char* mobile, const char* text,
                              int32_t /*flags*/) {
    const std::shared_ptr<GatewaySession> session = Find(handle);
    if (!session) {
        return -1;
    }
    return session->Send(Text(mobile), Text(text));
}

SMSAPI_EXPORT const char* SmsLastError(int32_t handle) {
    const std::shared_ptr<GatewaySession> session = Find(handle);
    if (!session) {
        static const QByteArray unknown = Gbk::Encode(QStringLiteral("短信会话无效"));
        return unknown.constData();
    }
    // The session outlives this call: only SmsClose, which the caller makes
    // after reading the text, removes it.
    return session->LastError();
}

SMSAPI_EXPORT void SmsClose(int32_t handle) {
    SessionTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    table.sessions.erase(handle);
}

} // extern "C"
