#include "SqliteRowSource.h"

#include "AdoType.h"
#include "SqlDialect.h"

#include <sqlite3.h>

namespace {

QString ErrorOf(sqlite3* handle) {
    return QString::fromUtf8(sqlite3_errmsg(handle));
}

// The code of a declared column type, read the way Qt's SQLite driver reads it
// and with the program's own type names added.
int TypeOfDeclared(const QString& declared) {
    const QString type = declared.trimmed().toLower();
    if (type == QLatin1String("bigint") || type == QLatin1String("int8"))
        return AdoType::Integer;
    if (type.startsWith(QLatin1String("numeric")) || type.startsWith(QLatin1String("decimal")))
        return AdoType::Double;
    if (type == QLatin1String("blob"))
        return AdoType::LongVarBinary;
    if (type == QLatin1String("boolean") || type == QLatin1String("bool"))
        return AdoType::Boolean;
    switch (SqlDialect::FamilyOf(type)) {
    case SqlDialect::TypeFamily::Integer:
    case SqlDialect::TypeFamily::SmallInt:
    case SqlDialect::TypeFamily::Counter:
        return AdoType::Integer;
    case SqlDialect::TypeFamily::Double:
    case SqlDialect::TypeFamily::Single:
        return AdoType::Double;
    default:
        return AdoType::VarChar;
    }
}

} // namespace

SqliteRowSource::SqliteRowSource(sqlite3* handle, const QString& sql) : handle_(handle) {
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(handle_, text.constData(), int(text.size()), &statement_, nullptr) !=
        SQLITE_OK) {
        failed_ = true;
        error_ = ErrorOf(handle_);
        sqlite3_finalize(statement_);
        statement_ = nullptr;
        return;
    }
    if (!statement_) { // only blanks or comments
        done_ = true;
        return;
    }
    count_ = sqlite3_column_count(statement_);
    for (int i = 0; i < count_; ++i)
        names_ << QString::fromUtf8(sqlite3_column_name(statement_, i));
}

SqliteRowSource::~SqliteRowSource() {
    sqlite3_finalize(statement_);
}

bool SqliteRowSource::Next() {
    atRow_ = false;
    if (done_ || failed_ || !statement_)
        return false;
    const int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW) {
        atRow_ = true;
        return true;
    }
    done_ = true; // stepping again would run the statement anew
    if (result != SQLITE_DONE)
        error_ = ErrorOf(handle_);
    return false;
}

int SqliteRowSource::Type(int i) const {
    if (types_.empty()) {
        types_.resize(size_t(count_));
        for (int k = 0; k < count_; ++k) {
            const char* declared = sqlite3_column_decltype(statement_, k);
            if (declared) {
                types_[size_t(k)] = TypeOfDeclared(QString::fromUtf8(declared));
                continue;
            }
            // An expression has no declared type: the first row's value tells.
            const int stored = atRow_ ? sqlite3_column_type(statement_, k) : SQLITE_NULL;
            types_[size_t(k)] = stored == SQLITE_INTEGER ? AdoType::Integer
                                : stored == SQLITE_FLOAT ? AdoType::Double
                                : stored == SQLITE_BLOB  ? AdoType::LongVarBinary
                                                         : AdoType::VarChar;
        }
    }
    return types_[size_t(i)];
}

QVariant SqliteRowSource::Value(int i) const {
    if (!atRow_)
        return QVariant();
    switch (sqlite3_column_type(statement_, i)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(statement_, i)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(statement_, i));
    case SQLITE_BLOB: {
        const void* bytes = sqlite3_column_blob(statement_, i);
        return QVariant(
            QByteArray(static_cast<const char*>(bytes), sqlite3_column_bytes(statement_, i)));
    }
    case SQLITE_NULL:
        return QVariant();
    default:
        return QVariant(Text(i));
    }
}

QString SqliteRowSource::Text(int i) const {
    if (!atRow_)
        return QString();
    switch (sqlite3_column_type(statement_, i)) {
    case SQLITE_NULL:
        return QString();
    case SQLITE_INTEGER:
        return QString::number(sqlite3_column_int64(statement_, i));
    case SQLITE_FLOAT:
        return QString::number(sqlite3_column_double(statement_, i), 'g', 15);
    default: {
        // Text (and blobs, read as UTF-8 like Qt does) straight from SQLite's buffer.
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, i));
        const int size = sqlite3_column_bytes(statement_, i);
        return text && size > 0 ? QString::fromUtf8(text, size) : QStringLiteral("");
    }
    }
}

QString SqliteRowSource::LibrarySourceId() {
    return QString::fromLatin1(sqlite3_sourceid());
}
