#include "QtRowSource.h"

#include "AdoType.h"
#include "SqlErrorText.h"

#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>

QtRowSource::QtRowSource(const QSqlDatabase& db, const QString& sql) : query_(db) {
    // Forward-only: rows are read once, in order, and none is kept after it.
    query_.setForwardOnly(true);
    if (!query_.exec(sql)) {
        failed_ = true;
        error_ = SqlErrorText(query_.lastError());
        return;
    }
    if (!query_.isSelect())
        return;
    const QSqlRecord record = query_.record();
    for (int i = 0; i < record.count(); ++i) {
        const QSqlField field = record.field(i);
        names_ << field.name();
        types_.push_back(AdoType::FromMetaType(field.metaType().id()));
    }
}

bool QtRowSource::Next() {
    if (buffered_) {
        if (started_)
            ++pos_;
        started_ = true;
        atRow_ = (pos_ + 1) * names_.size() <= rows_.size() && !names_.isEmpty();
        return atRow_;
    }
    started_ = true;
    atRow_ = query_.isSelect() && query_.next();
    if (!atRow_ && query_.lastError().isValid())
        error_ = SqlErrorText(query_.lastError());
    return atRow_;
}

QVariant QtRowSource::Value(int i) const {
    if (buffered_)
        return rows_[pos_ * size_t(names_.size()) + size_t(i)];
    return query_.value(i);
}

void QtRowSource::TakeRemainingRows() {
    if (buffered_ || failed_)
        return;
    const int count = int(names_.size());
    if (atRow_ || !started_) {
        if (!started_)
            atRow_ = query_.isSelect() && query_.next();
        while (atRow_) {
            for (int i = 0; i < count; ++i)
                rows_.push_back(query_.value(i));
            atRow_ = query_.next();
        }
        if (query_.lastError().isValid())
            error_ = SqlErrorText(query_.lastError());
    }
    query_.finish();
    buffered_ = true;
    // The current row, if any, is the first one kept; Next moves past it.
    pos_ = 0;
    atRow_ = !rows_.empty();
}
