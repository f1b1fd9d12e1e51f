#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// Finds a field's position by name without regard to (ASCII) case, as the
// program's field reads need on every row: an open-addressing table built once
// per result, hashed and compared letter by letter so that a lookup allocates
// nothing. The first of several equal names wins.
class FieldIndex final {
public:
    void Build(const QStringList& names);
    void Clear();
    // The 0-based position, or -1.
    int Find(QStringView name) const;

private:
    static size_t Hash(QStringView name);
    static bool Equal(QStringView a, QStringView b);

    QStringList names_;
    std::vector<int> slots_; // field position + 1; 0 = empty
    size_t mask_ = 0;
};
