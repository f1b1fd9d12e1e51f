#pragma once

#include "RowSource.h"

#include <QStringList>

#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// Rows of an SQLite statement read straight through SQLite's C interface, on
// the handle of the connection's Qt driver. Qt's reader converts every column
// of every row to a UTF-16 QVariant, whether the caller reads it or not; this
// one takes a field's UTF-8 text into a QString only when it is read, which
// makes reading a large list about twice as fast. The statement is prepared
// on the very handle Qt uses, so it sees the connection's own writes.
class SqliteRowSource final : public RowSource {
public:
    // Prepares the statement; check Error() when Failed().
    SqliteRowSource(sqlite3* handle, const QString& sql);
    ~SqliteRowSource() override;
    SqliteRowSource(const SqliteRowSource&) = delete;
    SqliteRowSource& operator=(const SqliteRowSource&) = delete;

    bool Failed() const { return failed_; }

    bool Next() override;
    QString Error() const override { return error_; }
    int Count() const override { return count_; }
    QString Name(int i) const override { return names_[i]; }
    int Type(int i) const override;
    QVariant Value(int i) const override;
    QString Text(int i) const override;

    // The text of SQLite's own sqlite3_sourceid(): the direct reader may only be
    // used when the Qt driver runs on this same SQLite library.
    static QString LibrarySourceId();

private:
    sqlite3* handle_;
    sqlite3_stmt* statement_ = nullptr;
    bool failed_ = false;
    bool done_ = false;
    bool atRow_ = false;
    QString error_;
    int count_ = 0;
    QStringList names_;
    mutable std::vector<int> types_; // decided on first use: may need a row
};
