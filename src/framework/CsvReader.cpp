#include "framework/CsvReader.h"

#include <QFileInfo>

bool CsvReader::Open(const QString& path) {
    Close();
    QString text;
    if (!CsvRecordParser::LoadFile(path, text, lastError_))
        return false;
    fileSize_ = QFileInfo(path).size();
    parser_.SetText(text);
    open_ = true;
    return true;
}

void CsvReader::Close() {
    parser_.SetText(QString());
    fileSize_ = 0;
    open_ = false;
}

void CsvReader::SetProgress(Progress progress) {
    if (!progress) {
        parser_.SetProgress(nullptr);
        return;
    }
    parser_.SetProgress([this, progress = std::move(progress)](qsizetype, qsizetype) {
        return progress(FilePosition(), fileSize_);
    });
}

int CsvReader::ReadRecord(QStringList& fields) {
    if (!open_) {
        fields.clear();
        return 0;
    }
    return parser_.ReadRecord(fields);
}

qint64 CsvReader::FilePosition() const {
    // The text is decoded, so characters and bytes differ; the share read so
    // far is the same, which is what a progress bar shows.
    const qint64 length = parser_.Length();
    if (length <= 0)
        return 0;
    return qint64(double(parser_.Position()) / double(length) * double(fileSize_));
}
