#include "RecvRun.h"

#include "RecvMailbox.h"

#include "base/ProgramFolder.h"
#include "net/MimeMessage.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>

#include <condition_variable>
#include <mutex>
#include <vector>

// What the worker and the timer share, under one lock.
struct RecvRun::Shared {
    std::mutex mutex;
    std::condition_variable wake;
    std::atomic<bool> stop{false};
    std::vector<RecvMessage> results; // files written, rows not yet
    int total = -1;
    int fetched = 0;
    int unwritten = 0; // handed to the timer, not yet committed or refused
    bool fetchEnded = false;
    bool storeFailed = false;
    QSet<QString> committed;
    bool done = false;
    bool stopped = false;
    QString error;
    bool listed = false;
    QSet<QString> onServer;
    QStringList deleted;
};

namespace {

// The file name of a message: readable for IMAP's "validity:uid" and for
// plain POP3 UIDLs, a hash for anything a file system might mind.
QString FileBaseName(const QString& key) {
    static const QRegularExpression imap(QStringLiteral("^[0-9]+:[0-9]+$"));
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9.-]{1,80}$"));
    if (imap.match(key).hasMatch())
        return QString(key).replace(QLatin1Char(':'), QLatin1Char('_'));
    if (plain.match(key).hasMatch() && !key.startsWith(QLatin1Char('.')))
        return key;
    return QString::fromLatin1(
        QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex());
}

QString Now() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

} // namespace

RecvRun::RecvRun(DbConnection& connection, RecvAccount account, QObject* parent)
    : QObject(parent), connection_(connection), account_(std::move(account)),
      accountKey_(account_.Key()), store_(connection), shared_(std::make_shared<Shared>()) {
    timer_.setInterval(kTickMs);
    connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
}

RecvRun::~RecvRun() {
    shared_->stop = true;
    shared_->wake.notify_all();
    if (worker_.joinable())
        worker_.join();
}

int RecvRun::Total() const {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    return shared_->total;
}

bool RecvRun::Start(Mode mode, const QStringList& serverDeletes) {
    if (running_)
        return false;
    lastError_ = account_.Problem();
    if (!lastError_.isEmpty())
        return false;
    QSet<QString> known;
    if (!store_.KnownKeys(accountKey_, known)) {
        lastError_ = store_.LastError();
        return false;
    }
    QSet<QString> deletes;
    if (mode == Mode::DeleteOnly)
        deletes = QSet<QString>(serverDeletes.begin(), serverDeletes.end());
    else if (account_.deleteOnServer)
        deletes = known; // stored before: their rows are committed
    const QString folder = ProgramPath(QStringLiteral("mailrecv/") + account_.FolderName());
    if (mode == Mode::Fetch && !QDir().mkpath(folder)) {
        lastError_ = QStringLiteral("无法建立文件夹: ") + QDir::toNativeSeparators(folder);
        return false;
    }
    RecvMailbox::GlobalInit();
    running_ = true;
    worker_ = std::thread([this, mode, known, deletes] { Work(mode, known, deletes); });
    timer_.start();
    return true;
}

void RecvRun::Stop() {
    if (!running_)
        return;
    stopped_ = true;
    shared_->stop = true;
    shared_->wake.notify_all();
}

