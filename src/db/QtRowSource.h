#pragma once

#include "RowSource.h"

#include <QSqlQuery>
#include <QStringList>

#include <vector>

// Rows of a forward-only Qt SQL query (PostgreSQL, and SQLite where the direct
// reader cannot be used). Once TakeRemainingRows ran, the rest of the result is
// read from memory.
class QtRowSource final : public RowSource {
public:
    // Runs the statement; check Error() when Failed().
    QtRowSource(const QSqlDatabase& db, const QString& sql);
    bool Failed() const { return failed_; }

    bool Next() override;
    QString Error() const override { return error_; }
    int Count() const override { return int(names_.size()); }
    QString Name(int i) const override { return names_[i]; }
    int Type(int i) const override { return types_[size_t(i)]; }
    QVariant Value(int i) const override;
    void TakeRemainingRows() override;

private:
    QSqlQuery query_;
    bool failed_ = false;
    bool started_ = false;
    bool atRow_ = false;
    QString error_;
    QStringList names_;
    std::vector<int> types_;

    bool buffered_ = false;
    std::vector<QVariant> rows_; // row-major
    size_t pos_ = 0;
};
