#include "base/IniFile.h"

#include "base/TextHelpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <climits>

struct IniFile::Entry {
    QString name;
    QString value;
};

struct IniFile::Section {
    QString name;
    std::vector<Entry> keys;

    Entry* FindKey(const QString& key) {
        for (Entry& entry : keys)
            if (EqualsIgnoringAsciiCase(entry.name, key))
                return &entry;
        return nullptr;
    }
};

namespace {

// Backslash, CR and LF are written as two-character escapes so that a value
// always stays on its one line.
void AppendEscaped(QString& out, const QString& value) {
    for (const QChar c : value) {
        switch (c.unicode()) {
        case u'\\':
            out.append(QLatin1String("\\\\"));
            break;
        case u'\r':
            out.append(QLatin1String("\\r"));
            break;
        case u'\n':
            out.append(QLatin1String("\\n"));
            break;
        default:
            out.append(c);
        }
    }
}

// The reverse of AppendEscaped; a backslash before anything else is kept as it
// stands, since hand-written files hold Windows paths.
QString Unescaped(QStringView text) {
    if (!text.contains(QLatin1Char('\\')))
        return text.toString();
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\\') && i + 1 < text.size()) {
            const QChar next = text.at(i + 1);
            if (next == QLatin1Char('\\')) {
                out.append(QLatin1Char('\\'));
                ++i;
                continue;
            }
            if (next == QLatin1Char('r')) {
                out.append(QLatin1Char('\r'));
                ++i;
                continue;
            }
            if (next == QLatin1Char('n')) {
                out.append(QLatin1Char('\n'));
                ++i;
                continue;
            }
        }
        out.append(c);
    }
    return out;
}

