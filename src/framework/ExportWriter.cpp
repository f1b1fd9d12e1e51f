#include "framework/ExportWriter.h"

#include <QSaveFile>

namespace {

// Text is encoded and written in chunks of about this many characters.
constexpr qsizetype kChunkChars = 1 << 16;

bool NeedsQuotes(const QString& value) {
    for (const QChar c : value) {
        const char16_t u = c.unicode();
        if (u == u'"' || u == u',' || u == u'\r' || u == u'\n')
            return true;
    }
    return false;
}

} // namespace

ExportWriter::ExportWriter(TextEncoding encoding) : encoding_(encoding) {}

ExportWriter::~ExportWriter() {
    Cancel();
}

bool ExportWriter::Open(const QString& path) {
    Cancel();
    failed_ = false;
    lastError_.clear();
    file_ = std::make_unique<QSaveFile>(path);
    if (!file_->open(QIODevice::WriteOnly)) {
        lastError_ =
            QStringLiteral("无法创建文件 ") + path + QStringLiteral("\r\n") + file_->errorString();
        file_.reset();
        failed_ = true;
        return false;
    }
    pending_.reserve(kChunkChars + 1024);
    // A BOM (what the encoding gives for no text) belongs at the start of
    // the file only: written here, cut from every chunk.
    bom_ = TextDecoding::Encode(QString(), encoding_);
    file_->write(bom_);
    return true;
}

bool ExportWriter::Flush() {
    if (!file_ || failed_)
        return false;
    if (pending_.isEmpty())
        return true;
    QByteArray bytes = TextDecoding::Encode(pending_, encoding_);
    bytes.remove(0, bom_.size());
    pending_.clear();
    if (file_->write(bytes) != bytes.size()) {
        lastError_ = QStringLiteral("写文件失败: ") + file_->errorString();
        failed_ = true;
        return false;
    }
    return true;
}

bool ExportWriter::WriteLine(const QString& line) {
    if (!file_ || failed_)
        return false;
    pending_ += line;
    pending_ += u"\r\n";
    return pending_.size() < kChunkChars || Flush();
}

bool ExportWriter::WriteRecord(const QStringList& fields, const QList<bool>& quoted) {
    if (!file_ || failed_)
        return false;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            pending_ += u',';
        AppendCsvField(pending_, fields.at(i), i < quoted.size() && quoted.at(i));
    }
    pending_ += u"\r\n";
    return pending_.size() < kChunkChars || Flush();
}

bool ExportWriter::Commit() {
    if (!file_)
        return false;
    if (!Flush()) {
        Cancel();
        return false;
    }
    if (!file_->commit()) {
        lastError_ = QStringLiteral("写文件失败: ") + file_->errorString();
        failed_ = true;
        file_.reset();
        return false;
    }
    file_.reset();
    return true;
}

void ExportWriter::Cancel() {
    if (file_)
        file_->cancelWriting();
    file_.reset();
    pending_.clear();
}

QString ExportWriter::CsvField(const QString& value, bool quote) {
    QString out;
    AppendCsvField(out, value, quote);
    return out;
}

void ExportWriter::AppendCsvField(QString& line, const QString& value, bool quote) {
    if (value.isNull())
        return;
    if (!quote && !NeedsQuotes(value)) {
        line += value;
        return;
    }
    line += u'"';
    if (value.contains(u'"')) {
        QString doubled = value;
        doubled.replace(u'"', QStringLiteral("\"\""));
        line += doubled;
    } else {
        line += value;
    }
    line += u'"';
}
