#pragma once

#include "base/TextDecoding.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

// The settings-file document and in-memory property bag.
//
// Sections and keys keep the order of their first appearance; names are looked
// up without regard to ASCII case and the first of several equal names wins.
// On disk the text is GBK with CR LF line ends; reading also accepts UTF-8 and
// UTF-16 by the rules of TextDecoding::DecodeSettings, and a document saves in
// the encoding its file was read in, so another program's UTF-8 or UTF-16
// file stays so. Values escape backslash, CR and LF so that multi-line text
// survives on one line. Save writes a temporary file beside the target and
// renames it over the target, so a failed save leaves the old file whole.
//
// A file that exists but could not be read or decoded is never overwritten by
// the document that tried to load it: what the user wrote there would be lost
// for a document that never understood it.
class IniFile final {
public:
    IniFile();
    ~IniFile();
    IniFile(const IniFile& other);
    IniFile& operator=(const IniFile& other);
    IniFile(IniFile&&) noexcept;
    IniFile& operator=(IniFile&&) noexcept;

    enum class LoadState {
        None,      // no Load yet
        Loaded,    // read and decoded
        Missing,   // no such file; the document was left as it was
        Unreadable // the file exists but could not be read or is no text
    };

    // False, with the document untouched, when the file does not exist; false
    // (document cleared) when it exists but cannot be read or decoded.
    bool Load(const QString& path);
    // Who may read the saved file: Shared keeps an existing file's mode (a
    // new one gets the usual mode); OwnerOnly makes it 0600 before a byte is
    // written, for files that hold passwords (mail and SMS accounts).
    enum class Access { Shared, OwnerOnly };

    // False when the file cannot be written; the previous file then stays.
    // Also false, writing nothing, when this document's last Load found that
    // same file unreadable.
    bool Save(const QString& path, Access access = Access::Shared) const;
    void Clear();

    // The path of the last Load, empty before.
    QString Path() const;
    // The outcome of the last Load, and for Unreadable the reason in Chinese.
    LoadState GetLoadState() const { return loadState_; }
    const QString& GetLoadError() const { return loadError_; }

    // The value, or nothing when the section or key is missing.
    std::optional<QString> Find(const QString& section, const QString& key) const;
    // The value, or `fallback` when missing.
    QString GetString(const QString& section, const QString& key,
                      const QString& fallback = QString()) const;
    // atoi-style: leading blanks, sign, digits; 0 for anything else or missing.
    int GetInt(const QString& section, const QString& key) const;

    void SetString(const QString& section, const QString& key, const QString& value);
    void SetInt(const QString& section, const QString& key, int value);       // "%d"
    void SetDouble(const QString& section, const QString& key, double value); // "%0.5f"

    // Names of all sections with a non-empty name, in order; returns the count.
    int GetSections(QStringList& names) const;
    // Names of the keys of the section in order; 0 when the section is missing.
    int GetKeys(const QString& section, QStringList& names) const;

    // The file text exactly as Save writes it (GBK bytes unless the document
    // was read from another encoding, CR LF).
    QByteArray ToBytes() const;
    // Replaces the document with the parsed text; false, leaving it empty, when
    // the bytes are no text DecodeSettings can read.
    bool FromBytes(const QByteArray& bytes);

private:
    struct Entry;
    struct Section;
    Section* FindSection(const QString& name) const;
    Section& EnsureSection(const QString& name);

    QString path_;
    LoadState loadState_ = LoadState::None;
    QString loadError_;
    TextEncoding encoding_ = TextEncoding::Gbk;
    // The file a Load found unreadable, absolute; Save leaves it alone.
    QString protectedPath_;
    std::vector<std::unique_ptr<Section>> sections_;
    mutable Section* cached_ = nullptr;
};

// atoi on a QString: skips leading white space, optional sign, then digits.
int AtoI(const QString& text);
