#pragma once

#include <QString>
#include <QVariant>

// Where a recordset's rows come from: a result of one engine, read once from
// the first row to the last. The recordset layers the row it just wrote and its
// pending writes over it.
class RowSource {
public:
    virtual ~RowSource() = default;

    // Moves to the next row (the first one on the first call). False at the end
    // and on a failure, which Error() then describes.
    virtual bool Next() = 0;
    virtual QString Error() const = 0;

    virtual int Count() const = 0;
    virtual QString Name(int i) const = 0;
    // ADO type code (AdoType.h).
    virtual int Type(int i) const = 0;

    // The current row's value; a null is a null QVariant.
    virtual QVariant Value(int i) const = 0;
    // The same as text (see VariantText); a source may produce it more cheaply.
    virtual QString Text(int i) const { return VariantText(Value(i)); }

    // Takes what is left of the result into memory, so that the connection can
    // run another statement (a PostgreSQL connection streams one result at a time).
    virtual void TakeRemainingRows() {}

    // A value as text: a null is a null QString; text as it is; numbers the way
    // the desktop database printed them (15 significant digits for doubles).
    static QString VariantText(const QVariant& value);
};
