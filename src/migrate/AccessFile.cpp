#include "AccessFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <mdbtools.h>

#include <cstdlib>

namespace {

// A bound text value may be this long in UTF-8; a memo of Access's typed
// maximum (65,535 characters, three bytes each in Chinese) fits.
constexpr size_t kBindBytes = 256 * 1024;

QString Native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

AccessFile::Kind KindOf(int type) {
    switch (type) {
    case MDB_BOOL:
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
        return AccessFile::Kind::Integer;
    case MDB_MONEY:
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_NUMERIC:
        return AccessFile::Kind::Double;
    case MDB_TEXT:
    case MDB_MEMO:
    case MDB_DATETIME:
    case MDB_REPID:
        return AccessFile::Kind::Text;
    default: // OLE objects, binary and attachment columns
        return AccessFile::Kind::Unsupported;
    }
}

// Long and Double are taken from the row's bytes: libmdb prints doubles with
// 16 digits, which is not always the stored value. Other types come through
// libmdb's text (dates as "YYYY-MM-DD HH:MM:SS", as the program keeps times).
bool ReadsRawBytes(int type) {
    return type == MDB_LONGINT || type == MDB_DOUBLE || type == MDB_FLOAT;
}

} // namespace

struct AccessFile::Handle {
    MdbHandle* mdb = nullptr;
    ~Handle() {
        if (mdb)
            mdb_close(mdb);
    }
};

AccessFile::AccessFile() = default;
AccessFile::~AccessFile() = default;

QString AccessFile::CheckHeader(const QString& path) {
    QFile file(path);
    if (!file.exists())
        return QStringLiteral("文件 '%1' 不存在。").arg(Native(path));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("无法读取文件 '%1': %2").arg(Native(path), file.errorString());
    const QByteArray head = file.read(0x20);
    const bool jet = head.size() == 0x20 && head.startsWith(QByteArray("\x00\x01\x00\x00", 4)) &&
                     (head.mid(4, 15) == "Standard Jet DB" || head.mid(4, 15) == "Standard ACE DB");
    if (!jet)
        return QStringLiteral("文件 '%1' 不是 Access 数据库 (.mdb) 文件。").arg(Native(path));
    const int version = static_cast<unsigned char>(head.at(0x14));
    if (version == MDB_VER_JET3)
        return QStringLiteral("'%1' 是 Access 97 (Jet 3) 格式的数据库，不能直接迁移。请先在 "
                              "Access 2000 或更高版本中把它转换为 Access 2000-2003 格式 "
                              "(.mdb)，再进行迁移。")
            .arg(Native(path));
    if (version != MDB_VER_JET4)
        return QStringLiteral("'%1' 是 Access 2007 或更高版本的数据库 (.accdb)，不能直接迁移。"
                              "请先在 Access 中把它另存为 Access 2002-2003 格式 (.mdb)，再进行"
                              "迁移。")
            .arg(Native(path));
    if (file.size() % 4096 != 0)
        return QStringLiteral("文件 '%1' 不完整 (长度不是整页)，可能在复制时被截断。")
            .arg(Native(path));
    return QString();
}

QString AccessFile::DamagedText(const QString& detail) const {
    return QStringLiteral("文件 '%1' 已损坏或不完整: %2").arg(Native(path_), detail);
}

bool AccessFile::Open(const QString& path) {
    path_ = path;
    tables_.clear();
    handle_.reset();
    lastError_ = CheckHeader(path);
    if (!lastError_.isEmpty())
        return false;
    auto handle = std::make_unique<Handle>();
    handle->mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (!handle->mdb) {
        lastError_ = DamagedText(QStringLiteral("无法打开。"));
        return false;
    }
    mdb_set_bind_size(handle->mdb, kBindBytes);
    mdb_set_date_fmt(handle->mdb, "%Y-%m-%d %H:%M:%S");
    mdb_set_boolean_fmt_numbers(handle->mdb);
    handle_ = std::move(handle);
    return ReadCatalog();
}