// One spelling per file, so that a protected file is recognised however a
// caller names it.
QString AbsolutePath(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

IniFile::IniFile() = default;
IniFile::~IniFile() = default;

IniFile::IniFile(const IniFile& other)
    : path_(other.path_), loadState_(other.loadState_), loadError_(other.loadError_),
      encoding_(other.encoding_), protectedPath_(other.protectedPath_) {
    sections_.reserve(other.sections_.size());
    for (const auto& section : other.sections_)
        sections_.push_back(std::make_unique<Section>(*section));
}

IniFile& IniFile::operator=(const IniFile& other) {
    if (this != &other) {
        IniFile copy(other);
        *this = std::move(copy);
    }
    return *this;
}

// Sections live behind unique_ptr, so the cached pointer stays valid when the
// vector moves; the source must forget it, as it no longer owns the section.
IniFile::IniFile(IniFile&& other) noexcept
    : path_(std::move(other.path_)), loadState_(other.loadState_),
      loadError_(std::move(other.loadError_)), encoding_(other.encoding_),
      protectedPath_(std::move(other.protectedPath_)), sections_(std::move(other.sections_)),
      cached_(other.cached_) {
    other.sections_.clear();
    other.cached_ = nullptr;
}

IniFile& IniFile::operator=(IniFile&& other) noexcept {
    if (this != &other) {
        path_ = std::move(other.path_);
        loadState_ = other.loadState_;
        loadError_ = std::move(other.loadError_);
        encoding_ = other.encoding_;
        protectedPath_ = std::move(other.protectedPath_);
        sections_ = std::move(other.sections_);
        cached_ = other.cached_;
        other.sections_.clear();
        other.cached_ = nullptr;
    }
    return *this;
}

bool IniFile::Load(const QString& path) {
    if (!QFileInfo::exists(path)) {
        loadState_ = LoadState::Missing;
        loadError_.clear();
        return false;
    }
    Clear();
    path_ = path;
    const QString absolute = AbsolutePath(path);
    auto unreadable = [&](const QString& why) {
        loadState_ = LoadState::Unreadable;
        loadError_ = why;
        protectedPath_ = absolute;
        return false;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return unreadable(file.errorString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return unreadable(file.errorString());
    if (!FromBytes(bytes))
        return unreadable(QStringLiteral("文件内容既不是 GBK 也不是 UTF-8 或 UTF-16 文本"));
    loadState_ = LoadState::Loaded;
    loadError_.clear();
    if (protectedPath_ == absolute)
        protectedPath_.clear();
    return true;
}

bool IniFile::Save(const QString& path, Access access) const {
    if (!protectedPath_.isEmpty() && AbsolutePath(path) == protectedPath_)
        return false;
    // QSaveFile writes beside the target and renames over it on commit, so the
    // old file survives a failed or interrupted save.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // The temporary file is narrowed while still empty, so the secret is
    // never readable by others, not even before the rename.
    if (access == Access::OwnerOnly &&
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        file.cancelWriting();
        return false;
    }
    const QByteArray bytes = ToBytes();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

void IniFile::Clear() {
    sections_.clear();
    cached_ = nullptr;
}

QString IniFile::Path() const {
    return path_;
}

IniFile::Section* IniFile::FindSection(const QString& name) const {
    // The cache is only ever set to the first section matching its own name,
    // and sections are only appended, so an exact hit is always the right one.
    if (cached_ && cached_->name == name)
        return cached_;
    for (const auto& section : sections_) {
        if (EqualsIgnoringAsciiCase(section->name, name)) {
            cached_ = section.get();
            return cached_;
        }
    }
    return nullptr;
}

IniFile::Section& IniFile::EnsureSection(const QString& name) {
    if (Section* found = FindSection(name))
        return *found;
    sections_.push_back(std::make_unique<Section>());
    Section* created = sections_.back().get();
    created->name = name;
    cached_ = created;
    return *created;
}

std::optional<QString> IniFile::Find(const QString& section, const QString& key) const {
    Section* found = FindSection(section);
    if (!found)
        return std::nullopt;
    if (const Entry* entry = found->FindKey(key))
        return entry->value;
    return std::nullopt;
}

QString IniFile::GetString(const QString& section, const QString& key,
                           const QString& fallback) const {
    Section* found = FindSection(section);
    if (!found)
        return fallback;
    if (const Entry* entry = found->FindKey(key))
        return entry->value;
    return fallback;
}

int IniFile::GetInt(const QString& section, const QString& key) const {
    Section* found = FindSection(section);
    if (!found)
        return 0;
    if (const Entry* entry = found->FindKey(key))
        return AtoI(entry->value);
    return 0;
}

void IniFile::SetString(const QString& section, const QString& key, const QString& value) {
    Section& target = EnsureSection(section);
    if (Entry* entry = target.FindKey(key)) {
        entry->value = value;
        return;
    }
    target.keys.push_back(Entry{key, value});
}

void IniFile::SetInt(const QString& section, const QString& key, int value) {
    SetString(section, key, QString::number(value));
}

void IniFile::SetDouble(const QString& section, const QString& key, double value) {
    // QString::asprintf ignores the locale: the file always carries a '.'.
    SetString(section, key, QString::asprintf("%0.5f", value));
}

int IniFile::GetSections(QStringList& names) const {
    names.clear();
    for (const auto& section : sections_)
        if (!section->name.isEmpty())
            names.append(section->name);
    return static_cast<int>(names.size());
}

int IniFile::GetKeys(const QString& section, QStringList& names) const {
    names.clear();
    const Section* found = FindSection(section);
    if (!found)
        return 0;
    for (const Entry& entry : found->keys)
        names.append(entry.name);
    return static_cast<int>(names.size());
}

QByteArray IniFile::ToBytes() const {
    if (sections_.empty())
        return QByteArray();
    QString text;
    for (const auto& section : sections_) {
        text.append(QLatin1String("\r\n["));
        text.append(section->name);
        text.append(QLatin1String("]\r\n"));
        for (const Entry& entry : section->keys) {
            text.append(entry.name);
            text.append(QLatin1Char('='));
            AppendEscaped(text, entry.value);
            text.append(QLatin1String("\r\n"));
        }
    }
    return TextDecoding::Encode(text, encoding_);
}

bool IniFile::FromBytes(const QByteArray& bytes) {
    Clear();
    QString text;
    TextEncoding encoding = TextEncoding::Gbk;
    const bool decoded = TextDecoding::DecodeSettings(bytes, text, encoding);
    // UTF-8 without a BOM is written back as GBK: saved as it came, it might
    // next time read as GBK.
    encoding_ = encoding == TextEncoding::Utf8 ? TextEncoding::Gbk : encoding;
    if (!decoded)
        return false;
    const QStringView all(text);
    Section* current = nullptr;
    QString line;

    qsizetype start = 0;
    while (start < all.size()) {
        qsizetype end = all.indexOf(QLatin1Char('\n'), start);
        if (end < 0)
            end = all.size();
        QStringView raw = all.mid(start, end - start);
        start = end + 1;

        // Every CR goes, not only a final one; then leading spaces (tabs stay).
        if (raw.contains(QLatin1Char('\r'))) {
            line = raw.toString();
            line.remove(QLatin1Char('\r'));
            raw = QStringView(line);
        }
        qsizetype first = 0;
        while (first < raw.size() && raw.at(first) == QLatin1Char(' '))
            ++first;
        raw = raw.mid(first);
        if (raw.isEmpty())
            continue;

        if (raw.at(0) == QLatin1Char('[')) {
            const qsizetype close = raw.indexOf(QLatin1Char(']'));
            if (close < 0)
                continue;
            qsizetype nameStart = 1;
            while (nameStart < close && raw.at(nameStart) == QLatin1Char('['))
                ++nameStart;
            // Repeated heads are not merged: each one is its own section.
            sections_.push_back(std::make_unique<Section>());
            current = sections_.back().get();
            current->name = raw.mid(nameStart, close - nameStart).toString();
            continue;
        }
        if (!current)
            continue; // keys before the first section head belong to nothing

        const qsizetype equals = raw.indexOf(QLatin1Char('='));
        if (equals < 0)
            current->keys.push_back(Entry{raw.toString(), QString()});
        else
            current->keys.push_back(
                Entry{raw.left(equals).toString(), Unescaped(raw.mid(equals + 1))});
    }
    return true;
}

int AtoI(const QString& text) {
    qsizetype i = 0;
    const qsizetype size = text.size();
    // The blanks that C's isspace accepts.
    while (i < size) {
        const char16_t c = text.at(i).unicode();
        if (c != u' ' && c != u'\t' && c != u'\n' && c != u'\v' && c != u'\f' && c != u'\r')
            break;
        ++i;
    }
    bool negative = false;
    if (i < size && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    // Saturate rather than overflow on absurdly long digit runs.
    long long value = 0;
    for (; i < size; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            break;
        value = value * 10 + (c - u'0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    return static_cast<int>(value);
}
