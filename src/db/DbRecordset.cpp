#include "DbRecordset.h"

#include "AdoType.h"
#include "DbConnection.h"
#include "FieldIndex.h"
#include "FieldSpelling.h"
#include "Guarded.h"
#include "QtRowSource.h"
#include "SqlDialect.h"
#include "SqlErrorText.h"
#include "SqlLiteral.h"
#include "SqliteRowSource.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <cmath>
#include <exception>
#include <limits>
#include <optional>
#include <vector>

namespace {

// The descriptions callers know from the desktop database's provider.
const QString kNotOpen = QStringLiteral("Connection Not open!\r\n");
const QString kClosed = QStringLiteral("Operation is not allowed when the object is closed.");
const QString kNoField = QStringLiteral(
    "Item cannot be found in the collection corresponding to the requested name or ordinal.");
const QString kNoRow = QStringLiteral("Either BOF or EOF is True, or the current record has been "
                                      "deleted. Requested operation requires a current record.");
const QString kNotUpdatable =
    QStringLiteral("Current Recordset does not support updating. This may be a limitation of the "
                   "provider, or of the selected locktype.");
const QString kNoKey = QStringLiteral("Insufficient key column information for updating or "
                                      "refreshing.");
const QString kRowGone = QStringLiteral("Row cannot be located for updating. Some values may have "
                                        "been changed since it was last read.");
const QString kTypeMismatch = QStringLiteral("Type mismatch.");

// Rounds half to even, as the desktop database's number conversions did.
std::optional<qint32> ToInt32(double value) {
    if (!std::isfinite(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value);
    if (rounded < std::numeric_limits<qint32>::min() ||
        rounded > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint32(rounded);
}

} // namespace

struct DbRecordset::Impl {
    Impl(DbConnection& c, DbRecordset* o) : connection(c), owner(o) {}

    DbConnection& connection;
    DbRecordset* owner;
    std::unique_ptr<RowSource> source;
    bool open = false;
    bool attached = false;
    bool eof = true;
    bool hadRow = false;

    QString statement;
    QString table; // what AddNew / Update write to
    QStringList names;
    FieldIndex index;
    QStringList spelled; // names as the program spells them, made on first use

    // The row just written, shown instead of the source's current row.
    bool overridden = false;
    bool inserted = false;
    std::vector<QVariant> written;

    // Writes waiting for Update.
    bool editing = false;
    bool adding = false;
    std::vector<QVariant> edits;
    std::vector<char> edited;

    QString lastError;

    void Reset() {
        if (attached)
            connection.DetachReader(owner);
        attached = false;
        source.reset();
        open = false;
        eof = true;
        hadRow = false;
        statement.clear();
        table.clear();
        names.clear();
        index.Clear();
        spelled.clear();
        overridden = inserted = editing = adding = false;
        written.clear();
        edits.clear();
        edited.clear();
    }

    bool HasRow() const { return open && (overridden || !eof); }

    // The current row's stored value of field i (a valid index, a current row).
    QVariant Stored(int i) const {
        if (overridden)
            return written[size_t(i)];
        if (eof)
            return QVariant(); // a new row before its Update: nothing stored yet
        return source->Value(i);
    }

    // What a read sees: a value written since the last Update, else the stored one.
    QVariant Value(int i) const {
        if (editing && edited[size_t(i)])
            return edits[size_t(i)];
        return Stored(i);
    }

    QString Text(int i) const {
        if ((editing && edited[size_t(i)]) || overridden)
            return RowSource::VariantText(Value(i));
        if (eof)
            return QString(); // a new row before its Update: nothing stored yet
        return source->Text(i);
    }

    bool Next() {
        const bool more = source->Next();
        if (!more && !source->Error().isEmpty())
            lastError = source->Error();
        return more;
    }

    // The field for a read; -1 with the reason kept.
    int Field(QStringView name) {
        const int i = index.Find(name);
        if (i < 0) {
            lastError = kNoField;
            return -1;
        }
        if (!HasRow() && !(editing && adding)) {
            lastError = kNoRow;
            return -1;
        }
        return i;
    }

    int Set(const QString& name, QVariant value);
    bool Write();
};

int DbRecordset::Impl::Set(const QString& name, QVariant value) {
    if (!open) {
        lastError = kClosed;
        return 0;
    }
    const int i = index.Find(name);
    if (i < 0) {
        lastError = kNoField;
        return 0;
    }
    if (!adding && !HasRow()) {
        lastError = kNoRow;
        return 0;
    }
    if (!editing) {
        editing = true;
        edits.assign(size_t(names.size()), QVariant());
        edited.assign(size_t(names.size()), 0);
    }
    edits[size_t(i)] = std::move(value);
    edited[size_t(i)] = 1;
    return 1;
}

// Inserts the new row or updates the current one, then shows the row as the
// database stored it (with the key it assigned and its defaults).
bool DbRecordset::Impl::Write() {
    if (table.isEmpty()) {
        lastError = kNotUpdatable;
        return false;
    }
    QStringList columns;
    std::vector<QVariant> values;
    for (int i = 0; i < names.size(); ++i) {
        if (edited[size_t(i)]) {
            columns << SqlLiteral::Name(names[i]);
            values.push_back(edits[size_t(i)]);
        }
    }

    QString sql;
    if (adding) {
        if (columns.isEmpty()) {
            sql = QStringLiteral("insert into %1 default values returning *").arg(table);
        } else {
            QStringList marks;
            for (qsizetype k = 0; k < columns.size(); ++k)
                marks << QStringLiteral("?");
            sql = QStringLiteral("insert into %1 (%2) values (%3) returning *")
                      .arg(table, columns.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
        }
    } else {
        const int key = index.Find(u"keyid");
        if (key < 0) {
            lastError = kNoKey;
            return false;
        }
        values.push_back(Stored(key));
        QStringList sets;
        for (const QString& column : std::as_const(columns))
            sets << column + QLatin1String("=?");
        sql = QStringLiteral("update %1 set %2 where %3=? returning *")
                  .arg(table, sets.join(QLatin1Char(',')), SqlLiteral::Name(names[key]));
    }

    // Database() first: on PostgreSQL it takes this recordset's own remaining
    // rows into memory before the write needs the connection.
    QSqlQuery write(connection.Database());
    write.setForwardOnly(true);
    if (!write.prepare(sql)) {
        lastError = SqlErrorText(write.lastError());
        return false;
    }
    for (const QVariant& value : values)
        write.addBindValue(value);
    if (!write.exec()) {
        lastError = SqlErrorText(write.lastError());
        return false;
    }
    if (!write.next()) {
        lastError = adding ? SqlErrorText(write.lastError()) : kRowGone;
        return false;
    }
    const QSqlRecord stored = write.record();
    std::vector<QVariant> row(size_t(names.size()));
    for (int i = 0; i < names.size(); ++i) {
        const int j = stored.indexOf(names[i]);
        row[size_t(i)] = j >= 0 ? write.value(j) : Value(i);
    }
    write.finish();

    written = std::move(row);
    overridden = true;
    if (adding) {
        inserted = true;
        hadRow = true;
    }
    editing = adding = false;
    edits.clear();
    edited.clear();
    return true;
}

DbRecordset::DbRecordset(DbConnection& connection) : d(std::make_unique<Impl>(connection, this)) {}

DbRecordset::~DbRecordset() {
    Close();
}

int DbRecordset::Open(const QString& sql) {
    try {
        d->Reset();
        if (d->connection.GetState() != 1) {
            d->lastError = kNotOpen;
            return 0;
        }
        if (d->connection.IsInProgressHandler()) {
            d->lastError = DbConnection::BusyText();
            return 0;
        }
        const QSqlDatabase db = d->connection.Database();
        if (!db.isOpen()) {
            d->lastError = DbConnection::LostText();
            return 0;
        }
        const QString adapted = d->connection.Adapt(sql);
        if (sqlite3* handle = d->connection.DirectSqliteHandle()) {
            auto direct = std::make_unique<SqliteRowSource>(handle, adapted);
            if (direct->Failed()) {
                d->lastError = direct->Error();
                return 0;
            }
            d->source = std::move(direct);
        } else {
            auto query = std::make_unique<QtRowSource>(db, adapted);
            if (query->Failed()) {
                d->lastError = query->Error();
                return 0;
            }
            d->source = std::move(query);
        }

        // Position on the first row; a statement that fails while producing it
        // fails the Open.
        d->eof = !d->source->Next();
        if (d->eof && !d->source->Error().isEmpty()) {
            d->lastError = d->source->Error();
            d->source.reset();
            return 0;
        }
        d->open = true;
        d->hadRow = !d->eof;
        d->statement = sql;
        d->table = SqlDialect::TableOfSelect(sql);
        for (int i = 0; i < d->source->Count(); ++i)
            d->names << d->source->Name(i);
        d->index.Build(d->names);
        d->connection.AttachReader(this);
        d->attached = true;
        return 1;
    } catch (const std::exception& e) {
        d->lastError = QString::fromLocal8Bit(e.what());
    } catch (...) {
        d->lastError = QStringLiteral("Unknown error.");
    }
    d->Reset();
    return 0;
}

int DbRecordset::Close() {
    d->Reset();
    return 1;
}

void DbRecordset::TakeRemainingRows() {
    if (d->source)
        d->source->TakeRemainingRows();
}

void DbRecordset::ConnectionClosing() {
    d->attached = false; // the connection forgets its readers itself
    d->Reset();
}

bool DbRecordset::IsEOF() {
    if (!d->open)
        return true;
    return !d->overridden && d->eof;
}

bool DbRecordset::IsEmpty() {
    if (!d->open)
        return true;
    return IsEOF() && !d->hadRow;
}

void DbRecordset::MoveNext() {
    if (!d->open) {
        d->lastError = kClosed;
        return;
    }
    try {
        if (d->editing) {
            // Moving on saves what was written to the row, as with the desktop
            // provider; a failure is kept and the move still happens.
            if (!d->Write()) {
                d->editing = d->adding = false;
                d->edits.clear();
                d->edited.clear();
            }
        }
        if (d->overridden) {
            d->overridden = false;
            d->written.clear();
            if (d->inserted) {
                // A new row goes after the last one: nothing follows it.
                d->inserted = false;
                d->eof = true;
                return;
            }
        }
        if (d->eof) {
            d->lastError = kNoRow;
            return;
        }
        d->eof = !d->Next();
    } catch (...) {
        d->eof = true;
        d->lastError = QStringLiteral("Unknown error.");
    }
}

int DbRecordset::AddNew() {
    if (!d->open) {
        d->lastError = kClosed;
        return 0;
    }
    if (d->table.isEmpty()) {
        d->lastError = kNotUpdatable;
        return 0;
    }
    if (d->editing && !Update())
        return 0;
    d->adding = true;
    d->editing = true;
    d->edits.assign(size_t(d->names.size()), QVariant());
    d->edited.assign(size_t(d->names.size()), 0);
    return 1;
}

int DbRecordset::Update() {
    if (!d->open) {
        d->lastError = kClosed;
        return 0;
    }
    if (!d->editing)
        return 1;
    return Guarded(d->lastError, [&] { return d->Write() ? 1 : 0; });
}

int DbRecordset::GetFieldCount() const {
    return d->open ? int(d->names.size()) : 0;
}

QString DbRecordset::GetFieldName(int index) const {
    if (index < 0 || index >= d->names.size()) {
        d->lastError = kNoField;
        return QString();
    }
    if (d->connection.GetEngine() != DbConnection::Engine::PostgreSQL)
        return d->names[index];
    if (d->spelled.isEmpty())
        d->spelled = SpellFieldNames(d->names, d->statement);
    return d->spelled[index];
}

int DbRecordset::GetFieldType(int index) const {
    if (!d->source || index < 0 || index >= d->names.size()) {
        d->lastError = kNoField;
        return AdoType::VarChar;
    }
    return d->source->Type(index);
}

QString DbRecordset::GetString(const QString& field) {
    const int i = d->Field(field);
    if (i < 0)
        return QString();
    return d->Text(i);
}

QString DbRecordset::GetString(int index) {
    if (index < 0 || index >= d->names.size()) {
        d->lastError = kNoField;
        return QString();
    }
    if (!d->HasRow()) {
        d->lastError = kNoRow;
        return QString();
    }
    return d->Text(index);
}

qint32 DbRecordset::GetLong(const QString& field) {
    const int i = d->Field(field);
    if (i < 0)
        return 0;
    const QVariant value = d->Value(i);
    if (value.isNull())
        return 0;
    std::optional<qint32> result;
    switch (value.typeId()) {
    case QMetaType::QString: {
        const QString text = value.toString().trimmed();
        if (text.isEmpty())
            return 0;
        bool ok = false;
        const double number = text.toDouble(&ok);
        if (ok)
            result = ToInt32(number);
        break;
    }
    case QMetaType::Double:
    case QMetaType::Float:
        result = ToInt32(value.toDouble());
        break;
    case QMetaType::Bool:
        result = value.toBool() ? -1 : 0;
        break;
    default: {
        bool ok = false;
        const qlonglong whole = value.toLongLong(&ok);
        if (ok && whole >= std::numeric_limits<qint32>::min() &&
            whole <= std::numeric_limits<qint32>::max())
            result = qint32(whole);
        break;
    }
    }
    if (!result) {
        d->lastError = kTypeMismatch;
        return 0;
    }
    return *result;
}

double DbRecordset::GetDouble(const QString& field) {
    const int i = d->Field(field);
    if (i < 0)
        return 0.0;
    const QVariant value = d->Value(i);
    if (value.isNull())
        return 0.0;
    bool ok = false;
    double number = 0.0;
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed();
        if (text.isEmpty())
            return 0.0;
        number = text.toDouble(&ok);
    } else {
        number = value.toDouble(&ok);
    }
    if (!ok) {
        d->lastError = kTypeMismatch;
        return 0.0;
    }
    return number;
}

int DbRecordset::SetString(const QString& field, const QString& value) {
    return d->Set(field, QVariant(value.isNull() ? QStringLiteral("") : value));
}

int DbRecordset::SetLong(const QString& field, qint32 value) {
    return d->Set(field, QVariant(int(value)));
}

int DbRecordset::SetDouble(const QString& field, double value) {
    return d->Set(field, QVariant(value));
}

int DbRecordset::SetNull(const QString& field) {
    return d->Set(field, QVariant());
}

QString DbRecordset::GetLastError() const {
    return d->lastError;
}
