#include "RecvMailbox.h"

#include <QRegularExpression>
#include <QUrl>

#include <curl/curl.h>

#include <algorithm>
#include <mutex>

namespace {

// UIDs per STORE/EXPUNGE command: keeps every command line short.
constexpr size_t kUidsPerCommand = 200;

size_t Collect(char* data, size_t size, size_t count, void* target) {
    if (target)
        static_cast<QByteArray*>(target)->append(data, qsizetype(size * count));
    return size * count;
}

int Progress(void* stop, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* flag = static_cast<const std::atomic<bool>*>(stop);
    return flag && flag->load() ? 1 : 0;
}

// What the user reads when a request fails; libcurl's own text follows in
// brackets where it says more.
QString Describe(CURLcode code, const char* detail) {
    QString text;
    switch (code) {
    case CURLE_LOGIN_DENIED:
        return QStringLiteral("登录邮件服务器失败: 用户名或密码错误");
    case CURLE_PEER_FAILED_VERIFICATION:
        text = QStringLiteral(
            "邮件服务器的证书未通过验证 (证书不是可信机构签发的, 或与服务器名称不符)");
        break;
    case CURLE_SSL_CACERT_BADFILE:
        text = QStringLiteral("无法读取CA证书文件");
        break;
    case CURLE_COULDNT_RESOLVE_HOST:
        text = QStringLiteral("找不到邮件服务器");
        break;
    case CURLE_COULDNT_CONNECT:
        text = QStringLiteral("无法连接到邮件服务器");
        break;
    case CURLE_OPERATION_TIMEDOUT:
        text = QStringLiteral("邮件服务器没有响应");
        break;
    case CURLE_USE_SSL_FAILED:
        text = QStringLiteral("邮件服务器不支持STARTTLS加密");
        break;
    case CURLE_SSL_CONNECT_ERROR:
        text = QStringLiteral("无法与邮件服务器建立加密连接");
        break;
    case CURLE_ABORTED_BY_CALLBACK:
        return QStringLiteral("已停止");
    default:
        text = QStringLiteral("收取邮件失败");
        break;
    }
    const QString more = QString::fromUtf8(detail && *detail ? detail : curl_easy_strerror(code));
    return text + QStringLiteral(" (") + more.trimmed() + QLatin1Char(')');
}

QString UidSet(std::vector<RecvServerItem>::const_iterator begin,
               std::vector<RecvServerItem>::const_iterator end) {
    QStringList ids;
    for (auto it = begin; it != end; ++it)
        ids << it->id;
    return ids.join(QLatin1Char(','));
}

} // namespace

void RecvMailbox::GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

RecvMailbox::RecvMailbox(RecvAccount account, const std::atomic<bool>* stop)
    : account_(std::move(account)), stop_(stop) {
    GlobalInit();
    curl_ = curl_easy_init();
}

RecvMailbox::~RecvMailbox() {
    Close();
}

void RecvMailbox::Close() {
    if (curl_)
        curl_easy_cleanup(curl_);
    curl_ = nullptr;
}

QString RecvMailbox::MailboxUrl() const {
    return account_.BaseUrl() + QString::fromLatin1(QUrl::toPercentEncoding(account_.folder));
}

bool RecvMailbox::Perform(const QString& url, const QByteArray& command, QByteArray* body,
                          bool noBody) {
    stopped_ = false;
    if (!curl_) {
        lastError_ = QStringLiteral("无法初始化邮件接收组件");
        return false;
    }
    if (stop_ && stop_->load()) {
        stopped_ = true;
        lastError_ = QStringLiteral("已停止");
        return false;
    }
    char detail[CURL_ERROR_SIZE] = {};
    // Reset keeps the open connection: every request of one object goes
    // over the same session.
    curl_easy_reset(curl_);
    const QByteArray address = url.toUtf8();
    const QByteArray user = account_.user.toUtf8();
    const QByteArray pass = account_.pass.toUtf8();
    const QByteArray caFile = account_.caFile.toLocal8Bit();
    curl_easy_setopt(curl_, CURLOPT_URL, address.constData());
    curl_easy_setopt(curl_, CURLOPT_PROTOCOLS_STR, "imap,imaps,pop3,pop3s");
    curl_easy_setopt(curl_, CURLOPT_USERNAME, user.constData());
    curl_easy_setopt(curl_, CURLOPT_PASSWORD, pass.constData());
    // STARTTLS is required, never optional: the password never goes out in
    // clear text.
    curl_easy_setopt(curl_, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
    curl_easy_setopt(curl_, CURLOPT_SSLVERSION, long(CURL_SSLVERSION_TLSv1_2));
    curl_easy_setopt(curl_, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl_, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!caFile.isEmpty())
        curl_easy_setopt(curl_, CURLOPT_CAINFO, caFile.constData());
    curl_easy_setopt(curl_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl_, CURLOPT_CONNECTTIMEOUT, 20L);
    curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_TIME, 60L);
    curl_easy_setopt(curl_, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl_, CURLOPT_XFERINFOFUNCTION, &Progress);
    curl_easy_setopt(curl_, CURLOPT_XFERINFODATA, static_cast<const void*>(stop_));
    curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, &Collect);
    curl_easy_setopt(curl_, CURLOPT_WRITEDATA, static_cast<void*>(body));
    curl_easy_setopt(curl_, CURLOPT_ERRORBUFFER, detail);
    if (!command.isEmpty())
        curl_easy_setopt(curl_, CURLOPT_CUSTOMREQUEST, command.constData());
    if (noBody)
        curl_easy_setopt(curl_, CURLOPT_NOBODY, 1L);
    const CURLcode code = curl_easy_perform(curl_);
    // The buffer and the password's bytes die with this call.
    curl_easy_setopt(curl_, CURLOPT_ERRORBUFFER, nullptr);
    if (code == CURLE_OK)
        return true;
    stopped_ = code == CURLE_ABORTED_BY_CALLBACK;
    lastError_ = Describe(code, detail);
    return false;
}

