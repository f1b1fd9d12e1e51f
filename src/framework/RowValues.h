#pragma once

#include <QString>

#include <vector>

// The typed values one save of a form writes, in the order they were set, so
// that the insert through the recordset, the statement shown when it fails
// and the update all write the same columns the same way.
class RowValues final {
public:
    void SetText(const QString& column, const QString& text) {
        entries_.push_back({column, Kind::Text, text});
    }
    void SetLong(const QString& column, qint32 value) {
        entries_.push_back({column, Kind::Long, {}, value});
    }
    void SetDouble(const QString& column, double value) {
        entries_.push_back({column, Kind::Double, {}, 0, value});
    }
    // No value at all, as a number box left empty.
    void SetNull(const QString& column) { entries_.push_back({column, Kind::Null, {}, 0, 0}); }
    // Every value of `other` after these.
    void Append(const RowValues& other) {
        entries_.insert(entries_.end(), other.entries_.begin(), other.entries_.end());
    }

    // Hands every value to anything with SetText, SetLong, SetDouble and SetNull: the
    // insert and update builders, or an adapter over a recordset.
    template <typename Writer> void WriteTo(Writer& writer) const {
        for (const Entry& entry : entries_) {
            switch (entry.kind) {
            case Kind::Text:
                writer.SetText(entry.column, entry.text);
                break;
            case Kind::Long:
                writer.SetLong(entry.column, entry.number);
                break;
            case Kind::Double:
                writer.SetDouble(entry.column, entry.real);
                break;
            case Kind::Null:
                writer.SetNull(entry.column);
                break;
            }
        }
    }

private:
    enum class Kind { Text, Long, Double, Null };
    struct Entry {
        QString column;
        Kind kind;
        QString text;
        qint32 number = 0;
        double real = 0;
    };

    std::vector<Entry> entries_;
};
