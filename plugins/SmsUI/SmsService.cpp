#include "SmsService.h"

#include "SmsAccount.h"
#include "SmsSender.h"
#include "SmsTaskStore.h"

#include "base/ProgramFolder.h"
#include "db/DbConnection.h"
#include "db/DbRecordset.h"
#include "db/SqlLiteral.h"
#include "net/SmsGateway.h"
#include "net/TraceLog.h"
#include "ui/Prompt.h"

#include <QCoreApplication>
#include <QScopeGuard>

#include <vector>

namespace {

constexpr int kCheckMilliseconds = 15000;

QString TimeText(const QDateTime& time) {
    return time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

} // namespace

SmsService& SmsService::Instance() {
    // Made once and never destroyed: its runs end with the program's
    // aboutToQuit, while the application object still exists.
    static SmsService* service = new SmsService;
    return *service;
}

SmsService::~SmsService() = default;

SmsService::SmsService() {
    timer_.setInterval(kCheckMilliseconds);
    connect(&timer_, &QTimer::timeout, this, [this] { CheckTimedTasks(); });
}

void SmsService::Attach(DbConnection& connection, Prompt& prompt) {
    connection_ = &connection;
    prompt_ = &prompt;
    if (!startedAt_.isValid()) {
        startedAt_ = QDateTime::currentDateTime();
        timer_.start();
        // After the login's own windows: the catch-up question comes once
        // the frame is up.
        QTimer::singleShot(0, this, [this] { CheckTimedTasks(); });
    }
}

void SmsService::SetCheckInterval(int milliseconds) {
    timer_.setInterval(milliseconds);
}

bool SmsService::LoadGateway() {
    if (gateway_ && gateway_->IsLoaded())
        return true;
    gateway_ = std::make_unique<SmsGateway>(ModulePath(SmsGateway::LibraryName()));
    if (gateway_->Load())
        return true;
    TraceLog::Instance().Write(TraceLog::ThreadLine("SMSAPI: " + gateway_->LoadError().toUtf8()));
    return false;
}

bool SmsService::Start(int task, bool force) {
    if (!connection_)
        return false;
    if (Running(task))
        return true;
    if (!LoadGateway()) {
        prompt_->Message(QStringLiteral("无法打开短信接口"));
        return false;
    }
    const SmsAccount account = SmsAccount::Read();
    if (account.user.isEmpty()) {
        prompt_->Message(QStringLiteral("请先在短信帐号中设置短信账号"));
        return false;
    }
    return Launch(std::make_unique<SmsSender>(*connection_, *gateway_, account, task), force,
                  *prompt_);
}

void SmsService::CheckTimedTasks() {
    if (!connection_ || checking_)
        return;
    checking_ = true;
    const auto done = qScopeGuard([this] { checking_ = false; });
    const QDateTime now = QDateTime::currentDateTime();
    const QString sql =
        QStringLiteral("select KeyId, Title, SendAt from SmsTask where State=%1 and SendAt<=%2 "
                       "order by SendAt, KeyId")
            .arg(SqlLiteral::Text(SmsTaskState::Waiting()), SqlLiteral::Text(TimeText(now)));
    struct Due {
        int key;
        QString title;
        QString sendAt;
    };
    std::vector<Due> due;
    {
        DbRecordset record(*connection_);
        if (!record.Open(sql)) {
            TraceLog::Instance().Write(
                TraceLog::ThreadLine("SmsUI: " + record.GetLastError().toUtf8()));
            return;
        }
        for (; !record.IsEOF(); record.MoveNext())
            due.push_back({record.GetLong(QStringLiteral("KeyId")), record.GetString(1),
                           record.GetString(2)});
    }
    const QString startText = TimeText(startedAt_);
    SmsTaskStore store(*connection_);
    for (const Due& task : due) {
        if (Running(task.key))
            continue;
        // Due before this program started: it was missed, and the user says
        // whether it still should go out.
        if (task.sendAt < startText) {
            const bool send =
                prompt_->Ask(QStringLiteral("定时短信“%1”原定于%2发送, 当时程序没有运行。\r\n"
                                            "现在发送吗?")
                                 .arg(task.title, task.sendAt)) == Prompt::Answer::Yes;
            if (!send) {
                store.SetTaskState(task.key, SmsTaskState::Stopped());
                emit Finished(task.key, false);
                continue;
            }
        }
        Start(task.key);
    }
}

void SmsService::ResetForTest() {
    Forget();
    timer_.stop();
    startedAt_ = QDateTime();
    connection_ = nullptr;
    prompt_ = nullptr;
}