bool AccessFile::ReadCatalog() {
    MdbHandle* mdb = handle_->mdb;
    if (!mdb_read_catalog(mdb, MDB_TABLE)) {
        lastError_ = DamagedText(QStringLiteral("无法读取表的目录。"));
        return false;
    }
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type != MDB_TABLE || mdb_is_system_table(entry))
            continue;
        MdbTableDef* def = mdb_read_table(entry);
        const QString name = QString::fromUtf8(entry->object_name);
        if (!def || !mdb_read_columns(def)) {
            if (def)
                mdb_free_tabledef(def);
            lastError_ = DamagedText(QStringLiteral("无法读取表 %1 的定义。").arg(name));
            return false;
        }
        Table table;
        table.name = name;
        table.rowCount = def->num_rows;
        for (unsigned c = 0; c < def->num_cols; ++c) {
            const auto* col = static_cast<MdbColumn*>(g_ptr_array_index(def->columns, c));
            Column column;
            column.name = QString::fromUtf8(col->name);
            column.accessType = col->col_type;
            // Jet 4 keeps texts in UTF-16: the size is in bytes.
            column.textLength = col->col_type == MDB_TEXT ? col->col_size / 2 : 0;
            column.isMemo = col->col_type == MDB_MEMO;
            column.isAutoNumber = col->is_long_auto != 0;
            column.kind = KindOf(col->col_type);
            table.columns.push_back(column);
        }
        mdb_free_tabledef(def);
        tables_.push_back(std::move(table));
    }
    return true;
}

const AccessFile::Table* AccessFile::FindTable(const QString& name) const {
    for (const Table& table : tables_)
        if (table.name.compare(name, Qt::CaseInsensitive) == 0)
            return &table;
    return nullptr;
}

bool AccessFile::ReadTable(const Table& table, const RowSink& sink) {
    lastError_.clear();
    if (!handle_) {
        lastError_ = QStringLiteral("Access 数据库没有打开。");
        return false;
    }
    MdbHandle* mdb = handle_->mdb;
    QByteArray name = table.name.toUtf8();
    MdbTableDef* def = mdb_read_table_by_name(mdb, name.data(), MDB_TABLE);
    if (!def || !mdb_read_columns(def) || def->num_cols != table.columns.size()) {
        if (def)
            mdb_free_tabledef(def);
        lastError_ = DamagedText(QStringLiteral("无法读取表 %1 的定义。").arg(table.name));
        return false;
    }
    mdb_rewind_table(def);

    const size_t count = table.columns.size();
    std::vector<MdbColumn*> columns(count);
    std::vector<std::vector<char>> buffers(count);
    std::vector<int> lengths(count, 0);
    for (size_t c = 0; c < count; ++c) {
        columns[c] = static_cast<MdbColumn*>(g_ptr_array_index(def->columns, c));
        if (table.columns[c].kind != Kind::Unsupported && !ReadsRawBytes(columns[c]->col_type)) {
            buffers[c].resize(kBindBytes);
            mdb_bind_column(def, int(c) + 1, buffers[c].data(), &lengths[c]);
        }
    }

    std::vector<Cell> row(count);
    qint64 rows = 0;
    bool ok = true;
    while (ok && mdb_fetch_row(def)) {
        ++rows;
        for (size_t c = 0; c < count && ok; ++c) {
            Cell& cell = row[c];
            const MdbColumn* col = columns[c];
            cell = Cell();
            switch (table.columns[c].kind) {
            case Kind::Unsupported:
                break;
            case Kind::Integer:
            case Kind::Double:
                if (ReadsRawBytes(col->col_type)) {
                    if (col->cur_value_len == 0)
                        break;
                    cell.isNull = false;
                    if (col->col_type == MDB_LONGINT)
                        cell.integer = qint32(mdb_get_int32(mdb->pg_buf, col->cur_value_start));
                    else if (col->col_type == MDB_DOUBLE)
                        cell.number = mdb_get_double(mdb->pg_buf, col->cur_value_start);
                    else
                        cell.number = mdb_get_single(mdb->pg_buf, col->cur_value_start);
                } else if (lengths[c] > 0) {
                    cell.isNull = false;
                    const char* text = buffers[c].data();
                    if (table.columns[c].kind == Kind::Integer)
                        cell.integer = std::strtoll(text, nullptr, 10);
                    else
                        cell.number = std::strtod(text, nullptr);
                }
                break;
            case Kind::Text:
                // libmdb gives '' and NULL alike as an empty value; both are
                // written as '' (the program reads a NULL text as '').
                cell.isNull = false;
                cell.text = buffers[c].data();
                cell.textBytes = lengths[c];
                if (size_t(cell.textBytes) + 1 >= kBindBytes) {
                    lastError_ = QStringLiteral("表 %1 第 %2 行的 %3 超过 %4 字节，无法完整读出。")
                                     .arg(table.name)
                                     .arg(rows)
                                     .arg(table.columns[c].name)
                                     .arg(kBindBytes - 1);
                    ok = false;
                }
                break;
            }
        }
        if (ok && !sink(row))
            ok = false;
    }
    mdb_free_tabledef(def);
    if (!ok)
        return false;
    if (rows != table.rowCount) {
        lastError_ = DamagedText(QStringLiteral("表 %1 应有 %2 行，只读出 %3 行。")
                                     .arg(table.name)
                                     .arg(table.rowCount)
                                     .arg(rows));
        return false;
    }
    return true;
}