void RecvRun::Work(Mode mode, QSet<QString> known, QSet<QString> deletes) {
    Shared& shared = *shared_;
    const QString folderName = account_.FolderName();
    const QString folder = ProgramPath(QStringLiteral("mailrecv/") + folderName);
    RecvMailbox box(account_, &shared.stop);
    QString error;
    std::vector<RecvServerItem> items;
    const bool listed = box.List(items);
    if (!listed) {
        if (!box.WasStopped())
            error = box.LastError();
    } else {
        std::lock_guard<std::mutex> lock(shared.mutex);
        shared.listed = true;
        for (const RecvServerItem& item : items)
            shared.onServer.insert(item.key);
    }
    if (listed && mode == Mode::Fetch) {
        std::vector<RecvServerItem> fresh;
        for (const RecvServerItem& item : items) {
            if (int(fresh.size()) >= account_.limit)
                break;
            if (!known.contains(item.key))
                fresh.push_back(item);
        }
        {
            std::lock_guard<std::mutex> lock(shared.mutex);
            shared.total = int(fresh.size());
        }
        for (const RecvServerItem& item : fresh) {
            if (shared.stop)
                break;
            QByteArray raw;
            if (!box.Fetch(item, raw)) {
                if (!box.WasStopped())
                    error = box.LastError();
                break;
            }
            // libcurl answers a UID the server no longer has (expunged by
            // another client, or a mailbox renumbered since the listing)
            // with nothing at all: there is nothing to store.
            if (raw.isEmpty())
                continue;
            RecvMessage message;
            message.serverKey = item.key;
            message.fileName =
                folderName + QLatin1Char('/') + FileBaseName(item.key) + QStringLiteral(".eml");
            QSaveFile file(folder + QLatin1Char('/') + FileBaseName(item.key) +
                           QStringLiteral(".eml"));
            if (!file.open(QIODevice::WriteOnly) || file.write(raw) != raw.size() ||
                !file.commit()) {
                error = QStringLiteral("邮件文件未能保存: ") +
                        QDir::toNativeSeparators(file.fileName()) + QStringLiteral(" (") +
                        file.errorString() + QLatin1Char(')');
                break;
            }
            const MimeMessage mime = MimeMessage::Parse(raw);
            message.sender = mime.SenderAddress().toLower();
            message.senderName = mime.SenderName();
            message.subject = mime.Subject().simplified();
            const QDateTime date = mime.Date();
            message.mailDate =
                date.isValid() ? date.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))
                               : Now();
            message.byteSize = int(std::min<qsizetype>(raw.size(), INT_MAX));
            message.attachCount = int(mime.Attachments().size());
            std::lock_guard<std::mutex> lock(shared.mutex);
            shared.results.push_back(std::move(message));
            ++shared.unwritten;
            ++shared.fetched;
        }
    }
    {
        std::lock_guard<std::mutex> lock(shared.mutex);
        shared.fetchEnded = true;
    }
    const bool deleting = mode == Mode::DeleteOnly || account_.deleteOnServer;
    if (listed && deleting && error.isEmpty() && !shared.stop) {
        // Only messages whose rows are committed leave the server: wait for
        // the timer to store the last batch.
        std::vector<RecvServerItem> doomed;
        {
            std::unique_lock<std::mutex> lock(shared.mutex);
            shared.wake.wait(lock, [&shared] { return shared.stop || shared.unwritten == 0; });
            if (!shared.stop && !shared.storeFailed) {
                for (const RecvServerItem& item : items) {
                    if (deletes.contains(item.key) || shared.committed.contains(item.key))
                        doomed.push_back(item);
                }
            }
        }
        if (!doomed.empty()) {
            if (box.Delete(doomed)) {
                std::lock_guard<std::mutex> lock(shared.mutex);
                for (const RecvServerItem& item : doomed)
                    shared.deleted << item.key;
            } else if (!box.WasStopped()) {
                error = QStringLiteral("删除服务器上的邮件失败: ") + box.LastError();
            }
        }
    }
    // POP3 deletions take effect when the session ends properly.
    box.Close();
    std::lock_guard<std::mutex> lock(shared.mutex);
    shared.error = error;
    shared.stopped = shared.stop;
    shared.done = true;
}

void RecvRun::Tick() {
    if (!running_)
        return;
    std::vector<RecvMessage> results;
    int total = -1;
    int fetched = 0;
    bool done = false;
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        // Rows go in batches of whatever arrived in the last second (or
        // kBatchRows, or the rest once fetching ended): few transactions and
        // few passes over the customers for the senders, while the
        // progress below still moves with every file.
        if (shared_->fetchEnded || shared_->done || int(shared_->results.size()) >= kBatchRows ||
            !lastStore_.isValid() || lastStore_.elapsed() >= kStoreMs) {
            results.swap(shared_->results);
            lastStore_.start();
        }
        total = shared_->total;
        fetched = shared_->fetched;
        done = shared_->done;
    }
    bool changed = total != lastTotal_ || fetched != lastFetched_;
    lastTotal_ = total;
    lastFetched_ = fetched;
    if (!results.empty()) {
        QStringList stored;
        const bool saved = store_.Save(accountKey_, results, stored);
        std::lock_guard<std::mutex> lock(shared_->mutex);
        if (saved) {
            for (const QString& key : std::as_const(stored))
                shared_->committed.insert(key);
            stored_ += int(stored.size());
        } else {
            // No row points at these files: they go, and nothing more is
            // fetched or deleted in this run.
            lastError_ = store_.LastError();
            shared_->storeFailed = true;
            shared_->stop = true;
            for (const RecvMessage& message : results)
                QFile::remove(ProgramPath(QStringLiteral("mailrecv/") + message.fileName));
        }
        shared_->unwritten -= int(results.size());
        shared_->wake.notify_all();
        changed = true;
    }
    if (changed)
        emit Progress(fetched, total);
    if (done) {
        bool late = false;
        {
            std::lock_guard<std::mutex> lock(shared_->mutex);
            late = !shared_->results.empty();
        }
        if (!late)
            Finish();
    }
}

void RecvRun::Finish() {
    timer_.stop();
    if (worker_.joinable())
        worker_.join();
    running_ = false;
    QSet<QString> onServer;
    QStringList deleted;
    bool listed = false;
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        if (lastError_.isEmpty())
            lastError_ = shared_->error;
        stopped_ = stopped_ || (shared_->stopped && !shared_->storeFailed);
        onServer = shared_->onServer;
        deleted = shared_->deleted;
        listed = shared_->listed;
    }
    deletedOnServer_ = int(deleted.size());
    // Deleted rows are only kept while the server has their message.
    QSet<QString> tombstones;
    if (listed && store_.DeletedKeys(accountKey_, tombstones)) {
        const QSet<QString> gone(deleted.begin(), deleted.end());
        QStringList purge;
        for (const QString& key : std::as_const(tombstones)) {
            if (gone.contains(key) || !onServer.contains(key))
                purge << key;
        }
        if (!store_.Purge(accountKey_, purge) && lastError_.isEmpty())
            lastError_ = store_.LastError();
    }
    emit Finished();
}
