#include "FieldIndex.h"

namespace {

inline char16_t Fold(char16_t c) {
    return (c >= 'A' && c <= 'Z') ? char16_t(c | 0x20) : c;
}

} // namespace

void FieldIndex::Build(const QStringList& names) {
    names_ = names;
    size_t size = 8;
    while (size < size_t(names.size()) * 2)
        size *= 2;
    slots_.assign(size, 0);
    mask_ = size - 1;
    for (int i = 0; i < names.size(); ++i) {
        size_t slot = Hash(names[i]) & mask_;
        bool duplicate = false;
        while (slots_[slot] != 0) {
            if (Equal(names_[slots_[slot] - 1], names[i])) {
                duplicate = true;
                break;
            }
            slot = (slot + 1) & mask_;
        }
        if (!duplicate)
            slots_[slot] = i + 1;
    }
}

void FieldIndex::Clear() {
    names_.clear();
    slots_.clear();
    mask_ = 0;
}

int FieldIndex::Find(QStringView name) const {
    if (slots_.empty())
        return -1;
    size_t slot = Hash(name) & mask_;
    while (slots_[slot] != 0) {
        const int index = slots_[slot] - 1;
        if (Equal(names_[index], name))
            return index;
        slot = (slot + 1) & mask_;
    }
    return -1;
}

size_t FieldIndex::Hash(QStringView name) {
    // FNV-1a over the folded UTF-16 units.
    size_t hash = 14695981039346656037ull;
    for (QChar c : name) {
        hash ^= Fold(c.unicode());
        hash *= 1099511628211ull;
    }
    return hash;
}

bool FieldIndex::Equal(QStringView a, QStringView b) {
    if (a.size() != b.size())
        return false;
    const QChar* p = a.data();
    const QChar* q = b.data();
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (Fold(p[i].unicode()) != Fold(q[i].unicode()))
            return false;
    }
    return true;
}
