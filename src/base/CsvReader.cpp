#include "base/CsvReader.h"

#include "net/Gbk.h"

namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF");

bool HasHighByte(const QByteArray& bytes) {
    for (const char b : bytes)
        if (static_cast<unsigned char>(b) >= 0x80)
            return true;
    return false;
}

// NUL bytes all at even or all at odd places are UTF-16 without its BOM (the
// high byte of every ASCII character: commas and line ends at least); NUL
// bytes anywhere else are no text at all.
bool LooksLikeUtf16(const QByteArray& bytes) {
    qsizetype even = 0;
    qsizetype odd = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i)
        if (bytes[i] == '\0')
            ++(i % 2 ? odd : even);
    const qsizetype nuls = even + odd;
    return nuls >= 4 && std::max(even, odd) * 10 >= nuls * 9;
}

// The bytes up to and including the last line end, or all of them when there
// is none or the file ends here.
QByteArray WholeLines(const QByteArray& bytes, bool atEnd) {
    if (atEnd)
        return bytes;
    const qsizetype cut = std::max(bytes.lastIndexOf('\n'), bytes.lastIndexOf('\r'));
    return cut < 0 ? bytes : bytes.left(cut + 1);
}

} // namespace

bool CsvReader::DetectEncoding(const QString& path, TextEncoding& encoding, QString& error) {
    error.clear();
    encoding = TextEncoding::Gbk;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("无法打开文件 %1: %2").arg(path, file.errorString());
        return false;
    }
    QByteArray sample = file.read(kBlockBytes);
    if (file.error() != QFileDevice::NoError) {
        error = QStringLiteral("读取文件 %1 失败: %2").arg(path, file.errorString());
        return false;
    }
    if (sample.startsWith("\xFF\xFE") || sample.startsWith("\xFE\xFF") || LooksLikeUtf16(sample)) {
        error = QStringLiteral("文件 %1 是UTF-16 (Unicode) 编码的文本, 不能导入。"
                               "请在Excel中另存为“CSV (逗号分隔)”或“CSV UTF-8 (逗号分隔)”格式。")
                    .arg(path);
        return false;
    }
    QString text;
    QString why;
    // The first megabyte decides, and also shows binary junk; when it is
    // plain ASCII the first block that is not decides between GBK and UTF-8.
    if (!TextDecoding::DecodeUserFile(WholeLines(sample, file.atEnd()), text, encoding, why)) {
        error = QStringLiteral("文件 %1 %2").arg(path, why);
        return false;
    }
    if (encoding != TextEncoding::Utf8Bom && !HasHighByte(sample)) {
        while (!file.atEnd()) {
            const QByteArray block = file.read(kBlockBytes);
            if (block.isEmpty() || !HasHighByte(block))
                continue;
            // Whole lines only, so that no character is cut in two.
            QByteArray lines = WholeLines(block, file.atEnd());
            const qsizetype first = std::max(lines.indexOf('\n'), lines.indexOf('\r'));
            if (first >= 0 && first + 1 < lines.size() && !file.atEnd())
                lines.remove(0, first + 1);
            TextDecoding::DecodeUserFile(lines, text, encoding, why);
            if (encoding != TextEncoding::Utf8)
                encoding = TextEncoding::Gbk;
            break;
        }
    }
    return true;
}

bool CsvReader::Open(const QString& path) {
    Close();
    TextEncoding encoding = TextEncoding::Gbk;
    if (!DetectEncoding(path, encoding, lastError_))
        return false;
    encoding_ = encoding;
    return OpenFile(path);
}

bool CsvReader::Open(const QString& path, TextEncoding encoding) {
    Close();
    encoding_ = encoding;
    return OpenFile(path);
}

bool CsvReader::OpenFile(const QString& path) {
    lastError_.clear();
    file_.setFileName(path);
    if (!file_.open(QIODevice::ReadOnly)) {
        lastError_ = QStringLiteral("无法打开文件 %1: %2").arg(path, file_.errorString());
        return false;
    }
    fileSize_ = file_.size();
    rest_ = file_.read(kBlockBytes);
    if (rest_.startsWith(kUtf8Bom)) {
        rest_.remove(0, kUtf8Bom.size());
        bytesDecoded_ = kUtf8Bom.size();
    }
    // Files that never use LF end their lines with a lone CR.
    lineEnd_ = !rest_.contains('\n') && rest_.contains('\r') ? '\r' : '\n';
    parser_.SetSource([this](QString& piece) { return NextPiece(piece); }, QLatin1Char(lineEnd_));
    return true;
}

void CsvReader::Close() {
    file_.close();
    parser_.SetText(QString());
    rest_.clear();
    fileSize_ = 0;
    bytesDecoded_ = 0;
    charsDecoded_ = 0;
}

bool CsvReader::NextPiece(QString& piece) {
    if (!file_.isOpen() || (rest_.isEmpty() && file_.atEnd()))
        return false;
    QByteArray block;
    block.swap(rest_);
    if (!file_.atEnd())
        block += file_.read(kBlockBytes);
    // A line longer than a block is read on until its end: a character must
    // never be cut in two, and LF and CR are never part of one in GBK or UTF-8.
    qsizetype cut = block.lastIndexOf(lineEnd_);
    while (cut < 0 && !file_.atEnd()) {
        const QByteArray more = file_.read(kBlockBytes);
        if (more.isEmpty())
            break;
        block += more;
        cut = block.lastIndexOf(lineEnd_);
    }
    if (file_.error() != QFileDevice::NoError)
        lastError_ =
            QStringLiteral("读取文件 %1 失败: %2").arg(file_.fileName(), file_.errorString());
    if (!file_.atEnd() && cut >= 0) {
        rest_ = block.mid(cut + 1);
        block.truncate(cut + 1);
    }
    if (block.isEmpty())
        return false;
    piece = encoding_ == TextEncoding::Gbk ? Gbk::Decode(block) : QString::fromUtf8(block);
    bytesDecoded_ += block.size();
    charsDecoded_ += piece.size();
    return true;
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
    if (!file_.isOpen()) {
        fields.clear();
        return 0;
    }
    return parser_.ReadRecord(fields);
}

qint64 CsvReader::FilePosition() const {
    // The text is decoded, so characters and bytes differ; the share of the
    // decoded text read so far is the same share of its bytes.
    const qint64 length = parser_.Length();
    if (length <= 0)
        return 0;
    return qint64(double(parser_.Position()) / double(length) * double(bytesDecoded_));
}