bool RecvMailbox::List(std::vector<RecvServerItem>& items) {
    items.clear();
    QByteArray answer;
    if (account_.protocol == RecvAccount::Protocol::Pop3) {
        if (!Perform(account_.BaseUrl(), "UIDL", &answer))
            return false;
        // "1 UIDL-text" per line, by message number.
        for (const QByteArray& line : answer.split('\n')) {
            const QList<QByteArray> words = line.simplified().split(' ');
            if (words.size() == 2 && !words[1].isEmpty())
                items.push_back({QString::fromLatin1(words[1]), QString::fromLatin1(words[0])});
        }
        return true;
    }
    QString folder = account_.folder;
    folder.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('"'), QLatin1String("\\\""));
    if (!Perform(account_.BaseUrl(), "STATUS \"" + folder.toUtf8() + "\" (UIDVALIDITY)", &answer))
        return false;
    static const QRegularExpression validity(QStringLiteral("UIDVALIDITY\\s+(\\d+)"));
    const QRegularExpressionMatch match = validity.match(QString::fromLatin1(answer));
    if (!match.hasMatch()) {
        lastError_ = QStringLiteral("邮件服务器没有给出文件夹的UIDVALIDITY: ") + account_.folder;
        return false;
    }
    const QString uidValidity = match.captured(1);
    answer.clear();
    if (!Perform(MailboxUrl(), "UID SEARCH ALL", &answer))
        return false;
    std::vector<qulonglong> uids;
    for (const QByteArray& line : answer.split('\n')) {
        const QList<QByteArray> words = line.simplified().split(' ');
        if (words.size() < 2 || words[0] != "*" || words[1].toUpper() != "SEARCH")
            continue;
        for (qsizetype i = 2; i < words.size(); ++i) {
            bool ok = false;
            const qulonglong uid = words[i].toULongLong(&ok);
            if (ok && uid > 0)
                uids.push_back(uid);
        }
    }
    std::sort(uids.begin(), uids.end());
    for (const qulonglong uid : uids)
        items.push_back(
            {uidValidity + QLatin1Char(':') + QString::number(uid), QString::number(uid)});
    return true;
}

bool RecvMailbox::Fetch(const RecvServerItem& item, QByteArray& raw) {
    raw.clear();
    if (account_.protocol == RecvAccount::Protocol::Pop3)
        return Perform(account_.BaseUrl() + item.id, QByteArray(), &raw);
    // The UIDVALIDITY in the address makes libcurl refuse a mailbox that was
    // renumbered since it was listed.
    const QString validity = item.key.section(QLatin1Char(':'), 0, 0);
    return Perform(MailboxUrl() + QStringLiteral(";UIDVALIDITY=") + validity +
                       QStringLiteral(";UID=") + item.id,
                   QByteArray(), &raw);
}

bool RecvMailbox::Delete(const std::vector<RecvServerItem>& items) {
    if (account_.protocol == RecvAccount::Protocol::Pop3) {
        for (const RecvServerItem& item : items) {
            if (!Perform(account_.BaseUrl() + item.id, "DELE", nullptr, true))
                return false;
        }
        return true;
    }
    for (size_t first = 0; first < items.size(); first += kUidsPerCommand) {
        const auto begin = items.begin() + long(first);
        const auto end = items.begin() + long(std::min(items.size(), first + kUidsPerCommand));
        const QByteArray set = UidSet(begin, end).toLatin1();
        QByteArray ignored;
        if (!Perform(MailboxUrl(), "UID STORE " + set + " +FLAGS.SILENT (\\Deleted)", &ignored) ||
            !Perform(MailboxUrl(), "UID EXPUNGE " + set, &ignored))
            return false;
    }
    return true;
}
