#pragma once

#include <QString>

#include <utility>
#include <vector>

// The column -> literal map of the insert and update builders. Columns keep
// the order in which they were first set (so statements read the way the
// calling code is written); setting a column again replaces its literal in
// place, so column i and value i always belong together.
class ColumnValues final {
public:
    void SetText(const QString& column, const QString& text);
    void SetLong(const QString& column, qint32 value);
    void SetDouble(const QString& column, double value);
    void SetNull(const QString& column);

    bool IsEmpty() const { return entries_.empty(); }
    int Count() const { return static_cast<int>(entries_.size()); }
    const QString& Column(int index) const { return entries_[index].first; }
    const QString& Literal(int index) const { return entries_[index].second; }
    void Clear() { entries_.clear(); }

private:
    void Set(const QString& column, QString literal);

    std::vector<std::pair<QString, QString>> entries_;
};
