#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

// An old Access database (Jet 4, the .mdb of Access 2000-2003) read through
// mdbtools' libmdb, in-process. The file is opened read-only and never changed.
//
// Before libmdb sees the file its header is checked here, so that a file that is
// no Access database, an Access 97 (Jet 3) file or an .accdb of Access 2007+
// gets a message saying so instead of whatever libmdb makes of it. A file cut
// short is caught twice: its length must be whole pages, and every table must
// give as many rows as its definition counts (libmdb ends a table silently at a
// page it cannot read).
class AccessFile final {
public:
    // How a column's values come out of ReadTable.
    enum class Kind { Integer, Double, Text, Unsupported };

    struct Column {
        QString name;
        int accessType = 0;  // libmdb's MDB_* type
        int textLength = 0;  // characters, for Text columns
        bool isMemo = false; // long text
        bool isAutoNumber = false;
        Kind kind = Kind::Text;
    };

    struct Table {
        QString name;
        std::vector<Column> columns;
        qint64 rowCount = 0; // as the table's definition counts them
    };

    // One value of a row; `text` points into a buffer that holds until the
    // next row is read.
    struct Cell {
        bool isNull = true;
        qint64 integer = 0;
        double number = 0;
        const char* text = "";
        int textBytes = 0; // UTF-8
    };

    // Called for each row; false stops the reading (ReadTable then fails with
    // an empty error text).
    using RowSink = std::function<bool(const std::vector<Cell>& row)>;

    AccessFile();
    ~AccessFile();
    AccessFile(const AccessFile&) = delete;
    AccessFile& operator=(const AccessFile&) = delete;

    bool Open(const QString& path);
    // The user tables (no MSys* ones), in the file's catalog order.
    const std::vector<Table>& Tables() const { return tables_; }
    const Table* FindTable(const QString& name) const;
    // Reads every row of the table in physical order. Fails when the table
    // cannot be read whole.
    bool ReadTable(const Table& table, const RowSink& sink);

    QString GetLastError() const { return lastError_; }

    // The header check alone, for callers that want to know before migrating:
    // empty when the file looks like a Jet 4 database, else the reason.
    static QString CheckHeader(const QString& path);

private:
    bool ReadCatalog();
    QString DamagedText(const QString& detail) const;

    struct Handle;
    std::unique_ptr<Handle> handle_;
    QString path_;
    std::vector<Table> tables_;
    QString lastError_;
};
